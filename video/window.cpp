// The window: one 160x144 block of tiles from the map at 0x9C00, drawn whole
// over the background at V-blank.
#include <allegro.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "shell/display.h"
#include "video/renderer.h"

namespace {

constexpr int WindowMap = 0x1C00;  // 0x9C00 of the bank VBK selects
constexpr int WindowColumns = 20, WindowRows = 18;
constexpr int WindowXOffset = 7;

}  // namespace

// Drawn opaque with the background palette at (WX - 7, WY). Pixels left of
// the picture are dropped; to the right and below the work bitmap has room
// for the whole block (up to x = 302, y = 398), which is never shown.
void DrawWindow() {
  if (!(LCDC & LcdcLcdOn)) return;
  const int colours[4] = {ShadeColour(0, 0), ShadeColour(0, 1), ShadeColour(0, 2), ShadeColour(0, 3)};
  const uint8_t* map = VideoRam + (VBK & 1) * 0x2000 + WindowMap;
  const uint8_t lcdc = LCDC;
  const int left = WX - WindowXOffset, top = WY;

  for (int r = 0; r < WindowRows; r++) {
    for (int j = 0; j < 8; j++) {
      const int y = top + 8 * r + j;
      if (y >= WorkBitmap->h) return;
      uint16_t* pixels = reinterpret_cast<uint16_t*>(WorkBitmap->line[y]);
      const bool in_picture = y < ScreenHeight;
      for (int c = 0; c < WindowColumns; c++) {
        const uint8_t* tile = TileCache[BgTileIndex(map[32 * r + c], lcdc)] + j;
        const int x0 = left + 8 * c;
        for (int i = 0; i < 8; i++) {
          const int x = x0 + i;
          if (x < 0 || x >= WorkBitmap->w) continue;
          const int n = tile[i * 8];
          pixels[x] = static_cast<uint16_t>(colours[n]);
          if (in_picture && x < ScreenWidth) PictureColourNumbers[x * ScreenHeight + y] = static_cast<uint8_t>(n);
        }
      }
    }
  }
}
