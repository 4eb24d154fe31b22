// Colour numbers to colours: the monochrome palette registers (BGP, OBP0,
// OBP1) through four shades, and the colour model's palette memory.
#include <cstring>

#include "memory/io_registers.h"
#include "machine/clock.h"
#include "machine/console.h"
#include "machine/state.h"
#include "video/renderer.h"

// Identity until the program first writes a palette register.



namespace {

constexpr int IndexBits = 0x3F;
constexpr uint8_t AutoIncrement = 0x80;
constexpr uint8_t IndexUnusedBit = 0x40;  // reads 1

// The pixels of shade map `map` into the table that stands for it on a
// monochrome cartridge: background palette 0, sprite palettes 0 and 1.
void ShadePixels(Console& m, int map) {
  uint16_t* pixels = map == 0 ? m.palettes.bg_pixels[0] : m.palettes.sprite_pixels[map - 1];
  for (int n = 0; n < 4; n++) pixels[n] = ShadeColour(m.palettes, map, n);
  if (map == 0) m.palettes.stale_quads |= 1;
}

// The colour whose two bytes hold byte `index` of a memory. Bit 15 is not
// part of the colour.
void ColourChanged(Console& m, const uint8_t* memory, uint16_t (*pixels)[4], int index) {
  const int first = index & ~1;
  pixels[first >> 3][(first >> 1) & 3] = static_cast<uint16_t>((memory[first] | memory[first + 1] << 8) & WhiteColour);
  if (pixels == m.palettes.bg_pixels) m.palettes.stale_quads = static_cast<uint8_t>(m.palettes.stale_quads | 1 << (first >> 3));
}

}  // namespace

// Each palette register holds four 2-bit shades, colour number 0 in bits
// 1-0. Only the written register's map changes, so the others keep the
// identity until their own first write. A colour cartridge's picture comes
// from its palette memory: the registers are kept but not shown.
void DecodePalette(Console& m, int map) {
  const uint8_t registers[3] = {m.lcd.BGP, m.lcd.OBP0, m.lcd.OBP1};
  for (int n = 0; n < 4; n++) m.palettes.shade_map[map][n] = (registers[map] >> (2 * n)) & 3;
  if (!m.cart.colour) ShadePixels(m, map);
}

// Both palette memories white (the boot program leaves the background's
// white; the sprites' are white too, so that a sprite drawn before its
// palette is set does not show as black). The shade maps are reset by the
// caller before.
void ResetPalettes(Console& m) {
  for (int i = 0; i < PaletteMemorySize; i += 2) {
    m.palettes.bg_memory[i] = m.palettes.sprite_memory[i] = WhiteColour & 0xFF;
    m.palettes.bg_memory[i + 1] = m.palettes.sprite_memory[i + 1] = WhiteColour >> 8;
  }
  m.palettes.bg_index = m.palettes.sprite_index = 0;
  RebuildPalettePixels(m);
}

void RebuildPalettePixels(Console& m) {
  std::memset(m.palettes.bg_pixels, 0, sizeof m.palettes.bg_pixels);
  std::memset(m.palettes.sprite_pixels, 0, sizeof m.palettes.sprite_pixels);
  if (m.cart.colour) {
    for (int i = 0; i < PaletteMemorySize; i += 2) {
      ColourChanged(m, m.palettes.bg_memory, m.palettes.bg_pixels, i);
      ColourChanged(m, m.palettes.sprite_memory, m.palettes.sprite_pixels, i);
    }
  } else {
    for (int map = 0; map < 3; map++) ShadePixels(m, map);
  }
  m.palettes.stale_quads = 0xFF;
}

// Built from pairs of pixels: quad n0 + 4 n1 + 16 n2 + 64 n3 is the pair
// (n0, n1) followed by the pair (n2, n3).
void RefreshPixelQuads(Console& m) {
  PictureChanged(m.renderer);
  for (int p = 0; p < 8; p++) {
    if (!(m.palettes.stale_quads >> p & 1)) continue;
    uint32_t pairs[16];
    for (int pair = 0; pair < 16; pair++) {
      const uint16_t two[2] = {m.palettes.bg_pixels[p][pair & 3], m.palettes.bg_pixels[p][pair >> 2]};
      std::memcpy(&pairs[pair], two, sizeof two);
    }
    for (int second = 0; second < 16; second++) {
      for (int first = 0; first < 16; first++) {
        const uint32_t four[2] = {pairs[first], pairs[second]};
        std::memcpy(&m.palettes.bg_quads[p][second * 16 + first], four, sizeof four);
      }
    }
  }
  m.palettes.stale_quads = 0;
}

template <class State>
void WalkPaletteState(Console& m, State& s) {
  Palettes& p = m.palettes;
  s.section("PAL ");
  for (auto& map : p.shade_map)
    for (int& shade : map) s.u8(shade);
  s.bytes(p.bg_memory, sizeof p.bg_memory);
  s.bytes(p.sprite_memory, sizeof p.sprite_memory);
  s.u8(p.bg_index);
  s.u8(p.sprite_index);
  if constexpr (State::Loading) {
    for (auto& map : p.shade_map)
      for (int& shade : map) shade &= 3;
    p.bg_index &= AutoIncrement | IndexBits;
    p.sprite_index &= AutoIncrement | IndexBits;
    RebuildPalettePixels(m);
  }
}

template void WalkPaletteState(Console& m, StateWriter& s);
template void WalkPaletteState(Console& m, StateReader& s);

// 0xFF68/0xFF6A read back their index and auto-increment bit; 0xFF69/0xFF6B
// the byte at the index, which a read does not move.
uint8_t PaletteRead(Console& m, int address) {
  switch (address) {
    case 0xFF68: return m.palettes.bg_index | IndexUnusedBit;
    case 0xFF69: return m.palettes.bg_memory[m.palettes.bg_index & IndexBits];
    case 0xFF6A: return m.palettes.sprite_index | IndexUnusedBit;
    default: return m.palettes.sprite_memory[m.palettes.sprite_index & IndexBits];
  }
}

// A data write stores the byte at the index and, with bit 7 of the index
// register set, steps the index on (from 63 back to 0).
void PaletteWrite(Console& m, int address, uint8_t value) {
  const bool sprites = address >= 0xFF6A;
  uint8_t& index = sprites ? m.palettes.sprite_index : m.palettes.bg_index;
  if (!(address & 1)) {
    index = value & (AutoIncrement | IndexBits);
    return;
  }
  uint8_t* memory = sprites ? m.palettes.sprite_memory : m.palettes.bg_memory;
  const int at = index & IndexBits;
  memory[at] = value;
  if (m.cart.colour) ColourChanged(m, memory, sprites ? m.palettes.sprite_pixels : m.palettes.bg_pixels, at);
  StepPaletteIndex(m, address);
}

// Also after a write that the drawing kept from landing.
void StepPaletteIndex(Console& m, int address) {
  uint8_t& index = address >= 0xFF6A ? m.palettes.sprite_index : m.palettes.bg_index;
  if (index & AutoIncrement) index = static_cast<uint8_t>(AutoIncrement | ((index + 1) & IndexBits));
}
