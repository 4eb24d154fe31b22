// Colour numbers to colours: the monochrome palette registers (BGP, OBP0,
// OBP1) through four shades, and the colour model's palette memory.
#include <cstring>

#include "memory/io_registers.h"
#include "memory/machine.h"
#include "memory/machine_state.h"
#include "video/renderer.h"

// Identity until the program first writes a palette register.
int ShadeMap[3][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}};

uint8_t BgPaletteMemory[PaletteMemorySize];
uint8_t SpritePaletteMemory[PaletteMemorySize];
uint8_t BgPaletteIndex = 0;
uint8_t SpritePaletteIndex = 0;

uint16_t BgPixels[8][4];
uint16_t SpritePixels[8][4];
uint64_t BgPixelQuads[8][256];
uint8_t StaleQuads = 0xFF;

namespace {

constexpr int IndexBits = 0x3F;
constexpr uint8_t AutoIncrement = 0x80;
constexpr uint8_t IndexUnusedBit = 0x40;  // reads 1

// The pixels of shade map `map` into the table that stands for it on a
// monochrome cartridge: background palette 0, sprite palettes 0 and 1.
void ShadePixels(int map) {
  uint16_t* pixels = map == 0 ? BgPixels[0] : SpritePixels[map - 1];
  for (int n = 0; n < 4; n++) pixels[n] = ShadeColour(map, n);
  if (map == 0) StaleQuads |= 1;
}

// The colour whose two bytes hold byte `index` of a memory. Bit 15 is not
// part of the colour.
void ColourChanged(const uint8_t* memory, uint16_t (*pixels)[4], int index) {
  const int first = index & ~1;
  pixels[first >> 3][(first >> 1) & 3] = static_cast<uint16_t>((memory[first] | memory[first + 1] << 8) & WhiteColour);
  if (pixels == BgPixels) StaleQuads = static_cast<uint8_t>(StaleQuads | 1 << (first >> 3));
}

}  // namespace

// Each palette register holds four 2-bit shades, colour number 0 in bits
// 1-0. Only the written register's map changes, so the others keep the
// identity until their own first write. A colour cartridge's picture comes
// from its palette memory: the registers are kept but not shown.
void DecodePalette(int map) {
  const uint8_t registers[3] = {BGP, OBP0, OBP1};
  for (int n = 0; n < 4; n++) ShadeMap[map][n] = (registers[map] >> (2 * n)) & 3;
  if (!ColourCartridge) ShadePixels(map);
}

// Both palette memories white (the boot program leaves the background's
// white; the sprites' are white too, so that a sprite drawn before its
// palette is set does not show as black). The shade maps are reset by the
// caller before.
void ResetPalettes() {
  for (int i = 0; i < PaletteMemorySize; i += 2) {
    BgPaletteMemory[i] = SpritePaletteMemory[i] = WhiteColour & 0xFF;
    BgPaletteMemory[i + 1] = SpritePaletteMemory[i + 1] = WhiteColour >> 8;
  }
  BgPaletteIndex = SpritePaletteIndex = 0;
  RebuildPalettePixels();
}

void RebuildPalettePixels() {
  std::memset(BgPixels, 0, sizeof BgPixels);
  std::memset(SpritePixels, 0, sizeof SpritePixels);
  if (ColourCartridge) {
    for (int i = 0; i < PaletteMemorySize; i += 2) {
      ColourChanged(BgPaletteMemory, BgPixels, i);
      ColourChanged(SpritePaletteMemory, SpritePixels, i);
    }
  } else {
    for (int map = 0; map < 3; map++) ShadePixels(map);
  }
  StaleQuads = 0xFF;
}

// Built from pairs of pixels: quad n0 + 4 n1 + 16 n2 + 64 n3 is the pair
// (n0, n1) followed by the pair (n2, n3).
void RefreshPixelQuads() {
  PictureChanged();
  for (int p = 0; p < 8; p++) {
    if (!(StaleQuads >> p & 1)) continue;
    uint32_t pairs[16];
    for (int pair = 0; pair < 16; pair++) {
      const uint16_t two[2] = {BgPixels[p][pair & 3], BgPixels[p][pair >> 2]};
      std::memcpy(&pairs[pair], two, sizeof two);
    }
    for (int second = 0; second < 16; second++) {
      for (int first = 0; first < 16; first++) {
        const uint32_t four[2] = {pairs[first], pairs[second]};
        std::memcpy(&BgPixelQuads[p][second * 16 + first], four, sizeof four);
      }
    }
  }
  StaleQuads = 0;
}

void SavePaletteState(StateWriter& out) {
  out.section("PAL ");
  for (const auto& map : ShadeMap)
    for (int shade : map) out.u8(static_cast<unsigned>(shade));
  out.bytes(BgPaletteMemory, sizeof BgPaletteMemory);
  out.bytes(SpritePaletteMemory, sizeof SpritePaletteMemory);
  out.u8(BgPaletteIndex);
  out.u8(SpritePaletteIndex);
}

void LoadPaletteState(StateReader& in) {
  in.section("PAL ");
  for (auto& map : ShadeMap)
    for (int& shade : map) shade = in.u8() & 3;
  in.bytes(BgPaletteMemory, sizeof BgPaletteMemory);
  in.bytes(SpritePaletteMemory, sizeof SpritePaletteMemory);
  BgPaletteIndex = in.u8() & (AutoIncrement | IndexBits);
  SpritePaletteIndex = in.u8() & (AutoIncrement | IndexBits);
  RebuildPalettePixels();
}

// 0xFF68/0xFF6A read back their index and auto-increment bit; 0xFF69/0xFF6B
// the byte at the index, which a read does not move.
uint8_t PaletteRead(int address) {
  switch (address) {
    case 0xFF68: return BgPaletteIndex | IndexUnusedBit;
    case 0xFF69: return BgPaletteMemory[BgPaletteIndex & IndexBits];
    case 0xFF6A: return SpritePaletteIndex | IndexUnusedBit;
    default: return SpritePaletteMemory[SpritePaletteIndex & IndexBits];
  }
}

// A data write stores the byte at the index and, with bit 7 of the index
// register set, steps the index on (from 63 back to 0).
void PaletteWrite(int address, uint8_t value) {
  const bool sprites = address >= 0xFF6A;
  uint8_t& index = sprites ? SpritePaletteIndex : BgPaletteIndex;
  if (!(address & 1)) {
    index = value & (AutoIncrement | IndexBits);
    return;
  }
  uint8_t* memory = sprites ? SpritePaletteMemory : BgPaletteMemory;
  const int at = index & IndexBits;
  memory[at] = value;
  if (ColourCartridge) ColourChanged(memory, sprites ? SpritePixels : BgPixels, at);
  StepPaletteIndex(address);
}

// Also after a write that the drawing kept from landing.
void StepPaletteIndex(int address) {
  uint8_t& index = address >= 0xFF6A ? SpritePaletteIndex : BgPaletteIndex;
  if (index & AutoIncrement) index = static_cast<uint8_t>(AutoIncrement | ((index + 1) & IndexBits));
}
