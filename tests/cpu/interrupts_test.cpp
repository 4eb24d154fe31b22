// Interrupt dispatch, EI/DI, HALT and the STOP speed switch.
#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "cpu_test_support.h"
#include "memory/io_registers.h"
#include "machine/clock.h"
#include "memory/serial.h"
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
  m.cpu.SP = 0xD000;
}

}  // namespace

// The entry is a step of its own, five cycles with the fetch it replaces;
// the handler runs from the next step.
TEST(Interrupts, LowestPendingEnabledSourceIsTakenFirst) {
  StartWithHandlers();
  m.cpu.IME = 1;
  m.io.IE = 0x05;
  m.io.IF = 0x05;
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0040);
  EXPECT_EQ(m.cpu.instruction_cycles, 5);
  EXPECT_EQ(m.io.IF, 0x04) << "only the taken source's request is cleared";
  EXPECT_EQ(m.cpu.IME, 0);
  EXPECT_EQ(BusRead16(m, m.cpu.SP), 0x0100) << "the interrupted PC is on the stack";
  CpuStep(m);
  EXPECT_EQ(m.cpu.A, 0xA0) << "the V-blank handler runs";

  CpuStep(m);  // RETI
  EXPECT_EQ(m.cpu.PC, 0x0100);
  EXPECT_EQ(m.cpu.IME, 1) << "RETI enables at once";
  CpuStep(m);  // the timer request is taken before the instruction at 0x0100
  CpuStep(m);
  EXPECT_EQ(m.cpu.A, 0xA2);
  EXPECT_EQ(m.io.IF, 0x00);
}

TEST(Interrupts, EachSourceHasItsVector) {
  for (int source = 0; source < 5; source++) {
    StartWithHandlers();
    m.cpu.IME = 1;
    m.io.IE = 0x1F;
    m.io.IF = static_cast<uint8_t>(1 << source);
    CpuStep(m);
    EXPECT_EQ(m.cpu.PC, 0x40 + 8 * source) << "source " << source;
  }
}

TEST(Interrupts, NothingIsTakenWithoutImeOrEnable) {
  StartWithHandlers();
  m.io.IE = 0x01;
  m.io.IF = 0x01;
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0101) << "IME 0: the NOP at 0x0100 runs";
  m.cpu.IME = 1;
  m.io.IE = 0x02;
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0102) << "the request is not enabled";
  BusWrite(m, 0xFF0F, 0xE0);
  EXPECT_EQ(m.io.IF, 0x00) << "bits 5-7 have no source and hold nothing";
  EXPECT_EQ(BusRead(m, 0xFF0F), 0xE0) << "they read 1";
}

// Games clear IF right after EI and rely on the request being gone before
// any interrupt can be taken; EI; DI takes none.
TEST(Interrupts, EiTakesEffectAfterTheNextInstruction) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0xFB, 0x3C, 0x00, 0xFB, 0xE0, 0x0F, 0x00, 0xFB, 0xF3, 0x00});
  StartRom(rom);  // EI; INC A; NOP; EI; LDH (IF),A; NOP; EI; DI; NOP
  m.cpu.SP = 0xD000;
  m.io.IE = 0x01;
  m.io.IF = 0x01;
  CpuStep(m);
  EXPECT_EQ(m.cpu.IME, 0) << "not yet";
  CpuStep(m);
  EXPECT_EQ(m.cpu.A, 0x12) << "the instruction after EI runs first";
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0040) << "then the request is taken";
  EXPECT_EQ(BusRead16(m, m.cpu.SP), 0x0102);

  m.cpu.PC = 0x0103;
  m.cpu.IME = 0;
  m.cpu.A = 0x00;
  m.io.IF = 0x01;
  for (int i = 0; i < 3; i++) CpuStep(m);  // EI; LDH (IF),A; NOP
  EXPECT_EQ(m.cpu.PC, 0x0107) << "the request was cleared in time: the NOP ran";
  m.cpu.IME = 0;
  m.io.IF = 0x01;
  for (int i = 0; i < 3; i++) CpuStep(m);  // EI; DI; NOP
  EXPECT_EQ(m.cpu.PC, 0x010A);
  EXPECT_EQ(m.cpu.IME, 0);
}

// The choice comes after the high byte's push: a request that comes in the
// entry's first two cycles is taken when it comes before the one that
// started it; a push that clears IE (SP at
// 0x0000, the byte going to 0xFFFF) leaves nothing to take, and PC becomes 0.
TEST(Interrupts, APushThatClearsIeCancelsTheEntry) {
  StartWithHandlers();
  m.cpu.IME = 1;
  m.io.IE = 0x01;
  m.io.IF = 0x01;
  m.cpu.SP = 0x0000;
  m.cpu.PC = 0x00C0;  // high byte 0x00: IE becomes 0
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0000);
  EXPECT_EQ(m.io.IF, 0x01) << "nothing was taken";
  EXPECT_EQ(m.cpu.IME, 0);

  StartWithHandlers();
  m.cpu.IME = 1;
  m.io.IE = 0x18;                       // serial and joypad
  m.io.IF = 0x10;                       // the joypad's request starts the entry
  m.serial.ends_at = m.clock.cycles + 2;  // a transfer ends in its second cycle
  ScheduleEvents(m);
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, 0x0058) << "the serial port's request, which comes before the joypad's";
  EXPECT_EQ(m.io.IF, 0x10);
}

// ---- HALT -------------------------------------------------------------------

// With nothing enabled in IE no request can end the wait: the processor
// halts for good while the LCD goes on, frame after frame.
TEST(Halt, WithNothingEnabledTheProcessorHaltsForGood) {
  RomBuilder rom;
  rom.At(0x0100, {0x76, 0x3C});
  StartRom(rom);
  m.cpu.IME = 1;
  m.io.IE = 0x00;
  CpuStep(m);
  ASSERT_EQ(m.cpu.Halted, 1);
  const long frames = m.lcd.frames_finished;
  RunFrames(3);
  EXPECT_EQ(m.lcd.frames_finished, frames + 3);
  EXPECT_EQ(m.cpu.Halted, 1);
  EXPECT_EQ(m.cpu.PC, 0x0101);
  EXPECT_EQ(m.cpu.A, 0x11);
}

namespace {

// What the machine shows at a moment of the wait.
struct Snapshot {
  uint64_t total;
  uint8_t ly, div, tima, if_bits, stat;
  long frames;
  bool operator==(const Snapshot& o) const {
    return total == o.total && ly == o.ly && div == o.div && tima == o.tima && if_bits == o.if_bits &&
           stat == o.stat && frames == o.frames;
  }
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
  return out << "cycle " << s.total << " LY " << int(s.ly) << " DIV " << int(s.div) << " TIMA " << int(s.tima)
             << " IF " << int(s.if_bits) << " STAT " << int(s.stat) << " frames " << s.frames;
}

// Through the bus, which brings every unit to the present cycle; the cycle
// counted from `start`.
Snapshot Take(uint64_t start) {
  return {m.clock.cycles - start, BusRead(m, 0xFF44), BusRead(m, 0xFF04), BusRead(m, 0xFF05), m.io.IF, BusRead(m, 0xFF41),
          m.lcd.frames_finished};
}

struct WaitCase {
  const char* name;
  uint8_t lcdc, lyc, tac, tima, tma;
  int start_cycles;  // cycles run before the HALT, to vary the phase
  uint8_t stat = 0;  // STAT interrupt sources selected
};

// Waits in `program` (HALT unless told) with no interrupt source enabled
// and records the machine at every change of IF, clearing IF each time, for
// a few frames. one_by_one waits a cycle per step, as a processor that
// looked every cycle would, and brings the LCD up to each cycle.
std::vector<Snapshot> RecordWait(const WaitCase& c, bool one_by_one, std::initializer_list<uint8_t> program = {0x76}) {
  RomBuilder rom;
  rom.At(0x0100, program);
  StartRom(rom);
  const uint64_t start = m.clock.cycles;
  BusWrite(m, 0xFF40, c.lcdc);
  BusWrite(m, 0xFF45, c.lyc);
  BusWrite(m, 0xFF41, c.stat);
  BusWrite(m, 0xFF06, c.tma);
  BusWrite(m, 0xFF05, c.tima);
  BusWrite(m, 0xFF07, c.tac);
  m.clock.cycles += static_cast<uint64_t>(c.start_cycles);
  RunDueEvents(m);
  m.cpu.IME = 1;
  m.io.IE = 0x00;  // halts, and no source can end it
  CpuStep(m);
  RunDueEvents(m);
  m.io.IF = 0;
  std::vector<Snapshot> seen;
  while (m.lcd.frames_finished < 3) {
    if (one_by_one) {
      m.clock.cycles += 1;
      LcdSync(m);  // the LCD's steps each at its own cycle, visible or not
    } else {
      CpuStep(m);
    }
    RunDueEvents(m);
    m.lcd.frame_ready = 0;  // as each frame's run starts
    if (m.io.IF != 0) {
      seen.push_back(Take(start));
      m.io.IF = 0;
    }
  }
  return seen;
}

}  // namespace

// Waiting in long steps must show the same LY, divider, timer and interrupt
// requests at the same cycles as waiting one cycle per step.
const WaitCase WaitCases[] = {
      {"LCD on, LYC 0, timer at 4", 0x80, 0, 0x05, 0x00, 0x00, 17},
      {"LCD on, LYC 144, timer at 16", 0x80, 144, 0x06, 0xF0, 0x80, 113},
      {"LCD on, LYC 153, timer at 64", 0x80, 153, 0x07, 0xFE, 0xFE, 16400},
      {"LCD on, LYC 10, timer at 256", 0x91, 10, 0x04, 0xFF, 0xFF, 5},
      {"LCD off, timer at 4 with TMA 0xFF", 0x00, 0, 0x05, 0xFF, 0xFF, 1},
      {"LCD on, H-blank and mode-2 sources", 0x91, 0, 0x00, 0, 0, 30, 0x28},
      {"LCD on, V-blank and LYC 100 sources, timer at 16", 0x91, 100, 0x06, 0x80, 0x00, 7000, 0x50},
      {"LCD on, LYC 0 source (matched on line 153)", 0x91, 0, 0x00, 0, 0, 50, 0x40},
};

TEST(Halt, LongWaitingStepsKeepEveryEventOnItsCycle) {
  for (const WaitCase& c : WaitCases) {
    const std::vector<Snapshot> reference = RecordWait(c, true);
    const std::vector<Snapshot> fast = RecordWait(c, false);
    ASSERT_GT(reference.size(), 2u) << c.name;
    EXPECT_EQ(fast.size(), reference.size()) << c.name << ": the same number of events";
    for (size_t i = 0; i < reference.size() && i < fast.size(); i++) {
      ASSERT_EQ(fast[i], reference[i]) << c.name << ", event " << i;
    }
  }
}

// A jump to itself, whose rounds are counted at once up to the next event,
// waits exactly as two jumps to each other of the same length do.
TEST(Halt, AJumpToItselfWaitsAsTwoJumpsToEachOther) {
  for (const WaitCase& c : WaitCases) {
    const auto jr_pair = RecordWait(c, false, {0x18, 0x00, 0x18, 0xFC});
    EXPECT_EQ(RecordWait(c, false, {0x18, 0xFE}), jr_pair) << c.name << ": JR";
    const auto jp_pair = RecordWait(c, false, {0xC3, 0x03, 0x01, 0xC3, 0x00, 0x01});
    EXPECT_EQ(RecordWait(c, false, {0xC3, 0x00, 0x01}), jp_pair) << c.name << ": JP";
    EXPECT_GT(jr_pair.size(), 2u) << c.name;
  }
}

// A wait for a line (LDH A,(LY); CP n; a jump back while the condition
// holds), whose rounds are counted at once, leaves at the cycle and with
// the registers of the same loop run from the echo of work RAM, where it is
// not recognised; with and without a timer interrupt every 64 cycles whose
// handler changes A in the middle of the wait, at many phases.
TEST(Halt, AWaitForALineEndsAsTheSameLoopRunRoundByRound) {
  struct Ending {
    uint64_t cycles;
    uint8_t a, f, interrupts;
    bool operator==(const Ending& o) const {
      return cycles == o.cycles && a == o.a && f == o.f && interrupts == o.interrupts;
    }
  };
  const auto wait = [](bool recognised, bool jp, uint8_t condition, uint8_t line, bool timer, int phase) {
    RomBuilder rom;
    rom.At(0x0050, {0x21, 0x90, 0xFF, 0x34, 0x3E, 0x55, 0xD9});  // count in 0xFF90; A = 0x55; RETI
    StartRom(rom);
    const uint16_t loop = recognised ? 0xC100 : 0xE100;  // the same bytes
    if (jp) Poke(0xC100, {0xF0, 0x44, 0xFE, line, static_cast<uint8_t>(condition + 0xA2), 0x00, static_cast<uint8_t>(loop >> 8)});
    else Poke(0xC100, {0xF0, 0x44, 0xFE, line, condition, 0xFA});
    m.cpu.PC = loop;
    m.cpu.SP = 0xDFF0;
    BusWrite(m, 0xFF06, 0xF0);
    BusWrite(m, 0xFF07, 0x05);  // the timer every 64 cycles
    m.io.IE = timer ? 0x04 : 0x00;
    m.cpu.IME = 1;
    m.clock.cycles += static_cast<uint64_t>(phase);
    const uint64_t start = m.clock.cycles;
    const uint16_t end = static_cast<uint16_t>(loop + (jp ? 7 : 6));
    while (m.cpu.PC != end && m.clock.cycles - start < 200000) {
      CpuStep(m);
      RunDueEvents(m);
      m.lcd.frame_ready = 0;  // as each frame's run starts
    }
    return Ending{m.clock.cycles - start, m.cpu.A, m.cpu.F, m.mem.high_ram[0x10]};
  };
  for (const bool jp : {false, true})
    for (const bool timer : {false, true})
      for (const auto& [condition, line] : {std::pair<uint8_t, uint8_t>{0x20, 100}, {0x20, 0}, {0x20, 152}, {0x38, 144}})
        for (int phase = 0; phase < 24; phase++) {
          const Ending reference = wait(false, jp, condition, line, timer, phase);
          ASSERT_LT(reference.cycles, 200000u);
          ASSERT_EQ(wait(true, jp, condition, line, timer, phase), reference)
              << (jp ? "JP" : "JR") << " condition 0x" << std::hex << int(condition) << std::dec << " LY "
              << int(line) << (timer ? " with the timer" : "") << ", phase " << phase;
        }
}

// With IME 0 HALT still waits when a source is enabled; an enabled request
// ends the wait and the program goes on after HALT without a dispatch.
TEST(Halt, WithImeClearARequestResumesWithoutDispatch) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x3C, 0x00});  // HALT; INC A; NOP
  StartRom(rom);
  m.cpu.SP = 0xD000;
  m.io.IE = 0x01;
  CpuStep(m);
  ASSERT_EQ(m.cpu.Halted, 1) << "IME 0 with IE non-zero halts";
  m.io.IF = 0x02;  // requested but not enabled
  CpuStep(m);
  EXPECT_EQ(m.cpu.Halted, 1);
  m.io.IF = 0x03;
  CpuStep(m);
  EXPECT_EQ(m.cpu.Halted, 0);
  EXPECT_EQ(m.cpu.A, 0x12) << "INC A after HALT runs in the waking step";
  EXPECT_EQ(m.cpu.SP, 0xD000) << "nothing was pushed";
  EXPECT_EQ(m.io.IF, 0x03) << "the request stays pending";
}

// The halt bug: with IME 0 and a request already pending HALT does not
// halt, and the byte after it is read twice: INC A runs twice.
TEST(Halt, WithImeClearAPendingRequestTheNextByteIsReadTwice) {
  RomBuilder rom;
  rom.At(0x0100, {0x76, 0x3C, 0x00});
  StartRom(rom);
  m.io.IE = 0x01;
  m.io.IF = 0x01;
  CpuStep(m);
  EXPECT_EQ(m.cpu.Halted, 0);
  CpuStep(m);
  CpuStep(m);
  EXPECT_EQ(m.cpu.A, 0x13);
  EXPECT_EQ(m.cpu.PC, 0x0102);
}

// While halted the machine's time goes on: lines advance and V-blank ends
// the halt, a cycle of waking before the five of the entry.
TEST(Halt, LcdKeepsRunningAndVblankWakes) {
  RomBuilder rom = HandlerRom();
  rom.At(0x0100, {0x76, 0x00});
  StartRom(rom);
  m.cpu.SP = 0xD000;
  m.cpu.IME = 1;
  m.io.IE = 0x01;
  BusWrite(m, 0xFF40, 0x80);  // LCD on
  CpuStep(m);
  ASSERT_EQ(m.cpu.Halted, 1);
  RunDueEvents(m);
  while (m.cpu.Halted && !(m.io.IF & 0x01)) {
    CpuStep(m);
    RunDueEvents(m);
  }
  EXPECT_EQ(m.lcd.LY, VisibleLines);
  CpuStep(m);
  EXPECT_EQ(m.cpu.Halted, 0);
  EXPECT_EQ(m.cpu.PC, 0x0040);
  EXPECT_EQ(m.cpu.instruction_cycles, 6);
}

// ---- STOP -------------------------------------------------------------------

// STOP with KEY1 prepared switches the speed and waits while it settles,
// the divider held at 0; without, the processor stops until a button.
TEST(Stop, SwitchesSpeedWhenPreparedAndOtherwiseWaitsForAButton) {
  ResetTestMachine(ColourImage());
  BusWrite(m, 0xFF4D, 0x01);
  EXPECT_EQ(BusRead(m, 0xFF4D), 0x7F);
  const uint64_t before = m.clock.cycles;
  Execute({0x10, 0x00});
  EXPECT_EQ(m.cpu.PC, CodeAddress + 2);
  EXPECT_EQ(m.io.double_speed, 1);
  EXPECT_EQ(BusRead(m, 0xFF4D), 0xFE) << "the new speed in bit 7, the prepare used up";
  EXPECT_EQ(m.clock.cycles - before, 1u + SpeedSwitchClocks / DoubleSpeedClocksPerCycle) << "the fetch, then the wait";
  EXPECT_EQ(BusRead(m, 0xFF04), 0) << "the divider starts again after the wait";
  BusWrite(m, 0xFF4D, 0x01);
  Execute({0x10, 0x00});
  EXPECT_EQ(m.io.double_speed, 0) << "a second prepared STOP switches back";

  BusWrite(m, 0xFF00, 0x10);  // the buttons' half selected
  Execute({0x10, 0x00});
  EXPECT_EQ(m.cpu.Stopped, 1) << "not prepared: stopped";
  m.io.joypad_held = ButtonRight;
  CpuStep(m);
  CpuStep(m);
  EXPECT_EQ(m.cpu.PC, CodeAddress + 2) << "nothing runs, and a pad key of the other half does not wake it";
  EXPECT_EQ(BusRead(m, 0xFF04), 0) << "the divider is held at 0";
  m.io.joypad_held = ButtonA;
  CpuStep(m);
  EXPECT_EQ(m.cpu.Stopped, 0);
  EXPECT_EQ(m.cpu.PC, CodeAddress + 3) << "a button: the next instruction runs";
  m.io.joypad_held = 0;
}
