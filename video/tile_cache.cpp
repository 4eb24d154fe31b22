// Tiles decoded from video RAM into colour numbers, once per change.
#include "memory/bus.h"
#include "video/renderer.h"


namespace {

// The tiles whose TileValid is 0, each listed once: a line's composition
// decodes just these instead of looking at all 1024 entries.

// One bit plane byte spread over the 2-bit fields of a row: bit b of the
// byte (pixel 7 - b, the leftmost pixel in bit 7) goes to bit 2 * (7 - b),
// or for the row read backwards to bit 2 * b.
struct SpreadTables {
  uint16_t forwards[256];
  uint16_t backwards[256];
  constexpr SpreadTables() : forwards(), backwards() {
    for (int byte = 0; byte < 256; byte++) {
      for (int b = 0; b < 8; b++) {
        if (!(byte >> b & 1)) continue;
        forwards[byte] = static_cast<uint16_t>(forwards[byte] | 1 << (2 * (7 - b)));
        backwards[byte] = static_cast<uint16_t>(backwards[byte] | 1 << (2 * b));
      }
    }
  }
};
constexpr SpreadTables Spread;

}  // namespace

// A processor write into the tile's 16 bytes makes its entry stale; it is
// decoded again before the next line is composed.
void MarkTileDirty(Console& m, int tile) {
  tile &= TileCount - 1;
  constexpr int FirstMapBlock = MapBase0 >> 4;  // the maps are 16-byte blocks too, two per row
  const int block = tile & (Bank1Tiles - 1);
  if (block >= FirstMapBlock) m.renderer.map_row_changes[(block - FirstMapBlock) >> 1]++;
  else PictureChanged(m.renderer);
  if (!m.tiles.valid[tile]) return;  // already listed
  m.tiles.valid[tile] = 0;
  if (m.tiles.stale_count < TileCount) m.tiles.stale[m.tiles.stale_count++] = static_cast<uint16_t>(tile);
}

void InvalidateTileCache(Console& m) {
  PictureChanged(m.renderer);
  for (int i = 0; i < TileCount; i++) {
    m.tiles.valid[i] = 0;
    m.tiles.stale[i] = static_cast<uint16_t>(i);
  }
  m.tiles.stale_count = TileCount;
}

// Each pixel row is two bytes: the low bit plane, then the high one, with
// the leftmost pixel in bit 7.
void DecodeTile(Console& m, int index) {
  const uint8_t* bytes = m.mem.video_ram + 16 * index;
  uint16_t(&rows)[2][8] = m.tiles.rows[index];
  for (int row = 0; row < 8; row++) {
    const int low = bytes[2 * row], high = bytes[2 * row + 1];
    rows[0][row] = static_cast<uint16_t>(Spread.forwards[low] | Spread.forwards[high] << 1);
    rows[1][row] = static_cast<uint16_t>(Spread.backwards[low] | Spread.backwards[high] << 1);
  }
  m.tiles.valid[index] = 1;
}

void RefreshTileCache(Console& m) {
  for (int i = 0; i < m.tiles.stale_count; i++) DecodeTile(m, m.tiles.stale[i]);
  m.tiles.stale_count = 0;
}
