// Plain files only, for now.
#include "archive/archive.h"

#include <cstdio>

class ArchiveReader {
 public:
  FILE* file = nullptr;
  long size = 0;
};

ArchiveReader* open_archive(const char* path, const char** error) {
  *error = nullptr;
  FILE* f = std::fopen(path, "rb");
  if (!f) { *error = "Couldn't open file"; return nullptr; }
  auto* r = new ArchiveReader;
  r->file = f;
  std::fseek(f, 0, SEEK_END);
  r->size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  return r;
}
bool entry_present(const ArchiveReader*) { return true; }
long entry_size(const ArchiveReader* r) { return r->size; }
const char* read_entry(ArchiveReader* r, void* buffer, long n) {
  if (std::fread(buffer, 1, static_cast<size_t>(n), r->file) != static_cast<size_t>(n)) return "Unexpected end of file";
  return nullptr;
}
void close_archive(ArchiveReader* r) {
  if (!r) return;
  if (r->file) std::fclose(r->file);
  delete r;
}
