// The entry points through which a cartridge image is read: a plain file,
// a gzip file or the file entries of a ZIP archive, one after the other,
// from a path or from memory.
#pragma once

class ArchiveReader;

// Opens the path and stands on its first entry. Null on failure, with *error
// set to the reason; on success *error is null.
ArchiveReader* open_archive(const char* path, const char** error);
// The same for a file's bytes held in memory (which must outlive the
// reader), its kind told by the name as for a path, or by the first bytes
// when the name does not tell it (name may be null).
ArchiveReader* open_archive_memory(const char* name, const void* data, long size, const char** error);
// False when the reader stands on no entry (an archive without a file entry).
bool entry_present(const ArchiveReader* reader);
// Size in bytes of the current entry, decompressed.
long entry_size(const ArchiveReader* reader);
// Reads the next n bytes of the current entry. Null on success, else an error text.
const char* read_entry(ArchiveReader* reader, void* buffer, long n);
// The current entry's name (the file's own, without ".gz", for a plain or
// gzip file); empty when the reader stands on none.
const char* entry_name(const ArchiveReader* reader);
// Moves to the next file entry; entry_present turns false after the last.
// Null on success, else an error text.
const char* next_entry(ArchiveReader* reader);
// Back to the first entry, to be read from its start. Null on success.
const char* rewind_archive(ArchiveReader* reader);
// Closes the file and destroys the reader; null does nothing.
void close_archive(ArchiveReader* reader);
