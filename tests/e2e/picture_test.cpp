// The picture as a user sees it: screenshots of real games compared with
// reference pictures that were checked by eye, and the window itself.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

const std::string Unbricked = RomPath("homebrew/unbricked.gb");
const std::string Geometrix = RomPath("homebrew/geometrix.gbc");

RgbImage LoadPicture(const std::string& path) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// Runs the game headless for a number of frames and compares the screenshot
// with the reference pixel for pixel. The run plays a copy of the game and
// keeps its save beside it, as a player's run does.
void ExpectHeadlessPicture(const std::string& rom, const std::string& frames, const std::string& reference) {
  const std::string dir = MakeTempDir("picture-" + reference);
  RunResult r =
      RunPellix({"--headless", "--frames", frames, "--screenshot", "shot.png", CopyCartridgeInto(rom, dir)}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const RgbImage shot = LoadPicture(dir + "/shot.png");
  const RgbImage expected = LoadPicture(TestDataPath("e2e/reference/" + reference));
  EXPECT_EQ(ComparePictures(expected, shot), "") << "screenshot " << dir << "/shot.png against reference " << reference;
}

// The brightness rank of every pixel: 0 for the lightest level the picture
// uses, 1 for the next, and so on. Pictures drawn in other colours (the
// program's greens, a reference in greys) compare by their ranks.
std::vector<int> BrightnessRanks(const RgbImage& image) {
  auto brightness = [&](int x, int y) {
    const uint32_t c = image.at(x, y);
    return 299 * (c >> 16) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF);
  };
  std::set<uint32_t, std::greater<uint32_t>> levels;
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++) levels.insert(brightness(x, y));
  std::vector<int> ranks;
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++)
      ranks.push_back(static_cast<int>(std::distance(levels.begin(), levels.find(brightness(x, y)))));
  return ranks;
}

}  // namespace

// A face drawn from the background, the window and sprites, using the
// window's line counter, ten sprites per line, sprite priorities, 8x16
// sprites, both tile data areas and both maps, flips and LCDC switched by
// LY=LYC handlers during the frame. A monochrome cartridge: --colour changes
// nothing, not even the screenshot's pixels.
TEST(Picture, DmgAcid2ShowsTheReferenceFaceAfter60FramesWithAndWithoutColour) {
  const RgbImage expected = LoadPicture(RomPath("acid2/dmg-acid2-reference.png"));
  RgbImage greens;
  for (const bool colour : {false, true}) {
    const std::string dir = MakeTempDir(colour ? "picture-dmg-acid2-colour" : "picture-dmg-acid2");
    std::vector<std::string> args = {"--headless", "--frames", "60", "--screenshot", "shot.png"};
    if (colour) args.push_back("--colour");
    args.push_back(RomPath("acid2/dmg-acid2.gb"));
    RunResult r = RunPellix(args, dir);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const RgbImage shot = LoadPicture(dir + "/shot.png");
    ASSERT_EQ(shot.width, expected.width);
    ASSERT_EQ(shot.height, expected.height);
    const std::vector<int> want = BrightnessRanks(expected), got = BrightnessRanks(shot);
    int differing = 0, first = -1;
    for (size_t i = 0; i < want.size(); i++)
      if (want[i] != got[i] && differing++ == 0) first = static_cast<int>(i);
    EXPECT_EQ(differing, 0) << "first at (" << first % expected.width << ", " << first / expected.width
                            << "), screenshot " << dir << "/shot.png";
    if (colour) EXPECT_EQ(ComparePictures(greens, shot), "") << "the same greens with --colour";
    else greens = shot;
  }
}

namespace {

// Shade 0 (lightest) to 3 of a pixel of the program's greens.
int Shade(const RgbImage& image, int x, int y) {
  const int green = (image.at(x, y) >> 8) & 0xFF;
  return green > 220 ? 0 : green > 150 ? 1 : green > 90 ? 2 : 3;
}

RgbImage RunForPicture(const std::string& cartridge) {
  const std::string dir = MakeTempDir("picture-" + cartridge);
  RunResult r = RunPellix({"--headless", "--frames", "10", "--screenshot", "shot.png", TestRomPath(cartridge)}, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return LoadPicture(dir + "/shot.png");
}

}  // namespace

// The window goes on with its next row after lines that hid it: the first
// eight pixels of each line show the window row drawn there (see
// window_lines.s).
TEST(Picture, WindowLineCounterSkipsTheLinesThatHidIt) {
  const RgbImage shot = RunForPicture("window_lines");
  ASSERT_EQ(shot.width, 160);
  int window_row = 0;
  for (int y = 0; y < 144; y++) {
    const bool hidden = y < 16 || (y >= 40 && y < 60) || (y >= 80 && y < 90);
    for (int x = 0; x < 8; x++) {
      int expected = 0;
      if (!hidden && x == window_row % 8) expected = (window_row / 8) % 2 == 0 ? 3 : 2;
      ASSERT_EQ(Shade(shot, x, y), expected) << "line " << y << ", x " << x << ", window row " << window_row;
    }
    if (!hidden) window_row++;
  }
  EXPECT_EQ(window_row, 144 - 16 - 20 - 10);
}

// See sprite_lines.s for the layout.
TEST(Picture, SpritesTenPerLineLeftmostFirstAndSwitchedOffByAnLycHandler) {
  const RgbImage shot = RunForPicture("sprite_lines");
  ASSERT_EQ(shot.width, 160);
  for (int e = 2; e <= 9; e++) EXPECT_EQ(Shade(shot, 4 + 12 * (e - 2), 10), 3) << "entry " << e << " is drawn";
  EXPECT_EQ(Shade(shot, 100, 10), 0) << "entry 10 is the eleventh on its lines, after two off the picture";
  EXPECT_EQ(Shade(shot, 112, 10), 0) << "entry 11 is the twelfth";
  EXPECT_EQ(Shade(shot, 51, 34), 3) << "the smaller X wins an overlap, though later in OAM";
  EXPECT_EQ(Shade(shot, 55, 34), 1) << "the other sprite outside the overlap";
  EXPECT_EQ(Shade(shot, 83, 34), 3) << "at equal X the earlier entry wins";
  EXPECT_EQ(Shade(shot, 20, 64), 3) << "sprites above line 72 show";
  EXPECT_EQ(Shade(shot, 40, 71), 3);
  EXPECT_EQ(Shade(shot, 40, 72), 0) << "switched off from line 72 by the handler";
  EXPECT_EQ(Shade(shot, 60, 93), 0);
}

// The playfield: a border, six rows of bricks, the paddle near the bottom
// left and the logo to the right, in the four greens.
TEST(Picture, UnbrickedPlayfieldAfter300Frames) { ExpectHeadlessPicture(Unbricked, "300", "unbricked.png"); }

// The title menu: the logo with a sparkle sprite over it, the game modes with
// the cursor at "Clear Screen", high scores, credits and the author's line.
TEST(Picture, GeometrixTitleMenuAfter270Frames) { ExpectHeadlessPicture(Geometrix, "270", "geometrix.png"); }

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
  const std::string window = FindWindow(x, 20);
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
