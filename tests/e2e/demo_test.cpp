// The demo cartridge built with the program (build/demo.gb): its self-check
// passes in the test-runner mode, the pad moves its face, and a window shows
// its title.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

const std::string Demo = PELLIX_DEMO_ROM;

RgbImage LoadPicture(const std::string& path) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// Pixels in the rows of the picture that differ from the top-left pixel
// (the background shade).
int MarkedPixels(const RgbImage& image, int first_row, int rows) {
  int marked = 0;
  for (int y = first_row; y < first_row + rows; y++)
    for (int x = 0; x < image.width; x++) marked += image.at(x, y) != image.at(0, 8);
  return marked;
}

}  // namespace

TEST(Demo, SelfCheckPassesInTestMode) {
  const std::string dir = MakeTempDir("demo-test-mode");
  RunResult r = RunPellix({"--test", Demo}, dir, 60);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, Demo + ": passed\n");
  const std::string save = Demo.substr(0, Demo.size() - 3) + ".sav";
  EXPECT_FALSE(FileExists(save)) << "the demo's RAM has no battery: no " << save;
}

// Without buttons the picture stands still once the self-check has drawn
// its result; holding the pad moves the face, and only the face.
TEST(Demo, PadMovesTheFace) {
  const std::string dir = MakeTempDir("demo-pad");
  WriteFileBytes(dir + "/keys.txt", {'7', '0', ' ', 'l', 'e', 'f', 't', '+', 'd', 'o', 'w', 'n', '\n'});
  RunResult still = RunPellix({"--headless", "--frames", "100", "--screenshot-at", "70:still70.png",
                               "--screenshot-at", "100:still100.png", Demo},
                              dir);
  ASSERT_EQ(still.exit_code, 0) << still.err;
  RunResult moved = RunPellix({"--headless", "--frames", "100", "--input", "keys.txt", "--screenshot-at",
                               "100:moved100.png", Demo},
                              dir);
  ASSERT_EQ(moved.exit_code, 0) << moved.err;
  const RgbImage still70 = LoadPicture(dir + "/still70.png");
  const RgbImage still100 = LoadPicture(dir + "/still100.png");
  const RgbImage moved100 = LoadPicture(dir + "/moved100.png");
  EXPECT_EQ(ComparePictures(still70, still100), "") << "nothing moves without buttons";
  EXPECT_GT(MarkedPixels(still70, 16, 16), 200) << "the title is drawn in rows 16-31";
  EXPECT_NE(ComparePictures(still100, moved100), "") << "the face moved down and left";
  EXPECT_EQ(MarkedPixels(still100, 0, 60), MarkedPixels(moved100, 0, 60))
      << "the title and the upper lines stay as they were";
}

// The window shows the title as the headless run draws it, doubled.
TEST(DemoWindow, WindowShowsTheTitle) {
  const std::string dir = MakeTempDir("demo-window");
  RunResult headless = RunPellix({"--headless", "--frames", "120", "--screenshot", "headless.png", Demo}, dir);
  ASSERT_EQ(headless.exit_code, 0) << headless.err;

  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  BackgroundRun run = StartPellix({"--frames", "240", Demo}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << "no window; the program said: " << ReadErrors(run);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  HoldKey(x, window, "Return", 0.2);
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));  // the self-check result is drawn after 60 frames
  ASSERT_TRUE(CaptureWindow(x, window, dir + "/window.png"));
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 30, code)) << "240 frames take about 4 s";
  EXPECT_EQ(code, 0) << ReadErrors(run);

  const RgbImage expected = LoadPicture(dir + "/headless.png");
  EXPECT_GT(MarkedPixels(expected, 16, 16), 200) << "the title is drawn in rows 16-31";
  EXPECT_EQ(ComparePictures(CutTo565(ScaleUp(expected, 2)), CutTo565(LoadPicture(dir + "/window.png"))), "")
      << "window " << dir << "/window.png against the headless picture doubled";
}
