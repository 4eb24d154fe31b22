// Setting up tiles, maps and sprites for renderer tests, and reading pixels.
#pragma once
#include <cstdint>
#include <string>

#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"
#include "video/renderer.h"

// The colours of shades 0..3.
constexpr uint16_t Shade0 = ShadeGreys[0], Shade1 = ShadeGreys[1], Shade2 = ShadeGreys[2], Shade3 = ShadeGreys[3];

// Writes an 8x8 tile straight into video RAM (bank 0 or 1, tile 0..511 of
// that bank) from eight rows of colour-number digits, e.g. "01230123".
inline void PutTile(int bank, int tile, const char* const rows[8]) {
  uint8_t* bytes = m.mem.video_ram + bank * 0x2000 + tile * 16;
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
  MarkTileDirty(m, bank * 512 + tile);
}

// A tile of one colour number.
inline void PutSolidTile(int bank, int tile, int n) {
  const std::string row(8, static_cast<char>('0' + n));
  const char* rows[8];
  for (auto& r : rows) r = row.c_str();
  PutTile(bank, tile, rows);
}

// A tile whose row r is all colour number 0 except pixel r, which has colour
// n: the pixel shows which tile row a line took.
inline void PutDiagonalTile(int bank, int tile, int n) {
  std::string rows_text[8];
  const char* rows[8];
  for (int r = 0; r < 8; r++) {
    rows_text[r] = std::string(8, '0');
    rows_text[r][r] = static_cast<char>('0' + n);
    rows[r] = rows_text[r].c_str();
  }
  PutTile(bank, tile, rows);
}

// Map entry (column, row) of the map at 0x9800 (base 0x1800) or 0x9C00.
inline void SetMap(int base, int column, int row, uint8_t tile) { m.mem.video_ram[base + 32 * row + column] = tile; }

inline uint16_t Pixel(int x, int y) { return m.renderer.picture[y][x]; }

inline void SetSprite(int entry, int y, int x, int tile, int attributes) {
  uint8_t* e = m.mem.oam + 4 * entry;
  e[0] = static_cast<uint8_t>(y);
  e[1] = static_cast<uint8_t>(x);
  e[2] = static_cast<uint8_t>(tile);
  e[3] = static_cast<uint8_t>(attributes);
  m.mem.oam_changes++;
}

// A picture set up by hand: LCDC as given, BGP and OBP0 the identity, OBP1
// reversed, and the whole OAM off the picture (Y = 0).
inline void SetUpPicture(uint8_t lcdc) {
  m.lcd.LCDC = lcdc;
  IoWrite(m, 0xFF47, 0xE4);
  IoWrite(m, 0xFF48, 0xE4);
  IoWrite(m, 0xFF49, 0x1B);
  for (int i = 0; i < 160; i++) m.mem.oam[i] = 0;
  m.mem.oam_changes++;
}

// A colour cartridge draws from its palette memory, which starts white:
// palette 0 of both memories gets the four shades' greys, so that colour
// number n shows as shade n on either kind of cartridge.
inline void UseGreyPalettes() {
  for (const int port : {0xFF68, 0xFF6A}) {
    IoWrite(m, port, 0x80);
    for (const uint16_t grey : ShadeGreys) {
      IoWrite(m, port + 1, grey & 0xFF);
      IoWrite(m, port + 1, grey >> 8);
    }
  }
}

// Composes all 144 lines of a frame from the registers as they stand.
inline void ComposeFrame() {
  StartPicture(m);
  for (int line = 0; line < ScreenHeight; line++) ComposeLine(m, line);
}
