#include "shell/battery_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/mbc3_clock.h"

namespace {

// The run's save: where it is read from and written to, and its state.
struct BatterySave {
  bool active = false;       // the cartridge keeps a save and saving is on
  std::string path;          // where it is written
  bool make_folder = false;  // the fallback folder: created when missing
  bool keep_old = false;     // the file there is not ours: keep it as .bak before the first write
  bool failure_told = false; // a failed write was reported; quiet until one succeeds
  SaveSchedule schedule;
};
BatterySave Save;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() > n && strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

// Creates the folder and the folders above it that are missing.
bool MakeFolders(const std::string& folder) {
  for (size_t at = 1; at <= folder.size(); at++) {
    if (at < folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
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

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Makes path.bak a second name of the file at path, replacing an older
// .bak; a plain rename where the file system has no second names (the new
// file follows at once).
bool KeepAsBackup(const std::string& path, std::string* error) {
  const std::string bak = path + ".bak";
  unlink(bak.c_str());
  if (link(path.c_str(), bak.c_str()) == 0) return true;
  if (rename(path.c_str(), bak.c_str()) == 0) return true;
  if (error) *error = Reason("cannot keep the old file as .bak");
  return false;
}

// Reads up to limit bytes; the file's size through *size. 0 on success,
// otherwise the errno of the failure (ENOENT: there is none).
int ReadSaveFile(const std::string& path, std::vector<uint8_t>& bytes, long limit, long* size) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);  // a FIFO must not hold up the start
  if (fd < 0) return errno;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int failure = errno;
    close(fd);
    return failure;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  }
  *size = static_cast<long>(st.st_size);
  bytes.resize(static_cast<size_t>(std::min<long>(*size, limit)));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int failure = errno;
      close(fd);
      return failure;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  close(fd);
  return 0;
}

bool WriteSave(std::string* error) {
  if (Save.make_folder && !MakeFolderFor(Save.path, error)) return false;
  if (!WriteFileAtomically(Save.path, SaveImage(), Save.keep_old, error)) return false;
  Save.keep_old = false;
  Save.failure_told = false;
  return true;
}

bool WriteSaveNow() {
  std::string error;
  const bool ok = WriteSave(&error);
  if (!ok && !Save.failure_told) {
    std::fprintf(stderr, "pellix: %s: cannot write the save (%s); trying again later\n", Save.path.c_str(),
                 error.c_str());
    Save.failure_told = true;
  }
  return ok;
}

}  // namespace

std::string SavePathFor(const std::string& rom_path) {
  const size_t name_start = rom_path.find_last_of('/') == std::string::npos ? 0 : rom_path.find_last_of('/') + 1;
  std::string stem = rom_path;
  if (EndsWithNoCase(stem, ".gz") && stem.size() - 3 > name_start) stem.resize(stem.size() - 3);
  const size_t dot = stem.find_last_of('.');
  if (dot != std::string::npos && dot > name_start) stem.resize(dot);
  const std::string save = stem + ".sav";
  return save == rom_path ? rom_path + ".sav" : save;  // never the cartridge itself
}

SaveLocation LocateSaveFile(const char* rom_path, const char* save_path) {
  SaveLocation location;
  if (save_path) {
    location.candidates.push_back(save_path);
    return location;
  }
  const std::string beside = SavePathFor(rom_path);
  const std::string fallback_folder = FallbackSaveFolder();
  const std::string fallback = fallback_folder.empty() ? "" : fallback_folder + "/" + FileName(beside);
  if (FolderWritable(Folder(beside)) || fallback.empty()) {
    location.candidates = {beside};
    if (!fallback.empty()) location.candidates.push_back(fallback);
  } else {
    location.candidates = {fallback, beside};
    location.fallback = true;
  }
  return location;
}

bool MakeFolderFor(const std::string& path, std::string* error) {
  const std::string folder = Folder(path);
  if (MakeFolders(folder)) return true;
  if (error) *error = Reason(folder.c_str());
  return false;
}

std::string FallbackSaveFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/pellix/saves";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share/pellix/saves";
  return "";
}

bool FolderWritable(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
  return geteuid() != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::vector<uint8_t> SaveImage() {
  std::vector<uint8_t> bytes(CartRam, CartRam + CartRamBytes);
  if (CartHasClock) {
    bytes.resize(CartRamBytes + Mbc3ClockSaveBytes);
    SaveMbc3Clock(bytes.data() + CartRamBytes);
  }
  return bytes;
}

bool LoadSaveImage(const std::vector<uint8_t>& bytes) {
  const long size = static_cast<long>(bytes.size());
  const long ram = std::min(size, CartRamBytes);
  std::copy(bytes.begin(), bytes.begin() + ram, CartRam);
  CartRamFilled();
  if (size == CartRamBytes) return true;
  return CartHasClock && LoadMbc3Clock(bytes.data() + CartRamBytes, size - CartRamBytes);
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, bool keep_old,
                         std::string* error) {
  const std::string temporary = path + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    if (error) *error = Reason(temporary.c_str());
    return false;
  }
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  if (ok) ok = fsync(fd) == 0;
  if (!ok && error) *error = Reason(temporary.c_str());
  if (close(fd) != 0 && ok) {
    ok = false;
    if (error) *error = Reason(temporary.c_str());
  }
  if (ok && keep_old && access(path.c_str(), F_OK) == 0) ok = KeepAsBackup(path, error);
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    if (error) *error = Reason("cannot rename the new file into place");
  }
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  const int folder = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

void SaveSchedule::written(double now) {
  if (first_unsaved_ < 0) first_unsaved_ = now;
  last_write_ = now;
}

bool SaveSchedule::due(double now) const {
  if (first_unsaved_ < 0 || now < retry_at_) return false;
  return now - last_write_ >= QuietSeconds || now - first_unsaved_ >= LongestWait;
}

void SaveSchedule::saved() {
  first_unsaved_ = last_write_ = retry_at_ = -1;
}

void SaveSchedule::failed(double now) { retry_at_ = now + RetrySeconds; }

void StartBatterySave(const char* rom_path, const char* save_path) {
  Save = BatterySave{};
  CartRamWritten = 0;
  if (!CartHasBattery || SaveImage().empty()) return;

  const SaveLocation location = LocateSaveFile(rom_path, save_path);
  const std::vector<std::string>& candidates = location.candidates;
  if (location.fallback) {
    Save.make_folder = true;
    std::fprintf(stderr, "pellix: %s is not writable; saves go to %s\n", Folder(candidates[1]).c_str(),
                 candidates[0].c_str());
  }
  Save.path = candidates[0];
  Save.active = true;

  const long expected = static_cast<long>(SaveImage().size());
  for (const std::string& candidate : candidates) {
    std::vector<uint8_t> bytes;
    long size = 0;
    const int failure = ReadSaveFile(candidate, bytes, CartRamSize + Mbc3ClockSaveBytes + 1, &size);
    if (failure == ENOENT) continue;
    const bool ours = candidate == Save.path;
    if (failure) {
      std::fprintf(stderr, "pellix: %s: cannot read the save (%s); the game starts without it%s\n",
                   candidate.c_str(), std::strerror(failure),
                   ours ? ", and the file will be kept as .bak" : "");
      Save.keep_old = ours;
    } else if (!LoadSaveImage(bytes)) {
      std::fprintf(stderr, "pellix: %s: %ld bytes where %ld were expected; loaded what fits%s\n", candidate.c_str(),
                   size, expected, ours ? ", and the file will be kept as .bak" : "");
      Save.keep_old = ours;
    }
    break;
  }
}

void BatterySaveFrameCheck() {
  if (!Save.active || (!CartRamWritten && !Save.schedule.pending())) return;
  const double now = Now();
  if (CartRamWritten) {
    CartRamWritten = 0;
    Save.schedule.written(now);
  }
  if (!Save.schedule.due(now)) return;
  if (WriteSaveNow()) Save.schedule.saved();
  else Save.schedule.failed(now);
}

bool FinishBatterySave() {
  if (!Save.active) return true;
  std::string error;
  if (WriteSave(&error)) return true;
  std::fprintf(stderr, "pellix: %s: cannot write the save (%s); progress since the last save is lost\n",
               Save.path.c_str(), error.c_str());
  return false;
}

const std::string& BatterySavePath() { return Save.path; }
