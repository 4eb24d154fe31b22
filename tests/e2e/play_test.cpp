// The player's controls in a real window: pause, fast-forward, reset,
// screenshots, full screen, window size, the close button and keys of
// one's own. The cartridge scroll_on_a shows a picture that moves only while
// A is held, so every picture can be photographed at leisure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/png.h"
#include "support/run.h"
#include "support/window_session.h"
#include "support/xvfb.h"

bool SendCloseRequest(const std::string& display, const std::string& window);  // window_close.cpp

namespace {

constexpr uint32_t White = 0xFFFFFF;  // the "Paused" note's text; the picture's greens never are

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Processor time (user and system, all threads) the process has used.
double ProcessorSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  long user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; i++) {
    if (i == 14) user = std::stol(field);
    if (i == 15) system = std::stol(field);
  }
  return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class PlayWindow : public WindowSession {
 protected:
  // Starts the cartridge in a window and presses Enter on the information
  // screen; the picture then stands at its first state.
  void StartPlaying(const std::string& name, std::vector<std::string> args,
                    const std::map<std::string, std::string>& extra_env = {}) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    dir = MakeTempDir("play-" + name);
    args.push_back(TestRomPath("scroll_on_a"));
    std::map<std::string, std::string> env = x.env();
    env.insert(extra_env.begin(), extra_env.end());
    run = StartPellix(args, dir, env);
    window = FindWindow(x, 20);
    ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
    // In full screen the picture is in a window of its own over the root,
    // which takes the keys without focus.
    shown = std::find(args.begin(), args.end(), "--fullscreen") != args.end() ? "root" : window;
    ASSERT_TRUE(WaitForPicture(x, shown, 20)) << "the information screen is drawn";
    Press("Return");
    Sleep(0.5);
  }
  // Ends the run and checks that it ended as a normal run does.
  void ExpectCleanExit() {
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code)) << "the run must end";
    EXPECT_EQ(code, 0) << ReadErrors(run);
    EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192) << "the files of the exit are written";
  }
};

}  // namespace

// P holds the machine even with A held down; the window keeps the picture
// with a note that never reaches a screenshot; P again lets it run on;
// Escape quits while paused.
TEST_F(PlayWindow, PauseHoldsTheMachineUntilPausedAgain) {
  ASSERT_NO_FATAL_FAILURE(StartPlaying("pause", {}));
  KeyDown("x");  // A: the picture moves every frame
  Sleep(0.3);
  Press("p");
  Sleep(0.3);
  const RgbImage first = Capture("paused-1.png");
  const double before = ProcessorSeconds(run.pid);
  Sleep(1.0);
  const double used = ProcessorSeconds(run.pid) - before;
  const RgbImage second = Capture("paused-2.png");
  EXPECT_EQ(ComparePictures(first, second), "") << "nothing moves while paused, A held or not";
  EXPECT_LT(used, 0.15) << "a paused run sleeps; it used " << used << " s of processor time in a second";
  EXPECT_TRUE(HasColour(first, White)) << "the window shows the \"Paused\" note";

  Press("F12");  // the screenshot is the picture without the note
  Sleep(0.3);
  const RgbImage shot = Load("pellix-scroll_on_a-1.png");
  ASSERT_EQ(shot.width, 160);
  ASSERT_EQ(shot.height, 144);
  EXPECT_FALSE(HasColour(shot, White)) << "no note in the screenshot";

  Press("p");
  Sleep(0.5);
  const RgbImage running = Capture("running.png");
  EXPECT_NE(ComparePictures(second, running), "") << "the picture moves again";
  EXPECT_EQ(ReadText(running, 4, 4, 10), "Screenshot") << "\"Paused\" is gone; F12's note stays its while";
  KeyUp("x");

  Press("p");
  Sleep(0.3);
  Press("Escape");
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());
}

// F12 says in the window which file it wrote, Tab held shows ">>" while
// it runs fast, - and M say the volume: all in the window's top-left
// corner, none in the screenshots.
TEST_F(PlayWindow, NotesSayWhatTheScreenshotFastForwardAndVolumeKeysDo) {
  ASSERT_NO_FATAL_FAILURE(StartPlaying("notes", {"--screenshot", "last.png"}));
  Press("F12");
  Sleep(0.3);
  EXPECT_EQ(ReadText(Capture("screenshot-note.png"), 4, 4, 35), "Screenshot pellix-scroll_on_a-1.png");
  KeyDown("Tab");
  Sleep(0.4);
  const RgbImage fast = Capture("fast-forward.png");
  KeyUp("Tab");
  EXPECT_EQ(ReadText(fast, 4, 4, 2), ">>");
  Press("minus");
  Sleep(0.2);
  EXPECT_EQ(ReadText(Capture("quieter.png"), 4, 4, 10), "Volume 90%");
  Press("m");
  Sleep(0.2);
  EXPECT_EQ(ReadText(Capture("muted.png"), 4, 4, 5), "Muted");
  Press("Escape");
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());
  EXPECT_FALSE(HasColour(Load("pellix-scroll_on_a-1.png"), White)) << "no note in F12's picture";
  EXPECT_FALSE(HasColour(Load("last.png"), White)) << "none in --screenshot's";
}

// Tab held runs the frames without the frame clock: 600 frames take 10 s at
// the console's pace.
TEST_F(PlayWindow, FastForwardRunsSixHundredFramesWellUnderTenSeconds) {
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  dir = MakeTempDir("play-fast-forward");
  run = StartPellix({"--frames", "600", TestRomPath("scroll_on_a")}, dir, x.env());
  window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
  KeyDown("Tab");
  const auto started = std::chrono::steady_clock::now();
  Press("Return");
  int code = -1;
  const bool ended = WaitForExit(run, 20, code);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  KeyUp("Tab");
  ASSERT_TRUE(ended) << "600 frames end the run";
  EXPECT_EQ(code, 0) << ReadErrors(run);
  EXPECT_LT(seconds, 4.0) << "fast-forward must not wait for the frame clock";
}

// F1 brings the cartridge back to its first picture; F12 writes numbered
// PNG files of the console picture; the close button ends the run as Escape
// does, with every file of the exit written.
TEST_F(PlayWindow, ResetScreenshotsAndTheCloseButton) {
  ASSERT_NO_FATAL_FAILURE(StartPlaying("reset", {"--screenshot", "end.png"}));
  const RgbImage first = Capture("first.png");
  Press("x", 0.5);
  Sleep(0.2);
  EXPECT_NE(ComparePictures(first, Capture("moved.png")), "") << "A moves the picture";
  Press("F1");
  Sleep(0.5);
  EXPECT_EQ(ComparePictures(first, Capture("reset.png")), "") << "after F1 the first picture again";

  Press("F12");
  Sleep(0.2);
  Press("F12");
  Sleep(0.3);
  ASSERT_TRUE(SendCloseRequest(x.display(), window));
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());
  EXPECT_FALSE(FileExists(dir + "/Trace.Log")) << "no trace file without a trace";
  const RgbImage end = Load("end.png");
  EXPECT_EQ(ComparePictures(end, Load("pellix-scroll_on_a-1.png")), "") << "F12 writes the console picture";
  EXPECT_EQ(ComparePictures(end, Load("pellix-scroll_on_a-2.png")), "") << "the next free number";
  EXPECT_EQ(ComparePictures(CutTo565(ScaleUp(end, 2)), CutTo565(first)), "") << "the window shows it doubled";
}

// --scale 3 gives a 480x432 window with the picture tripled, also when the
// configuration file asks for another size.
TEST_F(PlayWindow, ScaleThreeGivesA480x432Window) {
  const std::string config = MakeTempDir("play-scale-config") + "/pellix.cfg";
  WriteText(config, "[video]\nscale = 5\n");
  ASSERT_NO_FATAL_FAILURE(StartPlaying("scale", {"--scale", "3", "--config", config, "--screenshot", "end.png"}));
  const RgbImage shown = Capture("window.png");
  Press("Escape");
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());
  EXPECT_EQ(shown.width, 480);
  EXPECT_EQ(shown.height, 432);
  EXPECT_EQ(ComparePictures(CutTo565(ScaleUp(Load("end.png"), 3)), CutTo565(shown)), "");
}

// Full screen on the 1024x768 test screen: the picture five times its size
// (800x720), centred, black around it. F11 goes back to the window.
TEST_F(PlayWindow, FullScreenCentresThePictureScaledToFit) {
  ASSERT_NO_FATAL_FAILURE(StartPlaying("fullscreen", {"--fullscreen", "--screenshot", "end.png"}));
  const RgbImage screen = Capture("screen.png");
  Press("F11");
  Sleep(0.5);
  shown = window;
  const RgbImage windowed = Capture("window.png");
  Press("Escape");
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());

  ASSERT_EQ(screen.width, 1024);
  ASSERT_EQ(screen.height, 768);
  const RgbImage expected = CutTo565(ScaleUp(Load("end.png"), 5));
  const RgbImage shown = CutTo565(screen);
  int wrong = 0;
  for (int y = 0; y < 768; y++) {
    for (int x = 0; x < 1024; x++) {
      const bool inside = x >= 112 && x < 912 && y >= 24 && y < 744;
      wrong += shown.at(x, y) != (inside ? expected.at(x - 112, y - 24) : 0);
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels off the centred picture in " << dir << "/screen.png";
  EXPECT_EQ(windowed.width, 320) << "F11 returns to the window";
  EXPECT_EQ(windowed.height, 288);
}

// The configuration file in its default place moves A to the space bar:
// X no longer moves the picture, space does. A bad value is reported and
// its setting keeps the default; the file is never written.
TEST_F(PlayWindow, ConfiguredKeysReplaceTheDefaults) {
  const std::string home = MakeTempDir("play-keys-config");
  const std::string text = "[keys]\na = SPACE\npause = NOPE\n";
  std::filesystem::create_directories(home + "/pellix");
  WriteText(home + "/pellix/pellix.cfg", text);
  ASSERT_NO_FATAL_FAILURE(StartPlaying("keys", {}, {{"XDG_CONFIG_HOME", home}}));
  const RgbImage first = Capture("first.png");
  Press("x", 0.5);
  Sleep(0.2);
  EXPECT_EQ(ComparePictures(first, Capture("after-x.png")), "") << "X is no longer A";
  Press("space", 0.5);
  Sleep(0.2);
  const RgbImage moved = Capture("after-space.png");
  EXPECT_NE(ComparePictures(first, moved), "") << "space is A";
  Press("p");
  Sleep(0.3);
  EXPECT_TRUE(HasColour(Capture("paused.png"), White)) << "P still pauses";
  Press("Escape");
  ASSERT_NO_FATAL_FAILURE(ExpectCleanExit());
  EXPECT_NE(ReadErrors(run).find("pellix.cfg:3: [keys] pause = NOPE: "), std::string::npos) << ReadErrors(run);
  const std::vector<uint8_t> after = ReadFileBytes(home + "/pellix/pellix.cfg");
  EXPECT_EQ(std::string(after.begin(), after.end()), text) << "the file is only read";
}
