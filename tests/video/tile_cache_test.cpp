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

TEST(TileCache, DecodesBitPlanesIntoRowsBothWays) {
  ResetTestMachine();
  PutTile(0, 5, Pattern);
  RefreshTileCache(m);
  for (int y = 0; y < 8; y++) {
    for (int x = 0; x < 8; x++) {
      const int n = Pattern[y][x] - '0';
      ASSERT_EQ(TileColourNumber(m.tiles, 5, x, y), n) << "pixel (" << x << ", " << y << ")";
      ASSERT_EQ(m.tiles.rows[5][1][y] >> (2 * (7 - x)) & 3, n) << "pixel (" << x << ", " << y << ") read backwards";
    }
  }
  EXPECT_EQ(m.tiles.rows[5][0][0], 0x00E4) << "row 0, 0 1 2 3 from the left, in bits 0-7";
  EXPECT_EQ(m.tiles.rows[5][1][7], 0x0003) << "row 7 read backwards starts with its colour 3";
  EXPECT_EQ(m.tiles.valid[5], 1);
}

TEST(TileCache, IndexCoversBothBanksIncludingMapArea) {
  ResetTestMachine();
  PutSolidTile(1, 3, 2);      // bank 1 tile 3 = cache 515
  PutSolidTile(0, 0x180, 1);  // 0x9800: a map area block of bank 0 = cache 384
  RefreshTileCache(m);
  EXPECT_EQ(TileColourNumber(m.tiles, 515, 3, 3), 2);
  EXPECT_EQ(TileColourNumber(m.tiles, 3, 3, 3), 0) << "bank 0 tile 3 untouched";
  EXPECT_EQ(TileColourNumber(m.tiles, 384, 0, 0), 1);
}

TEST(TileCache, BusWritesMarkTheTileOfTheSelectedBank) {
  ResetTestMachine(ColourImage());
  RefreshTileCache(m);
  BusWrite(m, 0x8012, 0xFF);  // tile 1, bank 0
  EXPECT_EQ(m.tiles.valid[1], 0);
  EXPECT_EQ(m.tiles.valid[513], 1) << "bank 1 tile untouched";
  RefreshTileCache(m);
  IoWrite(m, 0xFF4F, 1);
  BusWrite(m, 0x9FFF, 0xFF);  // last tile of bank 1
  EXPECT_EQ(m.tiles.valid[1023], 0) << "VBK = 1 marks (address - 0x8000) / 16 + 512";
  EXPECT_EQ(m.tiles.valid[511], 1);
  EXPECT_EQ(m.mem.video_ram[0x3FFF], 0xFF);
}

TEST(TileCache, RefreshDecodesOnlyStaleTilesAndOnlyWhenCalled) {
  ResetTestMachine();
  RefreshTileCache(m);
  BusWrite(m, 0x8000, 0x80);  // pixel (0, 0) becomes colour 1
  EXPECT_EQ(TileColourNumber(m.tiles, 0, 0, 0), 0) << "the cache changes only at the refresh";
  m.mem.video_ram[0x10] = 0x80;   // tile 1 changed behind the bus's back: not marked
  RefreshTileCache(m);
  EXPECT_EQ(TileColourNumber(m.tiles, 0, 0, 0), 1) << "the marked tile is decoded again";
  EXPECT_EQ(TileColourNumber(m.tiles, 1, 0, 0), 0) << "a tile still marked valid is not decoded again";
}

// Every block of both banks written, some many times, between two
// refreshes: each is decoded once, none is missed.
TEST(TileCache, RefreshAfterWritesToEveryTileDecodesThemAll) {
  ResetTestMachine(ColourImage());
  RefreshTileCache(m);
  for (int bank = 0; bank < 2; bank++) {
    IoWrite(m, 0xFF4F, bank);
    for (int pass = 0; pass < 3; pass++)
      for (int address = 0x8000; address < 0xA000; address += 2) BusWrite(m, address, 0x80 >> pass);
  }
  RefreshTileCache(m);
  for (int tile = 0; tile < TileCount; tile++) {
    ASSERT_EQ(m.tiles.valid[tile], 1) << tile;
    ASSERT_EQ(TileColourNumber(m.tiles, tile, 2, 5), 1) << "pixel (2, 5) of tile " << tile;
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
  EXPECT_EQ(m.palettes.shade_map[1][2], 2) << "OBP0's map is the identity before its first write";
  EXPECT_EQ(m.palettes.shade_map[0][1], 3) << "a monochrome cartridge starts with BGP 0xFC";
  IoWrite(m, 0xFF47, 0x1B);  // BGP 00 01 10 11: reversed
  IoWrite(m, 0xFF48, 0xE4);  // OBP0 identity
  IoWrite(m, 0xFF49, 0x0C);  // OBP1: colour 1 -> shade 3, the rest shade 0
  const int bgp[4] = {3, 2, 1, 0}, obp0[4] = {0, 1, 2, 3}, obp1[4] = {0, 3, 0, 0};
  for (int n = 0; n < 4; n++) {
    EXPECT_EQ(m.palettes.shade_map[0][n], bgp[n]) << "BGP colour " << n;
    EXPECT_EQ(m.palettes.shade_map[1][n], obp0[n]) << "OBP0 colour " << n;
    EXPECT_EQ(m.palettes.shade_map[2][n], obp1[n]) << "OBP1 colour " << n;
  }
  EXPECT_EQ(ShadeColour(m.palettes, 0, 0), Shade3);
  EXPECT_EQ(ShadeColour(m.palettes, 2, 1), Shade3);
}
