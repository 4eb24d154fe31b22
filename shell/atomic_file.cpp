#include "shell/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace {

constexpr int MostLinks = 40;  // as the system's own limit on a chain of links

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = Reason(what);
  return false;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// A name beside target that no other run and no other write of this run
// uses: the process and a count. Created with O_EXCL and O_NOFOLLOW, so a
// file or a link already there under that name is never opened.
int CreateTemporary(const std::string& target, std::string& name) {
  static std::atomic<unsigned> count{0};
  for (int attempt = 0; attempt < 100; attempt++) {
    name = target + "." + std::to_string(getpid()) + "-" + std::to_string(count++) + ".tmp";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Makes target.bak a second name of the file at target, replacing an older
// .bak; a copy where the file system has no second names. Either way the
// file at target stays as it is until the new one is renamed over it.
bool KeepAsBackup(const std::string& target, std::string* error) {
  const std::string bak = target + ".bak";
  if (unlink(bak.c_str()) != 0 && errno != ENOENT) return Fail(error, "cannot replace " + bak);
  if (link(target.c_str(), bak.c_str()) == 0) return true;
  constexpr size_t LargestCopy = size_t{1} << 28;
  std::vector<uint8_t> old;
  const FileRead read = ReadWholeFile(target, LargestCopy, old);
  if (read.error || read.too_large) {
    errno = read.error ? read.error : EFBIG;
    return Fail(error, "cannot keep the old file as " + bak);
  }
  const int fd = open(bak.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  bool ok = fd >= 0 && WriteAll(fd, old.data(), old.size()) && fsync(fd) == 0;
  if (fd >= 0 && close(fd) != 0) ok = false;
  return ok || Fail(error, "cannot keep the old file as " + bak);
}

// Flushes the folder, so that a rename in it reaches the disk. File systems
// that cannot flush a folder say so with EINVAL: there is nothing to wait for.
bool SyncFolder(const std::string& folder, std::string* error) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot open the folder " + folder);
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  const int failure = errno;
  close(fd);
  errno = failure;
  return synced || Fail(error, "cannot flush the folder " + folder);
}

// A device or a pipe (/dev/stdout, a FIFO) is written into as it is: it
// cannot be replaced, and a file put in its place would be wrong.
bool WriteInto(const std::string& target, const std::vector<uint8_t>& bytes, std::string* error) {
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error, target);
  const bool ok = WriteAll(fd, bytes.data(), bytes.size());
  const int failure = errno;
  if (close(fd) != 0 && ok) return Fail(error, target);
  errno = failure;
  return ok || Fail(error, target);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FollowLinks(const std::string& path) {
  std::string at = path;
  for (int depth = 0; depth < MostLinks; depth++) {
    char target[PATH_MAX];
    const ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
    if (n < 0) return at;  // not a link, or nothing there yet
    target[n] = '\0';
    at = target[0] == '/' ? std::string(target) : FolderOf(at) + "/" + target;
  }
  return at;  // a loop: the replacement fails on it with the system's reason
}

namespace {

// The process that wrote `name`, when it is `target` with ".<pid>-<n>.tmp"
// after it; 0 when it is not such a name.
long WriterOfTemporary(const std::string& name, const std::string& target) {
  const std::string end = ".tmp";
  if (name.size() <= target.size() + 1 + end.size() || name.compare(0, target.size(), target) != 0 ||
      name[target.size()] != '.' || name.compare(name.size() - end.size(), end.size(), end) != 0)
    return 0;
  const std::string middle = name.substr(target.size() + 1, name.size() - target.size() - 1 - end.size());
  const size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == middle.size() ||
      middle.find_first_not_of("0123456789-") != std::string::npos || middle.find('-', dash + 1) != std::string::npos)
    return 0;
  return std::atol(middle.c_str());
}

bool Running(long pid) { return pid != getpid() && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

}  // namespace

std::vector<std::string> RemoveStaleTemporaries(const std::vector<std::string>& targets) {
  std::map<std::string, std::set<std::string>> names_in;  // folder -> the targets' names in it
  for (const std::string& target : targets) {
    const std::string file = FollowLinks(target);
    names_in[FolderOf(file)].insert(FileNameOf(file));
  }
  std::vector<std::string> removed;
  for (const auto& [folder, names] : names_in) {
    DIR* listing = opendir(folder.c_str());
    if (!listing) continue;
    while (const dirent* entry = readdir(listing)) {
      for (const std::string& name : names) {
        const long pid = WriterOfTemporary(entry->d_name, name);
        const std::string path = folder + "/" + entry->d_name;
        if (pid > 0 && !Running(pid) && unlink(path.c_str()) == 0) removed.push_back(path);
      }
    }
    closedir(listing);
  }
  return removed;
}

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, bool keep_old, std::string* error,
                 bool* kept_old) {
  if (kept_old) *kept_old = false;
  const std::string target = FollowLinks(path);
  struct stat old;
  const bool exists = stat(target.c_str(), &old) == 0;
  if (!exists && errno == ELOOP) return Fail(error, "cannot follow the links of " + path);
  if (exists && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode)) return WriteInto(target, bytes, error);
  std::string temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return Fail(error, "cannot create a file beside " + target);

  // The new file keeps the permissions of the one it replaces.
  bool ok = !exists || !S_ISREG(old.st_mode) || fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  if (!ok) Fail(error, temporary);
  if (close(fd) != 0 && ok) ok = Fail(error, temporary);
  if (ok && keep_old && exists) {
    ok = KeepAsBackup(target, error);
    if (ok && kept_old) *kept_old = true;
  }
  if (ok && rename(temporary.c_str(), target.c_str()) != 0)
    ok = Fail(error, "cannot rename the new file to " + target);
  if (!ok) {
    const int failure = errno;
    unlink(temporary.c_str());
    errno = failure;
    return false;
  }
  return SyncFolder(FolderOf(target), error);
}

FileRead ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, bool regular_only) {
  FileRead result;
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | (regular_only ? O_NONBLOCK : 0));
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    result.error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    result.error = EISDIR;
  } else if (regular_only && !S_ISREG(st.st_mode)) {
    result.error = EINVAL;
  }
  if (result.error) {
    close(fd);
    return result;
  }
  if (S_ISREG(st.st_mode)) result.size = static_cast<long>(st.st_size);
  // One byte past the limit tells a file of exactly `limit` bytes from a longer one.
  constexpr size_t Block = 1 << 16;
  size_t got = 0;
  while (got <= limit) {
    const size_t want = std::min(Block, limit + 1 - got);
    bytes.resize(got + want);
    const ssize_t n = read(fd, bytes.data() + got, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = errno;
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  result.too_large = got > limit;
  bytes.resize(std::min(got, limit));
  return result;
}
