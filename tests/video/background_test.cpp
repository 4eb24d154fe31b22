// The background layer of a composed line: scroll, tile data, maps.
#include <gtest/gtest.h>

#include <vector>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/console.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

// LCD on, background on, unsigned tile data, map at 0x9800, no sprites.
constexpr uint8_t LcdOnTiles8000 = 0x91;

}  // namespace

TEST(BackgroundLine, FineScrollZeroDrawsTwentyWholeTiles) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  for (int c = 0; c < 32; c++) SetMap(0x1800, c, 1, static_cast<uint8_t>(c % 4 + 1));
  for (int t = 1; t <= 4; t++) PutSolidTile(0, t, t - 1);
  ComposeLine(m, 10);
  const uint16_t shades[4] = {Shade0, Shade1, Shade2, Shade3};
  for (int x = 0; x < 160; x++) ASSERT_EQ(Pixel(x, 10), shades[(x / 8) % 4]) << "x = " << x;
  EXPECT_EQ(Pixel(5, 9), 0) << "only the given line is drawn";
}

// Each line shows map pixel row (line + SCY) mod 256 with SCY as it stands
// when the line is composed, so a change during the frame moves the lines
// below it by exactly the change.
TEST(BackgroundLine, LineShowsMapRowLinePlusScyOfItsMoment) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  for (int row = 0; row < 32; row++) SetMap(0x1800, 0, row, static_cast<uint8_t>(1 + row % 2));
  PutDiagonalTile(0, 1, 3);
  PutDiagonalTile(0, 2, 1);
  auto map_row_of = [](int line) {  // which map pixel row the line shows, from the diagonal
    for (int x = 0; x < 8; x++) {
      if (Pixel(x, line) == Shade3) return x;       // tile 1: even map rows
      if (Pixel(x, line) == Shade1) return 8 + x;  // tile 2: odd map rows
    }
    return -1;
  };
  StartPicture(m);
  m.lcd.SCY = 3;
  ComposeLine(m, 0);
  EXPECT_EQ(map_row_of(0), 3) << "SCY = 3: line 0 shows row 3";
  m.lcd.SCY = 0x2D;  // 45: map row 5, pixel row 5
  ComposeLine(m, 50);
  EXPECT_EQ(map_row_of(50), (50 + 45) % 16) << "line 50 shows map pixel row 95";
  m.lcd.SCY = 250;
  ComposeLine(m, 20);
  EXPECT_EQ(map_row_of(20), (20 + 250 - 256) % 16) << "the map wraps from pixel row 255 to 0";
}

TEST(BackgroundLine, FineScrollSevenShowsOnlyTheLastPixelOfTheFirstTile) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  SetMap(0x1800, 0, 0, 1);
  SetMap(0x1800, 1, 0, 2);
  const char* first[8] = {"00000003", "00000003", "00000003", "00000003",
                          "00000003", "00000003", "00000003", "00000003"};
  PutTile(0, 1, first);
  PutSolidTile(0, 2, 2);
  m.lcd.SCX = 7;
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade3) << "x = 0 is pixel 7 of the first tile";
  for (int x = 1; x <= 8; x++) EXPECT_EQ(Pixel(x, 0), Shade2) << "x = " << x << " belongs to the second tile";
  EXPECT_EQ(Pixel(9, 0), Shade0);
}

TEST(BackgroundLine, ColumnWrapsFrom31ToColumn0OfTheSameRow) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  SetMap(0x1800, 31, 4, 1);
  SetMap(0x1800, 0, 4, 2);
  SetMap(0x1800, 0, 5, 3);  // the next row must not be read
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 2);
  PutSolidTile(0, 3, 3);
  m.lcd.SCX = 248;  // column 31
  m.lcd.SCY = 32;   // row 4
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade1) << "column 31";
  EXPECT_EQ(Pixel(8, 0), Shade2) << "column 0 of row 4";
}

TEST(BackgroundLine, SignedTileDataAndTheSecondMap) {
  ResetTestMachine();
  SetUpPicture(0x89);  // map at 0x9C00, tile data bit clear
  SetMap(0x1C00, 0, 0, 0x7F);
  SetMap(0x1C00, 1, 0, 0x80);
  SetMap(0x1800, 0, 0, 0x80);  // the other map: must not be read
  PutSolidTile(0, 383, 3);     // 0x97F0
  PutSolidTile(0, 128, 2);     // 0x8800
  PutSolidTile(0, 127, 1);     // 0x87F0, must not be used
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade3) << "map byte 0x7F of the 0x9C00 map -> cache index 383";
  EXPECT_EQ(Pixel(8, 0), Shade2) << "map byte 0x80 -> cache index 128";
}

TEST(BackgroundLine, UsesBackgroundPaletteAndTheBank0Map) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  IoWrite(m, 0xFF47, 0x1B);  // reversed
  PutSolidTile(0, 0, 1);
  m.mem.video_ram[0x2000 + 0x1800] = 5;  // bank 1 map byte: ignored
  IoWrite(m, 0xFF4F, 1);
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade2) << "colour 1 through BGP 0x1B is shade 2, from the bank 0 map";
}

// A monochrome cartridge that clears LCDC bit 0 shows background colour 0
// in place of the background and window; a colour cartridge still shows it.
TEST(BackgroundLine, LcdcBit0HidesTheBackgroundOnlyForMonochromeCartridges) {
  for (const bool colour : {false, true}) {
    std::vector<uint8_t> rom(0x8000, 0);
    rom[0x143] = colour ? 0x80 : 0x00;
    ResetTestMachine(rom);
    ASSERT_EQ(m.cart.colour, colour);
    SetUpPicture(0xB0);  // bit 0 clear, window on
    IoWrite(m, 0xFF47, 0xE6);  // colour 0 -> shade 2
    if (colour) UseGreyPalettes();
    PutSolidTile(0, 0, 1);
    ComposeFrame();
    EXPECT_EQ(Pixel(0, 0), colour ? Shade1 : Shade2) << (colour ? "colour" : "monochrome");
    EXPECT_EQ(Pixel(159, 143), colour ? Shade1 : Shade2);
  }
}

// Tiles written during the frame are decoded before the next line uses
// them.
TEST(BackgroundLine, TileDataWrittenDuringTheFrameShowsOnTheNextLine) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade0);
  for (int i = 0; i < 16; i++) BusWrite(m, 0x8000 + i, 0xFF);  // tile 0 all colour 3
  ComposeLine(m, 1);
  EXPECT_EQ(Pixel(0, 1), Shade3) << "the next line sees the new tile";
  EXPECT_EQ(Pixel(0, 0), Shade0) << "lines already drawn stay";
}

// BGP written between two lines: each line shows every colour through the
// palette as it stood when that line was composed, across a row of tiles
// with all four colours in each quarter of a tile.
TEST(BackgroundLine, BgpWrittenDuringTheFrameShowsOnTheNextLine) {
  ResetTestMachine();
  SetUpPicture(LcdOnTiles8000);
  const char* const rows[8] = {"01233210", "01233210", "01233210", "01233210",
                               "01233210", "01233210", "01233210", "01233210"};
  PutTile(0, 0, rows);
  const uint16_t shades[4] = {Shade0, Shade1, Shade2, Shade3};
  const uint8_t palettes[3] = {0xE4, 0x1B, 0x9C};
  for (int line = 0; line < 3; line++) {
    IoWrite(m, 0xFF47, palettes[line]);
    ComposeLine(m, line);
  }
  for (int line = 0; line < 3; line++) {
    for (int x = 0; x < 160; x++) {
      const int n = rows[0][x % 8] - '0';
      ASSERT_EQ(Pixel(x, line), shades[palettes[line] >> (2 * n) & 3]) << "x = " << x << ", line " << line;
    }
  }
}

// A line whose inputs stand still is left as it was drawn; every change
// that reaches a line through the machine must show on it exactly as on a
// picture drawn from scratch. After each change the frame is composed, kept,
// and composed again with every line forced to be drawn.
TEST(BackgroundLine, LinesKeptFromTheLastFrameShowEveryChangeSince) {
  for (const bool colour : {false, true}) {
    std::vector<uint8_t> rom(0x8000, 0);
    rom[0x143] = colour ? 0x80 : 0x00;
    ResetTestMachine(rom);
    SetUpPicture(0x93);  // background, sprites, tiles at 0x8000, map at 0x9800
    const int colours[4] = {0x7FFF, 0x001F, 0x03E0, 0x7C00};  // on a colour cartridge: white, red, green, blue
    for (const int port : {0xFF68, 0xFF6A}) {
      IoWrite(m, port, 0x80);
      for (const int c : colours) {
        IoWrite(m, port + 1, c & 0xFF);
        IoWrite(m, port + 1, c >> 8);
      }
    }
    PutDiagonalTile(0, 1, 3);
    PutSolidTile(0, 2, 2);
    PutSolidTile(0, 3, 1);
    for (int row = 0; row < 32; row++)
      for (int column = 0; column < 32; column += 3) BusWrite(m, 0x9800 + 32 * row + column, 1);
    SetSprite(0, 16 + 20, 8 + 30, 2, 0);
    ComposeFrame();

    const struct {
      const char* what;
      void (*apply)();
    } changes[] = {
        {"nothing", [] {}},
        {"a tile row written", [] { BusWrite(m, 0x8012, 0xFF); }},
        {"a map byte written", [] { BusWrite(m, 0x9800 + 32 * 2 + 1, 3); }},
        {"BGP", [] { IoWrite(m, 0xFF47, 0x1B); }},
        {"SCX", [] { IoWrite(m, 0xFF43, 5); }},
        {"SCY", [] { IoWrite(m, 0xFF42, 9); }},
        {"the window shown", [] { IoWrite(m, 0xFF4A, 40); IoWrite(m, 0xFF4B, 57); IoWrite(m, 0xFF40, 0xB3); }},
        {"WX", [] { IoWrite(m, 0xFF4B, 90); }},
        {"WY: the window a line higher", [] { IoWrite(m, 0xFF4A, 39); }},
        {"the window's map", [] { IoWrite(m, 0xFF40, 0xF3); }},
        {"a map byte of the window's row", [] { BusWrite(m, 0x9C00 + 32 * 1 + 2, 3); }},
        {"a map byte of a line below", [] { BusWrite(m, 0x9800 + 32 * 16 + 7, 2); }},
        {"the sprite moved away", [] { SetSprite(0, 16 + 100, 8 + 30, 2, 0); }},
        {"an attribute in bank 1", [] { IoWrite(m, 0xFF4F, 1); BusWrite(m, 0x9800 + 32 * 3 + 3, 0x21); IoWrite(m, 0xFF4F, 0); }},
        {"a background colour", [] { IoWrite(m, 0xFF68, 0x82); IoWrite(m, 0xFF69, 0xFF); IoWrite(m, 0xFF69, 0x03); }},
        {"the tile data area", [] { IoWrite(m, 0xFF40, 0xE3); }},
        {"the picture blanked", [] { BlankPicture(m); }},
    };
    for (const auto& change : changes) {
      change.apply();
      ComposeFrame();
      std::vector<uint16_t> kept;
      for (int y = 0; y < ScreenHeight; y++)
        for (int x = 0; x < ScreenWidth; x++) kept.push_back(Pixel(x, y));
      PictureChanged(m.renderer);
      ComposeFrame();
      int differing = 0;
      for (int y = 0; y < ScreenHeight; y++)
        for (int x = 0; x < ScreenWidth; x++) differing += Pixel(x, y) != kept[y * ScreenWidth + x];
      EXPECT_EQ(differing, 0) << (colour ? "colour, " : "monochrome, ") << change.what;
    }
  }
}
