// The eleven opcodes the processor does not have: the machine stops there.
#include <gtest/gtest.h>

#include <string>

#include "cpu_test_support.h"
#include "memory/io_registers.h"
#include "machine/clock.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

TEST(UndefinedOpcode, StopsTheMachineWithPcOnTheOpcode) {
  for (int opcode : {0xD3, 0xDB, 0xDD, 0xE3, 0xE4, 0xEB, 0xEC, 0xED, 0xF4, 0xFC, 0xFD}) {
    RomBuilder rom;
    rom.At(0x0100, {0x00, static_cast<uint8_t>(opcode), 0x3C});
    StartRom(rom);
    m.cpu.IME = 1;
    m.io.IE = 0x01;
    BusWrite(m, 0xFF07, 0x05);
    BusWrite(m, 0xFF40, 0x80);
    CpuStep(m);
    RunDueEvents(m);

    m.cpu.unknown_opcode_text[0] = '\0';
    CpuStep(m);
    RunDueEvents(m);
    const std::string reported = m.cpu.unknown_opcode_text;
    EXPECT_EQ(m.cpu.frozen, 1) << "opcode " << opcode;
    EXPECT_EQ(m.cpu.PC, 0x0101) << "PC stays on opcode " << opcode;
    EXPECT_EQ(m.cpu.Opcode, opcode);
    EXPECT_EQ(m.cpu.instruction_cycles, 1) << "the fetch's cycle";
    EXPECT_NE(reported.find("Unknown Op"), std::string::npos) << "said: " << reported;

    // Nothing moves any more: no instruction, no timer, no LCD, no interrupt.
    const Cpu before = m.cpu;
    const uint64_t total = m.clock.cycles;
    const uint8_t ly = BusRead(m, 0xFF44), div = BusRead(m, 0xFF04), tima = BusRead(m, 0xFF05);
    m.io.IF = 0x01;
    for (int i = 0; i < 50000; i++) {
      CpuStep(m);
      RunDueEvents(m);
    }
    EXPECT_FALSE(RunFrame(m)) << "a stopped processor ends no frame";
    EXPECT_EQ(m.cpu.PC, before.PC);
    EXPECT_EQ(m.cpu.A, before.A) << "the INC A after the opcode never runs";
    EXPECT_EQ(m.cpu.SP, before.SP) << "no interrupt is taken";
    EXPECT_EQ(BusRead(m, 0xFF04), div);
    EXPECT_EQ(BusRead(m, 0xFF05), tima);
    EXPECT_EQ(BusRead(m, 0xFF44), ly);
    EXPECT_EQ(m.clock.cycles, total);
  }
}

// The message names the opcode and its address, and for the switchable ROM
// area the bank, since the address alone does not say which code it was.
TEST(UndefinedOpcode, MessageGivesOpcodeAddressAndRomBank) {
  struct Case {
    uint16_t address;
    int bank;
    const char* expected;
  };
  for (const Case& c : {Case{0x0150, 1, "Unknown Op 0xFC at 0x0150"},
                        Case{0x4123, 1, "Unknown Op 0xFC at 0x4123 (ROM bank 1)"},
                        Case{0x7FFF, 3, "Unknown Op 0xFC at 0x7FFF (ROM bank 3)"},
                        Case{0xC000, 3, "Unknown Op 0xFC at 0xC000"}}) {
    std::vector<uint8_t> image(0x10000, 0x00);
    image[0x0147] = 0x01;  // MBC1
    image[0x0148] = 0x01;  // 64 KiB, four banks
    image[c.address < 0x4000 ? c.address : c.bank * 0x4000 + (c.address & 0x3FFF)] = 0xFC;
    ResetTestMachine(image);
    BusWrite(m, 0x2000, c.bank);
    BusWrite(m, 0xC000, 0xFC);
    m.cpu.PC = c.address;
    CpuStep(m);
    EXPECT_STREQ(m.cpu.unknown_opcode_text, c.expected);
  }
}
