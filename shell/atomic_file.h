// Whole files, read with a bound and replaced without a moment at which
// the old file is lost and the new one not yet whole.
//
// A replacement goes through a temporary file of a name nobody else uses,
// created exclusively in the destination's folder (never through a
// symbolic link someone planted there), written, flushed to the disk and
// renamed over the destination; the folder is then flushed too, so that
// the rename itself survives a power cut. A destination that is a symbolic
// link (a save kept in a synced folder) is replaced where the link points,
// and the link stays. When any step fails the old file is untouched and no
// temporary file is left behind. A device or a pipe (/dev/stdout) is not a
// file to replace: the bytes are written into it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Replaces the file at path by bytes. With keep_old, the file being
// replaced is first kept as path.bak (beside the file a link points to),
// replacing an older .bak; *kept_old tells whether there was one to keep.
// False with *error (the step and the system's reason) on failure.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, bool keep_old, std::string* error,
                 bool* kept_old = nullptr);

// Removes what runs ended while writing left beside each target (where
// its links lead): the temporary files target.<pid>-<n>.tmp of processes
// that no longer run (this one's too: it has written nothing yet). Call
// at the start. Returns the paths removed.
std::vector<std::string> RemoveStaleTemporaries(const std::vector<std::string>& targets);

// The file a path stands for once symbolic links are followed (a relative
// link counts from the link's folder). A path that names nothing yet, or a
// link to nothing yet, gives where the file will be.
std::string FollowLinks(const std::string& path);

// The folder part of a path ("." when it has none) and the name part.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// The outcome of ReadWholeFile.
struct FileRead {
  int error = 0;           // errno of the failure; 0 when the bytes were read
  bool too_large = false;  // longer than the limit: only the first `limit` bytes were read
  long size = -1;          // the file's size when it is a regular file
};

// Reads a whole file, at most `limit` bytes of it, so that no file (nor
// /dev/zero) can make the program read without end. With regular_only,
// anything but a regular file is refused (EISDIR for a folder, EINVAL for
// the rest) without waiting on it: a FIFO must not hold up the start.
FileRead ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes,
                       bool regular_only = true);
