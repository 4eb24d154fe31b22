#include "archive/single_file_archive.h"

#include <cctype>
#include <cstring>
#include <new>

ArchiveReader* SingleFileArchive::create() { return new (std::nothrow) SingleFileArchive; }

SingleFileArchive::~SingleFileArchive() { close(); }

// The entry is named after the file, without a ".gz" ending.
void SingleFileArchive::file_opened(const char* path, FileReader* opened) {
  opened->set_unbuffered();
  const char* slash = std::strrchr(path, '/');
  const char* backslash = std::strrchr(path, '\\');
  if (backslash > slash) slash = backslash;
  const char* base = slash ? slash + 1 : path;
  size_t length = std::strlen(base);
  if (length >= NameSize) length = NameSize - 1;
  std::memcpy(name_, base, length);
  name_[length] = '\0';
  if (length > 3 && name_[length - 3] == '.' && std::toupper(static_cast<unsigned char>(name_[length - 2])) == 'G' &&
      std::toupper(static_cast<unsigned char>(name_[length - 1])) == 'Z')
    name_[length - 3] = '\0';
}

const char* SingleFileArchive::open_contents() {
  if (const char* error = gzip_.open(file)) return error;
  size_ = gzip_.remain();
  if (size_ < 0) return ReadErrorText;
  set_entry(name_, 0, size_);
  return nullptr;
}

const char* SingleFileArchive::rewind_contents() {
  if (gzip_.delivered() > 0) {
    if (const char* error = file->seek(0)) return error;
    if (const char* error = gzip_.open(file)) return error;
    // The size was known before; only the trailer read would repeat it.
    const int32_t size = gzip_.remain();
    if (size < 0) return ReadErrorText;
  }
  set_entry(name_, 0, size_);
  return nullptr;
}

const char* SingleFileArchive::next() {
  done = true;
  clear_entry();
  return nullptr;
}

int32_t SingleFileArchive::read_avail(void* buffer, int32_t n) {
  if (done) return n == 0 ? 0 : -1;
  return gzip_.read_avail(buffer, n);
}

const char* SingleFileArchive::read(void* buffer, int32_t n) {
  if (done) return n == 0 ? nullptr : UnexpectedEndText;
  return gzip_.read(buffer, n);
}

int32_t SingleFileArchive::remain() { return done ? 0 : size_ - gzip_.delivered(); }

void SingleFileArchive::close_hook() { gzip_.close(); }
