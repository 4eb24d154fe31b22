// Sprites: the 40 OAM entries drawn in order over the picture at V-blank.
#include <allegro.h>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "shell/display.h"
#include "video/renderer.h"

namespace {

constexpr uint8_t AttrBehind = 0x80;
constexpr uint8_t AttrFlipY = 0x40;
constexpr uint8_t AttrFlipX = 0x20;
constexpr uint8_t AttrPalette = 0x10;  // 0 = OBP0, 1 = OBP1
constexpr uint8_t AttrBank = 0x08;     // tile from video RAM bank 1
constexpr int SpriteCount = 40;
constexpr int SpriteXOffset = 8, SpriteYOffset = 16;
constexpr int Bank1Tiles = 512;

}  // namespace

// Colour number 0 is transparent. Pixels outside the 160x144 picture are
// dropped on every side. A behind tile shows only over pixels whose
// background or window colour number is 0.
void DrawSpriteTile(int x, int y, int index, int palette, bool flip_x, bool flip_y, bool behind) {
  if (x >= ScreenWidth || y >= ScreenHeight) return;
  const uint8_t* tile = TileCache[index];
  const int* shades = ShadeMap[palette];
  for (int r = 0; r < 8; r++) {
    const int py = y + r;
    if (py < 0 || py >= ScreenHeight) continue;
    uint16_t* pixels = reinterpret_cast<uint16_t*>(WorkBitmap->line[py]);
    const int source_y = flip_y ? 7 - r : r;
    for (int c = 0; c < 8; c++) {
      const int px = x + c;
      if (px < 0 || px >= ScreenWidth) continue;
      const int n = tile[(flip_x ? 7 - c : c) * 8 + source_y];
      if (n == 0) continue;
      if (behind && PictureColourNumbers[px * ScreenHeight + py] != 0) continue;
      pixels[px] = static_cast<uint16_t>(ShadeColours[shades[n]]);
    }
  }
}

// Entries of one class in OAM order, later over earlier; no per-line limit.
void DrawSprites(SpriteClass cls) {
  const bool behind = cls == SpriteClass::Behind;
  const bool tall = LCDC & LcdcSpriteSize;
  for (int e = 0; e < SpriteCount; e++) {
    const uint8_t* entry = Oam + 4 * e;
    const uint8_t attr = entry[3];
    if (((attr & AttrBehind) != 0) != behind) continue;
    const int x = entry[1] - SpriteXOffset, y = entry[0] - SpriteYOffset;
    const int palette = 1 + ((attr & AttrPalette) ? 1 : 0);
    const bool flip_x = attr & AttrFlipX, flip_y = attr & AttrFlipY;
    if (!tall) {
      const int tile = entry[2] + ((attr & AttrBank) ? Bank1Tiles : 0);
      DrawSpriteTile(x, y, tile, palette, flip_x, flip_y, behind);
    } else {
      // The pair is the even tile and the next, always from bank 0.
      const int top = entry[2] & 0xFE;
      DrawSpriteTile(x, y, flip_y ? top + 1 : top, palette, flip_x, flip_y, behind);
      DrawSpriteTile(x, y + 8, flip_y ? top : top + 1, palette, flip_x, flip_y, behind);
    }
  }
}
