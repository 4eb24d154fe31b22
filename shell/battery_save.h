// Battery saves: the cartridge RAM (and the MBC3 clock) of a battery-backed
// cartridge kept in a file between runs, in the layout other programs use:
// the RAM bytes, bank 0 first, then for a clock the 48-byte trailer.
//
// The file is read once after the cartridge loads, written at every normal
// end of a run and, while the game runs, a second after the game last wrote
// its RAM, or ten seconds after the first unsaved write when it keeps on
// writing. The writes happen on the writer thread (shell/writer_thread.h),
// each as a whole replacement of the file (shell/atomic_file.h), so a
// half-written save never has the real name and no frame waits for the disk.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The save file beside a cartridge: its path with the extension (and a
// .gz before it) replaced by .sav: game.gb, game.gbc, game.zip and
// game.gb.gz all give game.sav.
std::string SavePathFor(const std::string& rom_path);

// The folder for saves whose cartridge folder cannot be written:
// $XDG_DATA_HOME/pellix/saves, or ~/.local/share/pellix/saves. Empty when
// neither variable gives an absolute folder.
std::string FallbackSaveFolder();

// Where a cartridge's save file is written and where it is looked for, in
// order (save_path: one the user named, or null). With an unwritable
// cartridge folder the fallback folder comes first (fallback set), then the
// cartridge's own; otherwise the other way round. The save states of the
// cartridge follow the same rules.
struct SaveLocation {
  std::vector<std::string> candidates;  // the first is where files are written
  bool fallback = false;
};
SaveLocation LocateSaveFile(const char* rom_path, const char* save_path);

// Creates the folder of the file at path and those above it that are
// missing. On failure *error says why.
bool MakeFolderFor(const std::string& path, std::string* error);

// Whether files can be created in the folder. A folder that nobody may
// write counts as read-only for the superuser too, as its owner meant.
bool FolderWritable(const std::string& folder);

// When to write while the game runs, on a clock in seconds.
class SaveSchedule {
 public:
  static constexpr double QuietSeconds = 1.0;     // the game stopped writing
  static constexpr double LongestWait = 10.0;     // the game keeps writing
  static constexpr double RetrySeconds = 5.0;     // after a failed write

  void written(double now);   // the game wrote its RAM or set the clock
  bool due(double now) const;
  bool pending() const { return first_unsaved_ >= 0; }
  void saved();               // a write succeeded
  void failed(double now);    // a write failed: try again a little later

 private:
  double first_unsaved_ = -1;  // the first write not yet saved; -1 when all is saved
  double last_write_ = -1;
  double retry_at_ = -1;
};

// Chooses the save file for the loaded cartridge at rom_path (save_path: one
// the user named, or null) and reads it into the cartridge RAM and clock.
// When both the cartridge's folder and the fallback folder hold one, the
// newer (by modification time) is loaded, and later writes go where it is
// while that folder is writable. Messages go to stderr. Does nothing for
// cartridges without a battery.
void StartBatterySave(const char* rom_path, const char* save_path);

// The cartridge RAM was replaced by older contents (a state loaded, the
// game rewound; `what` says which, as "Loaded state 3"): the next write
// keeps the file it replaces as NAME.bak and says so once.
void BatterySaveRolledBack(const std::string& what);

// Once per frame, and while the run waits (paused, rewinding): hands the
// save to the writer thread when the schedule says so. What became of it is
// told when the writer's finished writes are (WriterThread::finish_done).
void BatterySaveFrameCheck();

// At the end of a run: writes the save and waits for every write. False
// when it could not be written (said on stderr).
bool FinishBatterySave();

// The file the run writes its save to; empty when it keeps none.
const std::string& BatterySavePath();
