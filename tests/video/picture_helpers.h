// Setting up tiles, maps and sprites for renderer tests, and reading pixels.
#pragma once
#include <allegro.h>

#include <cstdint>
#include <string>

#include "memory/bus.h"
#include "shell/display.h"
#include "video/renderer.h"

// The four pixel values of shades 0..3.
constexpr uint16_t Shade0 = 0x07C0, Shade1 = 0x05C0, Shade2 = 0x03C0, Shade3 = 0x01C0;

// Writes an 8x8 tile straight into video RAM (bank 0 or 1, tile 0..511 of
// that bank) from eight rows of colour-number digits, e.g. "01230123".
inline void PutTile(int bank, int tile, const char* const rows[8]) {
  uint8_t* bytes = VideoRam + bank * 0x2000 + tile * 16;
  for (int r = 0; r < 8; r++) {
    uint8_t low = 0, high = 0;
    for (int x = 0; x < 8; x++) {
      const int n = rows[r][x] - '0';
      low |= static_cast<uint8_t>((n & 1) << (7 - x));
      high |= static_cast<uint8_t>(((n >> 1) & 1) << (7 - x));
    }
    bytes[2 * r] = low;
    bytes[2 * r + 1] = high;
  }
  TileValid[bank * 512 + tile] = 0;
}

// A tile of one colour number.
inline void PutSolidTile(int bank, int tile, int n) {
  const std::string row(8, static_cast<char>('0' + n));
  const char* rows[8];
  for (auto& r : rows) r = row.c_str();
  PutTile(bank, tile, rows);
}

// A tile whose pixel in column x has colour number (x & 3) on every row:
// "01230123".
inline void PutColumnTile(int bank, int tile) {
  const char* rows[8];
  for (auto& r : rows) r = "01230123";
  PutTile(bank, tile, rows);
}

inline uint16_t Pixel(int x, int y) { return reinterpret_cast<uint16_t*>(WorkBitmap->line[y])[x]; }
inline int BgCell(int x, int y) { return BgPicture[x * ScreenHeight + y]; }

inline void SetSprite(int entry, int y, int x, int tile, int attributes) {
  uint8_t* e = Oam + 4 * entry;
  e[0] = static_cast<uint8_t>(y);
  e[1] = static_cast<uint8_t>(x);
  e[2] = static_cast<uint8_t>(tile);
  e[3] = static_cast<uint8_t>(attributes);
}

// Fills the whole work bitmap with one pixel value.
inline void FillPicture(uint16_t value) {
  for (int y = 0; y < WorkBitmap->h; y++)
    for (int x = 0; x < WorkBitmap->w; x++) reinterpret_cast<uint16_t*>(WorkBitmap->line[y])[x] = value;
}

// Draws all 144 background rows as the line timing would during one frame.
inline void RenderAllRows() {
  UpdateMapPointer(MapPointerReason::FrameStart);
  for (int line = 0; line < ScreenHeight; line++) {
    RenderBackgroundRow(line);
    AdvanceRow();
  }
}
