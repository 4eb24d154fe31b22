// One pixel row of background or window map tiles, with the tile
// attributes of colour cartridges.
#include <cstring>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/console.h"
#include "video/renderer.h"

namespace {

constexpr int TileWidth = 8;

// The colour numbers of four pixels (a byte of a tile row) as four bytes,
// the first at the lower address: what the sprites are drawn against.
struct NumberTable {
  uint32_t bytes[256];
  NumberTable() {
    for (int quad = 0; quad < 256; quad++) {
      const uint8_t four[4] = {static_cast<uint8_t>(quad & 3), static_cast<uint8_t>(quad >> 2 & 3),
                               static_cast<uint8_t>(quad >> 4 & 3), static_cast<uint8_t>(quad >> 6)};
      std::memcpy(&bytes[quad], four, sizeof four);
    }
  }
};
const NumberTable NumberQuads;

// The flag beside all four colour numbers of a quad.
constexpr uint32_t PriorityQuad = BgPriorityFlag * 0x01010101u;

// One tile's pixel row, resolved from its map byte and attributes: its
// 16-bit row (read backwards when the tile is flipped horizontally, the
// other row when flipped vertically), the pixel quads of its palette and
// the flag that goes beside its colour numbers.
struct TileRow {
  unsigned bits;
  const uint64_t* quads;
  uint32_t priority;
};

// Map bytes become cache indices as BgTileIndex says: with unsigned tile
// data as they are, otherwise with bit 7 flipped and 128 added.
struct TileNumbering {
  int flip, base;
  explicit TileNumbering(uint8_t lcdc)
      : flip((lcdc & LcdcTileData) ? 0 : 0x80), base((lcdc & LcdcTileData) ? 0 : 128) {}
  int index(uint8_t map_byte) const { return (map_byte ^ flip) + base; }
};

inline TileRow ResolveTile(Console& m, uint8_t map_byte, uint8_t attributes, int fine, const TileNumbering& numbering) {
  const int index = numbering.index(map_byte) + ((attributes & AttrTileBank) ? Bank1Tiles : 0);
  const int y = (attributes & AttrFlipY) ? 7 - fine : fine;
  return {m.tiles.rows[index][(attributes & AttrFlipX) ? 1 : 0][y], m.palettes.bg_quads[attributes & AttrPalette],
          (attributes & AttrPriority) ? PriorityQuad : 0};
}

// The eight pixels of a tile row, and with Numbers their colour numbers
// and priority flag, four at a time.
template <bool Numbers>
inline void DrawTile(const TileRow& tile, uint16_t* pixels, uint8_t* numbers) {
  std::memcpy(pixels, &tile.quads[tile.bits & 0xFF], sizeof(uint64_t));
  std::memcpy(pixels + 4, &tile.quads[tile.bits >> 8], sizeof(uint64_t));
  if (Numbers) {
    const uint32_t low = NumberQuads.bytes[tile.bits & 0xFF] | tile.priority;
    const uint32_t high = NumberQuads.bytes[tile.bits >> 8] | tile.priority;
    std::memcpy(numbers, &low, sizeof low);
    std::memcpy(numbers + 4, &high, sizeof high);
  }
}

// Pixels first..last-1 of a tile at x of the line: the first tile may be
// cut on the left, the last on the right. Drawn whole aside, then copied.
template <bool Numbers>
inline void DrawPartTile(const TileRow& tile, int first, int last, int x, uint16_t* pixels, uint8_t* numbers) {
  uint16_t tile_pixels[TileWidth];
  uint8_t tile_numbers[TileWidth];
  DrawTile<Numbers>(tile, tile_pixels, tile_numbers);
  std::memcpy(pixels + x + first, tile_pixels + first, static_cast<size_t>(last - first) * sizeof(uint16_t));
  if (Numbers) std::memcpy(numbers + x + first, tile_numbers + first, static_cast<size_t>(last - first));
}

// Attributes: a colour cartridge, whose tiles have them in bank 1 and take
// their palette from them; a monochrome cartridge's tiles all take BGP's
// shades from palette 0.
template <bool Numbers, bool Attributes>
void DrawRow(Console& m, const uint8_t* row, int column, int x, int fine, uint16_t* pixels, uint8_t* numbers) {
  const TileNumbering numbering(m.lcd.LCDC);
  auto tile = [&]() {
    const int c = column++ & (MapColumns - 1);
    if (Attributes) return ResolveTile(m, row[c], row[c + AttributeBankOffset], fine, numbering);
    return TileRow{m.tiles.rows[numbering.index(row[c])][0][fine], m.palettes.bg_quads[0], 0};
  };
  if (x < 0) {
    DrawPartTile<Numbers>(tile(), -x, TileWidth, x, pixels, numbers);
    x += TileWidth;
  }
  for (; x + TileWidth <= ScreenWidth; x += TileWidth)
    DrawTile<Numbers>(tile(), pixels + x, Numbers ? numbers + x : nullptr);
  if (x < ScreenWidth) DrawPartTile<Numbers>(tile(), 0, ScreenWidth - x, x, pixels, numbers);
}

}  // namespace

void DrawMapRow(Console& m, const uint8_t* row, int column, int x0, int fine, uint16_t* pixels, uint8_t* numbers) {
  if (m.cart.colour) {
    if (numbers) DrawRow<true, true>(m, row, column, x0, fine, pixels, numbers);
    else DrawRow<false, true>(m, row, column, x0, fine, pixels, nullptr);
  } else {
    if (numbers) DrawRow<true, false>(m, row, column, x0, fine, pixels, numbers);
    else DrawRow<false, false>(m, row, column, x0, fine, pixels, nullptr);
  }
}
