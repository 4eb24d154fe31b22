// The memories of the machine and the windows through which the bus sees
// their banks.
#pragma once
#include <cstdint>

constexpr long RomBankSize = 0x4000;  // the ROM comes in banks of 16 KiB
constexpr int VideoRamSize = 0x4000;  // two banks of 8 KiB
constexpr int CartRamSize = 0x20000;  // sixteen banks of 8 KiB
constexpr int WorkRamSize = 0x8000;   // eight banks of 4 KiB
constexpr int OamSize = 160;          // 40 sprites of 4 bytes
constexpr int HighRamSize = 127;

struct Memories {
  uint8_t video_ram[VideoRamSize] = {};
  uint8_t cart_ram[CartRamSize] = {};
  uint8_t work_ram[WorkRamSize] = {};
  uint8_t oam[OamSize] = {};
  uint8_t high_ram[HighRamSize] = {};
  // Counts every change to OAM (a write, a DMA, a reset or a loaded state),
  // so that what is derived from OAM knows when to derive it again.
  unsigned oam_changes = 0;
  uint16_t last_vram_write = 0;  // address of the latest write into video RAM

  // Bank windows: each points at the first byte of the bank now visible, so
  // that a bank switch is one pointer assignment and an access one load.
  // They follow from the registers and are not kept in a state.
  uint8_t* rom_bank0 = nullptr;          // 0x0000-0x3FFF
  uint8_t* rom_bank = nullptr;           // 0x4000-0x7FFF
  uint8_t* vram_bank = video_ram;        // 0x8000-0x9FFF
  uint8_t* cart_ram_bank = cart_ram;     // 0xA000-0xBFFF: a RAM bank, or a page of 0xFF or of a clock register
  uint8_t* wram_bank0 = work_ram;        // 0xC000-0xCFFF and its echo
  uint8_t* wram_bank = work_ram + 0x1000;  // 0xD000-0xDFFF and its echo

  Memories() = default;
  Memories(const Memories&) = delete;  // the windows point into its own arrays
  Memories& operator=(const Memories&) = delete;
};
