// The stack, calls and returns, relative jumps and address wrap-around.
#include <gtest/gtest.h>

#include "cpu_test_support.h"
#include "memory/io_registers.h"

// Words lie on the stack little-endian, like every other word in memory:
// programs read return addresses and saved registers straight from it.
TEST(Stack, PushStoresTheWordLittleEndianBelowSp) {
  ResetTestMachine();
  WriteBC(m, 0x1234);
  m.cpu.SP = 0xDFF0;
  Execute({0xC5});  // PUSH BC
  EXPECT_EQ(m.cpu.SP, 0xDFEE);
  EXPECT_EQ(BusRead(m, 0xDFEE), 0x34) << "the low byte lies at the new SP";
  EXPECT_EQ(BusRead(m, 0xDFEF), 0x12) << "the high byte lies above it";
  Execute({0xD1});  // POP DE
  EXPECT_EQ(ReadDE(m), 0x1234);
  EXPECT_EQ(m.cpu.SP, 0xDFF0);
}

TEST(Stack, EachPairPushesAndPopsItself) {
  ResetTestMachine();
  m.cpu.SP = 0xD000;
  WriteBC(m, 0x0102);
  WriteDE(m, 0x0304);
  WriteHL(m, 0x0506);
  m.cpu.A = 0x07;
  m.cpu.F = 0x80;
  Execute({0xC5});
  Execute({0xD5});
  Execute({0xE5});
  Execute({0xF5});
  WriteBC(m, 0);
  WriteDE(m, 0);
  WriteHL(m, 0);
  m.cpu.A = m.cpu.F = 0;
  Execute({0xC1});  // POP BC gets what PUSH AF left
  Execute({0xD1});
  Execute({0xE1});
  Execute({0xF1});
  EXPECT_EQ(ReadBC(m), 0x0780);
  EXPECT_EQ(ReadDE(m), 0x0506);
  EXPECT_EQ(ReadHL(m), 0x0304);
  EXPECT_EQ(ReadAF(m), 0x0100) << "F keeps only its top four bits";
  EXPECT_EQ(m.cpu.SP, 0xD000);
}

// Pushed at SP 0x0001 the high byte goes to 0x0000 (a ROM address: the write
// does not change ROM) and the low byte to 0xFFFF, the interrupt enable
// register; SP wraps to 0xFFFF.
TEST(Stack, PushAndPopWrapAroundTheAddressSpace) {
  RomBuilder rom;
  rom.At(0x0000, {0xAB});
  StartRom(rom);
  m.cpu.SP = 0x0001;
  WriteBC(m, 0x1234);
  Execute({0xC5});
  EXPECT_EQ(m.cpu.SP, 0xFFFF);
  EXPECT_EQ(m.io.IE, 0x34) << "the low byte is written at 0xFFFF";
  EXPECT_EQ(BusRead(m, 0x0000), 0xAB) << "ROM is not changed";
  Execute({0xE1});  // POP HL: low byte from 0xFFFF, high byte from 0x0000
  EXPECT_EQ(ReadHL(m), 0xAB34);
  EXPECT_EQ(m.cpu.SP, 0x0001);
}

TEST(Stack, LoadOfSpIntoMemoryIsLittleEndian) {
  ResetTestMachine();
  m.cpu.SP = 0xC0DE;
  Execute({0x08, 0x00, 0xC5});  // LD (0xC500),SP
  EXPECT_EQ(BusRead(m, 0xC500), 0xDE);
  EXPECT_EQ(BusRead(m, 0xC501), 0xC0);
}

TEST(Calls, CallPushesTheReturnAddressAndRetComesBack) {
  RomBuilder rom;
  rom.At(0x1234, {0xCD, 0x00, 0x20})  // CALL 0x2000
      .At(0x2000, {0xC9});            // RET
  StartRom(rom);
  m.cpu.PC = 0x1234;
  m.cpu.SP = 0xD000;
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x2000);
  EXPECT_EQ(BusRead16(m, 0xCFFE), 0x1237) << "CALL at 0x1234 pushes 0x1237";
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x1237);
  EXPECT_EQ(m.cpu.SP, 0xD000);
}

TEST(Calls, RstPushesTheNextAddress) {
  RomBuilder rom;
  rom.At(0x0200, {0xFF});  // RST 0x38
  StartRom(rom);
  m.cpu.PC = 0x0200;
  m.cpu.SP = 0xD000;
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0038);
  EXPECT_EQ(BusRead16(m, m.cpu.SP), 0x0201);
}

TEST(Calls, ConditionalReturnPopsOnlyWhenTheConditionHolds) {
  ResetTestMachine();
  m.cpu.SP = 0xD000;
  Poke(0xD000, {0x78, 0x56});
  m.cpu.F = FlagC;
  Execute({0xD0});  // RET NC
  EXPECT_EQ(m.cpu.PC, CodeAddress + 1);
  EXPECT_EQ(m.cpu.SP, 0xD000);
  Execute({0xD8});  // RET C
  EXPECT_EQ(m.cpu.PC, 0x5678);
  EXPECT_EQ(m.cpu.SP, 0xD002);
}

TEST(Calls, RetiReturnsAndEnablesInterrupts) {
  ResetTestMachine();
  m.cpu.SP = 0xD000;
  Poke(0xD000, {0x00, 0x03});
  Execute({0xD9});
  EXPECT_EQ(m.cpu.PC, 0x0300);
  EXPECT_EQ(m.cpu.IME, 1);
}

TEST(Jumps, RelativeDisplacementsCountFromTheNextInstruction) {
  struct Case {
    uint8_t e;
    uint16_t target;
  } cases[] = {{0x80, 0x0082}, {0x7F, 0x0181}, {0xFE, 0x0100}, {0x00, 0x0102}, {0xFF, 0x0101}};
  for (const Case& c : cases) {
    RomBuilder rom;
    rom.At(0x0100, {0x18, c.e});
    StartRom(rom);
    CpuStep(m);
    EXPECT_EQ(m.cpu.PC, c.target) << "JR with e = " << int(c.e);
  }
}

TEST(Jumps, AbsoluteJumps) {
  ResetTestMachine();
  Execute({0xC3, 0x34, 0x12});  // JP 0x1234
  EXPECT_EQ(m.cpu.PC, 0x1234);
  WriteHL(m, 0x4321);
  Execute({0xE9});  // JP (HL)
  EXPECT_EQ(m.cpu.PC, 0x4321);
  m.cpu.F = FlagZ;
  Execute({0xC2, 0x00, 0x30});  // JP NZ: not taken
  EXPECT_EQ(m.cpu.PC, CodeAddress + 3);
  Execute({0xCA, 0x00, 0x30});  // JP Z: taken
  EXPECT_EQ(m.cpu.PC, 0x3000);
}

// An instruction at 0xFFFF (the interrupt enable register) takes its operand
// from 0x0000 and PC wraps.
TEST(Jumps, ProgramCounterWrapsAtTheTop) {
  RomBuilder rom;
  rom.At(0x0000, {0x5A});
  StartRom(rom);
  m.io.IE = 0x3E;  // LD A,n
  m.cpu.PC = 0xFFFF;
  CpuStep(m);
  EXPECT_EQ(m.cpu.A, 0x5A);
  EXPECT_EQ(m.cpu.PC, 0x0001);
}

TEST(Loads, HlStepsAfterTheAccess) {
  ResetTestMachine();
  WriteHL(m, 0xC100);
  m.cpu.A = 0x11;
  Execute({0x22});  // LD (HL+),A
  EXPECT_EQ(BusRead(m, 0xC100), 0x11);
  EXPECT_EQ(ReadHL(m), 0xC101);
  m.cpu.A = 0x22;
  Execute({0x32});  // LD (HL-),A
  EXPECT_EQ(BusRead(m, 0xC101), 0x22);
  EXPECT_EQ(ReadHL(m), 0xC100);
  Execute({0x2A});  // LD A,(HL+)
  EXPECT_EQ(m.cpu.A, 0x11);
  EXPECT_EQ(ReadHL(m), 0xC101);
  Execute({0x3A});  // LD A,(HL-)
  EXPECT_EQ(m.cpu.A, 0x22);
  EXPECT_EQ(ReadHL(m), 0xC100);
  WriteHL(m, 0xFFFF);
  Execute({0x23});  // INC HL wraps without flags
  EXPECT_EQ(ReadHL(m), 0x0000);
}

TEST(Loads, HighPageAndAbsoluteLoads) {
  ResetTestMachine();
  m.cpu.A = 0x42;
  Execute({0xE0, 0x80});  // LDH (0x80),A
  EXPECT_EQ(BusRead(m, 0xFF80), 0x42);
  m.cpu.C = 0x81;
  Execute({0xE2});  // LD (C),A
  EXPECT_EQ(BusRead(m, 0xFF81), 0x42);
  Execute({0xEA, 0x00, 0xC3});  // LD (0xC300),A
  EXPECT_EQ(BusRead(m, 0xC300), 0x42);
  Poke(0xFF82, {0x99});
  Execute({0xF0, 0x82});  // LDH A,(0x82)
  EXPECT_EQ(m.cpu.A, 0x99);
  Poke(0xFF81, {0x98});
  Execute({0xF2});  // LD A,(C)
  EXPECT_EQ(m.cpu.A, 0x98);
  Poke(0xC301, {0x97});
  Execute({0xFA, 0x01, 0xC3});  // LD A,(0xC301)
  EXPECT_EQ(m.cpu.A, 0x97);
  WriteHL(m, 0xD123);
  Execute({0xF9});  // LD SP,HL
  EXPECT_EQ(m.cpu.SP, 0xD123);
}
