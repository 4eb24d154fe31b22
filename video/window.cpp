// The window: an unscrolled layer from its own map, drawn over the
// background from screen x = WX - 7 to the right edge.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

namespace {

constexpr int WindowXOffset = 7;

}  // namespace

// Draws window row WindowLine (the caller counts it on). The map is chosen
// by LCDC bit 6 and read from bank 0; colour number 0 is drawn like any
// other, so the window is opaque. Columns left of x = 0 are cut (WX is at
// least 0, so the first tile always shows at least its last pixel).
void DrawWindowLine(uint16_t* pixels, uint8_t* numbers) {
  const uint8_t lcdc = LCDC;
  uint16_t colours[4];
  ShadeColoursOf(0, colours);
  const uint8_t* row =
      VideoRam + ((lcdc & LcdcWindowMap) ? MapBase1 : MapBase0) + MapColumns * ((WindowLine >> 3) & 31);
  const int fine = WindowLine & 7;
  auto tile_row = [&](int c) { return TileCache[BgTileIndex(row[c], lcdc)] + fine; };

  const int left = WX - WindowXOffset;
  int c = 0, x = left;
  if (x < 0) {
    DrawTileRow(tile_row(c++), -x, 8, x, colours, pixels, numbers);
    x += 8;
  }
  for (; x + 8 <= ScreenWidth; x += 8) DrawWholeTileRow(tile_row(c++), pixels + x, numbers + x, colours);
  if (x < ScreenWidth) DrawTileRow(tile_row(c), 0, ScreenWidth - x, x, colours, pixels, numbers);
}
