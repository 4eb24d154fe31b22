// The four entry points through which a cartridge image is read: a plain
// file, a gzip file or the first file entry of a ZIP archive.
#pragma once

class ArchiveReader;

// Opens the path and stands on its first entry. Null on failure, with *error
// set to the reason; on success *error is null.
ArchiveReader* open_archive(const char* path, const char** error);
// False when the reader stands on no entry (an archive without a file entry).
bool entry_present(const ArchiveReader* reader);
// Size in bytes of the current entry, decompressed.
long entry_size(const ArchiveReader* reader);
// Reads the next n bytes of the current entry. Null on success, else an error text.
const char* read_entry(ArchiveReader* reader, void* buffer, long n);
// Closes the file and destroys the reader; null does nothing.
void close_archive(ArchiveReader* reader);
