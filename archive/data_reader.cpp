#include "archive/data_reader.h"

#include <climits>
#include <cstring>

const char* const ReadErrorText = "Read error";
const char* const UnexpectedEndText = "Unexpected end of file";
const char* const CouldNotOpenText = "Couldn't open file";
const char* const CouldNotReadText = "Couldn't read from file";
const char* const SeekErrorText = "Error seeking in file";
const char* const WriteOverflowText = "Tried to write more data than expected";

namespace {
constexpr int32_t SkipChunk = 512;
}

// --- DataReader -------------------------------------------------------------

DataReader::~DataReader() = default;

int32_t DataReader::read_avail(void*, int32_t) { return 0; }

const char* DataReader::read(void* buffer, int32_t n) {
  const int32_t got = read_avail(buffer, n);
  if (got == n) return nullptr;
  return got < 0 ? ReadErrorText : UnexpectedEndText;
}

int32_t DataReader::remain() { return 0; }

const char* DataReader::skip(int32_t n) {
  uint8_t scratch[SkipChunk];
  while (n > 0) {
    const int32_t chunk = n < SkipChunk ? n : SkipChunk;
    if (const char* error = read(scratch, chunk)) return error;
    n -= chunk;
  }
  return nullptr;
}

// --- FileReader -------------------------------------------------------------

FileReader::~FileReader() { close(); }

const char* FileReader::open(const char* path) {
  close();
  handle_ = std::fopen(path, "rb");
  return handle_ ? nullptr : CouldNotOpenText;
}

// A stream over the bytes, opened for reading only: nothing is ever written
// into them.
const char* FileReader::open_memory(const void* data, size_t size) {
  close();
  handle_ = size > 0 ? fmemopen(const_cast<void*>(data), size, "rb") : nullptr;
  in_memory_ = true;
  return handle_ ? nullptr : CouldNotOpenText;
}

void FileReader::close() {
  if (handle_) std::fclose(handle_);
  handle_ = nullptr;
  in_memory_ = false;
}

void FileReader::set_unbuffered() {
  if (handle_ && !in_memory_) std::setvbuf(handle_, nullptr, _IONBF, 0);
}

int32_t FileReader::read_avail(void* buffer, int32_t n) {
  if (!handle_ || n < 0) return -1;
  if (n == 0) return 0;
  return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(n), handle_));
}

const char* FileReader::read(void* buffer, int32_t n) {
  if (!handle_ || n < 0) return ReadErrorText;
  if (n == 0) return nullptr;
  if (std::fread(buffer, 1, static_cast<size_t>(n), handle_) == static_cast<size_t>(n)) return nullptr;
  return std::feof(handle_) ? UnexpectedEndText : CouldNotReadText;
}

int32_t FileReader::remain() {
  const int32_t end = size(), here = tell();
  if (end < 0 || here < 0) return -1;
  return end > here ? end - here : 0;
}

const char* FileReader::skip(int32_t n) {
  if (n == 0) return nullptr;
  const int32_t here = tell();
  if (here < 0 || n < 0 || n > INT32_MAX - here) return SeekErrorText;
  return seek(here + n);
}

int32_t FileReader::size() {
  if (!handle_) return -1;
  const long here = std::ftell(handle_);
  if (here < 0 || std::fseek(handle_, 0, SEEK_END) != 0) return -1;
  const long end = std::ftell(handle_);
  std::fseek(handle_, here, SEEK_SET);
  if (end < 0 || end > INT32_MAX) return -1;
  return static_cast<int32_t>(end);
}

int32_t FileReader::tell() {
  if (!handle_) return -1;
  const long here = std::ftell(handle_);
  if (here < 0 || here > INT32_MAX) return -1;
  return static_cast<int32_t>(here);
}

const char* FileReader::seek(int32_t position) {
  if (handle_ && position >= 0 && std::fseek(handle_, position, SEEK_SET) == 0) return nullptr;
  const int32_t end = size();
  return end >= 0 && end < position ? UnexpectedEndText : SeekErrorText;
}

// --- MemoryWriter -------------------------------------------------------------

MemoryWriter::MemoryWriter(void* buffer, int32_t capacity, bool truncate)
    : buffer_(static_cast<uint8_t*>(buffer)),
      capacity_(capacity > 0 ? capacity : 0),
      mode_(truncate ? TruncateOnOverflow : FailOnOverflow) {}

const char* MemoryWriter::write(const void* data, int32_t n) {
  if (n <= 0) return nullptr;
  const int32_t space = capacity_ - written_;
  if (n > space) {
    if (mode_ == FailOnOverflow) return WriteOverflowText;
    n = space;
  }
  if (n > 0) std::memmove(buffer_ + written_, data, static_cast<size_t>(n));
  written_ += n;
  return nullptr;
}
