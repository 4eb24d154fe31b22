// The archive kinds, how a file's kind is chosen, and the reader common to
// every kind: it stands on one entry of an opened file (the file itself, or
// one member of an archive) and reads that entry's bytes.
#pragma once
#include <cstdint>

#include "archive/archive.h"
#include "archive/data_reader.h"

extern const char* const FormatNotSupportedText;  // "Archive format not supported"
extern const char* const NoOpenArchiveText;       // "No open archive"

struct ArchiveType {
  const char* extension;         // upper case; "" marks the default kind
  ArchiveReader* (*create)();    // an empty reader of this kind, null when memory runs out
};

// The registered kinds in the order they are tried, ended by a null entry.
extern const ArchiveType archive_types[];

// The kind for a name by its extension: the text after the last "." (the
// whole name without one), upper-cased; 6 or more characters count as none.
// Falls back to the default kind.
const ArchiveType* lookup_archive_type(const char* name);

// The archive kind named by a file's first bytes (missing bytes count as 0):
// "7Z", "ZIP", "RAR", "GZ" or "".
const char* signature_name(const uint8_t* bytes, int count);

// The kind of the file at path: by a telling extension without opening it,
// otherwise by its first bytes. Null with *error set when it cannot be read.
const ArchiveType* identify_file(const char* path, const char** error);

class ArchiveReader : public DataReader {
 public:
  ArchiveReader() = default;
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;
  // The virtual operations keep this order after DataReader's five:
  // extract into a buffer, extract into a writer, file opened, open
  // contents, next, rewind, close hook, clear-entry hook, entry data.
  ~ArchiveReader() override;

  // Copies the rest of the entry into the buffer, cutting it at capacity.
  virtual const char* extract(void* buffer, int32_t capacity);
  // Copies the rest of the entry into the writer.
  virtual const char* extract_to(MemoryWriter& writer);
  // Called right after the file is opened, before anything is read.
  virtual void file_opened(const char* path, FileReader* file);
  // Reads what the kind needs to find its entries and stands on the first.
  virtual const char* open_contents();
  // Moves to the next entry; sets done when there is none.
  virtual const char* next();
  // Moves back to the first entry (called by rewind).
  virtual const char* rewind_contents();
  virtual void close_hook();
  virtual void clear_entry_hook();
  // The whole entry in a buffer the reader owns until the entry changes.
  virtual const char* entry_data(const uint8_t** data);

  // Attaches an opened file (taking ownership) and stands on the first entry.
  const char* open(const char* path, FileReader* file);
  // Back to the first entry.
  const char* rewind();
  // Closes the file and forgets the entry.
  void close();

  const ArchiveType* type = nullptr;
  FileReader* file = nullptr;
  bool owns_file = false;
  bool done = true;  // stands on no entry

  // The current entry.
  const char* entry_name = nullptr;
  uint32_t entry_dos_time = 0;  // DOS time in the low half, date in the high half
  int32_t entry_size = 0;       // decompressed

  // The whole-entry buffer of entry_data.
  uint8_t* data = nullptr;
  int32_t data_position = 0;

  void* user = nullptr;
  void (*user_cleanup)(void* user) = nullptr;

 protected:
  void clear_entry();
  void set_entry(const char* name, uint32_t dos_time, int32_t size);
};
