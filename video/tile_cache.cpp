// Tiles decoded from video RAM into colour numbers, once per change.
#include "memory/bus.h"
#include "video/renderer.h"

uint8_t TileCache[TileCount][64];
uint8_t TileValid[TileCount];

namespace {

// The tiles whose TileValid is 0, each listed once: a line's composition
// decodes just these instead of looking at all 1024 entries.
uint16_t StaleTiles[TileCount];
int StaleTileCount = 0;

}  // namespace

// A processor write into the tile's 16 bytes makes its entry stale; it is
// decoded again before the next line is composed.
void MarkTileDirty(int tile) {
  tile &= TileCount - 1;
  if (!TileValid[tile]) return;  // already listed
  TileValid[tile] = 0;
  if (StaleTileCount < TileCount) StaleTiles[StaleTileCount++] = static_cast<uint16_t>(tile);
}

void InvalidateTileCache() {
  for (int i = 0; i < TileCount; i++) {
    TileValid[i] = 0;
    StaleTiles[i] = static_cast<uint16_t>(i);
  }
  StaleTileCount = TileCount;
}

// Each pixel row is two bytes: the low bit plane, then the high one, with
// the leftmost pixel in bit 7. The cache stores the tile column by column
// so that one pixel row is read with a stride of 8.
void DecodeTile(int index) {
  const uint8_t* bytes = VideoRam + 16 * index;
  uint8_t* cell = TileCache[index];
  for (int row = 0; row < 8; row++) {
    const int low = bytes[2 * row], high = bytes[2 * row + 1];
    for (int x = 0; x < 8; x++) {
      const int bit = 7 - x;
      cell[x * 8 + row] = static_cast<uint8_t>(((low >> bit) & 1) | (((high >> bit) & 1) << 1));
    }
  }
  TileValid[index] = 1;
}

void RefreshTileCache() {
  for (int i = 0; i < StaleTileCount; i++) DecodeTile(StaleTiles[i]);
  StaleTileCount = 0;
}
