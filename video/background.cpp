// The background: one line of the 256x256 map picture, scrolled by SCX (or
// the scroll given) and SCY as they stand when the line is composed.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

// Line `line` shows map pixel row (line + SCY) mod 256, from map column
// scx / 8 on, with the first tile cut by scx mod 8.
void DrawBackgroundLine(Console& m, int line, int scx, uint16_t* pixels, uint8_t* numbers) {
  const int y = (line + m.lcd.SCY) & 0xFF;
  const uint8_t* row = m.mem.video_ram + ((m.lcd.LCDC & LcdcBgMap) ? MapBase1 : MapBase0) + MapColumns * (y >> 3);
  DrawMapRow(m, row, scx >> 3, -(scx & 7), y & 7, pixels, numbers);
}
