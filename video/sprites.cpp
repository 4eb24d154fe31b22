// Sprites: on each line, the first ten OAM entries whose rows cover it,
// drawn in priority order over the background and window.
#include <algorithm>
#include <cstring>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/console.h"
#include "video/renderer.h"

namespace {

// Sprite attributes; the flips are the map tiles' bits (AttrFlipX,
// AttrFlipY), and so are the palette bits 0-2 of colour cartridges.
constexpr uint8_t AttrBehind = 0x80;
constexpr uint8_t AttrShadeMap = 0x10;  // monochrome cartridges: 0 = OBP0, 1 = OBP1
constexpr uint8_t AttrBank = 0x08;      // colour cartridges: tile from video RAM bank 1
constexpr int SpriteCount = 40;
constexpr int SpriteXOffset = 8, SpriteYOffset = 16;

int SpriteHeight(Console& m) { return (m.lcd.LCDC & LcdcSpriteSize) ? 16 : 8; }

// Monochrome cartridges: the smaller X wins, and for equal X the earlier
// entry. A stable insertion sort keeps OAM order among equal X.
void SortByX(Console& m, int chosen[SpritesPerLine], int count) {
  for (int i = 1; i < count; i++) {
    const int e = chosen[i];
    int j = i;
    for (; j > 0 && m.mem.oam[4 * chosen[j - 1] + 1] > m.mem.oam[4 * e + 1]; j--) chosen[j] = chosen[j - 1];
    chosen[j] = e;
  }
}

// The choice of every visible line at once, made from OAM and the sprite
// height as they stood when it was made (OamChanges then): most games
// change OAM once a frame, so that one pass over the 40 entries serves all
// 144 lines. Derived from OAM alone, so kept out of states.

// Each entry in OAM order joins the lines its rows cover, as long as they
// have room.
void ChooseForEveryLine(Console& m, int height) {
  std::memset(m.renderer.line_sprite_count, 0, sizeof m.renderer.line_sprite_count);
  for (int e = 0; e < SpriteCount; e++) {
    const int top = m.mem.oam[4 * e] - SpriteYOffset;
    const int end = std::min(top + height, ScreenHeight);
    for (int line = std::max(top, 0); line < end; line++) {
      if (m.renderer.line_sprite_count[line] < SpritesPerLine) m.renderer.line_sprites[line][m.renderer.line_sprite_count[line]++] = static_cast<uint8_t>(e);
    }
  }
  m.renderer.sprites_chosen_at = m.mem.oam_changes;
  m.renderer.sprites_chosen_height = height;
}

}  // namespace

// A sprite off the picture's left or right edge still takes its place.
int ChooseSprites(Console& m, int line, int chosen[SpritesPerLine]) {
  const int height = SpriteHeight(m);
  if (height != m.renderer.sprites_chosen_height || m.renderer.sprites_chosen_at != m.mem.oam_changes) ChooseForEveryLine(m, height);
  const int count = m.renderer.line_sprite_count[line];
  for (int i = 0; i < count; i++) chosen[i] = m.renderer.line_sprites[line][i];
  return count;
}

int SpritesOnLine(Console& m, int line) {
  const int height = SpriteHeight(m);
  if (height != m.renderer.sprites_chosen_height || m.renderer.sprites_chosen_at != m.mem.oam_changes) ChooseForEveryLine(m, height);
  return m.renderer.line_sprite_count[line];
}

// Sprites are drawn from the highest priority down: for a colour cartridge
// in OAM order, for a monochrome one by X. A sprite pixel that is not
// transparent claims its position: a lower sprite cannot show there even
// where the claiming sprite gives way to the background.
void DrawSpriteLine(Console& m, int line, const int chosen_in_oam_order[SpritesPerLine], int count, uint16_t* pixels,
                    const uint8_t* numbers, bool background_wins) {
  const int height = SpriteHeight(m);
  int chosen[SpritesPerLine];
  for (int i = 0; i < count; i++) chosen[i] = chosen_in_oam_order[i];
  if (!m.cart.colour) SortByX(m, chosen, count);

  uint8_t claimed[ScreenWidth];
  std::memset(claimed, 0, sizeof claimed);
  for (int i = 0; i < count; i++) {
    const uint8_t* entry = m.mem.oam + 4 * chosen[i];
    const int x = entry[1] - SpriteXOffset;
    if (x <= -8 || x >= ScreenWidth) continue;
    const uint8_t attr = entry[3];
    int row = line + SpriteYOffset - entry[0];
    if (attr & AttrFlipY) row = height - 1 - row;
    // At height 16 the pair is the even tile and the next one.
    int tile = height == 16 ? (entry[2] & 0xFE) | (row >> 3) : entry[2];
    if (m.cart.colour && (attr & AttrBank)) tile += Bank1Tiles;
    const unsigned bits = m.tiles.rows[tile][(attr & AttrFlipX) ? 1 : 0][row & 7];
    const uint16_t* colours = m.palettes.sprite_pixels[m.cart.colour ? attr & AttrPalette : (attr & AttrShadeMap) ? 1 : 0];
    // Background colours 1-3 hide a sprite of the behind class, and where
    // their tile has the priority flag, every sprite.
    const uint8_t hiding_flags = (attr & AttrBehind) ? 0xFF : BgPriorityFlag;
    for (int c = 0; c < 8; c++) {
      const int px = x + c;
      if (px < 0 || px >= ScreenWidth || claimed[px]) continue;
      const int n = bits >> (2 * c) & 3;
      if (n == 0) continue;
      claimed[px] = 1;
      const uint8_t under = numbers[px];
      if (background_wins && (under & 3) && (under & hiding_flags)) continue;
      pixels[px] = colours[n];
    }
  }
}
