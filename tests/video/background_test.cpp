#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/picture_helpers.h"
#include "video/renderer.h"

namespace {

// LCD on, unsigned tile data, map at 0x9800.
constexpr uint8_t LcdOnTiles8000 = 0x91;

// Map entry (column, row) of the map at 0x9800 (base 0x1800) or 0x9C00.
void SetMap(int base, int column, int row, uint8_t tile) { VideoRam[base + 32 * row + column] = tile; }

uint8_t MapRow() { return (MapPointer >> 5) & 31; }
uint8_t MapColumn() { return MapPointer & 31; }

}  // namespace

TEST(MapPointer, FrameStartTakesBaseRowAndColumnFromTheRegisters) {
  ResetTestMachine();
  LCDC = 0x99;  // map at 0x9C00
  SCY = 0x2D;   // row 5, fine row 5
  SCX = 0x4B;   // column 9
  UpdateMapPointer(MapPointerReason::FrameStart);
  EXPECT_EQ(MapPointer, 0x1C00 + 32 * 5 + 9);
  EXPECT_EQ(FineRow, 5);
}

TEST(MapPointer, LcdcWriteChangesOnlyTheBase) {
  ResetTestMachine();
  MapPointer = 0x1800 + 32 * 7 + 3;
  IoWrite(0xFF40, 0x88);
  EXPECT_EQ(MapPointer, 0x1C00 + 32 * 7 + 3);
  IoWrite(0xFF40, 0x80);
  EXPECT_EQ(MapPointer, 0x1800 + 32 * 7 + 3);
}

TEST(MapPointer, ScxWriteChangesOnlyTheColumn) {
  ResetTestMachine();
  MapPointer = 0x1C00 + 32 * 7 + 3;
  IoWrite(0xFF43, 0xFF);
  EXPECT_EQ(MapPointer, 0x1C00 + 32 * 7 + 31);
  IoWrite(0xFF43, 0x10);
  EXPECT_EQ(MapPointer, 0x1C00 + 32 * 7 + 2);
}

TEST(MapPointer, ScyWriteDuringVisibleLinesCountsTheLinesPassed) {
  ResetTestMachine();
  MapPointer = 0x1800 + 32 * 9 + 4;
  LCDC = 0x80;
  LY = 50;
  IoWrite(0xFF42, 0xF3);  // row 30, fine 3
  EXPECT_EQ(MapRow(), (30 + 6) % 32) << "row ((SCY >> 3) + (51 >> 3)) mod 32";
  EXPECT_EQ(FineRow, 3) << "the fine row is not adjusted";
  EXPECT_EQ(MapColumn(), 4) << "column kept";
  EXPECT_EQ(MapPointer & 0xFC00, 0x1800) << "base kept";
}

TEST(MapPointer, ScyWriteWithoutLineTerm) {
  struct Case {
    uint8_t lcdc, ly;
    const char* what;
  } cases[] = {{0x80, 0, "LY = 0"}, {0x80, 144, "V-blank"}, {0x80, 153, "last line"}, {0x00, 50, "LCD off"}};
  for (const Case& c : cases) {
    ResetTestMachine();
    LCDC = c.lcdc;
    LY = c.ly;
    IoWrite(0xFF42, 0x29);
    EXPECT_EQ(MapRow(), 5) << c.what;
    EXPECT_EQ(FineRow, 1) << c.what;
  }
}

TEST(AdvanceRow, MovesToTheNextMapRowAfterEightPixelRows) {
  ResetTestMachine();
  MapPointer = 0x1800 + 32 * 2 + 5;
  FineRow = 6;
  AdvanceRow();
  EXPECT_EQ(FineRow, 7);
  EXPECT_EQ(MapPointer, 0x1800 + 32 * 2 + 5);
  AdvanceRow();
  EXPECT_EQ(FineRow, 0);
  EXPECT_EQ(MapPointer, 0x1800 + 32 * 3 + 5);
}

TEST(AdvanceRow, WrapsFromTheLastMapRowInBothMaps) {
  ResetTestMachine();
  LCDC = 0x80;
  MapPointer = 0x1800 + 32 * 31 + 7;
  FineRow = 7;
  AdvanceRow();
  EXPECT_EQ(MapPointer, 0x1800 + 7) << "map at 0x9800 wraps to its row 0";

  LCDC = 0x88;
  MapPointer = 0x1C00 + 32 * 31 + 7;
  FineRow = 7;
  AdvanceRow();
  EXPECT_EQ(MapPointer, 0x1C00 + 7) << "map at 0x9C00 wraps to its row 0";
}

TEST(BackgroundRow, FineScrollZeroDrawsTwentyWholeTiles) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  for (int c = 0; c < 32; c++) SetMap(0x1800, c, 0, static_cast<uint8_t>(c % 4 + 1));
  for (int t = 1; t <= 4; t++) PutSolidTile(0, t, t - 1);
  RefreshTileCache();
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(10);
  const uint16_t shades[4] = {Shade0, Shade1, Shade2, Shade3};
  for (int x = 0; x < 160; x++) ASSERT_EQ(BgCell(x, 10), shades[(x / 8) % 4]) << "x = " << x;
  EXPECT_EQ(BgCell(5, 9), 0) << "only the given line is drawn";
  EXPECT_EQ(BgColourNumbers[10 * ScreenHeight + 10], 1) << "colour numbers are kept beside the pixels";
}

TEST(BackgroundRow, FineRowSelectsThePixelRowOfTheTiles) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  const char* rows[8] = {"00000000", "00000000", "00000000", "33333333",
                         "00000000", "00000000", "00000000", "00000000"};
  PutTile(0, 0, rows);
  RefreshTileCache();
  SCY = 3;
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade3) << "SCY = 3 shows tile row 3 on line 0";
  AdvanceRow();
  RenderBackgroundRow(1);
  EXPECT_EQ(BgCell(0, 1), Shade0);
}

TEST(BackgroundRow, FineScrollSevenShowsOnlyTheLastPixelOfTheFirstTile) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  SetMap(0x1800, 0, 0, 1);
  SetMap(0x1800, 1, 0, 2);
  const char* first[8] = {"00000003", "00000003", "00000003", "00000003",
                          "00000003", "00000003", "00000003", "00000003"};
  PutTile(0, 1, first);
  PutSolidTile(0, 2, 2);
  RefreshTileCache();
  SCX = 7;
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade3) << "x = 0 is pixel 7 of the first tile";
  for (int x = 1; x <= 8; x++) EXPECT_EQ(BgCell(x, 0), Shade2) << "x = " << x << " belongs to the second tile";
  EXPECT_EQ(BgCell(9, 0), Shade0);
}

TEST(BackgroundRow, ColumnWrapsFrom31ToColumn0OfTheSameRow) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  SetMap(0x1800, 31, 4, 1);
  SetMap(0x1800, 0, 4, 2);
  SetMap(0x1800, 0, 5, 3);  // the next row must not be read
  PutSolidTile(0, 1, 1);
  PutSolidTile(0, 2, 2);
  PutSolidTile(0, 3, 3);
  RefreshTileCache();
  SCX = 248;  // column 31
  SCY = 32;   // row 4
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade1) << "column 31";
  EXPECT_EQ(BgCell(8, 0), Shade2) << "column 0 of row 4";
  EXPECT_EQ(MapPointer, 0x1800 + 32 * 4 + 31) << "drawing a row does not move the pointer";
}

TEST(BackgroundRow, SignedTileDataReadsFrom0x9000) {
  ResetTestMachine();
  LCDC = 0x81;  // tile data bit clear
  SetMap(0x1800, 0, 0, 0x7F);
  SetMap(0x1800, 1, 0, 0x80);
  PutSolidTile(0, 383, 3);  // 0x97F0
  PutSolidTile(0, 128, 2);  // 0x8800
  PutSolidTile(0, 127, 1);  // 0x87F0, must not be used
  RefreshTileCache();
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade3) << "map byte 0x7F -> cache index 383";
  EXPECT_EQ(BgCell(8, 0), Shade2) << "map byte 0x80 -> cache index 128";
}

TEST(BackgroundRow, UsesBackgroundPaletteAndBank0Only) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  IoWrite(0xFF47, 0x1B);  // reversed
  PutSolidTile(0, 0, 1);
  VideoRam[0x2000 + 0x1800] = 5;  // bank 1 map byte: ignored
  RefreshTileCache();
  IoWrite(0xFF4F, 1);
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade2) << "colour 1 through BGP 0x1B is shade 2, from the bank 0 map";
}

TEST(BackgroundRow, LcdOffGivesPlainBackgroundColourZero) {
  ResetTestMachine();
  LCDC = 0x11;
  IoWrite(0xFF47, 0xE7);  // colour 0 -> shade 3
  PutSolidTile(0, 0, 1);
  RefreshTileCache();
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(20);
  for (int x = 0; x < 160; x++) {
    ASSERT_EQ(BgCell(x, 20), Shade3) << "x = " << x;
    ASSERT_EQ(BgColourNumbers[x * ScreenHeight + 20], 0);
  }
}

TEST(BackgroundRow, CopyFillsThePictureArea) {
  ResetTestMachine();
  for (int x = 0; x < 160; x++)
    for (int y = 0; y < 144; y++) BgPicture[x * ScreenHeight + y] = x * 3 + y;
  FillPicture(0xFFFF);
  CopyBgPicture();
  EXPECT_EQ(Pixel(0, 0), 0);
  EXPECT_EQ(Pixel(159, 0), 477);
  EXPECT_EQ(Pixel(7, 100), 121);
  EXPECT_EQ(Pixel(159, 143), 620);
  EXPECT_EQ(Pixel(160, 0), 0xFFFF) << "nothing outside the picture area";
  EXPECT_EQ(Pixel(0, 144), 0xFFFF);
}

// Background rows drawn during the frame use the tiles of the previous
// composition; the frame's composition refreshes them for the next frame.
TEST(BackgroundRow, TileDataWrittenDuringTheFrameShowsOneFrameLater) {
  ResetTestMachine();
  LCDC = LcdOnTiles8000;
  RefreshTileCache();
  for (int i = 0; i < 16; i++) BusWrite(0x8000 + i, 0xFF);  // tile 0 all colour 3
  UpdateMapPointer(MapPointerReason::FrameStart);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade0) << "the stale cache is used until the composition";
  FinishFrame();
  EXPECT_EQ(Pixel(0, 0), Shade0);
  RenderBackgroundRow(0);
  EXPECT_EQ(BgCell(0, 0), Shade3) << "the next frame's rows see the new tile";
}
