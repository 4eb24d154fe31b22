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
#include <memory>
#include <strings.h>

#include "shell/atomic_file.h"
#include "shell/display.h"
#include "shell/run_control.h"
#include "shell/writer_thread.h"

namespace {

// The largest save any cartridge has: 128 KiB of RAM and a clock's 48 bytes.
constexpr size_t LargestSave = 0x20000 + 48;

// The run's save: where it is read from and written to, and its state.
struct BatterySave {
  bool active = false;        // the cartridge keeps a save and saving is on
  std::string path;           // where it is written
  bool make_folder = false;   // the fallback folder: created when missing
  bool keep_old = false;      // keep the file there as .bak at the next write
  std::string rolled_back;    // what replaced the RAM ("Loaded state 3"), told with the .bak
  bool failure_told = false;  // a failed write was reported; quiet until one succeeds
  bool writing = false;       // a write is with the writer thread
  bool final_written = false; // the write at the end of the run succeeded
  std::string fallback;       // the fallback folder's file; empty with --save
  SaveSchedule schedule;
};
BatterySave Save;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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

// What became of a write, back on the run's own thread.
void SaveWritten(bool ok, const std::string& error, bool keep_old, bool kept_old, const std::string& rolled_back,
                 bool final) {
  Save.writing = false;
  if (ok) {
    Save.failure_told = false;
    if (final) Save.final_written = true;
    if (kept_old && !rolled_back.empty()) {
      const std::string bak = FileNameOf(Save.path) + ".bak";
      std::fprintf(stderr, "pellix: %s \u2014 previous save kept as %s\n", rolled_back.c_str(), bak.c_str());
      ShowNote(rolled_back + " -\nprevious save kept as\n" + bak);
    }
    return;
  }
  if (keep_old && !Save.keep_old) {  // the next try keeps the old file in its turn
    Save.keep_old = true;
    Save.rolled_back = rolled_back;
  }
  if (final) {
    std::fprintf(stderr, "pellix: %s: cannot write the save (%s); progress since the last save is lost\n",
                 Save.path.c_str(), error.c_str());
  } else {
    if (!Save.failure_told)
      std::fprintf(stderr, "pellix: %s: cannot write the save (%s); trying again later\n", Save.path.c_str(),
                   error.c_str());
    Save.failure_told = true;
    Save.schedule.failed(Now());
  }
}

// A folder that stops being writable during the run (its permissions
// changed, a disk remounted read-only) gives way to the fallback folder, as
// it would have at the start.
void FallBackWhenReadOnly() {
  if (Save.fallback.empty() || Save.path == Save.fallback || FolderWritable(FolderOf(FollowLinks(Save.path)))) return;
  std::fprintf(stderr, "pellix: %s is no longer writable; saves go to %s\n", FolderOf(Save.path).c_str(),
               Save.fallback.c_str());
  Save.path = Save.fallback;
  Save.make_folder = true;
}

// Hands the save as it stands to the writer thread.
void SubmitSave(bool final) {
  FallBackWhenReadOnly();
  struct Write {
    std::vector<uint8_t> image;
    std::string path;
    bool make_folder, keep_old;
    bool kept_old = false;
  };
  auto write = std::make_shared<Write>(Write{TheMachine().BatterySave(), Save.path, Save.make_folder, Save.keep_old});
  std::string rolled_back = std::move(Save.rolled_back);
  Save.rolled_back.clear();
  Save.keep_old = false;
  Save.writing = true;
  FileWriter.submit(
      [write](std::string* error) {
        if (write->make_folder && !MakeFolderFor(write->path, error)) return false;
        return ReplaceFile(write->path, write->image, write->keep_old, error, &write->kept_old);
      },
      [write, rolled_back, final](bool ok, const std::string& error) {
        SaveWritten(ok, error, write->keep_old, write->kept_old, rolled_back, final);
      });
}

struct SaveFile {
  const std::string* path;
  timespec modified;
};

bool Newer(const timespec& a, const timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// The places that hold a save, the newest first (of equal times, the one
// where files are written).
std::vector<SaveFile> SavesPresent(const std::vector<std::string>& candidates) {
  std::vector<SaveFile> present;
  for (const std::string& candidate : candidates) {
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0) present.push_back(SaveFile{&candidate, st.st_mtim});
  }
  std::stable_sort(present.begin(), present.end(),
                   [](const SaveFile& a, const SaveFile& b) { return Newer(a.modified, b.modified); });
  return present;
}

// Reads the save file at path into the cartridge. A file that cannot be
// read, or is not of a size the cartridge's saves have, is kept as .bak
// before the first write over it.
void ReadSave(const std::string& path) {
  const long expected = static_cast<long>(TheMachine().BatterySave().size());
  std::vector<uint8_t> bytes;
  const FileRead read = ReadWholeFile(path, LargestSave, bytes);
  const bool ours = path == Save.path;
  if (read.error) {
    std::fprintf(stderr, "pellix: %s: cannot read the save (%s); the game starts without it%s\n", path.c_str(),
                 std::strerror(read.error), ours ? ", and the file will be kept as .bak" : "");
    Save.keep_old = ours;
  } else if (!TheMachine().LoadBatterySave(bytes.data(), bytes.size()) || read.too_large) {
    std::fprintf(stderr, "pellix: %s: %ld bytes where %ld were expected; loaded what fits%s\n", path.c_str(),
                 read.size, expected, ours ? ", and the file will be kept as .bak" : "");
    Save.keep_old = ours;
  }
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
  const std::string fallback = fallback_folder.empty() ? "" : fallback_folder + "/" + FileNameOf(beside);
  if (FolderWritable(FolderOf(beside)) || fallback.empty()) {
    location.candidates = {beside};
    if (!fallback.empty()) location.candidates.push_back(fallback);
  } else {
    location.candidates = {fallback, beside};
    location.fallback = true;
  }
  return location;
}

bool MakeFolderFor(const std::string& path, std::string* error) {
  const std::string folder = FolderOf(path);
  if (MakeFolders(folder)) return true;
  if (error) *error = folder + ": " + std::strerror(errno);
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

// A write that failed leaves the save unsaved since then at least.
void SaveSchedule::failed(double now) {
  if (first_unsaved_ < 0) first_unsaved_ = last_write_ = now;
  retry_at_ = now + RetrySeconds;
}

void StartBatterySave(const char* rom_path, const char* save_path) {
  Save = BatterySave{};
  TheMachine().TakeBatteryWritten();
  if (TheMachine().BatterySave().empty()) return;

  const SaveLocation location = LocateSaveFile(rom_path, save_path);
  const std::vector<std::string>& candidates = location.candidates;
  if (location.fallback) {
    Save.make_folder = true;
    std::fprintf(stderr, "pellix: %s is not writable; saves go to %s\n", FolderOf(candidates[1]).c_str(),
                 candidates[0].c_str());
  }
  Save.path = candidates[0];
  if (!save_path && candidates.size() > 1) Save.fallback = candidates[location.fallback ? 0 : 1];
  Save.active = true;

  // With saves in two places the newer one counts, and later writes go
  // where it is while that folder can be written: older data never
  // replaces newer.
  const std::vector<SaveFile> present = SavesPresent(candidates);
  if (present.empty()) return;
  const std::string& newest = *present[0].path;
  if (present.size() > 1) {
    std::fprintf(stderr, "pellix: saves in two places: loading the newer, %s; the older stays at %s\n",
                 newest.c_str(), present[1].path->c_str());
  }
  if (newest != Save.path && FolderWritable(FolderOf(newest))) {
    Save.path = newest;
    Save.make_folder = false;
  }
  ReadSave(newest);
}

void BatterySaveRolledBack(const std::string& what) {
  if (!Save.active) return;
  Save.keep_old = true;
  Save.rolled_back = what;
}

void BatterySaveFrameCheck() {
  const bool written = TheMachine().TakeBatteryWritten();
  if (!Save.active || (!written && !Save.schedule.pending())) return;
  const double now = Now();
  if (written) Save.schedule.written(now);
  // One write at a time: on a slow disk the next waits for the one before.
  if (Save.writing || !Save.schedule.due(now)) return;
  Save.schedule.saved();
  SubmitSave(false);
}

bool FinishBatterySave() {
  if (!Save.active) return true;
  SubmitSave(true);
  FileWriter.drain();
  return Save.final_written;
}

const std::string& BatterySavePath() { return Save.path; }
