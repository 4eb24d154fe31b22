// The eleven opcodes the processor does not have: the machine stops there.
#include <gtest/gtest.h>

#include <string>

#include "cpu_test_support.h"
#include "memory/io_registers.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

TEST(UndefinedOpcode, StopsTheMachineWithPcOnTheOpcode) {
  for (int opcode : {0xD3, 0xDB, 0xDD, 0xE3, 0xE4, 0xEB, 0xEC, 0xED, 0xF4, 0xFC, 0xFD}) {
    RomBuilder rom;
    rom.At(0x0100, {0x00, static_cast<uint8_t>(opcode), 0x3C});
    StartRom(rom);
    Cpu.IME = 1;
    IE = 0x01;
    BusWrite(0xFF07, 0x05);
    BusWrite(0xFF40, 0x80);
    CpuStep();
    HardwareStep();

    testing::internal::CaptureStderr();
    CpuStep();
    HardwareStep();
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(CpuStopped, 1) << "opcode " << opcode;
    EXPECT_EQ(Cpu.PC, 0x0101) << "PC stays on opcode " << opcode;
    EXPECT_EQ(Cpu.Opcode, opcode);
    EXPECT_EQ(InstructionCycles, 0);
    EXPECT_NE(reported.find("Unknown Op"), std::string::npos) << "stderr: " << reported;

    // Nothing moves any more: no instruction, no timer, no LCD, no interrupt.
    const CpuRegisters before = Cpu;
    const int div_count = DivCounter, timer_count = TimerCounter, frame_cycles = FrameCycles, total = TotalCycles;
    const uint8_t ly = LY, div = DIV, tima = TIMA;
    IF = 0x01;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 50000; i++) {
      CpuStep();
      HardwareStep();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the message is shown once";
    EXPECT_EQ(Cpu.PC, before.PC);
    EXPECT_EQ(Cpu.A, before.A) << "the INC A after the opcode never runs";
    EXPECT_EQ(Cpu.SP, before.SP) << "no interrupt is taken";
    EXPECT_EQ(DivCounter, div_count);
    EXPECT_EQ(TimerCounter, timer_count);
    EXPECT_EQ(DIV, div);
    EXPECT_EQ(TIMA, tima);
    EXPECT_EQ(LY, ly);
    EXPECT_EQ(FrameCycles, frame_cycles);
    EXPECT_EQ(TotalCycles, total);
  }
}
