// The window layer of composed lines: placement, its own line counter, maps.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

// A background of colour 1 (tile 1 everywhere in the 0x9800 map) and a
// window map at 0x9C00 of tile 2, colour 3. LCD on, window on with its map
// at 0x9C00, unsigned tile data.
void SetUpWindowScene() {
  ResetTestMachine();
  SetUpPicture(0xF1);
  for (int i = 0; i < 0x400; i++) {
    m.mem.video_ram[0x1800 + i] = 1;
    m.mem.video_ram[0x1C00 + i] = 2;
  }
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 3);
}

}  // namespace

TEST(Window, PlacedAtWxMinus7FromLineWy) {
  SetUpWindowScene();
  m.lcd.WX = 7 + 40;
  m.lcd.WY = 16;
  ComposeFrame();
  EXPECT_EQ(Pixel(40, 16), Shade3) << "top-left corner of the window";
  EXPECT_EQ(Pixel(39, 16), Shade1) << "background left of the window";
  EXPECT_EQ(Pixel(40, 15), Shade1) << "background above the window";
  EXPECT_EQ(Pixel(159, 143), Shade3) << "the window covers the rest of the picture";
}

TEST(Window, WxBelow7CutsTheLeftColumns) {
  SetUpWindowScene();
  const char* rows[8] = {"01230123", "01230123", "01230123", "01230123",
                         "01230123", "01230123", "01230123", "01230123"};
  PutTile(0, 2, rows);
  m.lcd.WX = 3;  // window starts at x = -4
  m.lcd.WY = 0;
  ComposeFrame();
  EXPECT_EQ(Pixel(0, 0), Shade0) << "x = 0 is window column 4 (colour 0, drawn opaque)";
  EXPECT_EQ(Pixel(1, 0), Shade1) << "x = 1 is window column 5";
  EXPECT_EQ(Pixel(3, 5), Shade3) << "x = 3 is window column 7";
  EXPECT_EQ(Pixel(159, 0), Shade3) << "the window reaches the right edge";
}

TEST(Window, ShownUpToWx166AndNotWhenOff) {
  struct Case {
    uint8_t lcdc, wx;
    bool shown;
    const char* what;
  } cases[] = {{0xF1, 166, true, "WX = 166"}, {0xF1, 167, false, "WX = 167"}, {0xF1, 255, false, "WX = 255"},
               {0xD1, 7, false, "LCDC bit 5 clear"}};
  for (const Case& c : cases) {
    SetUpWindowScene();
    m.lcd.LCDC = c.lcdc;
    m.lcd.WX = c.wx;
    m.lcd.WY = 0;
    ComposeFrame();
    EXPECT_EQ(Pixel(159, 0), c.shown ? Shade3 : Shade1) << c.what;
    EXPECT_EQ(Pixel(158, 143), Shade1) << c.what << ": the window starts at WX - 7";
    EXPECT_EQ(m.renderer.window_line, c.shown ? 144 : 0) << c.what << ": lines drawn with the window";
  }
}

// Lines on which the window is not drawn do not count: when it shows again
// it goes on with its next row. It also needs LY to meet WY during the
// frame: a WY set below the current line waits for the next frame.
TEST(Window, LineCounterCountsOnlyTheLinesThatShowedIt) {
  SetUpWindowScene();
  PutDiagonalTile(0, 2, 3);
  m.lcd.WX = 7;
  m.lcd.WY = 10;
  StartPicture(m);
  for (int line = 0; line < ScreenHeight; line++) {
    if (line == 30) m.lcd.LCDC &= ~0x20;  // hidden for lines 30..49
    if (line == 50) m.lcd.LCDC |= 0x20;
    if (line == 70) m.lcd.WX = 200;       // and for lines 70..79
    if (line == 80) m.lcd.WX = 7;
    ComposeLine(m, line);
  }
  auto row_shown = [](int line) {
    for (int x = 0; x < 8; x++)
      if (Pixel(x, line) == Shade3) return x;
    return -1;
  };
  EXPECT_EQ(row_shown(9), -1) << "above WY";
  EXPECT_EQ(row_shown(10), 0);
  EXPECT_EQ(row_shown(29), 19 % 8);
  EXPECT_EQ(row_shown(30), -1);
  EXPECT_EQ(row_shown(50), 20 % 8) << "window row 20 follows row 19";
  EXPECT_EQ(row_shown(69), 39 % 8);
  EXPECT_EQ(row_shown(80), 40 % 8);
  EXPECT_EQ(m.renderer.window_line, 144 - 10 - 20 - 10);

  m.lcd.WY = 100;
  StartPicture(m);
  for (int line = 0; line < 20; line++) ComposeLine(m, line);
  m.lcd.WY = 5;  // already passed
  for (int line = 20; line < ScreenHeight; line++) ComposeLine(m, line);
  EXPECT_EQ(row_shown(30), -1) << "LY never met WY in this frame";
}

TEST(Window, MapChosenByLcdcBit6AndReadFromBank0) {
  SetUpWindowScene();
  for (int i = 0; i < 0x400; i++) m.mem.video_ram[0x2000 + 0x1C00 + i] = 3;  // bank 1: never read as a map
  PutSolidTile(0, 3, 2);
  IoWrite(m, 0xFF4F, 1);
  m.lcd.WX = 7;
  m.lcd.WY = 0;
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade3) << "tile 2 from the bank 0 map at 0x9C00";
  m.lcd.LCDC = 0xB1;  // window map at 0x9800
  ComposeLine(m, 1);
  EXPECT_EQ(Pixel(0, 1), Shade1) << "tile 1 from the map at 0x9800";
}

TEST(Window, UsesSignedTileDataLikeTheBackground) {
  SetUpWindowScene();
  m.lcd.LCDC = 0xE1;  // tile data bit clear
  m.mem.video_ram[0x1C00] = 0x7F;
  PutSolidTile(0, 383, 2);
  m.lcd.WX = 7;
  m.lcd.WY = 0;
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade2) << "map byte 0x7F -> tile at 0x97F0";
}
