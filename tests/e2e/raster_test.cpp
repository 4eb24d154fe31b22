// Registers written while lines are drawn, through our own cartridges: the
// pictures follow from when each write lands. A write 40 machine cycles
// after a line's mode 2 request lands at dot 160; the drawing starts at dot
// 85 and puts out its first pixel 12 dots later, one a dot.
#include <gtest/gtest.h>

#include <string>

#include "support/png.h"
#include "support/run.h"

namespace {

// Shade 0 (lightest) to 3 of each pixel of the program's greens, from the
// screenshot after ten frames.
std::vector<std::vector<int>> Shades(const std::string& cartridge) {
  const std::string dir = MakeTempDir("raster-" + cartridge);
  const RunResult r =
      RunPellix({"--headless", "--frames", "10", "--screenshot", "shot.png", TestRomPath(cartridge)}, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(dir + "/shot.png", image, error)) << error;
  std::vector<std::vector<int>> shades(144, std::vector<int>(160, -1));
  for (int y = 0; y < image.height && y < 144; y++) {
    for (int x = 0; x < image.width && x < 160; x++) {
      const int green = (image.at(x, y) >> 8) & 0xFF;
      shades[y][x] = green > 220 ? 0 : green > 150 ? 1 : green > 90 ? 2 : 3;
    }
  }
  return shades;
}

// The first pixel of each line that is not as expected.
void ExpectPicture(const std::vector<std::vector<int>>& shades, int (*expected)(int x, int y), const char* what) {
  for (int y = 0; y < 144; y++) {
    for (int x = 0; x < 160; x++) {
      if (shades[y][x] == expected(x, y)) continue;
      ADD_FAILURE() << what << ": line " << y << " x " << x << " has shade " << shades[y][x];
      break;
    }
  }
}

}  // namespace

// BGP is applied as the pixels leave: the 63 put out before the write
// keep the old shade.
TEST(Raster, PaletteWrittenMidLineChangesThePixelsAfterTheWrite) {
  ExpectPicture(Shades("palette_midline"), [](int x, int) { return x < 63 ? 3 : 0; }, "BGP from dark to light");
}

// The fetcher reads each tile 6 dots before its first pixel leaves, and the
// window's start holds the queue 6 dots: by dot 166 the pixels up to 62 are
// due, so the window's tile of pixels 56-63 is fetched and the background
// follows from x = 64.
TEST(Raster, WindowSwitchedOffMidLineEndsWithTheTileFetched) {
  ExpectPicture(Shades("window_midline"), [](int x, int) { return x < 64 ? 3 : 0; }, "window, then background");
}

// The LY = LYC request comes as line 72 starts and its handler's write
// lands before the line is drawn: the sprites show on lines 0-71 only.
TEST(Raster, SpritesSwitchedOffByAnLyLycHandlerFromItsLine) {
  ExpectPicture(Shades("sprites_lyc"), [](int x, int y) { return y < 72 && x >= 80 && x < 88 ? 3 : 0; },
                "sprite column");
}
