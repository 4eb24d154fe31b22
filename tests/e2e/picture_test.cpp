// The picture as a user sees it: screenshots of real games compared with
// reference pictures that were checked by eye, and the window itself.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

const char* const Title = "PELLIX Build 090113 - By: Brannoch";
const std::string Unbricked = RomPath("homebrew/unbricked.gb");
const std::string Geometrix = RomPath("homebrew/geometrix.gbc");

RgbImage LoadPicture(const std::string& path) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// Runs the game headless for a number of frames and compares the screenshot
// with the reference pixel for pixel.
void ExpectHeadlessPicture(const std::string& rom, const std::string& frames, const std::string& reference) {
  const std::string dir = MakeTempDir("picture-" + reference);
  RunResult r = RunPellix({"--headless", "--frames", frames, "--screenshot", "shot.png", rom}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const RgbImage shot = LoadPicture(dir + "/shot.png");
  const RgbImage expected = LoadPicture(TestDataPath("e2e/reference/" + reference));
  EXPECT_EQ(ComparePictures(expected, shot), "") << "screenshot " << dir << "/shot.png against reference " << reference;
}

}  // namespace

// The playfield: a border, six rows of bricks, the paddle near the bottom
// left and the logo to the right, in the four greens.
TEST(Picture, UnbrickedPlayfieldAfter300Frames) { ExpectHeadlessPicture(Unbricked, "300", "unbricked.png"); }

// The title menu: the logo with a sparkle sprite over it, the game modes with
// the cursor at "Clear Screen", high scores, credits and the author's line.
TEST(Picture, GeometrixTitleMenuAfter300Frames) { ExpectHeadlessPicture(Geometrix, "300", "geometrix.png"); }

TEST(Picture, UnwritableScreenshotIsReportedWithExitCode1) {
  const std::string dir = MakeTempDir("picture-unwritable");
  RunResult r = RunPellix({"--headless", "--frames", "5", "--screenshot", dir + "/missing/shot.png", Unbricked}, dir);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("shot.png"), std::string::npos) << "the message names the file: " << r.err;
}

// The window shows the picture doubled. The unbricked playfield stands still
// from its fifth frame on, so the window can be photographed at any moment
// after the start. The same windowed run's own screenshot equals the headless
// one exactly.
TEST(PictureWindow, WindowShowsTheHeadlessPictureDoubled) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("picture-window");
  BackgroundRun run = StartPellix({"--frames", "240", "--screenshot", "shot.png", Unbricked}, dir, x.env());
  const std::string window = FindWindow(x, Title, 20);
  ASSERT_FALSE(window.empty()) << "no window; the program said: " << ReadErrors(run);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  HoldKey(x, window, "Return", 0.2);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // about 90 frames
  ASSERT_TRUE(CaptureWindow(x, window, dir + "/window.png"));
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 30, code)) << "240 frames take about 4 s";
  ASSERT_EQ(code, 0) << ReadErrors(run);

  const RgbImage expected = LoadPicture(TestDataPath("e2e/reference/unbricked.png"));
  const RgbImage window_shot = LoadPicture(dir + "/window.png");
  // The X server widens the 16-bit pixels in its own way (green 62 of 63
  // becomes 250 there, 251 in the PNG file), so the two are compared as the
  // 16-bit pixels they show.
  EXPECT_EQ(ComparePictures(CutTo565(ScaleUp(expected, 2)), CutTo565(window_shot)), "")
      << "window " << dir << "/window.png against the reference doubled";
  EXPECT_EQ(ComparePictures(expected, LoadPicture(dir + "/shot.png")), "")
      << "the windowed run's screenshot against the headless reference";
}
