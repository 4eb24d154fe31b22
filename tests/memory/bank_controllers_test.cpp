// The four bank controllers.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "support/machine.h"

namespace {

// An image of the given number of banks with each bank's number at its
// offset 0x0000 (shown at 0x4000 when the bank is mapped there).
void LoadBanks(int banks, uint8_t type, uint8_t size_code) {
  std::vector<uint8_t> rom(banks * 0x4000L);
  for (int b = 0; b < banks; b++) {
    rom[b * 0x4000L] = static_cast<uint8_t>(b);
    rom[b * 0x4000L + 1] = static_cast<uint8_t>(b >> 8);
  }
  rom[0x147] = type;
  rom[0x148] = size_code;
  rom[0x149] = 3;
  ResetTestMachine(rom);
}

int MappedBank() { return BusRead(0x4000) | BusRead(0x4001) << 8; }

}  // namespace

TEST(Mbc1, BankZeroSelectsBankOne) {
  LoadBanks(32, 0x01, 4);
  BusWrite(0x2000, 0x05);
  EXPECT_EQ(MappedBank(), 5);
  BusWrite(0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 1);
  BusWrite(0x2000, 0x21);
  EXPECT_EQ(MappedBank(), 1) << "only five bits count";
}

TEST(Mbc1, UpperBitsComeFromTheRegisterAtZeroInModeZero) {
  LoadBanks(128, 0x01, 6);
  BusWrite(0x0000, 0x0A);
  BusWrite(0x2000, 0x05);
  EXPECT_EQ(MappedBank(), 69) << "(10 * 32 + 5) & 127";
  BusWrite(0x4000, 0x03);
  EXPECT_EQ(MappedBank(), 69) << "the register at 0x4000 only picks RAM banks";
}

TEST(Mbc1, NumberThatMasksToZeroMapsBankZero) {
  LoadBanks(32, 0x01, 4);
  BusWrite(0x0000, 0x01);
  BusWrite(0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 0) << "32 is not 0, so no bank-1 rule, and 32 & 31 = 0";
}

TEST(Mbc1, ModeOneSelectsRamBanks) {
  LoadBanks(4, 0x03, 1);
  BusWrite(0x6000, 0x01);
  BusWrite(0x4000, 0x02);
  BusWrite(0xA000, 0x42);
  EXPECT_EQ(CartRam[2 * 0x2000], 0x42);
  BusWrite(0x6000, 0x00);
  EXPECT_EQ(BusRead(0xA000), 0x00) << "mode 0 puts RAM bank 0 back";
  BusWrite(0xA000, 0x24);
  EXPECT_EQ(CartRam[0], 0x24);
}

TEST(Mbc1, ModeOneUsesOnlyTheLowFiveBits) {
  LoadBanks(128, 0x01, 6);
  BusWrite(0x0000, 0x02);
  BusWrite(0x2000, 0x03);
  BusWrite(0x6000, 0x01);
  EXPECT_EQ(MappedBank(), 3);
}

TEST(Mbc2, OnlyTheBankRegisterCounts) {
  LoadBanks(16, 0x05, 3);
  BusWrite(0x2000, 0x03);
  EXPECT_EQ(MappedBank(), 3);
  BusWrite(0x2000, 0x10);
  EXPECT_EQ(MappedBank(), 1) << "0x10 & 0x0F is 0, which selects bank 1";
  BusWrite(0x0000, 0x03);
  EXPECT_EQ(MappedBank(), 1);
  BusWrite(0x4000, 0x03);
  EXPECT_EQ(MappedBank(), 1);
}

TEST(Mbc3, SevenBitBankAndNoRamSwitching) {
  LoadBanks(128, 0x13, 6);
  BusWrite(0x2000, 0x45);
  EXPECT_EQ(MappedBank(), 0x45);
  BusWrite(0x2000, 0x80);
  EXPECT_EQ(MappedBank(), 1);
  BusWrite(0x4000, 0x03);
  BusWrite(0xA000, 0x42);
  EXPECT_EQ(CartRam[0], 0x42) << "the RAM window stays on bank 0";
}

TEST(Mbc5, NineBitBankWithBankZeroAllowed) {
  LoadBanks(512, 0x19, 8);
  BusWrite(0x2000, 0x00);
  EXPECT_EQ(MappedBank(), 0);
  BusWrite(0x3000, 0x01);
  EXPECT_EQ(MappedBank(), 256);
  BusWrite(0x2000, 0x23);
  EXPECT_EQ(MappedBank(), 0x123);
  BusWrite(0x4000, 0x05);
  EXPECT_EQ(MappedBank(), 0x123) << "no register at 0x4000";
}

TEST(Mbc5, BankIsMaskedByTheAnnouncedSize) {
  LoadBanks(8, 0x1B, 2);
  BusWrite(0x2000, 0x0B);
  EXPECT_EQ(MappedBank(), 3);
}

TEST(NoController, WritesAreIgnored) {
  LoadBanks(2, 0x00, 0);
  for (int a = 0; a < 0x8000; a += 0x1000) BusWrite(a, 0x00);
  EXPECT_EQ(MappedBank(), 1);
}
