// Sprites on composed lines: placement, flips, palettes, heights, the ten
// per line, priorities among sprites and against the background.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

constexpr int Behind = 0x80, FlipY = 0x40, FlipX = 0x20, Palette1 = 0x10, Bank1 = 0x08;

// LCD on, sprites on, 8x8 or 8x16, the background a plain field of colour 0
// (tile 0 stays empty); a monochrome or colour cartridge, whose palette 0
// shows the shades.
void SetUpSpriteScene(uint8_t lcdc = 0x93, bool colour = false) {
  std::vector<uint8_t> rom(0x8000, 0);
  rom[0x143] = colour ? 0x80 : 0x00;
  ResetTestMachine(rom);
  SetUpPicture(lcdc);
  if (colour) UseGreyPalettes();
}

// Tile with colour 3 in the top-left pixel, 2 in the top-right, 1 in the
// bottom-left and 0 (transparent) elsewhere.
void PutCornerTile(int bank, int tile) {
  const char* rows[8] = {"30000002", "00000000", "00000000", "00000000",
                         "00000000", "00000000", "00000000", "10000000"};
  PutTile(bank, tile, rows);
}

}  // namespace

TEST(Sprites, EightByEightAtXMinus8AndYMinus16) {
  SetUpSpriteScene();
  PutCornerTile(0, 4);
  SetSprite(0, 16 + 30, 8 + 20, 4, 0);
  ComposeFrame();
  EXPECT_EQ(Pixel(20, 30), Shade3) << "top-left";
  EXPECT_EQ(Pixel(27, 30), Shade2) << "top-right";
  EXPECT_EQ(Pixel(20, 37), Shade1) << "bottom-left";
  EXPECT_EQ(Pixel(21, 30), Shade0) << "colour 0 is transparent: background shows";
  EXPECT_EQ(Pixel(20, 38), Shade0) << "8 rows only";
}

TEST(Sprites, BothFlips) {
  SetUpSpriteScene();
  PutCornerTile(0, 4);
  SetSprite(0, 16, 8, 4, FlipX);
  SetSprite(1, 16, 8 + 10, 4, FlipY);
  SetSprite(2, 16, 8 + 20, 4, FlipX | FlipY);
  ComposeFrame();
  EXPECT_EQ(Pixel(7, 0), Shade3) << "horizontal flip: top-left goes top-right";
  EXPECT_EQ(Pixel(0, 0), Shade2);
  EXPECT_EQ(Pixel(7, 7), Shade1);
  EXPECT_EQ(Pixel(10, 7), Shade3) << "vertical flip: top-left goes bottom-left";
  EXPECT_EQ(Pixel(17, 7), Shade2);
  EXPECT_EQ(Pixel(10, 0), Shade1);
  EXPECT_EQ(Pixel(27, 7), Shade3) << "both flips: top-left goes bottom-right";
  EXPECT_EQ(Pixel(20, 7), Shade2);
  EXPECT_EQ(Pixel(27, 0), Shade1);
}

TEST(Sprites, PaletteBitChoosesObp1) {
  SetUpSpriteScene();
  PutCornerTile(0, 4);
  SetSprite(0, 16, 8, 4, 0);
  SetSprite(1, 16, 8 + 10, 4, Palette1);
  ComposeFrame();
  EXPECT_EQ(Pixel(0, 0), Shade3) << "colour 3 through OBP0 0xE4";
  EXPECT_EQ(Pixel(10, 0), Shade0) << "colour 3 through OBP1 0x1B";
  EXPECT_EQ(Pixel(10, 7), Shade2) << "colour 1 through OBP1 0x1B";
}

// Attribute bit 3 picks video RAM bank 1 on colour cartridges only; on a
// monochrome cartridge it is not used.
TEST(Sprites, BankBitTakesTilesFromBank1OnColourCartridges) {
  for (const bool colour : {false, true}) {
    SetUpSpriteScene(0x93, colour);
    PutSolidTile(0, 9, 1);
    PutSolidTile(1, 9, 3);
    SetSprite(0, 16, 8, 9, Bank1);
    ComposeFrame();
    EXPECT_EQ(Pixel(0, 0), colour ? Shade3 : Shade1) << (colour ? "colour" : "monochrome");
  }
}

TEST(Sprites, EightBySixteenUsesTheEvenTileThenTheNext) {
  SetUpSpriteScene(0x97);
  PutSolidTile(0, 6, 1);
  PutSolidTile(0, 7, 2);
  SetSprite(0, 16, 8, 7, 0);  // odd number: bit 0 is ignored
  SetSprite(1, 16, 8 + 10, 6, FlipY);
  PutCornerTile(0, 8);
  PutSolidTile(0, 9, 0);
  SetSprite(2, 16, 8 + 20, 8, FlipY);
  ComposeFrame();
  EXPECT_EQ(Pixel(0, 0), Shade1) << "top half: tile 6";
  EXPECT_EQ(Pixel(0, 8), Shade2) << "bottom half: tile 7";
  EXPECT_EQ(Pixel(0, 16), Shade0) << "16 rows only";
  EXPECT_EQ(Pixel(10, 0), Shade2) << "vertical flip: tile 7 on top";
  EXPECT_EQ(Pixel(10, 15), Shade1) << "vertical flip: tile 6 below";
  EXPECT_EQ(Pixel(20, 15), Shade3) << "vertical flip flips each half: tile 8's top-left at the bottom";
  EXPECT_EQ(Pixel(20, 8), Shade1);
}

TEST(Sprites, ClippedAtThePictureEdges) {
  SetUpSpriteScene();
  PutSolidTile(0, 1, 3);
  SetSprite(0, 16 + 50, 4, 1, 0);        // x = -4
  SetSprite(1, 16 + 70, 8 + 157, 1, 0);  // x = 157
  SetSprite(2, 16 + 140, 8 + 60, 1, 0);  // y = 140
  SetSprite(3, 10, 8 + 90, 1, 0);        // y = -6
  ComposeFrame();
  EXPECT_EQ(Pixel(0, 50), Shade3) << "X = 4 shows columns 4..7 at x = 0..3";
  EXPECT_EQ(Pixel(3, 50), Shade3);
  EXPECT_EQ(Pixel(4, 50), Shade0);
  EXPECT_EQ(Pixel(159, 70), Shade3);
  EXPECT_EQ(Pixel(60, 143), Shade3);
  EXPECT_EQ(Pixel(90, 1), Shade3) << "Y = 10 shows the bottom two rows";
  EXPECT_EQ(Pixel(90, 2), Shade0);
}

// The first ten entries in OAM order whose rows cover the line are drawn,
// whatever their X: sprites off the picture's edges take places too.
TEST(Sprites, TenPerLineChosenInOamOrderEvenOffThePicture) {
  SetUpSpriteScene();
  PutSolidTile(0, 1, 3);
  SetSprite(0, 16 + 20, 0, 1, 0);    // x = -8: not visible
  SetSprite(1, 16 + 20, 170, 1, 0);  // x = 162: not visible
  for (int e = 2; e < 12; e++) SetSprite(e, 16 + 20, 8 + 12 * e, 1, 0);
  SetSprite(12, 16 + 24, 8, 1, 0);  // rows 24..31 only: lines 24..27 hold 11 sprites
  ComposeFrame();
  for (int e = 2; e < 10; e++) EXPECT_EQ(Pixel(12 * e, 20), Shade3) << "entry " << e << " is drawn";
  EXPECT_EQ(Pixel(120, 20), Shade0) << "entry 10 is the eleventh on the line";
  EXPECT_EQ(Pixel(132, 20), Shade0) << "entry 11 too";
  EXPECT_EQ(Pixel(0, 24), Shade0) << "entry 12 is the eleventh on lines 24..27";
  EXPECT_EQ(Pixel(0, 28), Shade3) << "on lines 28..31 it is the third";
}

// OAM and the sprite height changed between lines, by the bus or by a DMA:
// each line chooses from them as they stand, as a scan of the 40 entries in
// OAM order would.
TEST(Sprites, ChoiceFollowsOamAndHeightAsTheyStandAtEachLine) {
  SetUpSpriteScene();
  uint32_t seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int i = 0; i < 160; i++) BusWrite(m, 0xFE00 + i, static_cast<int>(next() % 176));
  for (int line = 0; line < 144; line++) {
    switch (line % 4) {
      case 0: BusWrite(m, 0xFE00 + 4 * static_cast<int>(next() % 40), static_cast<int>(line + 10 + next() % 12)); break;
      case 1: BusWrite(m, 0xFE00 + 4 * static_cast<int>(next() % 40), line + 16); break;
      case 2: if (line % 24 == 2) m.lcd.LCDC ^= 0x04; break;   // 8x8 and 8x16
      default: break;                                     // nothing changed
    }
    if (line == 100) {
      for (int i = 0; i < 160; i++) m.mem.work_ram[i] = static_cast<uint8_t>(100 + i % 60);
      IoWrite(m, 0xFF46, 0xC0);  // OAM from work RAM
    }
    const int height = (m.lcd.LCDC & 0x04) ? 16 : 8;
    int expected[10], count = 0;
    for (int e = 0; e < 40 && count < 10; e++) {
      const int row = line + 16 - m.mem.oam[4 * e];
      if (row >= 0 && row < height) expected[count++] = e;
    }
    int chosen[10];
    ASSERT_EQ(ChooseSprites(m, line, chosen), count) << "line " << line;
    for (int i = 0; i < count; i++) ASSERT_EQ(chosen[i], expected[i]) << "line " << line << ", place " << i;
  }
}

// Monochrome cartridges: the smaller X wins, then the earlier entry. Colour
// cartridges: the earlier entry wins. Transparent pixels of the winner let
// the other show.
TEST(Sprites, OverlapsByXOnMonochromeAndByOamOrderOnColour) {
  for (const bool colour : {false, true}) {
    SetUpSpriteScene(0x93, colour);
    PutSolidTile(0, 1, 1);
    PutSolidTile(0, 2, 3);
    PutCornerTile(0, 3);
    SetSprite(0, 16, 8 + 4, 1, 0);  // x = 4..11, colour 1
    SetSprite(1, 16, 8, 2, 0);      // x = 0..7, colour 3
    SetSprite(2, 16 + 20, 8, 2, 0);  // same X: the earlier entry wins on both
    SetSprite(3, 16 + 20, 8, 1, 0);
    SetSprite(4, 16 + 40, 8 + 2, 3, 0);  // x = 2..9, mostly transparent
    SetSprite(5, 16 + 40, 8 + 4, 1, 0);
    ComposeFrame();
    const char* what = colour ? "colour" : "monochrome";
    EXPECT_EQ(Pixel(5, 0), colour ? Shade1 : Shade3) << what << ": overlap of entries 0 and 1";
    EXPECT_EQ(Pixel(9, 0), Shade1) << what;
    EXPECT_EQ(Pixel(3, 20), Shade3) << what << ": equal X";
    EXPECT_EQ(Pixel(5, 40), Shade1) << what << ": through the winner's transparent pixel";
    EXPECT_EQ(Pixel(2, 40), Shade3) << what;
  }
}

// The background has colour number 0 on the left half and 1 on the right
// half; the window (colour 2, from x = 40 y = 100) covers the bottom. A
// behind sprite shows over colour 0 only, a front sprite over everything.
TEST(Sprites, BehindClassShowsOnlyOverColourNumberZero) {
  SetUpSpriteScene(0xF3);
  IoWrite(m, 0xFF47, 0xE5);  // colour 0 -> shade 1, so that colour numbers, not shades, decide
  for (int row = 0; row < 32; row++)
    for (int col = 0; col < 32; col++) SetMap(0x1800, col, row, col < 10 ? 0 : 1);
  for (int i = 0; i < 0x400; i++) m.mem.video_ram[0x1C00 + i] = 2;
  m.mem.video_ram[0x1C00] = 0;  // window tile (0, 0) has colour 0
  PutSolidTile(0, 0, 0);
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 2);
  PutSolidTile(0, 3, 3);
  m.lcd.WX = 7 + 40;
  m.lcd.WY = 100;
  SetSprite(0, 16 + 10, 8 + 76, 3, Behind);            // straddles x = 80, over background 0 and 1
  SetSprite(1, 16 + 100, 8 + 36, 3, Behind);           // straddles the window's left edge at x = 40
  SetSprite(2, 16 + 50, 8 + 100, 3, 0);                // front, over background colour 1
  SetSprite(3, 16 + 110, 8 + 100, 3, Behind | FlipX);  // over window colour 2
  ComposeFrame();
  EXPECT_EQ(Pixel(79, 10), Shade3) << "behind sprite over background colour 0 shows";
  EXPECT_EQ(Pixel(80, 10), Shade1) << "behind sprite hidden by background colour 1";
  EXPECT_EQ(Pixel(39, 100), Shade3) << "behind sprite over background colour 0 left of the window";
  EXPECT_EQ(Pixel(40, 100), Shade3) << "behind sprite shows over window colour 0";
  EXPECT_EQ(Pixel(44, 100), Shade1) << "window colour 0 right of the sprite";
  EXPECT_EQ(Pixel(100, 50), Shade3) << "front sprite over background colour 1";
  EXPECT_EQ(Pixel(100, 110), Shade2) << "behind sprite hidden by window colour 2";
}

// The priority among sprites comes first: a behind sprite that wins a
// position and gives way to the background hides a front sprite under it.
// On a colour cartridge with LCDC bit 0 clear the behind class shows over
// everything.
TEST(Sprites, WinningBehindSpriteHidesTheSpriteUnderIt) {
  for (const bool colour : {false, true}) {
    SetUpSpriteScene(0x92, colour);  // LCDC bit 0 clear
    if (!colour) m.lcd.LCDC = 0x93;
    PutSolidTile(0, 0, 1);  // background colour 1 everywhere
    PutSolidTile(0, 2, 3);
    PutSolidTile(0, 3, 2);
    SetSprite(0, 16, 8, 2, Behind);
    SetSprite(1, 16, 8, 3, 0);
    ComposeFrame();
    EXPECT_EQ(Pixel(0, 0), colour ? Shade3 : Shade1) << (colour ? "colour, bit 0 clear" : "monochrome");
  }
}

TEST(Sprites, LcdcBit1TakesEffectPerLine) {
  SetUpSpriteScene();
  PutSolidTile(0, 1, 3);
  SetSprite(0, 16 + 20, 8, 1, 0);  // lines 20..27
  StartPicture(m);
  for (int line = 0; line < ScreenHeight; line++) {
    if (line == 24) m.lcd.LCDC &= ~0x02;
    ComposeLine(m, line);
  }
  EXPECT_EQ(Pixel(0, 23), Shade3);
  EXPECT_EQ(Pixel(0, 24), Shade0) << "sprites off from line 24";
}
