// The machine reset, at the start of a run and during one.
#include <gtest/gtest.h>

#include "cpu/operands.h"
#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/console.h"
#include "support/machine.h"
#include "video/renderer.h"

TEST(Machine, ResetClearsTheMachineButKeepsTheCartridgeRam) {
  std::vector<uint8_t> rom(0x10000, 0);
  rom[0x147] = 0x1B;  // MBC5 with RAM and battery
  rom[0x148] = 0x01;  // four ROM banks
  rom[0x149] = 0x03;  // 32 KiB of RAM
  rom[0x4000 * 3] = 0xB3;
  ResetTestMachine(rom);
  BusWrite(m, 0x0000, 0x0A);
  BusWrite(m, 0xA010, 0x5C);  // cartridge RAM
  BusWrite(m, 0x2000, 0x03);  // ROM bank 3
  BusWrite(m, 0xC010, 0x11);  // work RAM
  BusWrite(m, 0x8010, 0x22);  // video RAM
  BusWrite(m, 0xFF90, 0x33);  // high RAM
  BusWrite(m, 0xFF42, 0x44);  // SCY
  BusWrite(m, 0xFFFF, 0x1F);  // IE
  m.cpu.PC = 0x1234;
  m.cpu.B = 0x99;
  ASSERT_EQ(BusRead(m, 0x4000), 0xB3);

  ResetMachine(m);
  EXPECT_EQ(m.cpu.PC, 0x0100);
  EXPECT_EQ(m.cpu.B, 0x00);
  EXPECT_EQ(BusRead(m, 0x4000), 0x00) << "bank 1 is mapped again";
  EXPECT_EQ(BusRead(m, 0xC010), 0x00);
  EXPECT_EQ(BusRead(m, 0x8010), 0x00);
  EXPECT_EQ(BusRead(m, 0xFF90), 0x00);
  EXPECT_EQ(BusRead(m, 0xFF42), 0x00);
  EXPECT_EQ(BusRead(m, 0xFFFF), 0x00);
  EXPECT_EQ(m.mem.cart_ram[0x10], 0x5C) << "the cartridge RAM survives a reset";
}

// The registers at 0x0100 as the colour console's boot program leaves them,
// for a colour cartridge (0x143 bit 7 set) and a monochrome one.
TEST(Machine, StartsWithTheBootProgramsRegistersForEachKindOfCartridge) {
  struct Kind {
    uint8_t flag;
    bool colour;
    uint8_t d, e, l, bgp;
  } kinds[] = {{0x80, true, 0xFF, 0x56, 0x0D, 0x00}, {0xC0, true, 0xFF, 0x56, 0x0D, 0x00},
               {0x00, false, 0x00, 0x08, 0x7C, 0xFC}, {0x40, false, 0x00, 0x08, 0x7C, 0xFC}};
  for (const Kind& k : kinds) {
    std::vector<uint8_t> rom(0x8000, 0);
    rom[0x143] = k.flag;
    ResetTestMachine(rom);
    SCOPED_TRACE(testing::Message() << "header byte 0x143 = " << int(k.flag));
    EXPECT_EQ(m.cart.colour, k.colour);
    EXPECT_EQ(m.cpu.PC, 0x0100);
    EXPECT_EQ(m.cpu.SP, 0xFFFE);
    EXPECT_EQ(ReadAF(m), 0x1180);
    EXPECT_EQ(ReadBC(m), 0x0000);
    EXPECT_EQ(m.cpu.D, k.d);
    EXPECT_EQ(m.cpu.E, k.e);
    EXPECT_EQ(m.cpu.H, 0x00);
    EXPECT_EQ(m.cpu.L, k.l);
    EXPECT_EQ(m.cpu.IME, 0);
    EXPECT_EQ(BusRead(m, 0xFF40), 0x91) << "LCD on, background on, tiles at 0x8000, map at 0x9800";
    EXPECT_EQ(BusRead(m, 0xFF44), 0x00) << "at the start of line 0";
    EXPECT_EQ(BusRead(m, 0xFF47), k.bgp);
    EXPECT_EQ(m.palettes.shade_map[0][1], k.colour ? 1 : 3) << "colour cartridges keep the identity shade map";
    EXPECT_EQ(BusRead(m, 0xFF0F), 0xE1) << "a V-blank request pending";
    EXPECT_EQ(BusRead(m, 0xFFFF), 0x00);
    EXPECT_EQ(BusRead(m, 0xFF26) & 0x80, 0x80) << "sound on";
    EXPECT_EQ(BusRead(m, 0xFF24), 0x77);
    EXPECT_EQ(BusRead(m, 0xFF25), 0xF3);
  }
}
