// The 16-bit bus that reaches the memories, the bank controller and the
// registers.
#pragma once
#include <cstdint>

#include "machine/clock.h"
#include "memory/memories.h"

// Clears video RAM, work RAM, OAM and high RAM and points the bank windows
// at their first banks (the cartridge RAM window is the bank controller's).
// The cartridge RAM keeps its contents, as a console's battery-backed RAM
// does across a reset.
void ResetMemories(Console& m);

// The memories' part of a machine state: video, work, cartridge (as many
// bytes as the cartridge has), OAM and high RAM, and the ROM banks in the
// two ROM windows. The other windows follow their registers.
template <class State>
void WalkMemoryState(Console& m, State& s);

void BusWrite(Console& m, int address, int value);
void VideoRamWrite(Console& m, int address, uint8_t value);

// A read of the bus. The processor's (Processor set) find OAM and video
// RAM shut while the LCD uses them: they read 0xFF.
template <bool Processor>
inline uint8_t ReadBus(Console& m, int address) {
  address &= 0xFFFF;
  switch (address >> 12) {
    case 0x0: case 0x1: case 0x2: case 0x3:
      return m.mem.rom_bank0[address];
    case 0x4: case 0x5: case 0x6: case 0x7:
      return m.mem.rom_bank[address - 0x4000];
    case 0x8: case 0x9:
      if (Processor && VramLocked(m)) return 0xFF;
      return m.mem.vram_bank[address - 0x8000];
    case 0xA: case 0xB:
      return m.mem.cart_ram_bank[address - 0xA000];
    case 0xC:
      return m.mem.wram_bank0[address - 0xC000];
    case 0xD:
      return m.mem.wram_bank[address - 0xD000];
    case 0xE:
      return m.mem.wram_bank0[address - 0xE000];
    default:  // 0xF000-0xFFFF
      if (address < 0xFE00) return m.mem.wram_bank[address - 0xF000];
      if (address < 0xFEA0) return Processor && OamLocked(m) ? 0xFF : m.mem.oam[address - 0xFE00];
      if (address < 0xFF00) return 0x00;
      if (address < 0xFF80 || address == 0xFFFF) return IoRead(m, address);
      return m.mem.high_ram[address - 0xFF80];
  }
}

inline uint8_t BusRead(Console& m, int address) { return ReadBus<false>(m, address); }
inline uint8_t ProcessorRead(Console& m, int address) { return ReadBus<true>(m, address); }

// A processor write that the LCD keeps from landing: into OAM or video RAM
// while it uses them.
inline bool ProcessorLockedOut(Console& m, int address) {
  const unsigned a = static_cast<unsigned>(address) & 0xFFFF;
  if (a - 0x8000u < 0x2000u) return VramLocked(m);
  if (a - 0xFE00u < static_cast<unsigned>(OamSize)) return OamLocked(m);
  return false;
}

// Little-endian word; the high byte is read first, and at 0xFFFF it comes
// from 0x0000.
inline uint16_t BusRead16(Console& m, int address) {
  uint8_t high = BusRead(m, address + 1);
  uint8_t low = BusRead(m, address);
  return static_cast<uint16_t>(high << 8 | low);
}
