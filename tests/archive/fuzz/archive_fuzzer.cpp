// libFuzzer target: the input is written to a file named .zip, .gz and .gb
// in turn, opened through the archive entry points, and every file entry is
// read, once whole and once in pieces. The sanitizers catch any read or
// write outside a buffer; a failure must always come with a message.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/archive.h"
#include "archive/archive_reader.h"

namespace {

constexpr long LargestImage = 8L * 1024 * 1024;
constexpr int MostEntries = 16;

std::string& Folder() {
  static std::string folder;
  return folder;
}

void RemoveFiles() {
  for (const char* extension : {".zip", ".gz", ".gb"}) std::remove((Folder() + "/input" + extension).c_str());
  rmdir(Folder().c_str());
}

const std::string& TempFolder() {
  if (Folder().empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellix-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    Folder() = pattern;
    atexit(RemoveFiles);
  }
  return Folder();
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Stands on the file entry with the given index; false when there is none.
bool GoTo(ArchiveReader* reader, int index) {
  if (reader->rewind()) return false;
  for (int i = 0; i < index && entry_present(reader); ++i) {
    if (reader->next()) return false;
  }
  return entry_present(reader);
}

// Reads entry number index whole, then again from its start in pieces.
bool ReadEntry(ArchiveReader* reader, int index, uint8_t* buffer) {
  if (!GoTo(reader, index)) return false;
  const long size = entry_size(reader);
  Check(size >= 0);
  if (size > LargestImage) return true;
  // The entry ends where the buffer ends, so a byte written past it lands in
  // the sanitizer's red zone behind the array.
  buffer += LargestImage - size;
  read_entry(reader, buffer, size);
  if (!GoTo(reader, index)) return false;
  const long piece = size / 3 + 1;
  for (long at = 0; at < size; at += piece) {
    const long n = size - at < piece ? size - at : piece;
    if (read_entry(reader, buffer + at, n)) return true;
  }
  uint8_t beyond;
  Check(read_entry(reader, &beyond, 1) != nullptr);  // nothing beyond the entry
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One buffer for every run: allocating up to 8 MiB per input would cost
  // more than the reading.
  static uint8_t buffer[LargestImage];
  for (const char* extension : {".zip", ".gz", ".gb"}) {
    const std::string path = TempFolder() + "/input" + extension;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) abort();
    if (size && std::fwrite(data, 1, size, file) != size) abort();
    std::fclose(file);

    const char* error = "unset";
    ArchiveReader* reader = open_archive(path.c_str(), &error);
    Check((reader == nullptr) == (error != nullptr));
    if (!reader) continue;
    // The first entry is what the loader reads; the others take the
    // catalog walk further.
    if (entry_present(reader)) {
      for (int i = 0; i < MostEntries; ++i) {
        if (!ReadEntry(reader, i, buffer)) break;
      }
    }
    close_archive(reader);
  }
  return 0;
}
