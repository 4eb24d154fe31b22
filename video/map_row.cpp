// One pixel row of background or window map tiles, with the tile
// attributes of colour cartridges.
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/machine.h"
#include "video/renderer.h"

namespace {

// The attributes of a monochrome cartridge's map row.
const uint8_t NoAttributes[MapColumns] = {};

// One tile's pixel row, resolved from its map byte and attributes: pixel 0
// of the row in the column-major cache, the pixels of its palette, the flag
// that goes beside its colour numbers, and whether it is read backwards
// (flipped horizontally). A flipped tile is read from the same decoded
// copy: vertically the other row, horizontally the other direction.
struct TileRow {
  const uint8_t* source;
  const uint16_t* colours;
  uint8_t priority;
  bool flip_x;
};

// palette_mask is 7 in true colours and 0 otherwise, where every tile takes
// BGP's shades from palette 0.
inline TileRow ResolveTile(uint8_t map_byte, uint8_t attributes, int fine, uint8_t lcdc, int palette_mask) {
  const int index = BgTileIndex(map_byte, lcdc) + ((attributes & AttrTileBank) ? Bank1Tiles : 0);
  return {TileCache[index] + ((attributes & AttrFlipY) ? 7 - fine : fine), BgPixels[attributes & palette_mask],
          static_cast<uint8_t>((attributes & AttrPriority) ? BgPriorityFlag : 0),
          static_cast<bool>(attributes & AttrFlipX)};
}

// Pixels first..last-1 of a tile row at x0 of the line, and with Numbers
// their colour numbers and priority flag beside the line.
template <bool FlipX, bool Numbers>
inline void DrawPixels(const TileRow& tile, int first, int last, int x0, uint16_t* pixels, uint8_t* numbers) {
  for (int i = first; i < last; i++) {
    const uint8_t n = tile.source[(FlipX ? 7 - i : i) * 8];
    pixels[x0 + i] = tile.colours[n];
    if (Numbers) numbers[x0 + i] = n | tile.priority;
  }
}

template <bool Numbers>
inline void DrawTile(const TileRow& tile, int first, int last, int x0, uint16_t* pixels, uint8_t* numbers) {
  if (tile.flip_x) DrawPixels<true, Numbers>(tile, first, last, x0, pixels, numbers);
  else DrawPixels<false, Numbers>(tile, first, last, x0, pixels, numbers);
}

// The first tile may be cut on the left, the last on the right; those
// between are drawn whole, with a fixed count the compiler unrolls.
template <bool Numbers>
void DrawRow(const uint8_t* row, int column, int x, int fine, uint16_t* pixels, uint8_t* numbers) {
  const uint8_t lcdc = LCDC;
  const uint8_t* attributes = ColourCartridge ? row + AttributeBankOffset : NoAttributes;
  const int palette_mask = TrueColours ? AttrPalette : 0;
  auto tile = [&]() {
    const int c = column++ & (MapColumns - 1);
    return ResolveTile(row[c], attributes[c], fine, lcdc, palette_mask);
  };
  if (x < 0) {
    DrawTile<Numbers>(tile(), -x, 8, x, pixels, numbers);
    x += 8;
  }
  for (; x + 8 <= ScreenWidth; x += 8) DrawTile<Numbers>(tile(), 0, 8, x, pixels, numbers);
  if (x < ScreenWidth) DrawTile<Numbers>(tile(), 0, ScreenWidth - x, x, pixels, numbers);
}

}  // namespace

void DrawMapRow(const uint8_t* row, int column, int x0, int fine, uint16_t* pixels, uint8_t* numbers) {
  if (numbers) DrawRow<true>(row, column, x0, fine, pixels, numbers);
  else DrawRow<false>(row, column, x0, fine, pixels, nullptr);
}
