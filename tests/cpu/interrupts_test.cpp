// Interrupt dispatch, EI/DI, HALT and the STOP speed switch.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

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

// Games clear IF right after EI and rely on the request being gone before
// any interrupt can be taken.
TEST(Interrupts, EiTakesEffectAfterTheNextInstruction) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0xFB, 0x3C, 0x00, 0xFB, 0xE0, 0x0F, 0x00});  // EI; INC A; NOP; EI; LDH (IF),A; NOP
  StartRom(rom);
  Cpu.SP = 0xD000;
  IE = 0x01;
  IF = 0x01;
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0101);
  EXPECT_EQ(Cpu.IME, 1);
  CpuStep();
  EXPECT_EQ(Cpu.A, 0x12) << "the instruction after EI runs first";
  CpuStep();
  EXPECT_EQ(Cpu.A, 0xA0) << "then the request is taken";
  EXPECT_EQ(BusRead16(Cpu.SP), 0x0102);

  CpuStep();  // RETI
  Cpu.IME = 0;
  Cpu.A = 0x00;
  CpuStep();  // NOP
  IF = 0x01;
  CpuStep();  // EI
  CpuStep();  // LDH (IF),A clears the request before it can be taken
  CpuStep();
  EXPECT_EQ(Cpu.PC, 0x0107) << "no interrupt: the NOP ran";
  EXPECT_EQ(IF, 0x00);
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

TEST(Halt, HaltedStepsStayInPlaceAndCountTheirCycles) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x3C});  // HALT; INC A
  StartRom(rom);
  Cpu.IME = 1;
  IE = 0x04;
  CpuStep();
  ASSERT_EQ(Cpu.Halted, 1);
  ASSERT_EQ(Cpu.PC, 0x0101);
  const int total_before = TotalCycles;
  int reported = 0;
  for (int i = 0; i < 10; i++) {
    CpuStep();
    HardwareStep();
    EXPECT_EQ(Cpu.PC, 0x0101);
    EXPECT_EQ(Cpu.Opcode, 0) << "a halted step reports opcode 0";
    EXPECT_GE(InstructionCycles, 1);
    reported += InstructionCycles;
  }
  EXPECT_EQ(TotalCycles - total_before, reported);
  EXPECT_EQ(Cpu.A, 0x11) << "the instruction after HALT has not run";
}

// Halted code in the register page is waited out one cycle at a time, since
// reading its opcode byte could have side effects.
TEST(Halt, HaltedInTheRegisterPageStepsOneCycle) {
  ResetTestMachine();
  Cpu.IME = 1;
  IE = 0x04;
  Cpu.Halted = 1;
  Cpu.PC = 0xFF10;
  CpuStep();
  EXPECT_EQ(InstructionCycles, 1);
}

namespace {

// What the machine shows at a moment of the wait.
struct Snapshot {
  int total, frame_cycles, line_cycles, div_counter, timer_counter;
  uint8_t ly, div, tima, if_bits, stat;
  long frames;
  bool operator==(const Snapshot& o) const {
    return total == o.total && frame_cycles == o.frame_cycles && line_cycles == o.line_cycles &&
           div_counter == o.div_counter && timer_counter == o.timer_counter && ly == o.ly && div == o.div &&
           tima == o.tima && if_bits == o.if_bits && stat == o.stat && frames == o.frames;
  }
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
  return out << "cycles " << s.total << " frame " << s.frame_cycles << " line " << s.line_cycles << " LY "
             << int(s.ly) << " DIV " << int(s.div) << "/" << s.div_counter << " TIMA " << int(s.tima) << "/"
             << s.timer_counter << " IF " << int(s.if_bits) << " STAT " << int(s.stat) << " frames " << s.frames;
}

Snapshot Take() {
  return {TotalCycles, FrameCycles, LineCycles, DivCounter, TimerCounter, LY, DIV, TIMA, IF, STAT, FramesFinished};
}

struct WaitCase {
  const char* name;
  uint8_t lcdc, lyc, tac, tima, tma;
  int start_cycles;  // cycles run before the HALT, to vary the phase
  uint8_t stat = 0;  // STAT interrupt sources selected
};

// Halts with no wake-up source enabled and records the machine at every
// change of IF or DIV, clearing IF each time, for a few frames. one_by_one
// waits as a plain idle step would: one cycle per step.
std::vector<Snapshot> RecordWait(const WaitCase& c, bool one_by_one) {
  RomBuilder rom;
  rom.At(0x0100, {0x76});
  StartRom(rom);
  BusWrite(0xFF40, c.lcdc);
  BusWrite(0xFF45, c.lyc);
  BusWrite(0xFF41, c.stat);
  BusWrite(0xFF06, c.tma);
  BusWrite(0xFF05, c.tima);
  BusWrite(0xFF07, c.tac);
  for (int i = 0; i < c.start_cycles; i++) {
    InstructionCycles = 1;
    TimerAdvance(1);
    HardwareStep();
  }
  Cpu.IME = 1;
  IE = 0xE0;  // halts, and no source can end it
  CpuStep();
  HardwareStep();
  IF = 0;
  std::vector<Snapshot> seen;
  uint8_t div = DIV;
  while (FramesFinished < 3) {
    if (one_by_one) {
      InstructionCycles = 1;
      TotalCycles += 1;
      TimerAdvance(1);
    } else {
      CpuStep();
    }
    HardwareStep();
    if (IF != 0 || DIV != div) {
      seen.push_back(Take());
      IF = 0;
      div = DIV;
    }
  }
  return seen;
}

}  // namespace

// Waiting in long steps must show the same LY, divider, timer and interrupt
// requests at the same cycles as waiting one cycle per step.
TEST(Halt, LongWaitingStepsKeepEveryEventOnItsCycle) {
  const WaitCase cases[] = {
      {"LCD off, timer off", 0x00, 0, 0x00, 0, 0, 0},
      {"LCD on, LYC 0, timer at 4", 0x80, 0, 0x05, 0x00, 0x00, 17},
      {"LCD on, LYC 144, timer at 16", 0x80, 144, 0x06, 0xF0, 0x80, 113},
      {"LCD on, LYC 153, timer at 64", 0x80, 153, 0x07, 0xFE, 0xFE, 16400},
      {"LCD on, LYC 10, timer at 256", 0x91, 10, 0x04, 0xFF, 0xFF, 5},
      {"LCD off, timer at 4 with TMA 0xFF", 0x00, 0, 0x05, 0xFF, 0xFF, 1},
      {"LCD on, H-blank and mode-2 sources", 0x91, 0, 0x00, 0, 0, 30, 0x28},
      {"LCD on, V-blank and LYC 100 sources, timer at 16", 0x91, 100, 0x06, 0x80, 0x00, 7000, 0x50},
  };
  for (const WaitCase& c : cases) {
    const std::vector<Snapshot> reference = RecordWait(c, true);
    const std::vector<Snapshot> fast = RecordWait(c, false);
    ASSERT_GT(reference.size(), 100u) << c.name;
    EXPECT_EQ(fast.size(), reference.size()) << c.name << ": the same number of events";
    for (size_t i = 0; i < reference.size() && i < fast.size(); i++) {
      ASSERT_EQ(fast[i], reference[i]) << c.name << ", event " << i;
    }
  }
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
