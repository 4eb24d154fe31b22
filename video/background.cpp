// The background: one line of the 256x256 map picture, scrolled by SCX and
// SCY as they stand when the line is composed.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

// Line `line` shows map pixel row (line + SCY) mod 256, from map column
// SCX / 8 on, with the first tile cut by SCX mod 8. The columns wrap from 31
// to 0 within the map row. The map is always read from bank 0.
void DrawBackgroundLine(int line, uint16_t* pixels, uint8_t* numbers) {
  const uint8_t lcdc = LCDC;
  uint16_t colours[4];
  ShadeColoursOf(0, colours);
  const int y = (line + SCY) & 0xFF;
  const uint8_t* row = VideoRam + ((lcdc & LcdcBgMap) ? MapBase1 : MapBase0) + MapColumns * (y >> 3);
  const int fine = y & 7;
  int column = SCX >> 3;
  const int scroll = SCX & 7;
  auto tile_row = [&](int c) { return TileCache[BgTileIndex(row[c & (MapColumns - 1)], lcdc)] + fine; };

  // The first tile shows its pixels scroll..7 at x = 0; then whole tiles;
  // the last shows its first `scroll` pixels at the right edge.
  DrawTileRow(tile_row(column++), scroll, 8, -scroll, colours, pixels, numbers);
  int x = 8 - scroll;
  for (; x + 8 <= ScreenWidth; x += 8) DrawWholeTileRow(tile_row(column++), pixels + x, numbers + x, colours);
  if (x < ScreenWidth) DrawTileRow(tile_row(column), 0, ScreenWidth - x, x, colours, pixels, numbers);
}
