// Interrupt dispatch, EI/DI, HALT and the STOP speed switch.
#include <gtest/gtest.h>

#include "cpu_test_support.h"
#include "memory/io_registers.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

namespace {

// A program whose handlers each load a marker into A and return with RETI,
// and whose main code at 0x0100 is a run of NOPs.
RomBuilder HandlerRom() {
  RomBuilder rom;
  for (int source = 0; source < 5; source++) {
    const uint16_t vector = static_cast<uint16_t>(0x40 + 8 * source);
    rom.At(vector, {0x3E, static_cast<uint8_t>(0xA0 + source), 0xD9});  // LD A,marker; RETI
  }
  return rom;
}

void StartWithHandlers() {
  StartRom(HandlerRom());
  Cpu.SP = 0xD000;
}

}  // namespace

TEST(Interrupts, LowestPendingEnabledSourceIsTakenFirst) {
  StartWithHandlers();
  Cpu.IME = 1;
  IE = 0x05;
  IF = 0x05;
  CpuStep();
  EXPECT_EQ(Cpu.A, 0xA0) << "the V-blank handler's first instruction runs in the same step";
  EXPECT_EQ(Cpu.PC, 0x0042);
  EXPECT_EQ(IF, 0x04) << "only the taken source's request is cleared";
  EXPECT_EQ(Cpu.IME, 0);
  EXPECT_EQ(BusRead16(Cpu.SP), 0x0100) << "the interrupted PC is on the stack";
  EXPECT_EQ(InstructionCycles, 2) << "the step costs the handler's first instruction alone";

  CpuStep();  // RETI
  EXPECT_EQ(Cpu.PC, 0x0100);
  EXPECT_EQ(Cpu.IME, 1);
  CpuStep();  // the timer request is taken before the instruction at 0x0100
  EXPECT_EQ(Cpu.A, 0xA2);
  EXPECT_EQ(Cpu.PC, 0x0052);
  EXPECT_EQ(IF, 0x00);
}

TEST(Interrupts, EachSourceHasItsVector) {
  for (int source = 0; source < 5; source++) {
    StartWithHandlers();
    Cpu.IME = 1;
    IE = 0x1F;
    IF = static_cast<uint8_t>(1 << source);
    CpuStep();
    EXPECT_EQ(Cpu.PC, 0x40 + 8 * source + 2) << "source " << source;
    EXPECT_EQ(Cpu.A, 0xA0 + source);
  }
}

TEST(Interrupts, NothingIsTakenWithoutImeOrEnable) {
  StartWithHandlers();
  IE = 0x01;
  IF = 0x01;
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0101) << "IME 0: the NOP at 0x0100 runs";
  Cpu.IME = 1;
  IE = 0x02;
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0102) << "the request is not enabled";
  IE = 0xE0;
  IF = 0xE0;
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0103) << "bits 5-7 have no source and are never taken";
  EXPECT_EQ(IF, 0xE0);
}

TEST(Interrupts, EiTakesEffectForTheNextStep) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0xFB, 0x00});  // EI; NOP
  StartRom(rom);
  Cpu.SP = 0xD000;
  IE = 0x01;
  IF = 0x01;
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0101);
  EXPECT_EQ(Cpu.IME, 1);
  CpuStep();
  EXPECT_EQ(Cpu.A, 0xA0) << "the request is taken before the instruction after EI";
  EXPECT_EQ(BusRead16(Cpu.SP), 0x0101);
}

TEST(Interrupts, DiDisables) {
  StartWithHandlers();
  Cpu.IME = 1;
  Execute({0xF3});
  EXPECT_EQ(Cpu.IME, 0);
}

TEST(Interrupts, DispatchPushesPcAndClearsImeAndHalt) {
  ResetTestMachine();
  Cpu.SP = 0xD000;
  Cpu.PC = 0x1234;
  Cpu.IME = 1;
  Cpu.Halted = 1;
  DispatchInterrupt(0x0048);
  EXPECT_EQ(Cpu.PC, 0x0048);
  EXPECT_EQ(Cpu.IME, 0);
  EXPECT_EQ(Cpu.Halted, 0);
  EXPECT_EQ(BusRead16(0xCFFE), 0x1234);
}

// ---- HALT -------------------------------------------------------------------

TEST(Halt, DoesNotHaltWithNoSourceEnabled) {
  RomBuilder rom;
  rom.At(0x0100, {0x76, 0x00});
  for (int ime : {0, 1}) {
    StartRom(rom);
    Cpu.IME = static_cast<uint8_t>(ime);
    IE = 0x00;
    CpuStep();
    EXPECT_EQ(Cpu.Halted, 0) << "IME " << ime;
    EXPECT_EQ(Cpu.PC, 0x0101);
    CpuStep();
    EXPECT_EQ(Cpu.PC, 0x0102) << "the next instruction runs";
  }
}

TEST(Halt, HaltedStepsCostOneCycleAndStayInPlace) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x3C});  // HALT; INC A
  StartRom(rom);
  Cpu.IME = 1;
  IE = 0x04;
  CpuStep();
  ASSERT_EQ(Cpu.Halted, 1);
  ASSERT_EQ(Cpu.PC, 0x0101);
  const int div_before = DivCounter;
  for (int i = 0; i < 10; i++) {
    CpuStep();
    EXPECT_EQ(Cpu.PC, 0x0101);
    EXPECT_EQ(Cpu.Opcode, 0) << "a halted step reports opcode 0";
    EXPECT_EQ(InstructionCycles, 1);
  }
  EXPECT_EQ(DivCounter, div_before - 10) << "each halted step moves the timer by one cycle";
  EXPECT_EQ(Cpu.A, 0x11) << "the instruction after HALT has not run";
}

// A halted processor with IME 1 wakes at the step after the timer overflows
// and enters the timer handler with the address after HALT on the stack.
TEST(Halt, TimerOverflowWakesIntoTheHandler) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x3C});
  StartRom(rom);
  Cpu.SP = 0xD000;
  Cpu.IME = 1;
  IE = 0x04;
  TIMA = 0xFF;
  TMA = 0x10;
  BusWrite(0xFF07, 0x05);  // period 4
  CpuStep();               // HALT
  ASSERT_EQ(Cpu.Halted, 1);
  int steps = 0;
  while (!(IF & 0x04) && steps < 100) {
    CpuStep();
    steps++;
  }
  ASSERT_TRUE(IF & 0x04) << "TIMA should overflow within a period";
  EXPECT_EQ(Cpu.Halted, 1) << "the step that overflows is still an idle step";
  EXPECT_EQ(TIMA, 0x10);
  CpuStep();
  EXPECT_EQ(Cpu.Halted, 0);
  EXPECT_EQ(Cpu.A, 0xA2) << "the timer handler runs";
  EXPECT_EQ(BusRead16(Cpu.SP), 0x0101) << "it returns to the instruction after HALT";
  CpuStep();  // RETI
  CpuStep();  // INC A
  EXPECT_EQ(Cpu.A, 0xA3);
}

// With IME 0 HALT still waits when a source is enabled; an enabled request
// ends the wait and the program goes on after HALT without a dispatch.
TEST(Halt, WithImeClearARequestResumesWithoutDispatch) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x3C, 0x00});  // HALT; INC A; NOP
  StartRom(rom);
  Cpu.SP = 0xD000;
  IE = 0x01;
  CpuStep();
  ASSERT_EQ(Cpu.Halted, 1) << "IME 0 with IE non-zero halts";
  CpuStep();
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0101) << "still waiting";
  IF = 0x02;  // requested but not enabled
  CpuStep();
  EXPECT_EQ(Cpu.Halted, 1);
  IF = 0x03;
  CpuStep();
  EXPECT_EQ(Cpu.Halted, 0);
  EXPECT_EQ(Cpu.A, 0x12) << "INC A after HALT runs in the waking step";
  EXPECT_EQ(Cpu.PC, 0x0102);
  EXPECT_EQ(Cpu.SP, 0xD000) << "nothing was pushed";
  EXPECT_EQ(IF, 0x03) << "the request stays pending";
}

TEST(Halt, WithImeClearAPendingRequestEndsTheHaltAtOnce) {
  RomBuilder rom;
  rom.At(0x0100, {0x76, 0x3C});
  StartRom(rom);
  IE = 0x01;
  IF = 0x01;
  CpuStep();
  CpuStep();
  EXPECT_EQ(Cpu.A, 0x12);
  EXPECT_EQ(Cpu.PC, 0x0102);
}

TEST(Halt, OnlyUnusedBitsEnabledHaltsForever) {
  RomBuilder rom;
  rom.At(0x0100, {0x76, 0x3C});
  StartRom(rom);
  Cpu.IME = 1;
  IE = 0xE0;
  CpuStep();
  ASSERT_EQ(Cpu.Halted, 1);
  IF = 0xFF & ~0x1F;
  for (int i = 0; i < 1000; i++) CpuStep();
  EXPECT_EQ(Cpu.Halted, 1);
  EXPECT_EQ(Cpu.PC, 0x0101);
}

// While halted the machine's time goes on: lines advance and V-blank can
// end the halt.
TEST(Halt, LcdKeepsRunningAndVblankWakes) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x00});
  StartRom(rom);
  Cpu.SP = 0xD000;
  Cpu.IME = 1;
  IE = 0x01;
  BusWrite(0xFF40, 0x80);  // LCD on
  CpuStep();
  ASSERT_EQ(Cpu.Halted, 1);
  HardwareStep();
  long steps = 0;
  while (Cpu.Halted && steps < CyclesPerFrame + 10) {
    CpuStep();
    HardwareStep();
    steps++;
  }
  EXPECT_EQ(Cpu.Halted, 0) << "V-blank should end the halt within a frame";
  EXPECT_EQ(LY, VisibleLines);
  EXPECT_EQ(Cpu.A, 0xA0);
}

// ---- STOP -------------------------------------------------------------------

TEST(Stop, SwitchesSpeedOnlyWhenPrepared) {
  ResetTestMachine();
  Execute({0x10, 0x00});
  EXPECT_EQ(Cpu.PC, CodeAddress + 2);
  EXPECT_EQ(DoubleSpeed, 0) << "without a prepare nothing happens";
  EXPECT_EQ(Cpu.Halted, 0) << "the processor does not stop";

  BusWrite(0xFF4D, 0x01);
  EXPECT_EQ(BusRead(0xFF4D), 0x00);
  Execute({0x10, 0x00});
  EXPECT_EQ(DoubleSpeed, 1);
  EXPECT_EQ(BusRead(0xFF4D), 0x80);
  EXPECT_EQ(KEY1, 0) << "the prepare is used up";

  Execute({0x10, 0x00});
  EXPECT_EQ(DoubleSpeed, 1);
  BusWrite(0xFF4D, 0x01);
  Execute({0x10, 0x00});
  EXPECT_EQ(DoubleSpeed, 0) << "a second prepared STOP switches back";
}
