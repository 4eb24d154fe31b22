// The machine reset, at the start of a run and during one.
#include <gtest/gtest.h>

#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/machine.h"
#include "support/machine.h"

TEST(Machine, ResetClearsTheMachineButKeepsTheCartridgeRam) {
  std::vector<uint8_t> rom(0x10000, 0);
  rom[0x147] = 0x1B;  // MBC5 with RAM and battery
  rom[0x148] = 0x01;  // four ROM banks
  rom[0x149] = 0x03;  // 32 KiB of RAM
  rom[0x4000 * 3] = 0xB3;
  ResetTestMachine(rom);
  BusWrite(0x0000, 0x0A);
  BusWrite(0xA010, 0x5C);  // cartridge RAM
  BusWrite(0x2000, 0x03);  // ROM bank 3
  BusWrite(0xC010, 0x11);  // work RAM
  BusWrite(0x8010, 0x22);  // video RAM
  BusWrite(0xFF90, 0x33);  // high RAM
  BusWrite(0xFF42, 0x44);  // SCY
  BusWrite(0xFFFF, 0x1F);  // IE
  Cpu.PC = 0x1234;
  Cpu.B = 0x99;
  ASSERT_EQ(BusRead(0x4000), 0xB3);

  ResetMachine();
  EXPECT_EQ(Cpu.PC, 0x0100);
  EXPECT_EQ(Cpu.B, 0x00);
  EXPECT_EQ(BusRead(0x4000), 0x00) << "bank 1 is mapped again";
  EXPECT_EQ(BusRead(0xC010), 0x00);
  EXPECT_EQ(BusRead(0x8010), 0x00);
  EXPECT_EQ(BusRead(0xFF90), 0x00);
  EXPECT_EQ(BusRead(0xFF42), 0x00);
  EXPECT_EQ(BusRead(0xFFFF), 0x00);
  EXPECT_EQ(CartRam[0x10], 0x5C) << "the cartridge RAM survives a reset";
}
