#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

const char* const Pattern[8] = {"01230000", "10000000", "20000000", "30000000",
                                "00000000", "00000000", "00000000", "00000003"};

}  // namespace

TEST(TileCache, DecodesBitPlanesColumnByColumn) {
  ResetTestMachine();
  PutTile(0, 5, Pattern);
  RefreshTileCache();
  const uint8_t* cell = TileCache[5];
  // Row 0 runs along x: byte x * 8 + 0.
  EXPECT_EQ(cell[0 * 8 + 0], 0);
  EXPECT_EQ(cell[1 * 8 + 0], 1) << "pixel (1, 0) = bit 6 of the low byte";
  EXPECT_EQ(cell[2 * 8 + 0], 2) << "pixel (2, 0) = bit 5 of the high byte";
  EXPECT_EQ(cell[3 * 8 + 0], 3);
  // Column 0 runs along y: bytes 0..7 of the entry.
  EXPECT_EQ(cell[1], 1) << "pixel (0, 1)";
  EXPECT_EQ(cell[2], 2) << "pixel (0, 2)";
  EXPECT_EQ(cell[3], 3) << "pixel (0, 3)";
  EXPECT_EQ(cell[7 * 8 + 7], 3) << "pixel (7, 7) at byte 63";
  EXPECT_EQ(TileValid[5], 1);
}

TEST(TileCache, IndexCoversBothBanksIncludingMapArea) {
  ResetTestMachine();
  PutSolidTile(1, 3, 2);      // bank 1 tile 3 = cache 515
  PutSolidTile(0, 0x180, 1);  // 0x9800: a map area block of bank 0 = cache 384
  RefreshTileCache();
  EXPECT_EQ(TileCache[515][27], 2);
  EXPECT_EQ(TileCache[3][27], 0) << "bank 0 tile 3 untouched";
  EXPECT_EQ(TileCache[384][0], 1);
}

TEST(TileCache, BusWritesMarkTheTileOfTheSelectedBank) {
  ResetTestMachine();
  RefreshTileCache();
  BusWrite(0x8012, 0xFF);  // tile 1, bank 0
  EXPECT_EQ(TileValid[1], 0);
  EXPECT_EQ(TileValid[513], 1) << "bank 1 tile untouched";
  RefreshTileCache();
  IoWrite(0xFF4F, 1);
  BusWrite(0x9FFF, 0xFF);  // last tile of bank 1
  EXPECT_EQ(TileValid[1023], 0) << "VBK = 1 marks (address - 0x8000) / 16 + 512";
  EXPECT_EQ(TileValid[511], 1);
  EXPECT_EQ(VideoRam[0x3FFF], 0xFF);
}

TEST(TileCache, RefreshDecodesOnlyStaleTilesAndOnlyWhenCalled) {
  ResetTestMachine();
  RefreshTileCache();
  BusWrite(0x8000, 0x80);  // pixel (0, 0) becomes colour 1
  EXPECT_EQ(TileCache[0][0], 0) << "the cache changes only at the refresh";
  VideoRam[0x10] = 0x80;   // tile 1 changed behind the bus's back: not marked
  RefreshTileCache();
  EXPECT_EQ(TileCache[0][0], 1) << "the marked tile is decoded again";
  EXPECT_EQ(TileCache[1][0], 0) << "a tile still marked valid is not decoded again";
}

// Every block of both banks written, some many times, between two
// refreshes: each is decoded once, none is missed.
TEST(TileCache, RefreshAfterWritesToEveryTileDecodesThemAll) {
  ResetTestMachine();
  RefreshTileCache();
  for (int bank = 0; bank < 2; bank++) {
    IoWrite(0xFF4F, bank);
    for (int pass = 0; pass < 3; pass++)
      for (int address = 0x8000; address < 0xA000; address += 2) BusWrite(address, 0x80 >> pass);
  }
  RefreshTileCache();
  for (int tile = 0; tile < TileCount; tile++) {
    ASSERT_EQ(TileValid[tile], 1) << tile;
    ASSERT_EQ(TileCache[tile][2 * 8 + 5], 1) << "pixel (2, 5) of tile " << tile;
  }
}

TEST(TileCache, TileNumberRuleForBothTileDataSettings) {
  EXPECT_EQ(BgTileIndex(0x80, 0x00), 128) << "signed tiles: 0x80 is at 0x8800";
  EXPECT_EQ(BgTileIndex(0x7F, 0x00), 383) << "signed tiles: 0x7F is at 0x97F0";
  EXPECT_EQ(BgTileIndex(0x00, 0x00), 256);
  EXPECT_EQ(BgTileIndex(0xFF, 0x00), 255);
  EXPECT_EQ(BgTileIndex(0x80, 0x10), 128);
  EXPECT_EQ(BgTileIndex(0x7F, 0x10), 127) << "unsigned tiles: the byte is the index";
  EXPECT_EQ(BgTileIndex(0x00, 0x10), 0);
}

TEST(Palettes, RegisterWritesRebuildTheThreeShadeMaps) {
  ResetTestMachine();
  EXPECT_EQ(ShadeMap[1][2], 2) << "OBP0's map is the identity before its first write";
  EXPECT_EQ(ShadeMap[0][1], 3) << "a monochrome cartridge starts with BGP 0xFC";
  IoWrite(0xFF47, 0x1B);  // BGP 00 01 10 11: reversed
  IoWrite(0xFF48, 0xE4);  // OBP0 identity
  IoWrite(0xFF49, 0x0C);  // OBP1: colour 1 -> shade 3, the rest shade 0
  const int bgp[4] = {3, 2, 1, 0}, obp0[4] = {0, 1, 2, 3}, obp1[4] = {0, 3, 0, 0};
  for (int n = 0; n < 4; n++) {
    EXPECT_EQ(ShadeMap[0][n], bgp[n]) << "BGP colour " << n;
    EXPECT_EQ(ShadeMap[1][n], obp0[n]) << "OBP0 colour " << n;
    EXPECT_EQ(ShadeMap[2][n], obp1[n]) << "OBP1 colour " << n;
  }
  EXPECT_EQ(ShadeColour(0, 0), Shade3);
  EXPECT_EQ(ShadeColour(2, 1), Shade3);
}
