#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

// A background of colour 1 (tile 1 everywhere in the 0x9800 map, already in
// the background picture) and a window map at 0x9C00 of tile 2, colour 3.
// LCD on, window on, unsigned tile data.
void SetUpWindowScene() {
  ResetTestMachine();
  LCDC = 0xB1;
  for (int i = 0; i < 0x400; i++) {
    VideoRam[0x1800 + i] = 1;
    VideoRam[0x1C00 + i] = 2;
  }
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 3);
  RefreshTileCache();
  RenderAllRows();
}

}  // namespace

TEST(Window, PlacedAtWxMinus7AndWy) {
  SetUpWindowScene();
  WX = 7 + 40;
  WY = 16;
  FinishFrame();
  EXPECT_EQ(Pixel(40, 16), Shade3) << "top-left corner of the window";
  EXPECT_EQ(Pixel(39, 16), Shade1) << "background left of the window";
  EXPECT_EQ(Pixel(40, 15), Shade1) << "background above the window";
  EXPECT_EQ(Pixel(159, 143), Shade3) << "the window covers the rest of the picture";
  EXPECT_EQ(Pixel(40 + 159, 16 + 143), Shade3) << "drawn whole beyond the picture area";
  EXPECT_EQ(Pixel(40 + 160, 16), 0) << "the window is 160 pixels wide";
}

TEST(Window, WxBelow7CutsTheLeftColumns) {
  SetUpWindowScene();
  const char* rows[8] = {"01230123", "01230123", "01230123", "01230123",
                         "01230123", "01230123", "01230123", "01230123"};
  PutTile(0, 2, rows);
  WX = 3;  // window starts at x = -4
  WY = 0;
  FinishFrame();
  EXPECT_EQ(Pixel(0, 0), Shade0) << "x = 0 is window column 4 (colour 0, drawn opaque)";
  EXPECT_EQ(Pixel(1, 0), Shade1) << "x = 1 is window column 5";
  EXPECT_EQ(Pixel(3, 5), Shade3) << "x = 3 is window column 7";
  EXPECT_EQ(Pixel(155, 0), Shade3) << "x = 155 is column 159 of the window, its last";
  EXPECT_EQ(Pixel(156, 0), Shade1) << "background right of the window";
}

TEST(Window, NotDrawnWhenOffOrPlacedRightOfThePicture) {
  struct Case {
    uint8_t lcdc, wx;
    const char* what;
  } cases[] = {{0xB1, 151, "WX = 151"}, {0xB1, 255, "WX = 255"}, {0x91, 7, "LCDC bit 5 clear"},
               {0x31, 7, "LCD off"}};
  for (const Case& c : cases) {
    SetUpWindowScene();
    LCDC = c.lcdc;
    WX = c.wx;
    WY = 0;
    FinishFrame();
    EXPECT_NE(Pixel(0, 0), Shade3) << c.what << ": no window at (0, 0)";
    EXPECT_NE(Pixel(159, 143), Shade3) << c.what;
    EXPECT_EQ(Pixel(200, 100), 0) << c.what << ": not even outside the picture";
  }
}

TEST(Window, Wx150ShowsOneColumn) {
  SetUpWindowScene();
  WX = 150;
  WY = 0;
  FinishFrame();
  EXPECT_EQ(Pixel(143, 0), Shade3);
  EXPECT_EQ(Pixel(142, 0), Shade1);
}

TEST(Window, WyBelowThePictureLeavesThePictureAlone) {
  SetUpWindowScene();
  WX = 7;
  WY = 144;
  FinishFrame();
  for (int y = 0; y < 144; y += 11)
    for (int x = 0; x < 160; x += 13) ASSERT_EQ(Pixel(x, y), Shade1) << "(" << x << ", " << y << ")";
  EXPECT_EQ(Pixel(0, 144), Shade3) << "the window lies below the picture";
}

TEST(Window, MapComesFromTheBankVbkSelects) {
  SetUpWindowScene();
  for (int i = 0; i < 0x400; i++) VideoRam[0x2000 + 0x1C00 + i] = 3;
  PutSolidTile(0, 3, 2);
  RefreshTileCache();
  IoWrite(0xFF4F, 1);
  WX = 7;
  WY = 0;
  FinishFrame();
  EXPECT_EQ(Pixel(0, 0), Shade2) << "tile 3 from the bank 1 map at 0x9C00";
}

TEST(Window, IgnoresTheMapSelectBitAndUsesSignedTileData) {
  SetUpWindowScene();
  LCDC = 0xA1 & ~0x10;  // window on, LCDC bit 6 clear, signed tile data
  VideoRam[0x1C00] = 0x7F;
  PutSolidTile(0, 383, 2);
  RefreshTileCache();
  WX = 7;
  WY = 0;
  FinishFrame();
  EXPECT_EQ(Pixel(0, 0), Shade2) << "map byte 0x7F of the 0x9C00 map -> tile at 0x97F0";
}
