// The background: one pixel row per visible line, drawn into a picture of
// its own with the scroll position of that moment, and copied into the work
// bitmap once per frame.
#include <allegro.h>

#include <cstring>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "shell/display.h"
#include "video/renderer.h"

int BgPicture[PicturePixels];
uint8_t BgColourNumbers[PicturePixels];
uint8_t PictureColourNumbers[PicturePixels];
uint16_t MapPointer = 0x1800;
uint8_t FineRow = 0;

namespace {

constexpr uint16_t MapBase0 = 0x1800;  // 0x9800 in bank 0
constexpr uint16_t MapBase1 = 0x1C00;  // 0x9C00 in bank 0
constexpr uint16_t MapRowBytes = 32;
constexpr uint16_t MapBytes = 0x400;   // 32 rows of 32 columns
constexpr uint16_t ColumnBits = 0x001F;
constexpr uint16_t RowBits = 0x03E0;
constexpr int TilesPerRow = 21;        // 20 visible plus one for the fine scroll

uint16_t MapBase() { return (LCDC & LcdcBgMap) ? MapBase1 : MapBase0; }

}  // namespace

void UpdateMapPointer(MapPointerReason reason) {
  switch (reason) {
    case MapPointerReason::LcdcWritten:
      // Only the map base changes; the row and column stay.
      MapPointer = static_cast<uint16_t>((MapPointer & (MapBytes - 1)) | MapBase());
      break;
    case MapPointerReason::ScxWritten:
      MapPointer = static_cast<uint16_t>((MapPointer & ~ColumnBits) + (SCX >> 3));
      break;
    case MapPointerReason::ScyWritten: {
      // During the visible lines the map row moves on by the tile rows this
      // frame has already passed, so that the rows still to come continue
      // below them; the fine row is taken as written.
      FineRow = SCY & 7;
      int row = SCY >> 3;
      if ((LCDC & LcdcLcdOn) && LY >= 1 && LY <= 143) row = (row + ((LY + 1) >> 3)) & 31;
      MapPointer = static_cast<uint16_t>((MapPointer & ~RowBits) | (row << 5));
      break;
    }
    case MapPointerReason::FrameStart:
      MapPointer = static_cast<uint16_t>(MapBase() + MapRowBytes * (SCY >> 3) + (SCX >> 3));
      FineRow = SCY & 7;
      break;
  }
}

void AdvanceRow() {
  if (++FineRow <= 7) return;
  FineRow = 0;
  MapPointer += MapRowBytes;
  // The 32 map rows wrap around within the map that LCDC selects now.
  if (MapPointer >= MapBase() + MapBytes) MapPointer -= MapBytes;
}

void RenderBackgroundRow(int line) {
  int* cells = BgPicture + line;              // cell (x, line) at x * 144 + line
  uint8_t* numbers = BgColourNumbers + line;
  if (!(LCDC & LcdcLcdOn)) {
    // LCD off: a plain row of background colour number 0.
    const int colour = ShadeColour(0, 0);
    for (int x = 0; x < ScreenWidth; x++) {
      cells[x * ScreenHeight] = colour;
      numbers[x * ScreenHeight] = 0;
    }
    return;
  }

  const int colours[4] = {ShadeColour(0, 0), ShadeColour(0, 1), ShadeColour(0, 2), ShadeColour(0, 3)};
  // Bank 0 always; the pointer stays inside one 1 KiB map, the mask only
  // guards the array.
  const uint8_t* row = VideoRam + (MapPointer & 0x1FE0);
  const int column = MapPointer & ColumnBits;
  const int fine = FineRow & 7;
  const uint8_t lcdc = LCDC;
  const int scroll = SCX & 7;
  for (int k = 0; k < TilesPerRow; k++) {
    const uint8_t* tile = TileCache[BgTileIndex(row[(column + k) & ColumnBits], lcdc)] + fine;
    // Tile k covers x = 8k - scroll .. 8k - scroll + 7; only the first and
    // the last tile are cut by the picture's edges.
    const int x0 = 8 * k - scroll;
    const int first = x0 < 0 ? -x0 : 0;
    const int last = x0 + 8 > ScreenWidth ? ScreenWidth - x0 : 8;
    if (first >= last) continue;  // the 21st tile lies wholly right of the picture
    const uint8_t* source = tile + first * 8;
    int* cell = cells + (x0 + first) * ScreenHeight;
    uint8_t* number = numbers + (x0 + first) * ScreenHeight;
    for (int i = first; i < last; i++, source += 8, cell += ScreenHeight, number += ScreenHeight) {
      const uint8_t n = *source;
      *cell = colours[n];
      *number = n;
    }
  }
}

// BgPicture is column-major and the bitmap row-major: the copy goes in
// strips of 16 columns, so that both sides are walked in order.
void CopyBgPicture() {
  constexpr int Strip = 16;
  static_assert(ScreenWidth % Strip == 0, "whole strips");
  for (int x0 = 0; x0 < ScreenWidth; x0 += Strip) {
    const int* columns = BgPicture + x0 * ScreenHeight;
    for (int y = 0; y < ScreenHeight; y++) {
      uint16_t* pixels = reinterpret_cast<uint16_t*>(WorkBitmap->line[y]) + x0;
      for (int i = 0; i < Strip; i++) pixels[i] = static_cast<uint16_t>(columns[i * ScreenHeight + y]);
    }
  }
  std::memcpy(PictureColourNumbers, BgColourNumbers, sizeof PictureColourNumbers);
}
