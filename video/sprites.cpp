// Sprites: on each line, the first ten OAM entries whose rows cover it,
// drawn in priority order over the background and window.
#include <cstring>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/machine.h"
#include "video/renderer.h"

namespace {

constexpr uint8_t AttrBehind = 0x80;
constexpr uint8_t AttrFlipY = 0x40;
constexpr uint8_t AttrFlipX = 0x20;
constexpr uint8_t AttrPalette = 0x10;  // 0 = OBP0, 1 = OBP1
constexpr uint8_t AttrBank = 0x08;     // colour cartridges: tile from video RAM bank 1
constexpr int SpriteCount = 40;
constexpr int SpritesPerLine = 10;
constexpr int SpriteXOffset = 8, SpriteYOffset = 16;
constexpr int Bank1Tiles = 512;

// The entries of OAM whose rows cover the line, at most ten, in OAM order.
// X plays no part in the choice: a sprite off the picture's left or right
// edge still takes its place.
int ChooseSprites(int line, int height, int chosen[SpritesPerLine]) {
  int count = 0;
  const unsigned first_row = static_cast<unsigned>(line + SpriteYOffset);
  for (int e = 0; e < SpriteCount; e++) {
    // The sprite's row on this line, 0..height-1 when it covers the line.
    if (first_row - Oam[4 * e] < static_cast<unsigned>(height)) {
      chosen[count++] = e;
      if (count == SpritesPerLine) break;
    }
  }
  return count;
}

// Monochrome cartridges: the smaller X wins, and for equal X the earlier
// entry. A stable insertion sort keeps OAM order among equal X.
void SortByX(int chosen[SpritesPerLine], int count) {
  for (int i = 1; i < count; i++) {
    const int e = chosen[i];
    int j = i;
    for (; j > 0 && Oam[4 * chosen[j - 1] + 1] > Oam[4 * e + 1]; j--) chosen[j] = chosen[j - 1];
    chosen[j] = e;
  }
}

}  // namespace

// Sprites are drawn from the highest priority down, and a sprite pixel
// that is not transparent claims its position: a lower sprite cannot show
// there even where the claiming sprite, being of the behind class, gives
// way to the background.
void DrawSpriteLine(int line, uint16_t* pixels, const uint8_t* numbers, bool hide_behind) {
  const int height = (LCDC & LcdcSpriteSize) ? 16 : 8;
  int chosen[SpritesPerLine];
  const int count = ChooseSprites(line, height, chosen);
  if (count == 0) return;
  if (!ColourCartridge) SortByX(chosen, count);

  uint8_t claimed[ScreenWidth];
  std::memset(claimed, 0, sizeof claimed);
  for (int i = 0; i < count; i++) {
    const uint8_t* entry = Oam + 4 * chosen[i];
    const int x = entry[1] - SpriteXOffset;
    if (x <= -8 || x >= ScreenWidth) continue;
    const uint8_t attr = entry[3];
    int row = line + SpriteYOffset - entry[0];
    if (attr & AttrFlipY) row = height - 1 - row;
    // At height 16 the pair is the even tile and the next one.
    int tile = height == 16 ? (entry[2] & 0xFE) | (row >> 3) : entry[2];
    if (ColourCartridge && (attr & AttrBank)) tile += Bank1Tiles;
    const uint8_t* source = TileCache[tile] + (row & 7);
    const int* shades = ShadeMap[(attr & AttrPalette) ? 2 : 1];
    const bool behind = hide_behind && (attr & AttrBehind);
    const bool flip_x = attr & AttrFlipX;
    for (int c = 0; c < 8; c++) {
      const int px = x + c;
      if (px < 0 || px >= ScreenWidth || claimed[px]) continue;
      const int n = source[(flip_x ? 7 - c : c) * 8];
      if (n == 0) continue;
      claimed[px] = 1;
      if (behind && numbers[px] != 0) continue;
      pixels[px] = static_cast<uint16_t>(ShadeColours[shades[n]]);
    }
  }
}
