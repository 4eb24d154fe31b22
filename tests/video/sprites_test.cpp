#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

constexpr int Behind = 0x80, FlipY = 0x40, FlipX = 0x20, Palette1 = 0x10, Bank1 = 0x08;

// LCD on, 8x8 sprites, the background a plain field of colour 0 (shade 0);
// sprite palettes: OBP0 identity, OBP1 reversed.
void SetUpSpriteScene(uint8_t lcdc = 0x91) {
  ResetTestMachine();
  LCDC = lcdc;
  IoWrite(0xFF47, 0xE4);
  IoWrite(0xFF48, 0xE4);
  IoWrite(0xFF49, 0x1B);
}

// Tile with colour 3 in the top-left pixel, 2 in the top-right, 1 in the
// bottom-left and 0 (transparent) elsewhere.
void PutCornerTile(int bank, int tile) {
  const char* rows[8] = {"30000002", "00000000", "00000000", "00000000",
                         "00000000", "00000000", "00000000", "10000000"};
  PutTile(bank, tile, rows);
}

// Tile 0 stays empty, so the default map gives a background of colour 0.
void Compose() {
  RefreshTileCache();
  RenderAllRows();
  FinishFrame();
}

}  // namespace

TEST(Sprites, EightByEightAtXMinus8AndYMinus16) {
  SetUpSpriteScene();
  PutCornerTile(0, 4);
  SetSprite(0, 16 + 30, 8 + 20, 4, 0);
  Compose();
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
  Compose();
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
  Compose();
  EXPECT_EQ(Pixel(0, 0), Shade3) << "colour 3 through OBP0 0xE4";
  EXPECT_EQ(Pixel(10, 0), Shade0) << "colour 3 through OBP1 0x1B";
  EXPECT_EQ(Pixel(10, 7), Shade2) << "colour 1 through OBP1 0x1B";
}

TEST(Sprites, BankBitTakesEightByEightTilesFromBank1) {
  SetUpSpriteScene();
  PutSolidTile(0, 9, 1);
  PutSolidTile(1, 9, 3);
  SetSprite(0, 16, 8, 9, 0);
  SetSprite(1, 16, 8 + 10, 9, Bank1);
  Compose();
  EXPECT_EQ(Pixel(0, 0), Shade1);
  EXPECT_EQ(Pixel(10, 0), Shade3) << "attribute bit 3: bank 1 tile";
}

TEST(Sprites, EightBySixteenUsesTheEvenTileThenTheNextFromBank0) {
  SetUpSpriteScene(0x95);
  PutSolidTile(0, 6, 1);
  PutSolidTile(0, 7, 2);
  PutSolidTile(1, 6, 3);
  PutSolidTile(1, 7, 3);
  SetSprite(0, 16, 8, 7, Bank1);  // odd number, bank bit set
  SetSprite(1, 16, 8 + 10, 6, FlipY);
  Compose();
  EXPECT_EQ(Pixel(0, 0), Shade1) << "top half: tile 6 of bank 0";
  EXPECT_EQ(Pixel(0, 8), Shade2) << "bottom half: tile 7 of bank 0";
  EXPECT_EQ(Pixel(0, 16), Shade0) << "16 rows only";
  EXPECT_EQ(Pixel(10, 0), Shade2) << "vertical flip: tile 7 on top";
  EXPECT_EQ(Pixel(10, 15), Shade1) << "vertical flip: tile 6 below";
}

TEST(Sprites, EightBySixteenVerticalFlipFlipsEachHalf) {
  SetUpSpriteScene(0x95);
  PutCornerTile(0, 6);
  PutSolidTile(0, 7, 0);
  SetSprite(0, 16, 8, 6, FlipY);
  Compose();
  EXPECT_EQ(Pixel(0, 15), Shade3) << "tile 6's top-left ends at the bottom of the pair";
  EXPECT_EQ(Pixel(0, 8), Shade1);
}

TEST(Sprites, ClippedAtThePictureEdges) {
  SetUpSpriteScene();
  PutSolidTile(0, 1, 3);
  SetSprite(0, 16 + 50, 4, 1, 0);        // x = -4
  SetSprite(1, 16 + 70, 8 + 157, 1, 0);  // x = 157
  SetSprite(2, 16 + 140, 8 + 60, 1, 0);  // y = 140
  SetSprite(3, 10, 8 + 90, 1, 0);        // y = -6
  SetSprite(4, 16, 168, 1, 0);           // x = 160
  SetSprite(5, 160, 8, 1, 0);            // y = 144
  Compose();
  EXPECT_EQ(Pixel(0, 50), Shade3) << "X = 4 shows columns 4..7 at x = 0..3";
  EXPECT_EQ(Pixel(3, 50), Shade3);
  EXPECT_EQ(Pixel(4, 50), Shade0);
  EXPECT_EQ(Pixel(159, 70), Shade3);
  EXPECT_EQ(Pixel(160, 70), 0) << "nothing right of the picture";
  EXPECT_EQ(Pixel(60, 143), Shade3);
  EXPECT_EQ(Pixel(60, 144), 0) << "nothing below the picture";
  EXPECT_EQ(Pixel(90, 1), Shade3) << "Y = 10 shows the bottom two rows";
  EXPECT_EQ(Pixel(90, 2), Shade0);
  EXPECT_EQ(Pixel(160, 0), 0) << "X = 168 draws nothing";
  EXPECT_EQ(Pixel(0, 144), 0) << "Y = 160 draws nothing";
}

TEST(Sprites, LaterEntriesDrawOverEarlierOnes) {
  SetUpSpriteScene();
  PutSolidTile(0, 1, 1);
  PutCornerTile(0, 2);
  SetSprite(0, 16, 8 + 4, 1, 0);
  SetSprite(1, 16, 8, 2, 0);
  SetSprite(39, 16 + 100, 8 + 100, 1, 0);
  Compose();
  EXPECT_EQ(Pixel(4, 0), Shade1) << "entry 1's transparent pixel lets entry 0 show";
  EXPECT_EQ(Pixel(7, 0), Shade2) << "entry 1 over entry 0";
  EXPECT_EQ(Pixel(100, 100), Shade1) << "entry 39 is drawn";
}

// The background has colour number 0 on the left half and 1 on the right
// half, the window (colour 2, from x = 40 y = 100) covers the bottom; a
// behind sprite shows over colour 0 only, a front sprite over everything.
TEST(Sprites, BehindClassShowsOnlyOverColourNumberZero) {
  SetUpSpriteScene(0xB1);
  IoWrite(0xFF47, 0xE5);  // colour 0 -> shade 1, so that colour numbers, not shades, decide
  for (int row = 0; row < 32; row++)
    for (int col = 0; col < 32; col++) VideoRam[0x1800 + 32 * row + col] = col < 10 ? 0 : 1;
  for (int i = 0; i < 0x400; i++) VideoRam[0x1C00 + i] = 2;
  VideoRam[0x1C00] = 0;  // window tile (0, 0) has colour 0
  PutSolidTile(0, 0, 0);
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 2);
  PutSolidTile(0, 3, 3);
  RefreshTileCache();
  RenderAllRows();
  WX = 7 + 40;
  WY = 100;
  SetSprite(0, 16 + 10, 8 + 76, 3, Behind);        // straddles x = 80, over background 0 and 1
  SetSprite(1, 16 + 100, 8 + 36, 3, Behind);       // straddles the window's left edge at x = 40
  SetSprite(2, 16 + 50, 8 + 100, 3, 0);            // front, over background colour 1
  SetSprite(3, 16 + 110, 8 + 100, 3, Behind | FlipX);  // over window colour 2
  FinishFrame();
  EXPECT_EQ(Pixel(79, 10), Shade3) << "behind sprite over background colour 0 shows";
  EXPECT_EQ(Pixel(80, 10), Shade1) << "behind sprite hidden by background colour 1";
  EXPECT_EQ(Pixel(39, 100), Shade3) << "behind sprite over background colour 0 left of the window";
  EXPECT_EQ(Pixel(40, 100), Shade3) << "behind sprite shows over window colour 0";
  EXPECT_EQ(Pixel(44, 100), Shade1) << "window colour 0 right of the sprite";
  EXPECT_EQ(Pixel(100, 50), Shade3) << "front sprite over background colour 1";
  EXPECT_EQ(Pixel(100, 110), Shade2) << "behind sprite hidden by window colour 2";
}

TEST(Sprites, DrawnWhileTheLcdIsOff) {
  SetUpSpriteScene(0x11);
  IoWrite(0xFF47, 0xE6);  // colour 0 -> shade 2
  PutSolidTile(0, 0, 3);  // the map's tile: must not show
  PutSolidTile(0, 1, 1);
  SetSprite(0, 16 + 20, 8 + 20, 1, 0);
  SetSprite(1, 16 + 40, 8 + 40, 1, Behind);
  Compose();
  EXPECT_EQ(Pixel(0, 0), Shade2) << "background is plain colour(0, 0)";
  EXPECT_EQ(Pixel(20, 20), Shade1) << "front sprite still drawn";
  EXPECT_EQ(Pixel(40, 40), Shade1) << "behind sprite shows over the plain colour 0 field";
}
