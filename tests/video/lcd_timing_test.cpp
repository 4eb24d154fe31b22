// Line and frame timing: LY, the V-blank and LY=LYC requests, STAT modes.
#include <gtest/gtest.h>

#include "cpu/registers.h"
#include "memory/bus.h"
#include "picture_helpers.h"
#include "shell/run_control.h"
#include "support/machine.h"
#include "video/lcd_timing.h"

namespace {

void RunCycles(int cycles, int step = 1) {
  for (int done = 0; done < cycles; done += step) {
    InstructionCycles = step;
    AdvanceLcd();
  }
}

// Runs until the V-blank request shows in IF, clearing it; returns the
// FrameCycles value at which it appeared, or -1.
int RunUntilVblank(int limit) {
  for (int i = 0; i < limit; i++) {
    InstructionCycles = 1;
    AdvanceLcd();
    if (IF & 0x01) {
      IF &= ~0x01;
      return FrameCycles;
    }
  }
  return -1;
}

void LcdOn() { BusWrite(0xFF40, 0x91); }

}  // namespace

TEST(LcdTiming, LineCounterFollowsTheFrameCounter) {
  ResetTestMachine();
  LcdOn();
  RunCycles(113);
  EXPECT_EQ(LY, 0);
  RunCycles(1);
  EXPECT_EQ(LY, 1);
  RunCycles(114 * 142);
  EXPECT_EQ(LY, 143);
  RunCycles(114 * 10);
  EXPECT_EQ(LY, 153);
  RunCycles(114);
  EXPECT_EQ(LY, 0) << "154 lines per frame";
  EXPECT_EQ(FrameCycles, 0);
}

TEST(LcdTiming, VblankIsRequestedOncePerFrameAtItsStart) {
  ResetTestMachine();
  LcdOn();
  EXPECT_EQ(RunUntilVblank(CyclesPerFrame), VblankStart);
  EXPECT_EQ(FramesFinished, 1);
  EXPECT_EQ(RunUntilVblank(CyclesPerFrame - 1), -1) << "not twice in one frame";
  EXPECT_EQ(RunUntilVblank(2), VblankStart) << "the next one comes 17556 cycles later";
  EXPECT_EQ(FramesFinished, 2);
}

TEST(LcdTiming, LcdOffMakesNoRequestsButFramesGoOn) {
  ResetTestMachine();
  LYC = 5;
  RunCycles(CyclesPerFrame * 3);
  EXPECT_EQ(IF, 0) << "neither V-blank nor LY=LYC with the LCD off";
  EXPECT_EQ(FramesFinished, 3) << "frames are still finished and presented";
  EXPECT_EQ(STAT & 0x44, 0);
}

TEST(LcdTiming, FramesStayExactlyApartWhateverTheInstructionSizes) {
  ResetTestMachine();
  LcdOn();
  long total = 0;
  std::vector<long> vblank_at;
  const int sizes[] = {1, 2, 3, 4, 5, 6, 3, 2};
  for (int i = 0; vblank_at.size() < 5; i++) {
    InstructionCycles = sizes[i % 8];
    total += InstructionCycles;
    AdvanceLcd();
    if (IF & 0x01) {
      IF = 0;
      vblank_at.push_back(total - (FrameCycles - VblankStart));  // the cycle at which V-blank was due
    }
  }
  for (size_t i = 1; i < vblank_at.size(); i++) EXPECT_EQ(vblank_at[i] - vblank_at[i - 1], CyclesPerFrame);
}

TEST(LcdTiming, LycZeroMatchesOnceAtEveryFrameStart) {
  ResetTestMachine();
  LcdOn();
  LYC = 0;
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0x02);
  IF = 0;
  RunCycles(CyclesPerFrame - 2);
  EXPECT_EQ(IF & 0x02, 0) << "no request on other lines";
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0x02) << "the next frame starts with LY = 0";
  IF = 0;
  RunCycles(100);
  EXPECT_EQ(IF & 0x02, 0) << "once per line";
}

TEST(LcdTiming, LycInVblankMatchesOncePerFrame) {
  ResetTestMachine();
  LcdOn();
  LYC = 150;
  int requests = 0;
  for (int i = 0; i < CyclesPerFrame * 2; i++) {
    InstructionCycles = 1;
    AdvanceLcd();
    if (IF & 0x02) {
      requests++;
      EXPECT_EQ(LY, 150);
      IF = 0;
    }
  }
  EXPECT_EQ(requests, 2);
}

TEST(LcdTiming, LycBeyondTheLastLineNeverMatches) {
  ResetTestMachine();
  LcdOn();
  LYC = 154;
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(IF & 0x02, 0);
  EXPECT_EQ(STAT & 0x44, 0);
}

TEST(LcdTiming, CoincidenceBitsFollowTheMatch) {
  ResetTestMachine();
  LcdOn();
  LYC = 2;
  RunCycles(114 * 2);
  EXPECT_EQ(STAT & 0x44, 0x44) << "bits 2 and 6 are set together";
  EXPECT_EQ(BusRead(0xFF41) & 0x44, 0x44);
  RunCycles(114);
  EXPECT_EQ(STAT & 0x44, 0);
}

TEST(LcdTiming, StatModeByPositionInTheLine) {
  ResetTestMachine();
  LcdOn();
  RunCycles(114 * 5);
  const struct { int position; int mode; } cases[] = {
      {0, 2}, {9, 2}, {10, 2}, {11, 3}, {79, 3}, {80, 3}, {81, 0}, {113, 0}};
  int at = 0;
  for (auto c : cases) {
    RunCycles(c.position - at);
    at = c.position;
    ASSERT_EQ(LineCycles, c.position);
    EXPECT_EQ(ReadStat() & 3, c.mode) << "at cycle " << c.position;
  }
}

TEST(LcdTiming, StatReportsModeOneInVblankAndWithTheLcdOff) {
  ResetTestMachine();
  LcdOn();
  RunCycles(114 * 145 + 20);
  EXPECT_EQ(ReadStat() & 3, 1);
  BusWrite(0xFF40, 0x11);
  RunCycles(114 * 10);
  EXPECT_LT(LY, 144);
  EXPECT_EQ(ReadStat() & 3, 1);
}

TEST(LcdTiming, StoppedProcessorStopsTheClock) {
  ResetTestMachine();
  LcdOn();
  RunCycles(500);
  CpuStopped = 1;
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(FrameCycles, 500);
  EXPECT_EQ(FramesFinished, 0);
  CpuStopped = 0;
}

TEST(LcdTiming, FrameLimitRequestsTheEnd) {
  ResetTestMachine();
  FrameLimit = 2;
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(QuitRequested, 0);
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(QuitRequested, 1);
  FrameLimit = 0;
  QuitRequested = 0;
}

// LY changes only at line ends, but a newly written LYC or LCDC is compared
// after the instruction that wrote it, in the middle of a line.
TEST(LcdTiming, LycAndLcdcWritesAreComparedAtOnce) {
  ResetTestMachine();
  LcdOn();
  RunCycles(114 * 3 + 20);
  ASSERT_EQ(LY, 3);
  IF = 0;
  BusWrite(0xFF45, 3);
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0x02) << "LYC written to the current line requests at once";
  EXPECT_EQ(STAT & 0x44, 0x44);
  IF = 0;
  BusWrite(0xFF45, 4);
  RunCycles(1);
  EXPECT_EQ(STAT & 0x44, 0) << "a LYC that no longer matches clears bits 2 and 6 at once";
  BusWrite(0xFF45, 3);
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0) << "the latch holds for the rest of the line";
  EXPECT_EQ(STAT & 0x44, 0x44);

  BusWrite(0xFF40, 0x11);  // LCD off
  RunCycles(1);
  EXPECT_EQ(STAT & 0x44, 0) << "switching the LCD off clears bits 2 and 6 at once";

  RunCycles(114 - LineCycles + 30);
  ASSERT_EQ(LY, 4);
  BusWrite(0xFF45, 4);
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0) << "no request while the LCD is off";
  LcdOn();
  RunCycles(1);
  EXPECT_EQ(IF & 0x02, 0x02) << "switching the LCD on with LY = LYC requests at once";
  EXPECT_EQ(STAT & 0x44, 0x44);
}

// The frame is composed when FrameCycles reaches 16415, but line 143's row is
// only drawn at 16416: which comes first depends on where the step ends.
TEST(LcdTiming, LastVisibleRowIsDrawnBeforeTheCompositionOnlyWhenItsLineHasEnded) {
  for (const bool step_over : {false, true}) {
    ResetTestMachine();
    LcdOn();  // tile 0 everywhere, colour number 0: shade 0 once drawn
    RunCycles(VblankStart - 1);
    ASSERT_EQ(FramesFinished, 0);
    InstructionCycles = step_over ? 2 : 1;  // ends at 16416 or at 16415
    AdvanceLcd();
    ASSERT_EQ(FramesFinished, 1);
    const uint16_t last_row = Pixel(0, 143);
    EXPECT_EQ(Pixel(0, 142), Shade0) << "line 142 is drawn in time";
    if (step_over)
      EXPECT_EQ(last_row, Shade0) << "a step past 16416 draws line 143 before composing";
    else
      EXPECT_EQ(last_row, 0) << "a step ending at 16415 composes line 143 as it was before";
  }
}
