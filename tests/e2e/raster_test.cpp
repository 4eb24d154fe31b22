// Registers written while lines are drawn, through our own cartridges: the
// pictures follow from when each write lands. A write N machine cycles
// after a line's mode 2 request lands at dot 4N; the drawing starts at dot
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

// The window starts at the left edge and holds the queue 6 dots: pixel x
// leaves at dot 85 + 12 + 6 + x. The fetcher reads each tile 6 dots before
// its first pixel leaves, so LCDC at dot 160 ends the window after its tile
// of pixels 56-63 (pixel 64's tile would be read at dot 161): the background
// follows. BGP applies as pixels leave: at dot 176 the 73 put out keep it.
TEST(Raster, WindowOffAndPaletteWrittenMidLineReachTheTilesAndPixelsAfterThem) {
  ExpectPicture(Shades("midline_writes"), [](int x, int) { return x < 64 ? 3 : x < 73 ? 1 : 2; },
                "window, background in the old shades, background in the new");
}

// The LY = LYC request comes as line 72 starts and its handler's write
// lands before the line is drawn: the sprites show on lines 0-71 only.
TEST(Raster, SpritesSwitchedOffByAnLyLycHandlerFromItsLine) {
  ExpectPicture(Shades("sprites_lyc"), [](int x, int y) { return y < 72 && x >= 80 && x < 88 ? 3 : 0; },
                "sprite column");
}
