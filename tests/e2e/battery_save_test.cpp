// Battery saves as a player meets them: the counts of our counter
// cartridges (tests/roms/save_counter_*.s) carry on from run to run, a
// killed run leaves a whole, recent save, and the odd cases of folders and
// files are handled without losing anything.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include "support/cartridge_image.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

// A counter cartridge adds slot + 1 to one byte per slot every frame.
struct Counter {
  const char* name;
  long ram_bytes;     // the save's RAM part
  long trailer;       // clock trailer bytes
  int slots;          // counters: one per RAM bank, or MBC2's side by side
  long slot_offset;   // distance between counters in the file
  int mask;           // bits a counter keeps (MBC2: four)
};

const Counter Counters[] = {
    {"save_counter_plain", 0x2000, 0, 1, 0x2000, 0xFF},  {"save_counter_mbc1", 0x8000, 0, 4, 0x2000, 0xFF},
    {"save_counter_mbc2", 512, 0, 2, 1, 0x0F},          {"save_counter_mbc3", 0x8000, 48, 4, 0x2000, 0xFF},
    {"save_counter_mbc5", 0x20000, 0, 16, 0x2000, 0xFF},
};
const Counter& Mbc1Counter = Counters[1];
const Counter& Mbc5Counter = Counters[4];

std::string CopyCartridge(const Counter& c, const std::string& dir) {
  return CopyCartridgeInto(TestRomPath(c.name), dir);
}

std::string SaveBeside(const Counter& c, const std::string& dir) { return dir + "/" + c.name + ".sav"; }

// The frame count a save holds, after checking that every counter agrees
// with it (a bank written over another shows a wrong multiple).
int FramesCounted(const Counter& c, const std::vector<uint8_t>& save) {
  EXPECT_EQ(static_cast<long>(save.size()), c.ram_bytes + c.trailer) << c.name;
  if (static_cast<long>(save.size()) < c.ram_bytes) return -1;
  const int frames = save[0] & c.mask;
  for (int slot = 1; slot < c.slots; slot++) {
    EXPECT_EQ(save[slot * c.slot_offset] & c.mask, ((slot + 1) * frames) & c.mask) << c.name << " slot " << slot;
  }
  return frames;
}

int RunSaving(const std::vector<std::string>& args, const std::string& dir, std::string* err = nullptr,
        const std::map<std::string, std::string>& env = {}) {
  RunResult r = RunPellix(args, dir, 60, env);
  if (err) *err = r.err;
  else EXPECT_EQ(r.err, "") << "args " << args.back();
  return r.exit_code;
}

double AgeInSeconds(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return (now.tv_sec - st.st_mtim.tv_sec) + (now.tv_nsec - st.st_mtim.tv_nsec) / 1e9;
}

}  // namespace

// 60 frames, then 60 more: every controller's counts carry on.
TEST(BatterySave, CountsCarryOnFromRunToRunOnEveryController) {
  for (const Counter& c : Counters) {
    SCOPED_TRACE(c.name);
    const std::string dir = MakeTempDir(std::string("save-") + c.name);
    const std::string rom = CopyCartridge(c, dir);
    ASSERT_EQ(RunSaving({"--headless", "--frames", "60", rom}, dir), 0);
    const int first = FramesCounted(c, ReadFileBytes(SaveBeside(c, dir)));
    EXPECT_GE(first, c.mask == 0x0F ? 0 : 55) << "one count per frame";
    ASSERT_EQ(RunSaving({"--headless", "--frames", "60", rom}, dir), 0);
    EXPECT_EQ(FramesCounted(c, ReadFileBytes(SaveBeside(c, dir))), (2 * first) & c.mask);
    EXPECT_FALSE(FileExists(SaveBeside(c, dir) + ".tmp"));
    EXPECT_FALSE(FileExists(SaveBeside(c, dir) + ".bak"));
  }
}

// A game that keeps writing is saved at least every ten seconds; one that
// saves and plays on is saved a second later. A kill -9 loses only that.
TEST(BatterySave, KillNineLeavesACompleteRecentSave) {
  const std::string dir = MakeTempDir("save-kill");
  const std::string rom = CopyCartridge(Mbc5Counter, dir);
  const std::string save = SaveBeside(Mbc5Counter, dir);
  BackgroundRun run = StartPellix({"--headless", rom}, dir, {});
  std::this_thread::sleep_for(std::chrono::seconds(12));
  kill(run.pid, SIGKILL);
  const double lost = AgeInSeconds(save);
  int code = 0;
  WaitForExit(run, 10, code);
  ASSERT_TRUE(FileExists(save)) << "a game writing every frame is saved within ten seconds";
  FramesCounted(Mbc5Counter, ReadFileBytes(save));  // whole, and every bank from the same frame
  EXPECT_LE(lost, 11.0) << "the save is at most ten seconds old";
  std::printf("kill -9 after 12 s of a game writing every frame: the save was %.1f s old\n", lost);

  // Geometrix writes its save area when it starts and then only reads it.
  const std::string game_dir = MakeTempDir("save-kill-geometrix");
  CopyCartridgeInto(RomPath("homebrew/geometrix.gbc"), game_dir);
  BackgroundRun game = StartPellix({"--headless", "geometrix.gbc"}, game_dir, {});
  const auto started = std::chrono::steady_clock::now();
  while (!FileExists(game_dir + "/geometrix.sav") && std::chrono::steady_clock::now() - started < std::chrono::seconds(10))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  kill(game.pid, SIGKILL);
  WaitForExit(game, 10, code);
  EXPECT_EQ(FileSize(game_dir + "/geometrix.sav"), 8192);
  EXPECT_LT(waited, 4.0) << "saved about a second after its last write";
  std::printf("kill -9 of a game that wrote its save at the start: saved %.1f s after the start\n", waited);
}

TEST(BatterySave, ReadOnlyCartridgeFolderSavesInTheDataFolderAndFindsItThere) {
  const std::string dir = MakeTempDir("save-read-only");
  const std::string work = MakeTempDir("save-read-only-work");
  const std::string data = dir + "-xdg";
  fs::remove_all(data);
  const std::string rom = CopyCartridge(Mbc1Counter, dir);
  chmod(dir.c_str(), 0555);
  const std::map<std::string, std::string> env{{"XDG_DATA_HOME", data}};
  const std::string save = data + "/pellix/saves/save_counter_mbc1.sav";
  std::string err;
  EXPECT_EQ(RunSaving({"--headless", "--frames", "40", rom}, work, &err, env), 0);
  EXPECT_EQ(err, "pellix: " + dir + " is not writable; saves go to " + save + "\n");
  const int first = FramesCounted(Mbc1Counter, ReadFileBytes(save));
  EXPECT_EQ(RunSaving({"--headless", "--frames", "40", rom}, work, &err, env), 0);
  EXPECT_EQ(FramesCounted(Mbc1Counter, ReadFileBytes(save)), 2 * first) << "found again in the data folder";
  chmod(dir.c_str(), 0755);
  EXPECT_FALSE(FileExists(SaveBeside(Mbc1Counter, dir)));
}

// The file is loaded as far as it fits and kept as .bak before PELLIX
// writes over it.
TEST(BatterySave, SaveOfTheWrongSizeIsKeptAsBak) {
  const std::string dir = MakeTempDir("save-wrong-size");
  const std::string rom = CopyCartridge(Mbc1Counter, dir);
  const std::vector<uint8_t> odd(1000, 0x07);
  WriteFileBytes(SaveBeside(Mbc1Counter, dir), odd);
  std::string err;
  ASSERT_EQ(RunSaving({"--headless", "--frames", "30", rom}, dir, &err), 0);
  EXPECT_NE(err.find("1000 bytes where 32768 were expected"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(ReadFileBytes(SaveBeside(Mbc1Counter, dir) + ".bak"), odd);
  const std::vector<uint8_t> save = ReadFileBytes(SaveBeside(Mbc1Counter, dir));
  ASSERT_EQ(save.size(), 0x8000u);
  EXPECT_GT(save[0], 0x07) << "counted on from the loaded 7";
  EXPECT_EQ(save[0x2000], (2 * (save[0] - 0x07)) & 0xFF) << "bank 1 lay beyond the file: counted from 0";
}

// --no-save reads and writes nothing; --save FILE reads and writes FILE.
TEST(BatterySave, NoSaveAndSaveOptions) {
  const std::string dir = MakeTempDir("save-options");
  const std::string rom = CopyCartridge(Mbc1Counter, dir);
  ASSERT_EQ(RunSaving({"--headless", "--no-save", "--frames", "30", rom}, dir), 0);
  EXPECT_FALSE(FileExists(SaveBeside(Mbc1Counter, dir)));
  EXPECT_FALSE(FileExists(TestDataHome(dir))) << "not in the data folder either";
  const std::vector<uint8_t> kept(0x8000, 0x33);
  WriteFileBytes(SaveBeside(Mbc1Counter, dir), kept);
  ASSERT_EQ(RunSaving({"--headless", "--no-save", "--frames", "30", rom}, dir), 0);
  EXPECT_EQ(ReadFileBytes(SaveBeside(Mbc1Counter, dir)), kept);

  ASSERT_EQ(RunSaving({"--headless", "--save", "mine.sav", "--frames", "30", rom}, dir), 0);
  const int first = FramesCounted(Mbc1Counter, ReadFileBytes(dir + "/mine.sav"));
  ASSERT_EQ(RunSaving({"--headless", "--save", "mine.sav", "--frames", "30", rom}, dir), 0);
  EXPECT_EQ(FramesCounted(Mbc1Counter, ReadFileBytes(dir + "/mine.sav")), 2 * first);
  EXPECT_EQ(ReadFileBytes(SaveBeside(Mbc1Counter, dir)), kept);
}

// Every normal end writes the save: the signals and a headless stop on an
// unknown opcode (the frame limit is tested above).
TEST(BatterySave, SignalsAndAnUnknownOpcodeEndWithTheSaveWritten) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
    const std::string dir = MakeTempDir("save-signal-" + std::to_string(signal));
    const std::string rom = CopyCartridge(Mbc1Counter, dir);
    BackgroundRun run = StartPellix({"--headless", rom}, dir, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(run.pid, signal);
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code));
    EXPECT_EQ(code, 0) << ReadErrors(run);
    // Thousands of frames ran: the byte counts have wrapped, but they agree.
    ASSERT_TRUE(FileExists(SaveBeside(Mbc1Counter, dir))) << "signal " << signal;
    FramesCounted(Mbc1Counter, ReadFileBytes(SaveBeside(Mbc1Counter, dir)));
  }

  // The reader of the serial output goes away: the run ends, saved.
  const std::string piped = MakeTempDir("save-serial-pipe");
  WriteFileBytes(piped + "/print.gb", ReadFileBytes(TestRomPath("save_then_print")));
  const RunResult r = RunCommand({"sh", "-c", std::string(PELLIX_BINARY) + " --headless --serial - print.gb | head -c 10"},
                                 piped, 30);
  EXPECT_EQ(r.out, "xxxxxxxxxx");
  EXPECT_EQ(ReadFileBytes(piped + "/print.sav").at(0), 0x5A) << r.err;

  const std::string dir = MakeTempDir("save-unknown-op");
  WriteFileBytes(dir + "/stop.gb", ReadFileBytes(TestRomPath("save_then_stop")));
  std::string err;
  EXPECT_EQ(RunSaving({"--headless", "stop.gb"}, dir, &err), 3);
  const std::vector<uint8_t> save = ReadFileBytes(dir + "/stop.sav");
  ASSERT_EQ(save.size(), 0x2000u);
  EXPECT_EQ(save[0], 0x5A);
}

TEST(BatterySave, CartridgesWithoutBatteryKeepNoSaveAndUnsupportedOnesAreNamed) {
  const std::string dir = MakeTempDir("save-no-battery");
  std::vector<uint8_t> rom = ReadFileBytes(TestRomPath(Mbc1Counter.name));
  rom[0x147] = 0x02;  // MBC1 with RAM, no battery
  GiveValidHeader(rom);
  WriteFileBytes(dir + "/plain.gb", rom);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "30", "plain.gb"}, dir), 0);
  EXPECT_FALSE(FileExists(dir + "/plain.sav"));

  rom[0x147] = 0xFC;  // a camera
  GiveValidHeader(rom);
  WriteFileBytes(dir + "/camera.gb", rom);
  std::string err;
  ASSERT_EQ(RunSaving({"--headless", "--frames", "30", "camera.gb"}, dir, &err), 0);
  EXPECT_EQ(err, "pellix: cartridge type 0xFC is not supported; running without its controller\n");
  EXPECT_FALSE(FileExists(dir + "/camera.sav"));
}

// Geometrix (MBC5 with battery, 8 KiB) keeps its high scores after a
// 16-byte mark, with their byte sum after them; a save it finds invalid
// it starts afresh.
TEST(BatterySave, GeometrixHighScoresSurviveTheNextRun) {
  const std::string dir = MakeTempDir("save-geometrix");
  CopyCartridgeInto(RomPath("homebrew/geometrix.gbc"), dir);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "300", "geometrix.gbc"}, dir), 0);
  std::vector<uint8_t> save = ReadFileBytes(dir + "/geometrix.sav");
  ASSERT_EQ(save.size(), 8192u);
  EXPECT_EQ(std::string(save.begin(), save.begin() + 16), "ANTONIO 02112015");

  constexpr int Scores = 0x10, ScoreBytes = 0x36, Sum = Scores + ScoreBytes;
  uint8_t sum = 0;
  for (int i = 0; i < ScoreBytes; i++) {
    save[Scores + i] = static_cast<uint8_t>(i % 10);
    sum = static_cast<uint8_t>(sum + save[Scores + i]);
  }
  save[Sum] = sum;
  WriteFileBytes(dir + "/geometrix.sav", save);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "300", "geometrix.gbc"}, dir), 0);
  const std::vector<uint8_t> after = ReadFileBytes(dir + "/geometrix.sav");
  ASSERT_EQ(after.size(), 8192u);
  EXPECT_TRUE(std::equal(save.begin(), save.begin() + Sum + 1, after.begin())) << "the high scores survive";

  // The same scores with a wrong sum: the game sees a broken save and clears
  // it, so the scores above survived because the game read them.
  save[Sum] ^= 0xFF;
  WriteFileBytes(dir + "/geometrix.sav", save);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "300", "geometrix.gbc"}, dir), 0);
  EXPECT_EQ(ReadFileBytes(dir + "/geometrix.sav")[Scores + 1], 0);
}

// A periodic save that fails (a folder lies where the save goes) is tried
// again on its schedule, without the game writing again: once the way is
// clear the save reaches the disk during the run, not only at its end.
TEST(BatterySave, AFailedSaveIsTriedAgainWithoutANewWrite) {
  const std::string dir = MakeTempDir("save-retry");
  WriteFileBytes(dir + "/print.gb", ReadFileBytes(TestRomPath("save_then_print")));
  const std::string save = dir + "/print.sav";
  ASSERT_EQ(mkdir(save.c_str(), 0755), 0);
  BackgroundRun run = StartPellix({"--headless", "print.gb"}, dir, {});
  for (int wait = 0; wait < 100 && ReadErrors(run).find("trying again later") == std::string::npos; wait++)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(rmdir(save.c_str()), 0) << ReadErrors(run);
  for (int wait = 0; wait < 100 && FileSize(save) != 0x2000; wait++)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(run.pid, SIGKILL);
  int code = -1;
  WaitForExit(run, 10, code);
  const std::vector<uint8_t> written = ReadFileBytes(save);
  ASSERT_EQ(written.size(), 0x2000u) << "written again before the run was killed: " << ReadErrors(run);
  EXPECT_EQ(written[0], 0x5A);
}

// In a window too, SIGTERM ends the run through its normal end.
TEST(BatterySaveWindow, TerminationSignalInAWindowWritesTheSave) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("save-window");
  const std::string rom = CopyCartridge(Mbc1Counter, dir);
  BackgroundRun run = StartPellix({rom}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20));
  HoldKey(x, window, "Return", 0.1);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  kill(run.pid, SIGTERM);
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "SIGTERM ends a windowed run";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  EXPECT_GT(FramesCounted(Mbc1Counter, ReadFileBytes(SaveBeside(Mbc1Counter, dir))), 20) << "about 60 frames ran";
}

// A state loaded (or the game rewound) puts older RAM in place: the save it
// replaces is kept as .bak, and said so.
TEST(BatterySave, AStateLoadKeepsTheSaveItReplacesAsBak) {
  const std::string dir = MakeTempDir("save-state-load");
  const Counter& c = Counters[0];
  const std::string rom = CopyCartridge(c, dir), save = SaveBeside(c, dir);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "50", "--save-state-at", "50:s.st", rom}, dir), 0);
  const int at_state = FramesCounted(c, ReadFileBytes(save));
  const std::vector<uint8_t> played_on(c.ram_bytes, 0x77);
  WriteFileBytes(save, played_on);
  std::string err;
  ASSERT_EQ(RunSaving({"--headless", "--frames", "10", "--load-state", "s.st", rom}, dir, &err), 0);
  EXPECT_EQ(FramesCounted(c, ReadFileBytes(save)), (at_state + 10) & 0xFF) << "the state's RAM, counted on";
  EXPECT_EQ(ReadFileBytes(save + ".bak"), played_on);
  EXPECT_EQ(err, "pellix: Loaded the state s.st \u2014 previous save kept as save_counter_plain.sav.bak\n");
}

// Saves beside the cartridge and in the data folder: the newer one is
// loaded and written on; the older is left as it is.
TEST(BatterySave, OfSavesInTwoPlacesTheNewerIsLoadedAndKept) {
  const Counter& c = Counters[0];
  for (bool newer_beside : {false, true}) {
    const std::string dir = MakeTempDir(std::string("save-two-places-") + (newer_beside ? "beside" : "data"));
    const std::string rom = CopyCartridge(c, dir);
    const std::string beside = SaveBeside(c, dir), data = TestDataHome(dir) + "/pellix/saves/" + c.name + ".sav";
    fs::create_directories(fs::path(data).parent_path());
    const std::string& newer = newer_beside ? beside : data;
    const std::string& older = newer_beside ? data : beside;
    WriteFileBytes(older, std::vector<uint8_t>(c.ram_bytes, 10));
    fs::last_write_time(older, fs::file_time_type::clock::now() - std::chrono::hours(1));
    WriteFileBytes(newer, std::vector<uint8_t>(c.ram_bytes, 200));
    std::string err;
    ASSERT_EQ(RunSaving({"--headless", "--frames", "5", rom}, dir, &err), 0);
    EXPECT_GT(ReadFileBytes(newer)[0], 200) << "counted on from the newer";
    EXPECT_EQ(ReadFileBytes(older)[0], 10);
    EXPECT_NE(err.find("loading the newer, " + newer + "; the older stays at " + older), std::string::npos) << err;
  }
}

// A save that is a link keeps its link and its target gets the bytes; a
// link planted under the old temporary name is never followed, nor one to
// itself replaced. What a gone run left while writing is removed.
TEST(BatterySave, LinksAreWrittenThroughAndPlantedOnesLeftAlone) {
  const Counter& c = Counters[0];
  const std::string dir = MakeTempDir("save-links"), synced = MakeTempDir("save-links-synced");
  const std::string rom = CopyCartridge(c, dir), save = SaveBeside(c, dir);
  WriteFileBytes(synced + "/game.sav", std::vector<uint8_t>(c.ram_bytes, 0));
  WriteFileBytes(synced + "/victim", {1, 2, 3});
  fs::create_symlink(synced + "/game.sav", save);
  fs::create_symlink(synced + "/victim", save + ".tmp");
  const std::string left = synced + "/game.sav.2147483647-0.tmp";  // no process has that number
  const std::string writing = synced + "/game.sav." + std::to_string(getpid()) + "-0.tmp";
  for (const std::string& file : {left, writing}) WriteFileBytes(file, {1});
  std::string err;
  ASSERT_EQ(RunSaving({"--headless", "--frames", "20", rom}, dir, &err), 0);
  EXPECT_EQ(err, "pellix: removed " + left + ", left by a run that ended while writing it\n");
  EXPECT_TRUE(fs::is_symlink(save));
  EXPECT_GT(FramesCounted(c, ReadFileBytes(synced + "/game.sav")), 10);
  EXPECT_EQ(ReadFileBytes(synced + "/victim"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(fs::is_symlink(save + ".tmp"));
  EXPECT_FALSE(FileExists(left));
  EXPECT_TRUE(FileExists(writing));

  fs::remove(save);
  fs::create_symlink(c.name + std::string(".sav"), save);
  EXPECT_EQ(RunSaving({"--headless", "--frames", "20", rom}, dir, &err), 1);
  EXPECT_TRUE(fs::is_symlink(save));
  EXPECT_NE(err.find("Too many levels of symbolic links); progress since the last save is lost"), std::string::npos)
      << err;
}

// The cartridge's folder becomes read-only during the run: the save goes
// to the data folder, and says so.
TEST(BatterySave, AFolderThatBecomesReadOnlyGivesWayToTheDataFolder) {
  const std::string dir = MakeTempDir("save-read-only"), games = dir + "/games";
  fs::create_directory(games);
  const std::string rom = CopyCartridge(Counters[0], games);
  BackgroundRun run = StartPellix({"--headless", rom}, dir, {});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  fs::permissions(games, fs::perms::owner_read | fs::perms::owner_exec);
  kill(run.pid, SIGTERM);
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code));
  fs::permissions(games, fs::perms::owner_all);
  EXPECT_EQ(code, 0) << ReadErrors(run);
  const std::string data = TestDataHome(dir) + "/pellix/saves/" + Counters[0].name + ".sav";
  EXPECT_NE(ReadErrors(run).find("is no longer writable; saves go to " + data), std::string::npos) << ReadErrors(run);
  EXPECT_EQ(FileSize(data), Counters[0].ram_bytes);
}

// Paused right after the game saved: the save reaches the disk all the same.
TEST(BatterySaveWindow, AGameSavedJustBeforeThePauseIsOnTheDisk) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("save-paused");
  WriteFileBytes(dir + "/print.gb", ReadFileBytes(TestRomPath("save_then_print")));
  BackgroundRun run = StartPellix({"print.gb"}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20));
  HoldKey(x, window, "Return", 0.1);
  HoldKey(x, window, "p", 0.1);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  kill(run.pid, SIGKILL);
  int code = 0;
  WaitForExit(run, 10, code);
  EXPECT_EQ(ReadFileBytes(dir + "/print.sav").at(0), 0x5A);
}

// The X server goes away under a game that writes its save every frame (so
// its periodic save waits ten seconds): the run ends at once, saved.
TEST(BatterySaveWindow, AVanishedDisplayEndsTheRunWithItsSave) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("save-display-gone");
  const std::string rom = CopyCartridge(Counters[0], dir), save = SaveBeside(Counters[0], dir);
  BackgroundRun run = StartPellix({rom}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20));
  HoldKey(x, window, "Return", 0.1);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  x.Kill();
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 5, code)) << "ended within 5 s of the display";
  EXPECT_GE(FramesCounted(Counters[0], ReadFileBytes(save)), 30) << ReadErrors(run);
  EXPECT_LT(AgeInSeconds(save), 5.5) << "written after the display went";
  EXPECT_TRUE(FileExists(dir + "/vram.bin"));
}

// The same under a slow main loop, each pass of which runs the machine for
// 5 s (PELLIX_SLOW_LOOP_MS): the exit work waits for the machine to stand
// still, so the save holds the count of the frames --bench says were run.
TEST(BatterySaveWindow, AVanishedDisplayUnderASlowLoopSavesTheMachineStandingStill) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("save-display-gone-slow");
  const std::string rom = CopyCartridge(Mbc5Counter, dir), save = SaveBeside(Mbc5Counter, dir);
  ASSERT_EQ(RunSaving({"--headless", "--frames", "100", rom}, dir), 0);
  const int lag = 100 - FramesCounted(Mbc5Counter, ReadFileBytes(save));  // frames before the counting starts
  fs::remove(save);
  BackgroundRun run =
      StartPellix({"--no-info", "--bench", rom}, dir, {{"DISPLAY", x.display()}, {"PELLIX_SLOW_LOOP_MS", "5000"}});
  ASSERT_FALSE(FindWindow(x, 20).empty()) << DescribeRun(run, x);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  x.Kill();
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "ended once the machine stood still";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  long frames = 0;
  ASSERT_EQ(std::sscanf(ReadOutput(run).c_str(), "%ld frames in", &frames), 1) << ReadOutput(run);
  EXPECT_EQ(FramesCounted(Mbc5Counter, ReadFileBytes(save)), (frames - lag) & 0xFF) << frames << " frames";
}
