// ZIP archives: the central directory is read into one buffer (the
// catalog), walked entry by entry, and each member is read through an
// InflateStream, stored or deflated, with its CRC-32 checked at its end.
#pragma once
#include <cstdint>

#include "archive/archive_reader.h"
#include "archive/inflate_stream.h"

extern const char* const UnsupportedCompressionText;  // "Unsupported zip file compression"
extern const char* const CutShortZipText;  // "Zip file cut short or damaged (no directory at its end)"

class ZipArchive : public ArchiveReader {
 public:
  static ArchiveReader* create();

  ZipArchive() = default;
  ~ZipArchive() override;

  int32_t read_avail(void* buffer, int32_t n) override;
  const char* read(void* buffer, int32_t n) override;
  int32_t remain() override;
  void file_opened(const char* path, FileReader* file) override;
  const char* open_contents() override;
  const char* next() override;
  const char* rewind_contents() override;
  void close_hook() override;
  void clear_entry_hook() override;

  // The central directory followed by its end record, with entry names
  // ended in place (each header then begins 0x00 "K" 0x01 0x02 "P").
  uint8_t* catalog = nullptr;
  int32_t catalog_size = 0;
  int32_t catalog_capacity = 0;
  int32_t archive_size = 0;      // the file's length
  int32_t directory_offset = 0;  // file offset of the central directory
  int32_t header_offset = 0;     // the current entry's header within catalog

 private:
  const char* resize_catalog(int32_t size);
  const char* missing_end_record();
  const char* walk(bool skip_current);
  const char* start_entry(int32_t request);
  const char* restart_stream(int32_t position, int32_t size, int32_t first);
  static const char* feed(void* user, void* destination, int32_t* count);

  int64_t feed_left_ = 0;        // compressed bytes the stream may still be given
  int32_t to_read_ = 0;          // bytes of the entry still to be read
  uint32_t crc_ = 0;             // running CRC-32 of the bytes read
  uint32_t expected_crc_ = 0;
  int method_ = 0;
  InflateStream stream_;
};
