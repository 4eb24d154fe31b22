// Line and frame timing: LY, the STAT modes and interrupt sources, V-blank,
// the LCD switched off and on, and when lines are composed.
#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/bus.h"
#include "picture_helpers.h"
#include "support/machine.h"
#include "video/lcd_timing.h"

namespace {

// The LCD's lengths in machine cycles at normal speed.
constexpr int CyclesPerLine = DotsPerLine / DotsPerCycle;    // 114
constexpr int CyclesPerFrame = DotsPerFrame / DotsPerCycle;  // 17556
constexpr int VblankCycle = VblankStart / DotsPerCycle;      // 16416

// The machine's time moves on; the LCD catches up as a register access or
// an event would make it.
void Advance(int cycles) {
  m.clock.cycles += static_cast<uint64_t>(cycles);
  LcdSync(m);
}

void RunCycles(int cycles, int step = 1) {
  for (int done = 0; done < cycles; done += step) Advance(step);
}

// Runs one cycle at a time, clearing IF after each and counting the
// requests of the given bit.
int CountRequests(int cycles, uint8_t bit) {
  int requests = 0;
  for (int i = 0; i < cycles; i++) {
    Advance(1);
    if (m.io.IF & bit) requests++;
    m.io.IF = 0;
  }
  return requests;
}

// The machine as the start-up leaves it (LCD on at the start of line 0),
// without the pending V-blank request.
void StartLcd() {
  ResetTestMachine();
  m.io.IF = 0;
}

int Mode() { return BusRead(m, 0xFF41) & 3; }

}  // namespace

TEST(LcdTiming, LineCounterFollowsTheCycles) {
  StartLcd();
  RunCycles(113);
  EXPECT_EQ(m.lcd.LY, 0);
  RunCycles(1);
  EXPECT_EQ(m.lcd.LY, 1);
  RunCycles(114 * 142);
  EXPECT_EQ(m.lcd.LY, 143);
  RunCycles(114 * 10);
  EXPECT_EQ(m.lcd.LY, 153);
  RunCycles(114);
  EXPECT_EQ(m.lcd.LY, 0) << "154 lines per frame";
  EXPECT_EQ(m.lcd.frame_dots, 0);
}

TEST(LcdTiming, VblankIsRequestedOncePerFrameAtTheStartOfLine144) {
  StartLcd();
  RunCycles(VblankCycle - 1);
  EXPECT_EQ(m.io.IF & 0x01, 0);
  EXPECT_EQ(m.lcd.frames_finished, 0);
  RunCycles(1);
  EXPECT_EQ(m.io.IF & 0x01, 0x01);
  EXPECT_EQ(m.lcd.LY, 144);
  EXPECT_EQ(m.lcd.frames_finished, 1) << "the frame is handed over at V-blank";
  m.io.IF = 0;
  EXPECT_EQ(CountRequests(CyclesPerFrame - 1, 0x01), 0) << "not twice in one frame";
  EXPECT_EQ(CountRequests(1, 0x01), 1) << "the next one comes 17556 cycles later";
}

TEST(LcdTiming, FramesStayExactlyApartWhateverTheInstructionSizes) {
  StartLcd();
  long total = 0;
  std::vector<long> vblank_at;
  const int sizes[] = {1, 2, 3, 4, 5, 6, 3, 2};
  for (int i = 0; vblank_at.size() < 5; i++) {
    total += sizes[i % 8];
    Advance(sizes[i % 8]);
    if (m.io.IF & 0x01) {
      m.io.IF = 0;
      vblank_at.push_back(total - (m.lcd.frame_dots - VblankStart) / DotsPerCycle);  // the cycle at which V-blank was due
    }
  }
  for (size_t i = 1; i < vblank_at.size(); i++) EXPECT_EQ(vblank_at[i] - vblank_at[i - 1], CyclesPerFrame);
}

// On a line without scroll, window or sprites: mode 2 for the first 85
// dots of a visible line (21 cycles and a dot), mode 3 for the next 172,
// ending a dot into cycle 64; then H-blank; mode 1 on lines 144-153; bit 7
// reads 1.
TEST(LcdTiming, StatModeByPositionInTheLine) {
  StartLcd();
  RunCycles(114 * 5);
  const struct { int position; int mode; } cases[] = {{0, 2}, {21, 2}, {22, 3}, {64, 3}, {65, 0}, {113, 0}};
  int at = 0;
  for (auto c : cases) {
    RunCycles(c.position - at);
    at = c.position;
    ASSERT_EQ(m.lcd.line_dots, c.position * DotsPerCycle);
    EXPECT_EQ(Mode(), c.mode) << "at cycle " << c.position;
  }
  EXPECT_EQ(BusRead(m, 0xFF41) & 0x80, 0x80);
  RunCycles(114 * 140 + 10);
  EXPECT_EQ(Mode(), 1);
}

// Over one frame from the start of V-blank, with only the given STAT
// sources selected.
int StatRequestsPerFrame(uint8_t stat, uint8_t lyc) {
  StartLcd();
  BusWrite(m, 0xFF45, lyc);
  RunCycles(VblankCycle);
  BusWrite(m, 0xFF41, stat);
  m.io.IF = 0;
  return CountRequests(CyclesPerFrame, 0x02);
}

TEST(LcdTiming, EachStatSourceRequestsAtItsMoment) {
  EXPECT_EQ(StatRequestsPerFrame(0x08, 0xFF), 144) << "H-blank of every visible line";
  EXPECT_EQ(StatRequestsPerFrame(0x10, 0xFF), 1) << "V-blank";
  EXPECT_EQ(StatRequestsPerFrame(0x20, 0xFF), 145) << "mode 2 of lines 0-143 and of the V-blank line";
  EXPECT_EQ(StatRequestsPerFrame(0x40, 0x50), 1) << "LY = LYC";
  EXPECT_EQ(StatRequestsPerFrame(0x40, 150), 1) << "LY = LYC in V-blank";
  EXPECT_EQ(StatRequestsPerFrame(0x40, 154), 0) << "LYC beyond the last line";
  EXPECT_EQ(StatRequestsPerFrame(0x00, 0x50), 0) << "nothing selected";

  StartLcd();
  BusWrite(m, 0xFF41, 0x08);
  RunCycles(114 * 7 + 64);
  m.io.IF = 0;
  EXPECT_EQ(CountRequests(1, 0x02), 1) << "the H-blank request comes at cycle 65 of the line";
}

// The selected conditions form one line and only its rise requests.
TEST(LcdTiming, ConditionsBackToBackRequestOnce) {
  EXPECT_EQ(StatRequestsPerFrame(0x18, 0xFF), 144) << "H-blank of line 143 runs into V-blank";
  EXPECT_EQ(StatRequestsPerFrame(0x28, 0xFF), 145)
      << "each H-blank runs into the next line's mode 2; mode 2 of line 0 follows V-blank";
  EXPECT_EQ(StatRequestsPerFrame(0x60, 0x40), 144)
      << "LY = LYC holds through line 64 into line 65's mode 2; the V-blank line's mode 2 adds one";
  EXPECT_EQ(StatRequestsPerFrame(0x50, 144), 1) << "V-blank and LY = 144 at the same moment";
}

TEST(LcdTiming, SelectingAConditionThatHoldsRequestsAtOnce) {
  StartLcd();
  RunCycles(114 * 3 + 70);  // H-blank of line 3
  BusWrite(m, 0xFF41, 0x08);
  EXPECT_EQ(m.io.IF & 0x02, 0x02) << "H-blank selected during H-blank";
  m.io.IF = 0;
  BusWrite(m, 0xFF41, 0x48);
  BusWrite(m, 0xFF45, 3);
  EXPECT_EQ(m.io.IF & 0x02, 0) << "the line is already high";
  EXPECT_EQ(BusRead(m, 0xFF41) & 0x04, 0x04) << "LY = LYC shows at once";
  BusWrite(m, 0xFF41, 0x40);
  BusWrite(m, 0xFF45, 4);
  EXPECT_EQ(BusRead(m, 0xFF41) & 0x04, 0);
  BusWrite(m, 0xFF45, 3);
  EXPECT_EQ(m.io.IF & 0x02, 0x02) << "LYC written to the current line";
}

// Line 153 shows LY = 153 for its first machine cycle, then 0: LYC = 0
// matches from there through line 0, once.
TEST(LcdTiming, LycZeroMatchesOnceAFrameACycleIntoLine153) {
  StartLcd();
  BusWrite(m, 0xFF41, 0x40);
  m.io.IF = 0;
  RunCycles(114);
  EXPECT_EQ(CountRequests(114 * 152, 0x02), 0) << "no request on other lines";
  EXPECT_EQ(m.lcd.LY, 153) << "in line 153's first cycle";
  EXPECT_EQ(CountRequests(1, 0x02), 1) << "LY = 0 = LYC a cycle into line 153";
  EXPECT_EQ(m.lcd.LY, 0);
  EXPECT_EQ(CountRequests(200, 0x02), 0) << "line 0 of the next frame adds none";
}

// LCD off: LY reads 0 and the mode 0, nothing is requested, and the host
// still gets a frame every 17556 cycles.
TEST(LcdTiming, LcdOffHoldsLyAtZeroMakesNoRequestsButFramesGoOn) {
  StartLcd();
  BusWrite(m, 0xFF41, 0x78);
  BusWrite(m, 0xFF45, 0);
  RunCycles(114 * 150);  // V-blank has handed over frame 1
  ASSERT_EQ(m.lcd.frames_finished, 1);
  m.io.IF = 0;
  BusWrite(m, 0xFF40, 0x11);
  EXPECT_EQ(m.lcd.LY, 0);
  EXPECT_EQ(BusRead(m, 0xFF41) & 0x07, 0) << "mode 0, and no LY = LYC";
  EXPECT_EQ(Pixel(10, 10), Shade0) << "the picture is blank";
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(CountRequests(CyclesPerFrame - 114 * 6 - 1, 0x03), 0);
    EXPECT_EQ(m.lcd.LY, 0);
    EXPECT_EQ(m.lcd.frames_finished, 1 + i);
    RunCycles(1);
    EXPECT_EQ(m.lcd.frames_finished, 2 + i) << "17556 cycles after the last hand-off";
    RunCycles(114 * 6);
  }
}

// Line 0 after switching on is a full line without an OAM search: the
// mode reads 0 until its drawing starts, and there is no mode 2 request.
// LY = LYC is compared at once. The first frame is not shown.
TEST(LcdTiming, SwitchingOnStartsLineZeroWithoutOamSearchAndHidesTheFirstFrame) {
  StartLcd();
  SetUpPicture(0x91);
  PutSolidTile(0, 0, 3);  // the whole background dark
  BusWrite(m, 0xFF40, 0x11);
  RunCycles(5000);
  BusWrite(m, 0xFF45, 0);
  BusWrite(m, 0xFF41, 0x40);
  m.io.IF = 0;
  BusWrite(m, 0xFF40, 0x91);
  EXPECT_EQ(m.io.IF & 0x02, 0x02) << "LY = LYC = 0 at once";
  EXPECT_EQ(Mode(), 0);
  RunCycles(21);
  EXPECT_EQ(Mode(), 0) << "no OAM search";
  RunCycles(1);
  EXPECT_EQ(Mode(), 3);
  RunCycles(113 - 22);
  EXPECT_EQ(m.lcd.LY, 0);
  RunCycles(1);
  EXPECT_EQ(m.lcd.LY, 1);
  m.io.IF = 0;
  RunCycles(VblankCycle - 114 - 1);
  EXPECT_EQ(m.io.IF & 0x01, 0);
  RunCycles(1);
  EXPECT_EQ(m.io.IF & 0x01, 0x01) << "V-blank 144 full lines after switching on";
  EXPECT_EQ(Pixel(0, 0), Shade0) << "the first frame after switching on is not shown";
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(Pixel(0, 0), Shade3) << "the next one is";

  BusWrite(m, 0xFF40, 0x11);
  BusWrite(m, 0xFF41, 0x20);
  m.io.IF = 0;
  BusWrite(m, 0xFF40, 0x91);
  EXPECT_EQ(CountRequests(113, 0x02), 0) << "no mode 2 request on line 0 after switching on";
  EXPECT_EQ(CountRequests(1, 0x02), 1) << "line 1's";
}

// A program that switches the LCD off and on again before V-blank, over
// and over, still lets the host have its frames.
TEST(LcdTiming, LcdSwitchedOffAndOnBeforeVblankStillHandsFramesOver) {
  StartLcd();
  for (int i = 0; i < 40; i++) {
    RunCycles(10000);
    BusWrite(m, 0xFF40, 0x11);
    RunCycles(100);
    BusWrite(m, 0xFF40, 0x91);
  }
  EXPECT_GE(m.lcd.frames_finished, 40 * 10100 / CyclesPerFrame - 1);
}

// A write while a line is drawn reaches only the pixels after it; one
// before the drawing starts, the whole line. BGP is applied as pixels
// leave: written at cycle 40 (dot 160), 75 dots into the drawing, the 63
// pixels out by then keep the old shades. SCX is read by the fetcher a tile
// at a time, 6 dots ahead, but its low bits only as the drawing starts.
TEST(LcdTiming, WritesWhileALineIsDrawnReachThePixelsAfterThem) {
  StartLcd();
  SetUpPicture(0x91);
  PutSolidTile(0, 1, 3);
  for (int column = 0; column < 32; column++) SetMap(0x1800, column, 0, column & 1);  // dark odd columns
  RunCycles(114 * 2 + 10);  // line 2's OAM search
  BusWrite(m, 0xFF47, 0x00);   // every colour light
  RunCycles(60);            // H-blank
  BusWrite(m, 0xFF47, 0xE4);
  RunCycles(114 - 70 + 40);
  ASSERT_EQ(m.lcd.LY, 3);
  BusWrite(m, 0xFF47, 0x00);
  RunCycles(114);
  for (int x = 0; x < ScreenWidth; x++) {
    ASSERT_EQ(Pixel(x, 2), Shade0) << "a write before the drawing: x = " << x;
    ASSERT_EQ(Pixel(x, 3), x < 63 && (x & 8) ? Shade3 : Shade0) << "x = " << x;
  }

  BusWrite(m, 0xFF47, 0xE4);
  RunCycles(114 - 40 + 40);  // line 5, cycle 40: 63 pixels out, 69 due at the fetch
  BusWrite(m, 0xFF43, 0x0F);   // a tile on, and a fine scroll that waits for the next line
  RunCycles(114);
  for (int x = 0; x < ScreenWidth; x++)
    ASSERT_EQ(Pixel(x, 5), ((x < 72 ? x : x + 8) & 8) ? Shade3 : Shade0) << "SCX from x = 72: x = " << x;
}

// The processor counts the machine's time: stopped, it counts no more.
TEST(LcdTiming, StoppedProcessorStopsTheClock) {
  StartLcd();
  RunCycles(500);
  m.cpu.frozen = 1;
  const uint64_t now = m.clock.cycles;
  EXPECT_FALSE(RunFrame(m));
  EXPECT_EQ(m.clock.cycles, now);
  EXPECT_EQ(m.lcd.frame_dots, 500 * DotsPerCycle);
  EXPECT_EQ(m.lcd.frames_finished, 0);
  m.cpu.frozen = 0;
}

// RunFrame returns at each frame's end, where FrameReady says so.
TEST(LcdTiming, EachFrameEndIsCountedAndFlagged) {
  StartLcd();
  const long before = m.lcd.frames_finished;
  m.lcd.frame_ready = 0;
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(m.lcd.frames_finished, before + 1);
  EXPECT_EQ(m.lcd.frame_ready, 1);
}
