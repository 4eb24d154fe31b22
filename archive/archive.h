// The entry points through which a cartridge image is read: a plain
// file, a gzip file or the first file entry of a ZIP archive, from a path
// or from memory.
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
// Closes the file and destroys the reader; null does nothing.
void close_archive(ArchiveReader* reader);
