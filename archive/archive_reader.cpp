#include "archive/archive_reader.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "archive/inflate_stream.h"
#include "archive/single_file_archive.h"
#include "archive/zip_archive.h"

const char* const FormatNotSupportedText = "Archive format not supported";
const char* const NoOpenArchiveText = "No open archive";

namespace {

constexpr size_t LongestExtension = 5;  // longer ones count as none
constexpr int32_t ExtractChunk = 4096;

uint32_t BigEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

const ArchiveType* DefaultType() {
  const ArchiveType* t = archive_types;
  while (t->extension && t->extension[0]) ++t;
  return t->extension ? t : nullptr;
}

}  // namespace

// --- Archive kinds --------------------------------------------------------------

const ArchiveType archive_types[] = {
    {"GZ", SingleFileArchive::create},
    {"ZIP", ZipArchive::create},
    {"", SingleFileArchive::create},
    {nullptr, nullptr},
};

const ArchiveType* lookup_archive_type(const char* name) {
  const char* dot = std::strrchr(name, '.');
  const char* extension = dot ? dot + 1 : name;
  char upper[LongestExtension + 1] = {};
  const size_t length = std::strlen(extension);
  if (length <= LongestExtension) {
    for (size_t i = 0; i < length; ++i)
      upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(extension[i])));
  }
  for (const ArchiveType* t = archive_types; t->extension; ++t) {
    if (std::strcmp(t->extension, upper) == 0) return t;
  }
  return DefaultType();
}

const char* signature_name(const uint8_t* bytes, int count) {
  uint8_t first[4] = {};
  for (int i = 0; i < count && i < 4; ++i) first[i] = bytes[i];
  switch (BigEndian32(first)) {
    case 0x377ABCAF: return "7Z";
    case 0x504B0304: case 0x504B0506: return "ZIP";
    case 0x52457E5E: case 0x52617221: return "RAR";
    default: break;
  }
  if (first[0] == 0x1F && first[1] == 0x8B) return "GZ";
  return "";
}

const ArchiveType* identify_file(const char* path, const char** error) {
  if (error) *error = nullptr;
  const ArchiveType* by_name = lookup_archive_type(path);
  if (by_name && by_name->extension[0] && std::strchr(path, '.')) return by_name;

  FileReader file;
  if (const char* failure = file.open(path)) {
    if (error) *error = failure;
    return nullptr;
  }
  uint8_t first[4] = {};
  const int32_t got = file.read_avail(first, sizeof first);
  file.close();
  // 7Z and RAR are not registered, so they end up read as plain files.
  return lookup_archive_type(signature_name(first, got > 0 ? got : 0));
}

// --- ArchiveReader ----------------------------------------------------------------

ArchiveReader::~ArchiveReader() {
  close();
  if (user_cleanup) user_cleanup(user);
}

const char* ArchiveReader::extract(void* buffer, int32_t capacity) {
  MemoryWriter writer(buffer, capacity, true);
  return extract_to(writer);
}

const char* ArchiveReader::extract_to(MemoryWriter& writer) {
  uint8_t chunk[ExtractChunk];
  for (;;) {
    const int32_t left = remain();
    if (left < 0) return ReadErrorText;
    if (left == 0) return nullptr;
    const int32_t n = left < ExtractChunk ? left : ExtractChunk;
    if (const char* error = read(chunk, n)) return error;
    if (const char* error = writer.write(chunk, n)) return error;
  }
}

void ArchiveReader::file_opened(const char*, FileReader*) {}
const char* ArchiveReader::open_contents() { return nullptr; }
const char* ArchiveReader::next() { return nullptr; }
const char* ArchiveReader::rewind_contents() { return nullptr; }
void ArchiveReader::close_hook() {}
void ArchiveReader::clear_entry_hook() {}

const char* ArchiveReader::entry_data(const uint8_t** out) {
  *out = nullptr;
  if (done) return UnexpectedEndText;
  if (!data) {
    const int32_t left = remain();
    if (left < 0) return ReadErrorText;
    data = static_cast<uint8_t*>(std::malloc(left > 0 ? static_cast<size_t>(left) : 1));
    if (!data) return OutOfMemoryText;
    if (const char* error = read(data, left)) {
      std::free(data);
      data = nullptr;
      return error;
    }
    data_position = left;
  }
  *out = data;
  return nullptr;
}

const char* ArchiveReader::open(const char* path, FileReader* opened) {
  file_opened(path, opened);
  close();
  file = opened;
  owns_file = true;
  done = false;
  if (const char* error = open_contents()) {
    close();
    return error;
  }
  return nullptr;
}

const char* ArchiveReader::rewind() {
  if (!file) return NoOpenArchiveText;
  done = false;
  clear_entry();
  const char* error = rewind_contents();
  if (error) {
    done = true;
    clear_entry();
  }
  return error;
}

void ArchiveReader::close() {
  close_hook();
  clear_entry();
  if (owns_file) delete file;
  file = nullptr;
  owns_file = false;
  done = true;
}

void ArchiveReader::clear_entry() {
  entry_size = 0;
  entry_name = nullptr;
  entry_dos_time = 0;
  std::free(data);
  data = nullptr;
  data_position = 0;
  clear_entry_hook();
}

void ArchiveReader::set_entry(const char* name, uint32_t dos_time, int32_t size) {
  entry_name = name;
  entry_dos_time = dos_time;
  entry_size = size;
}

// --- The entry points ---------------------------------------------------------------

namespace {

// A reader of the kind for a file just opened, standing on its first entry.
// Takes the file whatever happens.
ArchiveReader* OpenAs(const ArchiveType* type, const char* name, FileReader* file, const char** error) {
  if (!type || !type->create) {
    delete file;
    *error = FormatNotSupportedText;
    return nullptr;
  }
  ArchiveReader* reader = type->create();
  if (!reader) {
    delete file;
    *error = OutOfMemoryText;
    return nullptr;
  }
  reader->type = type;
  // From here the reader owns the file.
  if (const char* failure = reader->open(name, file)) {
    delete reader;
    *error = failure;
    return nullptr;
  }
  return reader;
}

}  // namespace

ArchiveReader* open_archive(const char* path, const char** error) {
  const char* failure = nullptr;
  *error = nullptr;
  const ArchiveType* type = identify_file(path, &failure);
  if (!type) {
    *error = failure ? failure : FormatNotSupportedText;
    return nullptr;
  }
  auto* file = new (std::nothrow) FileReader;
  if (!file) {
    *error = OutOfMemoryText;
    return nullptr;
  }
  if ((failure = file->open(path)) != nullptr) {
    delete file;
    *error = failure;
    return nullptr;
  }
  return OpenAs(type, path, file, error);
}

ArchiveReader* open_archive_memory(const char* name, const void* data, long size, const char** error) {
  *error = nullptr;
  if (!name) name = "";
  if (!data || size <= 0 || size > INT32_MAX) {
    *error = size > INT32_MAX ? ReadErrorText : CouldNotReadText;
    return nullptr;
  }
  const ArchiveType* type = lookup_archive_type(name);
  if (!type || !type->extension[0] || !std::strchr(name, '.'))
    type = lookup_archive_type(signature_name(static_cast<const uint8_t*>(data), size < 4 ? static_cast<int>(size) : 4));
  auto* file = new (std::nothrow) FileReader;
  if (!file) {
    *error = OutOfMemoryText;
    return nullptr;
  }
  if (const char* failure = file->open_memory(data, static_cast<size_t>(size))) {
    delete file;
    *error = failure;
    return nullptr;
  }
  return OpenAs(type, name, file, error);
}

bool entry_present(const ArchiveReader* reader) { return reader && !reader->done; }

long entry_size(const ArchiveReader* reader) { return reader ? reader->entry_size : 0; }

const char* read_entry(ArchiveReader* reader, void* buffer, long n) {
  if (!reader) return NoOpenArchiveText;
  if (n < 0 || n > INT32_MAX) return ReadErrorText;
  return reader->read(buffer, static_cast<int32_t>(n));
}

const char* entry_name(const ArchiveReader* reader) {
  return reader && !reader->done && reader->entry_name ? reader->entry_name : "";
}

const char* next_entry(ArchiveReader* reader) { return reader ? reader->next() : NoOpenArchiveText; }

const char* rewind_archive(ArchiveReader* reader) { return reader ? reader->rewind() : NoOpenArchiveText; }

void close_archive(ArchiveReader* reader) { delete reader; }
