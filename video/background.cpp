// The background: one line of the 256x256 map picture, scrolled by SCX and
// SCY as they stand when the line is composed.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

// Line `line` shows map pixel row (line + SCY) mod 256, from map column
// SCX / 8 on, with the first tile cut by SCX mod 8.
void DrawBackgroundLine(int line, uint16_t* pixels, uint8_t* numbers) {
  const int y = (line + SCY) & 0xFF;
  const uint8_t* row = VideoRam + ((LCDC & LcdcBgMap) ? MapBase1 : MapBase0) + MapColumns * (y >> 3);
  DrawMapRow(row, SCX >> 3, -(SCX & 7), y & 7, pixels, numbers);
}
