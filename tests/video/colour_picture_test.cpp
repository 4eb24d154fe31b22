// The colour model's picture: map tile attributes from video RAM bank 1,
// priorities against sprites, palette memory and the true colours.
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

constexpr int Bank = 0x08, FlipX = 0x20, FlipY = 0x40, Priority = 0x80;
constexpr int Behind = 0x80;

// Some 15-bit colours, which the picture holds as they are.
constexpr int Red = 0x001F, Green = 0x03E0, Blue = 0x7C00, White = 0x7FFF;
constexpr uint16_t RedPixel = Red, GreenPixel = Green, BluePixel = Blue, WhitePixel = White;
constexpr int Mixed = 1 | 2 << 5 | 3 << 10;  // red 1, green 2, blue 3
constexpr uint16_t MixedPixel = Mixed;
constexpr int DarkGreen = 17 << 5;
constexpr uint16_t DarkGreenPixel = DarkGreen;

// Colour n of background (or sprite) palette p through the data port with
// auto-increment.
void SetColour(bool sprites, int palette, int n, int colour) {
  const int port = sprites ? 0xFF6A : 0xFF68;
  IoWrite(m, port, 0x80 | (palette * 8 + n * 2));
  IoWrite(m, port + 1, colour & 0xFF);
  IoWrite(m, port + 1, colour >> 8);
}

// A colour cartridge (or a monochrome one); LCD, background and sprites on,
// tiles at 0x8000; with `greys`, palette 0 shows the shades.
void SetUpCartridge(bool colour, uint8_t lcdc = 0x93, bool greys = true) {
  std::vector<uint8_t> rom(0x8000, 0);
  rom[0x143] = colour ? 0x80 : 0x00;
  ResetTestMachine(rom);
  SetUpPicture(lcdc);
  if (colour && greys) UseGreyPalettes();
}

void SetAttributes(int base, int column, int row, uint8_t attributes) {
  m.mem.video_ram[0x2000 + base + 32 * row + column] = attributes;
}

// Colour 3 in the top-left pixel, 2 in the top-right, 1 in the bottom-left,
// 0 elsewhere: each flip moves them somewhere else.
void PutCornerTile(int bank, int tile) {
  const char* rows[8] = {"30000002", "00000000", "00000000", "00000000",
                         "00000000", "00000000", "00000000", "10000000"};
  PutTile(bank, tile, rows);
}

}  // namespace

// Map column c shows tile 1 with the attributes of column c: none, bank 1,
// and the three flips. The window takes the same attributes from its own
// map. A monochrome cartridge ignores bank 1 altogether.
TEST(TileAttributes, BankAndFlipsForBackgroundAndWindowOnColourCartridgesOnly) {
  for (const bool colour : {true, false}) {
    SCOPED_TRACE(colour ? "colour cartridge" : "monochrome cartridge");
    SetUpCartridge(colour, 0xF1);  // window on, map at 0x9C00
    PutCornerTile(0, 1);
    PutSolidTile(1, 1, 2);
    const uint8_t attributes[5] = {0, Bank, FlipX, FlipY, FlipX | FlipY};
    for (int c = 0; c < 5; c++) {
      SetMap(0x1800, c, 0, 1);
      SetAttributes(0x1800, c, 0, attributes[c]);
      SetMap(0x1C00, c, 0, 1);
      SetAttributes(0x1C00, c, 0, attributes[c]);
    }
    m.lcd.WX = 7;
    m.lcd.WY = 8;
    ComposeFrame();
    for (const int y0 : {0, 8}) {
      const char* layer = y0 == 0 ? "background" : "window";
      EXPECT_EQ(Pixel(0, y0), Shade3) << layer << ": no attributes";
      EXPECT_EQ(Pixel(7, y0 + 7), Shade0) << layer;
      EXPECT_EQ(Pixel(9, y0 + 3), colour ? Shade2 : Shade0) << layer << ": bank 1";
      EXPECT_EQ(Pixel(16, y0), colour ? Shade2 : Shade3) << layer << ": horizontal flip";
      EXPECT_EQ(Pixel(23, y0), colour ? Shade3 : Shade2) << layer;
      EXPECT_EQ(Pixel(23, y0 + 7), colour ? Shade1 : Shade0) << layer;
      EXPECT_EQ(Pixel(24, y0 + 7), colour ? Shade3 : Shade1) << layer << ": vertical flip";
      EXPECT_EQ(Pixel(31, y0 + 7), colour ? Shade2 : Shade0) << layer;
      EXPECT_EQ(Pixel(24, y0), colour ? Shade1 : Shade3) << layer;
      EXPECT_EQ(Pixel(39, y0 + 7), colour ? Shade3 : Shade0) << layer << ": both flips";
      EXPECT_EQ(Pixel(32, y0 + 7), colour ? Shade2 : Shade1) << layer;
      EXPECT_EQ(Pixel(39, y0), colour ? Shade1 : Shade2) << layer;
    }
  }
}

// Cut tiles at both edges of a scrolled line keep their flips: the first
// shows the pixels right of the scroll, read backwards.
TEST(TileAttributes, FlippedTilesCutByTheScroll) {
  SetUpCartridge(true);
  const char* rows[8] = {"01230000", "00000000", "00000000", "00000000",
                         "00000000", "00000000", "00000000", "00000000"};
  PutTile(0, 1, rows);
  for (int c = 0; c < 32; c++) {
    SetMap(0x1800, c, 0, 1);
    SetAttributes(0x1800, c, 0, FlipX);
  }
  m.lcd.SCX = 5;  // x = 0 shows pixel 5 of the flipped tile, which is pixel 2
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade2);
  EXPECT_EQ(Pixel(1, 0), Shade1);
  EXPECT_EQ(Pixel(2, 0), Shade0);
  EXPECT_EQ(Pixel(3, 0), Shade0) << "the next tile starts at x = 3";
  EXPECT_EQ(Pixel(7, 0), Shade3);
  EXPECT_EQ(Pixel(159, 0), Shade3) << "the last tile shows its first five flipped pixels, 0 0 0 0 3";
  EXPECT_EQ(Pixel(155, 0), Shade0);
  EXPECT_EQ(Pixel(153, 0), Shade1) << "the tile before it ends 3, 2, 1, 0";
  EXPECT_EQ(Pixel(154, 0), Shade0);
}

// Background tiles: colour 0 in column 0, colour 1 in columns 1-3. Column 2
// has the priority bit, column 3 too but also LCDC bit 0 clear on the second
// pass. A sprite (colour 3) in each column, one of them of the behind class.
TEST(TileAttributes, PriorityBitAndLcdcBit0AgainstSprites) {
  for (const bool bg_on : {true, false}) {
    SCOPED_TRACE(bg_on ? "LCDC bit 0 set" : "LCDC bit 0 clear");
    SetUpCartridge(true, bg_on ? 0x93 : 0x92);
    PutSolidTile(0, 1, 1);
    PutSolidTile(0, 2, 3);
    PutSolidTile(0, 3, 0);
    SetMap(0x1800, 0, 0, 3);
    SetAttributes(0x1800, 0, 0, Priority);
    for (int c = 1; c < 4; c++) SetMap(0x1800, c, 0, 1);
    SetAttributes(0x1800, 2, 0, Priority);
    SetAttributes(0x1800, 3, 0, Priority);
    SetSprite(0, 16, 8 + 0, 2, 0);       // over colour 0 with the priority bit
    SetSprite(1, 16, 8 + 8, 2, 0);       // over colour 1
    SetSprite(2, 16, 8 + 16, 2, 0);      // over colour 1 with the priority bit
    SetSprite(3, 16, 8 + 24, 2, Behind);  // behind, over colour 1 with the priority bit
    SetSprite(4, 16 + 8, 8 + 8, 2, Behind);  // behind, over colour 1 (row 1 of the map)
    for (int c = 0; c < 32; c++) SetMap(0x1800, c, 1, 1);
    ComposeFrame();
    EXPECT_EQ(Pixel(0, 0), Shade3) << "background colour 0 never hides a sprite";
    EXPECT_EQ(Pixel(8, 0), Shade3) << "a front sprite over colour 1";
    EXPECT_EQ(Pixel(16, 0), bg_on ? Shade1 : Shade3) << "the tile's priority bit";
    EXPECT_EQ(Pixel(24, 0), bg_on ? Shade1 : Shade3) << "both bits";
    EXPECT_EQ(Pixel(8, 8), bg_on ? Shade1 : Shade3) << "the sprite's behind bit";
  }
}

// Colour n of palette p is at index p * 8 + n * 2; the index steps on after
// each data write when bit 7 is set, from 63 back to 0, and stays put
// otherwise and on reads. Both memories start white.
TEST(PaletteMemory, IndexAutoIncrementAndReadBack) {
  SetUpCartridge(true, 0x93, false);
  for (int i = 0; i < 64; i++) {
    ASSERT_EQ(m.palettes.bg_memory[i], i % 2 ? 0x7F : 0xFF) << "background palettes start white, byte " << i;
    ASSERT_EQ(m.palettes.sprite_memory[i], i % 2 ? 0x7F : 0xFF) << "sprite palettes too, byte " << i;
  }
  IoWrite(m, 0xFF68, 0x80 | 62);
  EXPECT_EQ(IoRead(m, 0xFF68), 0x80 | 0x40 | 62) << "index and auto-increment read back; bit 6 reads 1";
  IoWrite(m, 0xFF69, 0x11);
  IoWrite(m, 0xFF69, 0x22);
  IoWrite(m, 0xFF69, 0x33);
  EXPECT_EQ(m.palettes.bg_memory[62], 0x11);
  EXPECT_EQ(m.palettes.bg_memory[63], 0x22);
  EXPECT_EQ(m.palettes.bg_memory[0], 0x33) << "the index wraps from 63 to 0";
  EXPECT_EQ(IoRead(m, 0xFF68), 0xC1);
  EXPECT_EQ(IoRead(m, 0xFF69), 0x7F) << "byte 1, the high byte of white, unchanged";
  EXPECT_EQ(IoRead(m, 0xFF68), 0xC1) << "a read does not move the index";

  IoWrite(m, 0xFF68, 0x3F);  // the same address without auto-increment
  IoWrite(m, 0xFF69, 0x44);
  IoWrite(m, 0xFF69, 0x55);
  EXPECT_EQ(IoRead(m, 0xFF68), 0x7F);
  EXPECT_EQ(IoRead(m, 0xFF69), 0x55) << "both writes went to byte 63";
  EXPECT_EQ(m.palettes.bg_memory[0], 0x33);

  IoWrite(m, 0xFF6A, 0x85);
  IoWrite(m, 0xFF6B, 0x66);
  EXPECT_EQ(m.palettes.sprite_memory[5], 0x66) << "the sprite memory has its own index";
  EXPECT_EQ(IoRead(m, 0xFF6A), 0xC6);
  IoWrite(m, 0xFF6A, 0x05);
  EXPECT_EQ(IoRead(m, 0xFF6B), 0x66);
  EXPECT_EQ(m.palettes.bg_memory[5], 0x7F) << "the background memory untouched";
  EXPECT_EQ(IoRead(m, 0xFF68), 0x7F);

  ResetMachine(m);
  EXPECT_EQ(m.palettes.bg_memory[62], 0xFF) << "a reset makes them white again";
  EXPECT_EQ(IoRead(m, 0xFF68), 0x40);
}

// On a colour cartridge each tile takes the palette of its attribute bits
// 0-2 and each sprite that of its bits 0-2 (bit 4 does nothing), whatever
// the look the front end shows them in. On a monochrome cartridge every
// tile goes through BGP and sprites through OBP0 or OBP1 by bit 4, and the
// palette memory shows nowhere.
TEST(PaletteMemory, ColourCartridgesDrawFromThePaletteMemoryMonochromeOnesThroughTheRegisters) {
  for (const bool colour : {true, false}) {
    SCOPED_TRACE(colour ? "colour cartridge" : "monochrome cartridge");
    SetUpCartridge(colour);
    SetColour(false, 0, 1, Red);
    SetColour(false, 5, 1, Mixed);
    SetColour(false, 7, 3, DarkGreen);
    SetColour(true, 0, 3, Blue);
    SetColour(true, 6, 3, Green);
    SetColour(true, 1, 3, Mixed);
    PutSolidTile(0, 1, 1);
    PutSolidTile(0, 2, 3);
    SetMap(0x1800, 0, 0, 1);
    SetMap(0x1800, 1, 0, 1);
    SetAttributes(0x1800, 1, 0, 5);
    SetMap(0x1800, 2, 0, 2);
    SetAttributes(0x1800, 2, 0, 7);
    SetSprite(0, 16 + 16, 8, 2, 0);
    SetSprite(1, 16 + 16, 8 + 8, 2, 6);
    SetSprite(2, 16 + 16, 8 + 16, 2, 0x10);  // bit 4: OBP1 in the greens, nothing in true colours
    ComposeFrame();
    if (colour) {
      EXPECT_EQ(Pixel(0, 0), RedPixel) << "palette 0";
      EXPECT_EQ(Pixel(8, 0), MixedPixel) << "palette 5";
      EXPECT_EQ(Pixel(16, 0), DarkGreenPixel) << "palette 7, colour 3";
      EXPECT_EQ(Pixel(24, 0), WhitePixel) << "map byte 0: tile 0, colour 0 of palette 0, white";
      EXPECT_EQ(Pixel(0, 16), BluePixel) << "sprite palette 0";
      EXPECT_EQ(Pixel(8, 16), GreenPixel) << "sprite palette 6";
      EXPECT_EQ(Pixel(16, 16), BluePixel) << "sprite bit 4 chooses nothing";
    } else {
      EXPECT_EQ(Pixel(0, 0), Shade1) << "BGP 0xE4, colour 1";
      EXPECT_EQ(Pixel(8, 0), Shade1) << "the palette bits do not matter";
      EXPECT_EQ(Pixel(16, 0), Shade3);
      EXPECT_EQ(Pixel(0, 16), Shade3) << "OBP0";
      EXPECT_EQ(Pixel(8, 16), Shade3) << "OBP0: bits 0-2 do not matter";
      EXPECT_EQ(Pixel(16, 16), Shade0) << "OBP1 0x1B by bit 4";
    }
  }
}

// Palette writes during the frame show from the next line on; BGP writes
// on a colour cartridge show nowhere, and the picture of a switched-off
// LCD is white.
TEST(PaletteMemory, ChangesShowFromTheNextLineAndTheLcdOffIsWhite) {
  SetUpCartridge(true);
  PutSolidTile(0, 1, 2);
  for (int c = 0; c < 32; c++)
    for (int r = 0; r < 32; r++) SetMap(0x1800, c, r, 1);
  SetColour(false, 0, 2, Red);
  StartPicture(m);
  ComposeLine(m, 0);
  SetColour(false, 0, 2, Blue);
  IoWrite(m, 0xFF47, 0x1B);
  ComposeLine(m, 1);
  EXPECT_EQ(Pixel(5, 0), RedPixel);
  EXPECT_EQ(Pixel(5, 1), BluePixel);
  IoWrite(m, 0xFF40, 0x13);
  EXPECT_EQ(Pixel(5, 0), WhitePixel);
  EXPECT_EQ(Pixel(159, 143), WhitePixel);
}

// A monochrome cartridge's picture is drawn in the shades through BGP
// whatever it writes into the palette memory; the LCD off shows shade 0.
TEST(PaletteMemory, MonochromeCartridgesIgnoreThePaletteMemory) {
  SetUpCartridge(false);
  PutSolidTile(0, 1, 3);
  SetMap(0x1800, 0, 0, 1);
  SetColour(false, 0, 3, Red);
  ComposeLine(m, 0);
  EXPECT_EQ(Pixel(0, 0), Shade3);
  IoWrite(m, 0xFF40, 0x13);
  EXPECT_EQ(Pixel(0, 0), Shade0);
}
