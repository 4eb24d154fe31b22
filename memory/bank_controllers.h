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

constexpr int CartRamBankSize = 0x2000;  // the 0xA000-0xBFFF window
constexpr long Mbc2RamBytes = 512;       // MBC2's built-in RAM of half-bytes

// Controller registers.
extern int CartRamEnabled;                // 1 after 0x0A in the low nibble; always 1 without a controller
extern int BankLow5, BankHigh2, BankMode; // MBC1
extern int RomBankRegister;               // MBC2 and MBC3: the ROM bank as written (masked)
extern int Mbc5Low, Mbc5High;             // MBC5: the 9-bit ROM bank
extern int RamBankRegister;               // MBC3: RAM bank 0-3 or clock register 0x08-0x0C; MBC5: RAM bank 0-15
extern int RumbleMotor;                   // MBC5 rumble cartridges: bit 3 of the RAM bank register
extern int ClockLatchRegister;            // MBC3: the last value written to 0x6000-0x7FFF

// What a write into 0xA000-0xBFFF does now; follows from the registers.
enum class CartRamTarget : uint8_t { Nowhere, Bank, Mirrored2K, Mbc2, Clock };
extern CartRamTarget CartRamWriteTarget;

// Set by every write that reaches the cartridge RAM or the clock; the front
// end looks at it once per frame to know when to write the save file.
extern int CartRamWritten;

void MbcWrite(int address, int value);

// A processor write into 0xA000-0xBFFF.
void CartRamWrite(int address, uint8_t value);

// Every controller register back to its power-on value (RAM disabled, ROM
// bank 1, RAM bank 0). The cartridge RAM and the clock keep their contents,
// as on a console whose reset button leaves the cartridge powered.
void ResetBankControllers();

// Points the RAM window and the write target at what the registers select.
void MapCartRam();

// The controller registers' part of a machine state. Loading it points the
// RAM window at what they select (a clock register shows its latched value).
class StateWriter;
class StateReader;
void SaveBankControllerState(StateWriter& out);
void LoadBankControllerState(StateReader& in);

// A newly loaded cartridge: fresh RAM and a fresh clock, then the reset.
void CartridgeInserted();

// After CartRam[0, CartRamBytes) was filled from outside (a save file): the
// mirrored copies of small RAMs and MBC2's high half-bytes follow it.
void CartRamFilled();
