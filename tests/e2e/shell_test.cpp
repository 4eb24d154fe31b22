// The program as a user runs it: command line, exit codes, the files it
// leaves behind, the window and its pace.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "support/cartridge_image.h"
#include "support/png.h"
#include "support/run.h"
#include "support/window_session.h"
#include "support/xvfb.h"

bool SendCloseRequest(const std::string& display, const std::string& window);  // window_close.cpp

namespace {

const std::string LdRom = RomPath("cpu_instrs/individual/06-ld r,r.gb");

// Whether the text shows anywhere in a picture of dark text on a light
// ground (the file selector).
bool ShowsDarkText(RgbImage shot, const std::string& text) {
  for (uint8_t& channel : shot.rgb) channel = static_cast<uint8_t>(255 - channel);
  const int columns = static_cast<int>(text.size());
  for (int y = 0; y + 8 <= shot.height; y++)
    for (int x = 0; x + 8 * columns <= shot.width; x++)
      if (ReadText(shot, x, y, columns) == text) return true;
  return false;
}

// The visible text of one row of 8x8 cells in a window capture, each
// font pixel `dot` window pixels wide (2 for text scaled as the doubled
// picture, 1 for the information screen's sharp text).
std::string WindowRow(const RgbImage& shot, int row, int dot = 2) {
  return ReadText(shot, 0, row * 8 * dot, shot.width / (8 * dot), dot);
}

}  // namespace

TEST(Shell, HeadlessRunWritesItsFilesInTheWorkingDirectory) {
  const std::string dir = MakeTempDir("headless-run");
  RunResult r = RunPellix({"--headless", "--frames", "30", LdRom}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192) << "vram.bin holds exactly video RAM bank 0";
  EXPECT_FALSE(FileExists(dir + "/Trace.Log")) << "no trace file without a trace";
}

TEST(Shell, RelativeRomPathIsTakenFromTheWorkingDirectory) {
  const std::string dir = MakeTempDir("relative-rom");
  WriteFileBytes(dir + "/game.gb", ReadFileBytes(LdRom));
  RunResult r = RunPellix({"--headless", "--frames", "2", "game.gb"}, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(Shell, BenchPrintsFramesSecondsAndSpeed) {
  const std::string dir = MakeTempDir("bench");
  RunResult r = RunPellix({"--headless", "--bench", "--frames", "20", LdRom}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("20 frames in "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("frames per second"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("times real time"), std::string::npos) << r.out;
}

TEST(Shell, CommandLineMistakesExitWithTwoAndOneLine) {
  const std::string dir = MakeTempDir("command-line");
  struct Case {
    std::vector<std::string> args;
    const char* expect;
  } cases[] = {
      {{"--headless", "missing.gb"}, "missing.gb"},
      {{"--bogus", LdRom}, "--bogus"},
      {{"--frames"}, "--frames"},
      {{"--frames", "ten", LdRom}, "ten"},
      {{"--frames", "-3", LdRom}, "-3"},
      {{"--screenshot"}, "--screenshot"},
      {{"--headless"}, "ROM"},
  };
  for (const Case& c : cases) {
    RunResult r = RunPellix(c.args, dir, 20);
    EXPECT_EQ(r.exit_code, 2) << "args " << c.args[0];
    EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    EXPECT_FALSE(FileExists(dir + "/vram.bin")) << "nothing is written for a bad command line";
  }
}

TEST(Shell, WindowedRunWithoutADisplaySaysSoAndExitsOne) {
  const std::string dir = MakeTempDir("no-display");
  RunResult r = RunPellix({LdRom}, dir, 20, {{"DISPLAY", ":9999"}});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("pellix: cannot start the display: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("DISPLAY"), std::string::npos) << "the message says what to check: " << r.err;
  EXPECT_FALSE(FileExists(dir + "/vram.bin"));
}

TEST(Shell, HelpPrintsUsageAndExitsZero) {
  RunResult r = RunPellix({"--help"}, MakeTempDir("help"), 20);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("usage: pellix"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--headless"), std::string::npos);
}

TEST(Shell, ImageThatCannotLoadExitsOneWithItsReason) {
  const std::string dir = MakeTempDir("bad-image");
  WriteFileBytes(dir + "/empty.gb", {});
  RunResult r = RunPellix({"--headless", "--frames", "2", "empty.gb"}, dir, 20);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "pellix: empty.gb: Empty cartridge image\n");
  EXPECT_FALSE(FileExists(dir + "/vram.bin"));
  EXPECT_FALSE(FileExists(dir + "/Trace.Log"));
}

// Files that are not cartridges are refused before anything runs: text
// named .gb, a file shorter than a header, a folder. One that has only
// the logo or only the checksum wrong, or is shorter than its header
// says, runs with one line of warning.
TEST(Shell, FilesThatAreNotCartridgesAreRefusedAndDoubtfulOnesWarned) {
  const std::string dir = MakeTempDir("not-cartridges");
  const std::string text = "This is a letter, not a game.\n";
  WriteFileBytes(dir + "/letter.gb", std::vector<uint8_t>(text.begin(), text.end()));
  std::vector<uint8_t> short_file = ReadFileBytes(LdRom);
  short_file.resize(300);
  WriteFileBytes(dir + "/short.gb", short_file);
  mkdir((dir + "/folder.gb").c_str(), 0755);
  for (const char* name : {"letter.gb", "short.gb"}) {
    const RunResult r = RunPellix({"--headless", "--frames", "2", name}, dir, 20);
    EXPECT_EQ(r.exit_code, 1) << name;
    EXPECT_EQ(r.err, std::string("pellix: ") + name + ": not a Game Boy cartridge (no valid header)\n");
  }
  RunResult r = RunPellix({"--headless", "--frames", "2", "folder.gb"}, dir, 20);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "pellix: folder.gb: is a directory (try --help)\n");
  EXPECT_FALSE(FileExists(dir + "/vram.bin")) << "nothing ran";

  std::vector<uint8_t> patched = ReadFileBytes(LdRom);
  patched[0x14D] ^= 0x01;
  WriteFileBytes(dir + "/patched.gb", patched);
  r = RunPellix({"--headless", "--frames", "2", "patched.gb"}, dir, 20);
  EXPECT_EQ(r.exit_code, 0);
  char warning[160];
  std::snprintf(warning, sizeof warning,
                "pellix: patched.gb: the header checksum is 0x%02X, not 0x%02X: the console would refuse the "
                "cartridge; running it anyway\n",
                patched[0x14D], patched[0x14D] ^ 0x01);
  EXPECT_EQ(r.err, warning);

  std::vector<uint8_t> no_logo = ReadFileBytes(LdRom);
  no_logo[0x104] = 0;  // the logo's first byte
  WriteFileBytes(dir + "/no-logo.gb", no_logo);
  r = RunPellix({"--headless", "--frames", "2", "no-logo.gb"}, dir, 20);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "pellix: no-logo.gb: the header has no logo: the console would refuse the cartridge; running it "
                   "anyway\n");

  std::vector<uint8_t> cut = ReadFileBytes(LdRom);
  cut.resize(0x5000);
  WriteFileBytes(dir + "/cut.gb", cut);
  r = RunPellix({"--headless", "--frames", "2", "cut.gb"}, dir, 20);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "pellix: cut.gb: 12 KiB of the 32 KiB the header announces are missing (they read as 0xFF)\n");
}

TEST(Shell, UnwritableVramDumpIsReportedWithExitOne) {
  const std::string dir = MakeTempDir("vram-unwritable");
  mkdir((dir + "/vram.bin").c_str(), 0755);  // a folder where the file should go
  RunResult r = RunPellix({"--headless", "--frames", "2", LdRom}, dir, 20);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("vram.bin"), std::string::npos) << r.err;
}

// A trace that cannot be written is said once; the run goes on.
TEST(Shell, RunGoesOnWithoutTraceFile) {
  const std::string dir = MakeTempDir("trace-unwritable");
  mkdir((dir + "/Trace.Log").c_str(), 0755);
  RunResult r = RunPellix({"--headless", "--trace", "--frames", "2", LdRom}, dir, 20);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "pellix: Trace.Log: cannot write it (Is a directory); the run goes on untraced\n");
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192);
}

// Also a cartridge that runs STOP over and over with a button held: its
// frames end, so a frame limit and the signal both end the run.
TEST(Shell, TerminationSignalEndsHeadlessRunLikeEscape) {
  const std::string dir = MakeTempDir("sigterm");
  WriteFileBytes(dir + "/keys.txt", {'0', ' ', 'a', '\n'});
  const std::string stop_loop = TestRomPath("stop_loop");
  EXPECT_EQ(RunPellix({"--headless", "--frames", "60", "--input", "keys.txt", stop_loop}, dir, 20).exit_code, 0);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--headless", LdRom},
                                               {"--headless", "--input", "keys.txt", stop_loop}}) {
    BackgroundRun run = StartPellix(args, dir, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(run.pid, SIGTERM);
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code)) << "the run must end on SIGTERM: " << args.back();
    EXPECT_EQ(code, 0) << ReadErrors(run);
    EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192);
  }
}

// The window: title, information screen, Enter to start, Escape to quit.
TEST(ShellWindow, InformationScreenThenEnterThenEscape) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("window");
  BackgroundRun run = StartPellix({LdRom}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << "no window of class pellix; the program said: " << ReadErrors(run);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";

  ASSERT_TRUE(CaptureWindow(x, window, dir + "/info.png"));
  // ImageMagick tells the size and the number of distinct colours.
  RunResult id = RunCommand({"identify", "-format", "%w %h %k", dir + "/info.png"}, dir, 20);
  int width = 0, height = 0, colours = 0;
  ASSERT_EQ(std::sscanf(id.out.c_str(), "%d %d %d", &width, &height, &colours), 3) << id.out << id.err;
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 288);
  EXPECT_GT(colours, 1) << "the information screen shows text";

  // Escape quits from the information screen too.
  HoldKey(x, window, "Escape");
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "Escape on the information screen quits";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  std::remove((dir + "/vram.bin").c_str());

  // So does the window's close button.
  run = StartPellix({LdRom}, dir, x.env());
  const std::string closed = FindWindow(x, 20);
  ASSERT_TRUE(WaitForPicture(x, closed, 20));
  ASSERT_TRUE(SendCloseRequest(x.display(), closed));
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "the close button on the information screen quits";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  std::remove((dir + "/vram.bin").c_str());

  run = StartPellix({LdRom}, dir, x.env());
  const std::string second = FindWindow(x, 20);
  ASSERT_TRUE(WaitForPicture(x, second, 20));
  HoldKey(x, second, "Return");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(FileExists(dir + "/vram.bin")) << "still running";
  HoldKey(x, second, "Escape");
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "Escape must end the run";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192);
  EXPECT_FALSE(FileExists(dir + "/Trace.Log")) << "no trace file without a trace";
}

// The window is named after the cartridge, from its header or, without a
// title there, its file; desktops find it by its class. A scale too large
// for the screen (Xvfb's is 1024x768) is lowered to the largest that fits.
TEST(ShellWindow, WindowIsNamedAfterTheCartridgeAndFitsTheScreen) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("window-name");
  const struct {
    std::vector<std::string> args;
    const char* title;
    int width;
  } runs[] = {{{PELLIX_DEMO_ROM}, "PELLIX - PELLIX DEMO", 320},
              {{"--scale", "6", LdRom}, "PELLIX - 06-ld r,r.gb", 800}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.title);
    BackgroundRun run = StartPellix(r.args, dir, x.env());
    const std::string window = FindWindow(x, 20);
    ASSERT_FALSE(window.empty()) << "no window of class pellix; " << DescribeRun(run, x);
    ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
    EXPECT_EQ(WindowTitle(x, window), r.title);
    ASSERT_TRUE(CaptureWindow(x, window, dir + "/window.png"));
    HoldKey(x, window, "Escape");
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code));
    EXPECT_EQ(code, 0);
    RgbImage shot;
    std::string error;
    ASSERT_TRUE(ReadPng(dir + "/window.png", shot, error)) << error;
    EXPECT_EQ(shot.width, r.width);
    const std::string errors = ReadErrors(run);
    const bool lowered = r.width == 800;
    EXPECT_EQ(errors.find("pellix: a 960x864 window (scale 6) does not fit the 1024x768 screen; using scale 5 "
                          "(800x720)\n") != std::string::npos,
              lowered)
        << errors;
  }
}

// The information screen names the cartridge's header fields at their
// cells, in decimal except MAX_BANK, its title and its controller by name,
// and the keys, in sharp text: 40 columns in the default window; the
// warning that the file is shorter than its header says.
TEST(ShellWindow, InformationScreenShowsTheCartridgeFields) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("info-screen");
  std::vector<uint8_t> image(0x8000, 0x00);
  const uint8_t entry[] = {0x00, 0xC3, 0x50, 0x01};  // nop; jp 0x0150, over the logo
  std::copy(entry, entry + 4, image.begin() + 0x100);
  image[0x0150] = 0x18;  // jr -2: stay here
  image[0x0151] = 0xFE;
  const char title[] = "FIELD TEST";
  std::copy(title, title + 10, image.begin() + 0x134);
  image[0x0147] = 0x03;  // MBC1 with RAM and battery
  image[0x0148] = 0x02;  // 128 KiB: banks 0 to 7
  image[0x0149] = 0x03;  // 32 KiB of cartridge RAM
  GiveValidHeader(image);
  WriteFileBytes(dir + "/fields.gb", image);
  BackgroundRun run = StartPellix({"fields.gb"}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << "no window; the program said: " << ReadErrors(run);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(CaptureWindow(x, window, dir + "/info.png"));
  HoldKey(x, window, "Return", 0.1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  HoldKey(x, window, "Escape");
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "Enter, then Escape, ends the run";
  EXPECT_EQ(code, 0) << ReadErrors(run);

  RgbImage shot;
  std::string error;
  ASSERT_TRUE(ReadPng(dir + "/info.png", shot, error)) << error;
  ASSERT_EQ(shot.width, 320);
  ASSERT_EQ(shot.height, 288);
  const char* const expected[18] = {"Cartridge Info", "CART_MAPPER:01", "CART_ROMSIZE:02", "CART_RAMSIZE:03", "",
                                    "Title: FIELD TEST", "MBC1 + RAM + battery", "", "", "", "MAX_BANK:07", "",
                                    "Enter: play   Esc: quit", "", "", "96 KiB of the 128 KiB the header",
                                    "announces are missing (they read as", "0xFF)"};
  for (int row = 0; row < 18; row++) EXPECT_EQ(WindowRow(shot, row, 1), expected[row]) << "row " << row;
}

// --no-info, or info = no in the configuration file, goes straight into
// the game: the run ends after its frames without a key.
TEST(ShellWindow, NoInfoGoesStraightIntoTheGame) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("no-info");
  const std::string config = dir + "/config";
  std::filesystem::create_directories(config + "/pellix");
  const std::string text = "[video]\ninfo = no\n";
  WriteFileBytes(config + "/pellix/pellix.cfg", std::vector<uint8_t>(text.begin(), text.end()));
  std::map<std::string, std::string> configured = x.env();
  configured["XDG_CONFIG_HOME"] = config;
  for (const bool by_option : {true, false}) {
    SCOPED_TRACE(by_option ? "--no-info" : "info = no");
    std::vector<std::string> args = {"--frames", "60", LdRom};
    if (by_option) args.insert(args.begin(), "--no-info");
    BackgroundRun run = StartPellix(args, dir, by_option ? x.env() : configured);
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code)) << "60 frames take one second; " << DescribeRun(run, x);
    EXPECT_EQ(code, 0) << ReadErrors(run);
  }
}

// 300 frames at the console's 59.73 Hz take 5.02 s; a run that is not held
// to real time would take a fraction of that.
TEST(ShellWindow, WindowedRunIsHeldToRealTime) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("pacing");
  BackgroundRun run = StartPellix({"--frames", "300", LdRom}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << "no window; the program said: " << ReadErrors(run);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
  const auto enter = std::chrono::steady_clock::now();
  HoldKey(x, window, "Return", 0.1);
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 30, code));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - enter).count();
  EXPECT_EQ(code, 0) << ReadErrors(run);
  EXPECT_GE(seconds, 4.5) << "300 frames must take about 5 s";
  EXPECT_LT(seconds, 15.0);
}

// Without a ROM path the file selector opens; cancelling it ends the run
// with 0 and leaves no files.
// It lists cartridges, plain, gzipped or zipped, and no other files.
// SIGTERM ends it too.
TEST(ShellWindow, CancelledFileSelectorEndsWithZero) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("selector-cancel");
  for (const char* name : {"plain.gb", "colour.gbc", "packed.gb.gz", "packed.gbc.gz", "set.zip", "notes.txt"})
    WriteFileBytes(dir + "/" + name, {0});
  BackgroundRun run = StartPellix({}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the file selector is drawn";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(CaptureWindow(x, window, dir + "/selector.png"));
  RgbImage shot;
  std::string error;
  ASSERT_TRUE(ReadPng(dir + "/selector.png", shot, error)) << error;
  for (const char* name : {"plain.gb", "colour.gbc", "packed.gb.gz", "packed.gbc.gz", "set.zip"})
    EXPECT_TRUE(ShowsDarkText(shot, name)) << name << " is listed; " << dir << "/selector.png";
  EXPECT_FALSE(ShowsDarkText(shot, "notes.txt"));
  int code = -1;
  bool ended = false;
  for (int attempt = 0; attempt < 10 && !ended; attempt++) {  // until the dialog takes the key
    HoldKey(x, window, "Escape", 0.1);
    ended = WaitForExit(run, 1.0, code, true);
  }
  ASSERT_TRUE(ended || WaitForExit(run, 5, code)) << "Escape cancels the selector";
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(FileExists(dir + "/vram.bin"));
  EXPECT_FALSE(FileExists(dir + "/Trace.Log"));

  // SIGTERM ends the program in the selector as Escape does.
  run = StartPellix({}, dir, x.env());
  ASSERT_TRUE(WaitForPicture(x, FindWindow(x, 20), 20)) << "the file selector is drawn";
  kill(run.pid, SIGTERM);
  ASSERT_TRUE(WaitForExit(run, 10, code)) << "SIGTERM ends the run in the file selector";
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(FileExists(dir + "/vram.bin"));
}

// The selector loads what the user types into it.
TEST(ShellWindow, FileSelectorLoadsTheChosenFile) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("selector-choose");
  WriteFileBytes(dir + "/chosen.gb", ReadFileBytes(LdRom));
  BackgroundRun run = StartPellix({"--frames", "10"}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the file selector is drawn";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  RunCommand({"xdotool", "windowfocus", "--sync", window}, dir, 5, x.env());
  RunCommand({"xdotool", "key", "--repeat", "120", "BackSpace"}, dir, 20, x.env());
  RunCommand({"xdotool", "type", dir + "/chosen.gb"}, dir, 20, x.env());
  HoldKey(x, window, "Return", 0.1);
  int code = -1;
  bool ended = false;
  for (int attempt = 0; attempt < 20 && !ended; attempt++) {  // Enter leaves the information screen
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    HoldKey(x, window, "Return", 0.2);
    ended = WaitForExit(run, 1.0, code, true);
  }
  ASSERT_TRUE(ended || WaitForExit(run, 10, code)) << "ten frames, then the end";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192);
}
