// The memories of the machine and the 16-bit bus that reaches them.
#pragma once
#include <cstdint>

#include "memory/io_registers.h"
#include "video/lcd_timing.h"

constexpr long RomBankSize = 0x4000;  // the ROM comes in banks of 16 KiB
constexpr int VideoRamSize = 0x4000;  // two banks of 8 KiB
constexpr int CartRamSize = 0x20000;  // sixteen banks of 8 KiB
constexpr int WorkRamSize = 0x8000;   // eight banks of 4 KiB
constexpr int OamSize = 160;          // 40 sprites of 4 bytes
constexpr int HighRamSize = 127;

extern uint8_t* RomImage;     // the cartridge image, padded to whole banks
extern long RomImageSize;     // bytes in RomImage after padding
extern uint8_t VideoRam[VideoRamSize];
extern uint8_t CartRam[CartRamSize];
extern uint8_t WorkRam[WorkRamSize];
extern uint8_t Oam[OamSize];
// Counts every change to OAM (a write, a DMA, a reset or a loaded state),
// so that what is derived from OAM knows when to derive it again.
extern unsigned OamChanges;
extern uint8_t HighRam[HighRamSize];

// Bank windows: each points at the first byte of the bank now visible, so
// that a bank switch is one pointer assignment and an access one load.
extern uint8_t* RomBank0Ptr;     // 0x0000-0x3FFF
extern uint8_t* RomBankPtr;      // 0x4000-0x7FFF
extern uint8_t* VramBankPtr;     // 0x8000-0x9FFF
extern uint8_t* CartRamBankPtr;  // 0xA000-0xBFFF: a RAM bank, or a page of 0xFF or of a clock register
extern uint8_t* WramBank0Ptr;    // 0xC000-0xCFFF and its echo
extern uint8_t* WramBankPtr;     // 0xD000-0xDFFF and its echo

extern uint16_t LastVramWrite;   // address of the latest write into video RAM

// Clears video RAM, work RAM, OAM and high RAM and points the bank windows
// at their first banks (the cartridge RAM window is the bank controller's).
// The cartridge RAM keeps its contents, as a console's battery-backed RAM
// does across a reset.
void ResetMemories();

// The memories' part of a machine state: video, work, cartridge (as many
// bytes as the cartridge has), OAM and high RAM, and the ROM banks in the
// two ROM windows. The other windows follow their registers.
class StateWriter;
class StateReader;
void SaveMemoryState(StateWriter& out);
void LoadMemoryState(StateReader& in);

void BusWrite(int address, int value);
void VideoRamWrite(int address, uint8_t value);

// A read of the bus. The processor's (Processor set) find OAM and video
// RAM shut while the LCD uses them: they read 0xFF.
template <bool Processor>
inline uint8_t ReadBus(int address) {
  address &= 0xFFFF;
  switch (address >> 12) {
    case 0x0: case 0x1: case 0x2: case 0x3:
      return RomBank0Ptr[address];
    case 0x4: case 0x5: case 0x6: case 0x7:
      return RomBankPtr[address - 0x4000];
    case 0x8: case 0x9:
      if (Processor && VramLocked()) return 0xFF;
      return VramBankPtr[address - 0x8000];
    case 0xA: case 0xB:
      return CartRamBankPtr[address - 0xA000];
    case 0xC:
      return WramBank0Ptr[address - 0xC000];
    case 0xD:
      return WramBankPtr[address - 0xD000];
    case 0xE:
      return WramBank0Ptr[address - 0xE000];
    default:  // 0xF000-0xFFFF
      if (address < 0xFE00) return WramBankPtr[address - 0xF000];
      if (address < 0xFEA0) return Processor && OamLocked() ? 0xFF : Oam[address - 0xFE00];
      if (address < 0xFF00) return 0x00;
      if (address < 0xFF80 || address == 0xFFFF) return IoRead(address);
      return HighRam[address - 0xFF80];
  }
}

inline uint8_t BusRead(int address) { return ReadBus<false>(address); }
inline uint8_t ProcessorRead(int address) { return ReadBus<true>(address); }

// A processor write that the LCD keeps from landing: into OAM or video RAM
// while it uses them.
inline bool ProcessorLockedOut(int address) {
  const unsigned a = static_cast<unsigned>(address) & 0xFFFF;
  if (a - 0x8000u < 0x2000u) return VramLocked();
  if (a - 0xFE00u < static_cast<unsigned>(OamSize)) return OamLocked();
  return false;
}

// Little-endian word; the high byte is read first, and at 0xFFFF it comes
// from 0x0000.
inline uint16_t BusRead16(int address) {
  uint8_t high = BusRead(address + 1);
  uint8_t low = BusRead(address);
  return static_cast<uint16_t>(high << 8 | low);
}
