// The cartridge's bank controller: writes to 0x0000-0x7FFF choose the ROM
// bank, enable the cartridge RAM and choose its bank (or, on MBC3, a clock
// register); writes to 0xA000-0xBFFF reach the RAM or the clock.
//
// Banking is resolved when a controller register is written: the bank
// windows of the bus are pointed at the right bytes, so that a read stays
// one load. While the RAM is disabled or absent the RAM window shows a page
// of 0xFF bytes and writes go nowhere.
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

constexpr int CartRamBankSize = 0x2000;  // the 0xA000-0xBFFF window
constexpr long Mbc2RamBytes = 512;       // MBC2's built-in RAM of half-bytes

// What a write into 0xA000-0xBFFF does now; follows from the registers.
enum class CartRamTarget : uint8_t { Nowhere, Bank, Mirrored2K, Mbc2, Clock };

struct BankController {
  int ram_enabled = 0;  // 1 after 0x0A in the low nibble; always 1 without a controller
  int bank_low5 = 0, bank_high2 = 0, bank_mode = 0;  // MBC1
  int rom_bank = 1;        // MBC2 and MBC3: the ROM bank as written (masked)
  int mbc5_low = 1, mbc5_high = 0;  // MBC5: the 9-bit ROM bank
  int ram_bank = 0;        // MBC3: RAM bank 0-3 or clock register 0x08-0x0C; MBC5: RAM bank 0-15
  int rumble_motor = 0;    // MBC5 rumble cartridges: bit 3 of the RAM bank register
  int clock_latch = 0xFF;  // MBC3: the last value written to 0x6000-0x7FFF
  CartRamTarget write_target = CartRamTarget::Nowhere;
  // Set by every write that reaches the cartridge RAM or the clock; the
  // front end looks at it once per frame to know when to write the save
  // file.
  int ram_written = 0;
  // What 0xA000-0xBFFF shows while the RAM is disabled or absent: never
  // written.
  uint8_t unmapped_page[CartRamBankSize];
  // The latched value of the selected clock register, repeated over the
  // window; clock_page_value says which value, -1 before it is filled.
  uint8_t clock_page[CartRamBankSize];
  int clock_page_value = -1;
};

void MbcWrite(Console& m, int address, int value);

// A processor write into 0xA000-0xBFFF.
void CartRamWrite(Console& m, int address, uint8_t value);

// Every controller register back to its power-on value (RAM disabled, ROM
// bank 1, RAM bank 0). The cartridge RAM and the clock keep their contents,
// as on a console whose reset button leaves the cartridge powered.
void ResetBankControllers(Console& m);

// Points the RAM window and the write target at what the registers select.
void MapCartRam(Console& m);

// The controller registers' part of a machine state. Loading it points the
// RAM window at what they select (a clock register shows its latched value).
template <class State>
void WalkBankControllerState(Console& m, State& s);

// A newly loaded cartridge: fresh RAM and a fresh clock, then the reset.
void CartridgeInserted(Console& m);

// After CartRam[0, CartRamBytes) was filled from outside (a save file): the
// mirrored copies of small RAMs and MBC2's high half-bytes follow it.
void CartRamFilled(Console& m);
