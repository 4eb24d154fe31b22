// A file that is its own single entry: plain data is delivered as it is,
// gzip data inflated.
#pragma once
#include <cstdint>

#include "archive/archive_reader.h"
#include "archive/inflate_stream.h"

class SingleFileArchive : public ArchiveReader {
 public:
  static ArchiveReader* create();

  SingleFileArchive() = default;
  ~SingleFileArchive() override;

  int32_t read_avail(void* buffer, int32_t n) override;
  const char* read(void* buffer, int32_t n) override;
  int32_t remain() override;
  void file_opened(const char* path, FileReader* file) override;
  const char* open_contents() override;
  const char* next() override;
  const char* rewind_contents() override;
  void close_hook() override;

 private:
  static constexpr int NameSize = 1024;

  GzipReader gzip_;
  int32_t size_ = 0;
  char name_[NameSize] = {};
};
