// Delivering the bytes of a source through one buffer: copied as they are,
// or inflated with zlib (raw deflate for ZIP entries, gzip for gzip files).
// GzipReader reads a whole file through such a stream, inflating it when it
// is gzip data and copying it otherwise.
#pragma once
#include <zlib.h>

#include <cstdint>

#include "archive/data_reader.h"

extern const char* const OutOfMemoryText;   // "Out of memory"
extern const char* const CorruptZipText;    // "Corrupt zip file"
extern const char* const ZipErrorText;      // "Zip error"

// Text for a zlib result code.
const char* zlib_error_text(int code);

// Delivers at most *count bytes into destination and stores the count
// delivered; returns null or an error text.
using InflateSource = const char* (*)(void* user, void* destination, int32_t* count);

class InflateStream {
 public:
  enum Mode { Copy = 0, Gzip = 1, RawDeflate = 2, Automatic = 3 };
  static constexpr int32_t DefaultBufferSize = 16384;
  static constexpr int32_t FetchAlignment = 4096;

  InflateStream();
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  ~InflateStream();

  // Allocates the buffer (size bytes, or the default when size is 0 or
  // cannot be had) and fetches the first bytes into its end.
  const char* begin(InflateSource source, void* user, int32_t size, int32_t first);
  // Drops skip buffered bytes and chooses copying or inflating.
  const char* set_mode(int mode, int32_t skip);
  // Delivers up to *count bytes; *count comes back as the number delivered.
  const char* read(void* destination, int32_t* count);
  // Releases the inflater and the buffer; the stream delivers nothing more.
  void end();
  // Asks the source for n bytes into the last n bytes of the buffer.
  const char* fill(int32_t n);

  bool deflating() const { return deflating_; }
  bool ended() const { return stream_.next_in == nullptr; }
  int32_t buffered() const { return static_cast<int32_t>(stream_.avail_in); }
  const uint8_t* buffered_data() const { return stream_.next_in; }
  int32_t buffer_size() const { return buffer_size_; }

 private:
  const char* read_inflated(uint8_t* destination, int32_t* count);
  const char* read_copied(uint8_t* destination, int32_t* count);

  // In copy mode next_in/avail_in are the buffer cursor and total_out
  // counts the bytes delivered.
  z_stream stream_;
  uint8_t* buffer_ = nullptr;
  int32_t buffer_size_ = 0;
  bool deflating_ = false;
  InflateSource source_ = nullptr;
  void* user_ = nullptr;
};

class GzipReader : public DataReader {
 public:
  GzipReader() = default;
  ~GzipReader() override;

  // Starts delivering the file from its current position.
  const char* open(FileReader* file);
  void close();

  int32_t read_avail(void* buffer, int32_t n) override;
  const char* read(void* buffer, int32_t n) override;
  // The bytes left: for gzip data the length the file's trailer names.
  int32_t remain() override;

  int32_t delivered() const { return delivered_; }
  bool inflating() const { return stream_.deflating(); }

 private:
  const char* compute_size();
  const char* read_some(void* buffer, int32_t* count);
  static const char* source(void* user, void* destination, int32_t* count);

  FileReader* file_ = nullptr;
  int32_t delivered_ = 0;
  int32_t size_ = -1;  // -1 until known
  InflateStream stream_;
};
