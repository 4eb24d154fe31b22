// The window: an unscrolled layer from its own map, drawn over the
// background from screen x = WX - 7 to the right edge.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

namespace {

constexpr int WindowXOffset = 7;

}  // namespace

// Draws window row WindowLine (the caller counts it on) from the map that
// LCDC bit 6 chooses. Colour number 0 is drawn like any other, so the
// window is opaque. Columns left of x = 0 are cut (WX is at least 0, so the
// first tile always shows at least its last pixel).
void DrawWindowLine(uint16_t* pixels, uint8_t* numbers) {
  const uint8_t* row =
      VideoRam + ((LCDC & LcdcWindowMap) ? MapBase1 : MapBase0) + MapColumns * ((WindowLine >> 3) & 31);
  DrawMapRow(row, 0, WX - WindowXOffset, WindowLine & 7, pixels, numbers);
}
