// The four bank controllers: ROM banks, the RAM enable, RAM banks.
#include <gtest/gtest.h>

#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "machine/console.h"
#include "support/machine.h"

namespace {

// An image of the given number of banks with each bank's number at its
// offset 0x0000 (shown at 0x4000 when the bank is mapped there).
void LoadBanks(int banks, uint8_t type, uint8_t size_code, uint8_t ram_code = 3) {
  std::vector<uint8_t> rom(banks * 0x4000L);
  for (int b = 0; b < banks; b++) {
    rom[b * 0x4000L] = static_cast<uint8_t>(b);
    rom[b * 0x4000L + 1] = static_cast<uint8_t>(b >> 8);
  }
  rom[0x147] = type;
  rom[0x148] = size_code;
  rom[0x149] = ram_code;
  ResetTestMachine(rom);
}

int MappedBank() { return BusRead(m, 0x4000) | BusRead(m, 0x4001) << 8; }
int BankAtZero() { return BusRead(m, 0x0000) | BusRead(m, 0x0001) << 8; }

// Writes a distinct byte into each RAM bank through the window, then checks
// where each landed in CartRam.
void ExpectSeparateRamBanks(int banks, int select_address, int select_extra = 0) {
  for (int b = 0; b < banks; b++) {
    BusWrite(m, select_address, b | select_extra);
    BusWrite(m, 0xA123, 0x40 + b);
  }
  for (int b = 0; b < banks; b++) {
    EXPECT_EQ(m.mem.cart_ram[b * 0x2000 + 0x123], 0x40 + b) << "RAM bank " << b;
    BusWrite(m, select_address, b | select_extra);
    EXPECT_EQ(BusRead(m, 0xA123), 0x40 + b) << "RAM bank " << b << " reads back";
  }
}

}  // namespace

// Every controller: the RAM starts disabled; while disabled it reads 0xFF
// and ignores writes; 0x0A in the low nibble enables it, anything else
// disables it.
TEST(BankControllers, RamEnableOfEachController) {
  struct Case {
    const char* name;
    uint8_t type, ram_code;
    int enable_address;
  } cases[] = {{"MBC1", 0x03, 2, 0x0000}, {"MBC2", 0x06, 0, 0x0000}, {"MBC3", 0x13, 2, 0x1FFF},
               {"MBC3 clock", 0x10, 2, 0x0000}, {"MBC5", 0x1B, 2, 0x1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadBanks(4, c.type, 1, c.ram_code);
    EXPECT_EQ(BusRead(m, 0xA000), 0xFF) << "disabled at the start";
    BusWrite(m, 0xA000, 0x05);
    EXPECT_EQ(m.mem.cart_ram[0], c.type == 0x06 ? 0xF0 : 0x00) << "a write while disabled is ignored";

    BusWrite(m, c.enable_address, 0x0B);
    EXPECT_EQ(BusRead(m, 0xA000), 0xFF) << "0x0B is no enable";
    BusWrite(m, c.enable_address, 0x1A);
    BusWrite(m, 0xA000, 0x05);
    EXPECT_EQ(BusRead(m, 0xA000) & 0x0F, 0x05) << "0x1A enables: only the low nibble counts";

    BusWrite(m, c.enable_address, 0x00);
    EXPECT_EQ(BusRead(m, 0xA000), 0xFF);
    EXPECT_EQ(BusRead(m, 0xBFFF), 0xFF);
    BusWrite(m, 0xA000, 0x09);
    EXPECT_EQ(m.mem.cart_ram[0] & 0x0F, 0x05) << "disabled again: the write is lost";

    ResetMachine(m);
    EXPECT_EQ(BusRead(m, 0xA000), 0xFF) << "a reset disables the RAM";
    EXPECT_EQ(m.mem.cart_ram[0] & 0x0F, 0x05) << "and keeps its contents";
  }
}

TEST(BankControllers, WithoutAControllerRamIsAlwaysThereAndAbsentRamReadsFF) {
  LoadBanks(2, 0x09, 0, 2);  // ROM+RAM+battery
  BusWrite(m, 0xA000, 0x42);
  EXPECT_EQ(BusRead(m, 0xA000), 0x42);
  BusWrite(m, 0x0000, 0x00);
  EXPECT_EQ(BusRead(m, 0xA000), 0x42) << "no enable register to turn it off";

  LoadBanks(2, 0x00, 0, 0);
  EXPECT_EQ(BusRead(m, 0xA000), 0xFF);
  BusWrite(m, 0xA000, 0x42);
  EXPECT_EQ(BusRead(m, 0xA000), 0xFF);
  EXPECT_EQ(m.mem.cart_ram[0], 0x00);

  LoadBanks(4, 0x01, 1, 0);  // MBC1 without RAM, even when enabled
  BusWrite(m, 0x0000, 0x0A);
  BusWrite(m, 0xA000, 0x42);
  EXPECT_EQ(BusRead(m, 0xA000), 0xFF);
}

TEST(BankControllers, SmallRamIsMirroredThroughTheWindow) {
  LoadBanks(2, 0x03, 0, 1);  // MBC1 with 2 KiB
  BusWrite(m, 0x0000, 0x0A);
  BusWrite(m, 0xA000, 0x42);
  EXPECT_EQ(BusRead(m, 0xA800), 0x42);
  EXPECT_EQ(BusRead(m, 0xB000), 0x42);
  EXPECT_EQ(BusRead(m, 0xB800), 0x42);
  BusWrite(m, 0xBFFF, 0x24);
  EXPECT_EQ(BusRead(m, 0xA7FF), 0x24);
  EXPECT_EQ(m.mem.cart_ram[0x7FF], 0x24) << "the RAM itself is the first 2 KiB";
}

TEST(Mbc1, LowFiveBitsAreTestedForZero) {
  LoadBanks(128, 0x01, 6);
  BusWrite(m, 0x2000, 0x05);
  EXPECT_EQ(MappedBank(), 5);
  BusWrite(m, 0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 1);
  BusWrite(m, 0x2000, 0x21);
  EXPECT_EQ(MappedBank(), 1) << "only five bits are written";
  for (int upper = 1; upper < 4; upper++) {
    BusWrite(m, 0x4000, upper);
    BusWrite(m, 0x2000, 0x00);
    EXPECT_EQ(MappedBank(), upper * 0x20 + 1) << "bank 0x" << std::hex << upper * 0x20 << " cannot be reached";
  }
}

TEST(Mbc1, UpperBitsComeFromTheTwoBitRegisterInBothModes) {
  LoadBanks(128, 0x03, 6);
  BusWrite(m, 0x2000, 0x05);
  BusWrite(m, 0x4000, 0x02);
  EXPECT_EQ(MappedBank(), 0x45);
  EXPECT_EQ(BankAtZero(), 0) << "mode 0 shows bank 0 at 0x0000";
  BusWrite(m, 0x0000, 0x0A);
  EXPECT_EQ(MappedBank(), 0x45) << "the RAM enable has nothing to do with ROM banks";

  BusWrite(m, 0x6000, 0x01);
  EXPECT_EQ(MappedBank(), 0x45) << "mode 1 keeps the upper bits at 0x4000";
  EXPECT_EQ(BankAtZero(), 0x40) << "and puts bank 0x40 at 0x0000";
  BusWrite(m, 0x6000, 0x00);
  EXPECT_EQ(BankAtZero(), 0);

  LoadBanks(32, 0x01, 4);  // 512 KiB: the upper bits fall outside the ROM
  BusWrite(m, 0x4000, 0x01);
  BusWrite(m, 0x2000, 0x03);
  EXPECT_EQ(MappedBank(), 3);
  BusWrite(m, 0x6000, 0x01);
  EXPECT_EQ(BankAtZero(), 0) << "bank 0x20 masked to the ROM's 32 banks";
}

TEST(Mbc1, ModeOneSelectsRamBanks) {
  LoadBanks(4, 0x03, 1);
  BusWrite(m, 0x0000, 0x0A);
  BusWrite(m, 0x6000, 0x01);
  ExpectSeparateRamBanks(4, 0x4000);
  BusWrite(m, 0x4000, 0x02);
  BusWrite(m, 0x6000, 0x00);
  EXPECT_EQ(BusRead(m, 0xA123), 0x40) << "mode 0 puts RAM bank 0 back";

  LoadBanks(4, 0x03, 1, 2);  // only 8 KiB: one bank whatever is selected
  BusWrite(m, 0x0000, 0x0A);
  BusWrite(m, 0x6000, 0x01);
  BusWrite(m, 0x4000, 0x03);
  BusWrite(m, 0xA000, 0x77);
  EXPECT_EQ(m.mem.cart_ram[0], 0x77);
}

TEST(Mbc2, AddressBit8ChoosesTheRegister) {
  LoadBanks(16, 0x06, 3);
  BusWrite(m, 0x2100, 0x03);
  EXPECT_EQ(MappedBank(), 3);
  BusWrite(m, 0x0100, 0x04);
  EXPECT_EQ(MappedBank(), 4) << "bit 8 set below 0x2000 is the ROM bank too";
  BusWrite(m, 0x3F00, 0x10);
  EXPECT_EQ(MappedBank(), 1) << "0x10 & 0x0F is 0, which selects bank 1";
  BusWrite(m, 0x2000, 0x0A);
  EXPECT_EQ(MappedBank(), 1) << "bit 8 clear is the RAM enable, even at 0x2000";
  EXPECT_NE(BusRead(m, 0xA000), 0xFF) << "and it enabled the RAM";
  BusWrite(m, 0x4100, 0x05);
  EXPECT_EQ(MappedBank(), 1) << "0x4000-0x7FFF has no register";
  BusWrite(m, 0x1E00, 0x00);
  EXPECT_EQ(BusRead(m, 0xA000), 0xFF);
}

TEST(Mbc2, HalfBytesRepeatThroughTheWindowWithTheHighBitsSet) {
  LoadBanks(4, 0x06, 1);
  BusWrite(m, 0x0000, 0x0A);
  EXPECT_EQ(BusRead(m, 0xA000), 0xF0) << "fresh RAM: the high half reads as 1s";
  BusWrite(m, 0xA000, 0x5A);
  EXPECT_EQ(BusRead(m, 0xA000), 0xFA);
  EXPECT_EQ(BusRead(m, 0xA200), 0xFA);
  EXPECT_EQ(BusRead(m, 0xBE00), 0xFA);
  BusWrite(m, 0xBFFF, 0x03);
  EXPECT_EQ(BusRead(m, 0xA1FF), 0xF3);
  EXPECT_EQ(m.mem.cart_ram[0x1FF], 0xF3) << "the 512 half-bytes are CartRam's first 512 bytes";
}

TEST(Mbc3, SevenBitRomBankAndFourRamBanks) {
  LoadBanks(128, 0x13, 6);
  BusWrite(m, 0x2000, 0x45);
  EXPECT_EQ(MappedBank(), 0x45);
  BusWrite(m, 0x2000, 0x80);
  EXPECT_EQ(MappedBank(), 1);
  BusWrite(m, 0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 1);

  BusWrite(m, 0x0000, 0x0A);
  ExpectSeparateRamBanks(4, 0x4000);
  BusWrite(m, 0x4000, 0x08);
  EXPECT_EQ(BusRead(m, 0xA123), 0xFF) << "no clock on this cartridge";
  BusWrite(m, 0xA123, 0x11);
  BusWrite(m, 0x4000, 0x00);
  EXPECT_EQ(BusRead(m, 0xA123), 0x40) << "the write went nowhere";
}

TEST(Mbc5, NineBitBankWithBankZeroAllowed) {
  LoadBanks(512, 0x19, 8);
  BusWrite(m, 0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 0);
  BusWrite(m, 0x3000, 0x01);
  EXPECT_EQ(MappedBank(), 256);
  BusWrite(m, 0x2000, 0x23);
  EXPECT_EQ(MappedBank(), 0x123);
  BusWrite(m, 0x4000, 0x05);
  EXPECT_EQ(MappedBank(), 0x123) << "0x4000 picks RAM banks only";
}

TEST(Mbc5, BankIsMaskedByTheAnnouncedSize) {
  LoadBanks(8, 0x1B, 2);
  BusWrite(m, 0x2000, 0x0B);
  EXPECT_EQ(MappedBank(), 3);
}

TEST(Mbc5, SixteenRamBanksAndTheRumbleBit) {
  LoadBanks(4, 0x1B, 1, 4);  // 128 KiB of RAM
  BusWrite(m, 0x0000, 0x0A);
  ExpectSeparateRamBanks(16, 0x4000);

  LoadBanks(4, 0x1E, 1, 4);  // rumble: bit 3 drives the motor
  BusWrite(m, 0x0000, 0x0A);
  ExpectSeparateRamBanks(8, 0x4000, 0x08);
  EXPECT_EQ(m.mbc.rumble_motor, 1);
  BusWrite(m, 0x4000, 0x09);
  BusWrite(m, 0xA000, 0x99);
  EXPECT_EQ(m.mem.cart_ram[0x2000], 0x99) << "0x09 is bank 1 with the motor on";
  EXPECT_EQ(m.mem.cart_ram[9 * 0x2000], 0x00);
  BusWrite(m, 0x4000, 0x01);
  EXPECT_EQ(m.mbc.rumble_motor, 0);
}

TEST(NoController, WritesAreIgnored) {
  LoadBanks(2, 0x00, 0);
  for (int a = 0; a < 0x8000; a += 0x1000) BusWrite(m, a, 0x00);
  EXPECT_EQ(MappedBank(), 1);
}
