// The window: an unscrolled layer from its own map, drawn over the
// background from screen x = WX - 7 to the right edge.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

// Draws window row WindowLine (the caller counts it on) from the map that
// LCDC bit 6 chooses, from screen x = x0 (WX - 7 but where the window
// started earlier on a line drawn in pieces). Colour number 0 is drawn like
// any other, so the window is opaque. Columns left of x = 0 are cut (x0 is
// at least -7, so the first tile always shows at least its last pixel).
void DrawWindowLine(Console& m, int x0, uint16_t* pixels, uint8_t* numbers) {
  const uint8_t* row =
      m.mem.video_ram + ((m.lcd.LCDC & LcdcWindowMap) ? MapBase1 : MapBase0) + MapColumns * ((m.renderer.window_line >> 3) & 31);
  DrawMapRow(m, row, 0, x0, m.renderer.window_line & 7, pixels, numbers);
}
