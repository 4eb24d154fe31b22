// The reader interface the archive code reads through, its implementation
// over a file, and a writer into a fixed buffer. Failures come back as a
// pointer to a constant message text, success as null; counts are signed
// 32-bit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

extern const char* const ReadErrorText;            // "Read error"
extern const char* const UnexpectedEndText;        // "Unexpected end of file"
extern const char* const CouldNotOpenText;         // "Couldn't open file"
extern const char* const CouldNotReadText;         // "Couldn't read from file"
extern const char* const SeekErrorText;            // "Error seeking in file"
extern const char* const WriteOverflowText;        // "Tried to write more data than expected"

class DataReader {
 public:
  // The virtual operations keep this order: destructor, read_avail, read,
  // remain, skip. Readers built on this one extend it after skip.
  virtual ~DataReader();
  // Reads up to n bytes; returns how many came (0..n), or -1 on error.
  virtual int32_t read_avail(void* buffer, int32_t n);
  // Reads exactly n bytes, or fails.
  virtual const char* read(void* buffer, int32_t n);
  // The bytes left to read.
  virtual int32_t remain();
  // Reads and discards n bytes.
  virtual const char* skip(int32_t n);
};

class FileReader : public DataReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader() override;

  int32_t read_avail(void* buffer, int32_t n) override;
  const char* read(void* buffer, int32_t n) override;
  int32_t remain() override;
  const char* skip(int32_t n) override;
  // The file's length, or -1 when it cannot be found or does not fit 31 bits.
  virtual int32_t size();
  // The position, or -1 as for size.
  virtual int32_t tell();
  virtual const char* seek(int32_t position);

  const char* open(const char* path);
  // Reads size bytes held in memory as if they were a file's. They stay the
  // caller's, and must outlive the reader.
  const char* open_memory(const void* data, size_t size);
  void close();
  bool is_open() const { return handle_ != nullptr; }
  // The archive readers do their own 4096-aligned buffering, so the
  // runtime's buffer would only copy every byte twice. Bytes in memory keep
  // it: without one the C library hands them over a byte at a time.
  void set_unbuffered();

 private:
  FILE* handle_ = nullptr;
  bool in_memory_ = false;
};

class MemoryWriter {
 public:
  enum Mode { FailOnOverflow = 1, TruncateOnOverflow = 2 };

  MemoryWriter(void* buffer, int32_t capacity, bool truncate);

  // Appends n bytes; an overflowing write fails or is cut to the space left.
  const char* write(const void* data, int32_t n);

  int32_t written() const { return written_; }
  int32_t capacity() const { return capacity_; }
  Mode mode() const { return mode_; }

 private:
  uint8_t* buffer_;
  int32_t written_ = 0;
  int32_t capacity_;
  Mode mode_;
};
