#include "video/lcd_timing.h"

#include "memory/io_registers.h"
#include "memory/machine_state.h"
#include "memory/oam_dma.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/pixel_pipeline.h"
#include "video/renderer.h"

int FrameDots = 0;
int LineDots = 0;
int LcdLine = 0;
int NoOamSearch = 0;
int HiddenFrame = 0;
uint64_t LcdSyncedDot = 0;
int LineComposed = 0;
int DrawingEndDot = DrawingStart + ShortestDrawing;
int StatLine = 0;
int HandOffCarry = 0;
int LcdStopped = 0;
int LcdEventAt = 0;
uint64_t LcdNextEventAt = 0;
uint64_t LyChangeAt = 0;
long FramesFinished = 0;
int FrameReady = 0;
int FrameStartPending = 0;

namespace {

constexpr uint8_t Coincidence = 0x04;        // STAT bit 2: LY equals LYC
constexpr uint8_t SelectCoincidence = 0x40;  // STAT bit 6
constexpr uint8_t StatSelectBits = 0x78;     // STAT bits 3-6, the writable ones
constexpr uint8_t StatUnusedBit = 0x80;      // reads 1
constexpr uint8_t VblankRequest = 0x01, StatRequest = 0x02;

enum Mode { Hblank = 0, Vblank = 1, OamSearch = 2, Drawing = 3 };

// The STAT bit that selects each mode as an interrupt source (bits 3, 4,
// 5); drawing has none.
constexpr uint8_t ModeSelect[4] = {0x08, 0x10, 0x20, 0x00};
constexpr int LyWrapDot = 4;  // line 153 shows LY = 153 for its first 4 dots only

int CurrentMode() {
  if (!LcdIsOn()) return Hblank;
  if (LcdLine >= VisibleLines) return Vblank;
  if (LineComposed) return Hblank;
  if (LineDots >= DrawingStart) return Drawing;
  return NoOamSearch ? Hblank : OamSearch;
}

// The mode sources that are up now: the mode's own, except on the first
// line after switching on, which has none until its drawing ends.
uint8_t ModeSources() {
  if (NoOamSearch && !LineComposed) return 0;
  return ModeSelect[CurrentMode()];
}

// The drawing of visible line LcdLine in full, where its pixels leave, as
// the registers and OAM stood when it started: worked out at the first
// write that changes the picture while the line is drawn (the registers
// are as they were when the drawing started until then), kept for the
// line's later writes.
LineDrawing CurrentDrawing;
int CurrentDrawingPlanned = 0;

// As the line starts, only how long its drawing takes.
void PlanLine() {
  DrawingEndDot = DrawingStart + DrawingLength(LcdLine);
  CurrentDrawingPlanned = 0;
}

// The selected conditions are OR-ed into one line, and only its rise
// requests the interrupt: two conditions back to back raise it once.
// `sources` holds the select bits of the mode sources that are up.
void SetStatLine(uint8_t sources) {
  const uint8_t stat = STAT;
  const int level = (stat & sources) || ((stat & SelectCoincidence) && (stat & Coincidence));
  if (level && !StatLine) IF |= StatRequest;
  StatLine = level;
}

void CompareLy() {
  if (LY == LYC) STAT |= Coincidence;
  else STAT &= static_cast<uint8_t>(~Coincidence);
}

// The frame dot of the next step that the rest of the machine can see
// without touching the LCD: IF rising, the frame handed over at V-blank, a
// new frame's buttons, a VRAM DMA block, OAM changing under the drawing.
// The steps before it (a line's drawing ending, a quiet line starting)
// change only what the LCD's registers and memories show, and every access
// to those brings the LCD up to date first; so they wait for such an
// access or for this event, and are done then, in their order, as they
// would have been at their own dots.
int VisibleEventDot() {
  if (!LcdIsOn() || VramDmaActive || OamDmaActive || (STAT & (ModeSelect[Hblank] | ModeSelect[OamSearch])))
    return LcdEventAt;
  int at = FrameDots < VblankStart ? VblankStart : DotsPerFrame;
  if (STAT & SelectCoincidence) {  // LY = LYC raises the status line
    const auto consider = [&](int dot) {
      if (dot > FrameDots && dot < at) at = dot;
    };
    if (LYC < LinesPerFrame) consider(LYC * DotsPerLine);
    if (LYC == 0) consider((LinesPerFrame - 1) * DotsPerLine + LyWrapDot);
  }
  return at > LcdEventAt ? at : LcdEventAt;
}

// The machine cycle of the next visible event, from where the counters
// stand.
inline void NextEventFromCounters() {
  const int visible = VisibleEventDot();
  const int ahead = visible > FrameDots ? visible - FrameDots : 0;
  LcdNextEventAt = CycleAtDot(LcdSyncedDot + static_cast<uint64_t>(ahead));
  // A visible line's next step ends its drawing; LY moves on at its end.
  const int ly_dot = (LcdIsOn() && LcdLine < VisibleLines && !LineComposed) ? FrameDots - LineDots + DotsPerLine
                                                                             : LcdEventAt;
  LyChangeAt = ly_dot > FrameDots ? CycleAtDot(LcdSyncedDot + static_cast<uint64_t>(ly_dot - FrameDots))
                                  : LcdNextEventAt;
}

// The frame dot of the LCD's next step, from the counters: the next
// hand-off with the LCD off, else the end of the line's drawing, line
// 153's LY wrap or the line's end.
int NextStepDot() {
  const int line_start = FrameDots - LineDots;
  if (!LcdIsOn()) return DotsPerFrame;
  if (LcdLine < VisibleLines && !LineComposed) return line_start + DrawingEndDot;
  if (LcdLine == LinesPerFrame - 1 && LY) return line_start + LyWrapDot;
  return line_start + DotsPerLine;
}

inline void ScheduleNextEvent() {
  LcdEventAt = NextStepDot();
  NextEventFromCounters();
}

// The line is composed from the registers as they stand when its drawing
// ends (but not in the frame hidden after switching on). The mode-2 source
// went low when drawing began, so an H-blank source selected with it still
// makes a request of its own. A running H-blank VRAM copy makes its block
// as the H-blank begins.
void EndDrawing() {
  SetStatLine(0);
  if (!HiddenFrame) ComposeLine(LcdLine);
  LineComposed = 1;
  SetStatLine(ModeSelect[Hblank]);
  if (VramDmaActive) VramDmaHblank();
}

// LY changes as the line starts, and LY = LYC is compared with it. The
// V-blank line raises the mode 2 source for a moment too, with the V-blank
// one.
void StartNextLine() {
  LineDots -= DotsPerLine;
  LineComposed = 0;
  NoOamSearch = 0;
  if (LcdLine == LinesPerFrame - 1) {
    FrameDots -= DotsPerFrame;  // the remainder carries into the new frame
    HandOffCarry = DotsPerFrame - VblankStart;
    LcdLine = 0;
    HiddenFrame = 0;
    JoypadHeld = JoypadNextFrame;
    StartPicture();
  } else {
    LcdLine++;
  }
  LY = static_cast<uint8_t>(LcdLine);
  CompareLy();
  if (LcdLine < VisibleLines) {
    PlanLine();
    SetStatLine(ModeSelect[OamSearch]);
  } else if (LcdLine == VisibleLines) {
    IF |= VblankRequest;
    SetStatLine(ModeSelect[Vblank] | ModeSelect[OamSearch]);
    SetStatLine(ModeSelect[Vblank]);
    FinishFrame();
  } else {
    SetStatLine(ModeSelect[Vblank]);
  }
}

// Line 153 shows LY = 153 for its first machine cycle, then 0, which LYC
// is compared with for the rest of the frame.
void WrapLy() {
  LY = 0;
  CompareLy();
  SetStatLine(ModeSelect[Vblank]);
}

// LY reads 0 and the mode 0; LY = LYC keeps its last result (LYC is not
// compared while the LCD is off), and so does the status line.
void SwitchLcdOff() {
  // Count on from the last hand-off: this frame's V-blank, or the one
  // before the frame started.
  FrameDots = LcdLine >= VisibleLines ? FrameDots - VblankStart : FrameDots + HandOffCarry;
  LineDots = FrameDots;
  LcdLine = 0;
  LY = 0;
  LineComposed = 0;
  BlankPicture();
}

// Line 0 starts with a full line, without an OAM search: the mode reads 0
// and no mode source is up until its drawing ends. The frame stays blank
// on the screen; the one handed over at its V-blank is longer than usual by
// the dots since the last hand-off. LY = LYC is compared at once.
void SwitchLcdOn() {
  // Switched off and on again within the step that reached the next
  // hand-off: the frame is handed over now, so that the carry never holds
  // more than a frame however often the LCD goes off and on.
  if (FrameDots >= DotsPerFrame) {
    FrameDots %= DotsPerFrame;
    FinishFrame();
    FrameStartPending = 1;
  }
  HandOffCarry = FrameDots;
  FrameDots = 0;
  LineDots = 0;
  LcdLine = 0;
  LY = 0;
  LineComposed = 0;
  NoOamSearch = 1;
  HiddenFrame = 1;
  StartPicture();
  PlanLine();
  CompareLy();
  SetStatLine(0);
}

}  // namespace

void LcdSpeedChanged() { NextEventFromCounters(); }

// From the counters: the drawing's end on a line that has been composed,
// line 153's LY wrap once done, else the line's start.
uint64_t LcdLastStepCycle() {
  if (!LcdIsOn()) return 0;
  int since = LineDots;
  if (LcdLine < VisibleLines && LineComposed) since = LineDots - DrawingEndDot;
  else if (LcdLine == LinesPerFrame - 1 && !LY) since = LineDots - LyWrapDot;
  return since >= 0 && LcdSyncedDot >= static_cast<uint64_t>(since) ? CycleAtDot(LcdSyncedDot - static_cast<uint64_t>(since)) : 0;
}
void LcdReschedule() { NextEventFromCounters(); }

void StopLcd() {
  LcdSync();
  const bool was_on = LcdIsOn();
  LcdStopped = 1;
  if (was_on) {
    SwitchLcdOff();
    BlankPicture(BlackColour);
  }
  ScheduleNextEvent();
}

void RestartLcd() {
  LcdSync();
  LcdStopped = 0;
  if (LcdIsOn()) SwitchLcdOn();
  ScheduleNextEvent();
}

// One frame ends at most: the events after it wait for the next call, so
// that the front end's work between frames sees the machine at the end.
void AdvanceLcdEvents() {
  if (!LcdIsOn()) {
    if (FrameDots >= DotsPerFrame) {
      FrameDots -= DotsPerFrame;
      LineDots = FrameDots;
      FinishFrame();
      FrameStartPending = 1;  // the next frame, and its buttons, start here
    }
  } else {
    const long frames = FramesFinished;
    while (FramesFinished == frames) {
      if (LcdLine < VisibleLines && !LineComposed) {
        if (LineDots < DrawingEndDot) break;
        EndDrawing();
      }
      if (LcdLine == LinesPerFrame - 1 && LY) {
        if (LineDots < LyWrapDot) break;
        WrapLy();
      }
      if (LineDots < DotsPerLine) break;
      StartNextLine();
    }
  }
  ScheduleNextEvent();
}

// The mode follows the same boundaries as the events: a read sees H-blank
// exactly when the line has been composed.
uint8_t ReadStat() { return static_cast<uint8_t>(StatUnusedBit | (STAT & 0x7C) | CurrentMode()); }

void LcdcWritten(uint8_t value) {
  const bool was_on = LcdIsOn();
  LCDC = value;
  if (was_on == LcdIsOn()) {
    DrawingRegisterWritten();
    return;
  }
  if (was_on) SwitchLcdOff();
  else SwitchLcdOn();
  ScheduleNextEvent();
}

void PictureRegisterWriting(PictureWrite kind) {
  if (!LcdIsOn() || LcdLine >= VisibleLines || LineComposed || LineDots < DrawingStart || HiddenFrame) return;
  if (!CurrentDrawingPlanned) {
    PlanDrawing(LcdLine, CurrentDrawing);
    CurrentDrawingPlanned = 1;
  }
  const int dots = LineDots - DrawingStart;
  const int x = kind == PictureWrite::Output ? PixelsOutBy(CurrentDrawing, dots) : TilesFetchedFrom(CurrentDrawing, dots);
  DrawLinePiece(LcdLine, x, CurrentDrawing.fine);
}

void DrawingRegisterWritten() {
  if (!LcdIsOn() || LcdLine >= VisibleLines || LineDots >= DrawingStart) return;
  PlanLine();
  ScheduleNextEvent();
}

// Selecting a source whose condition holds raises the line at once.
void StatWritten(uint8_t value) {
  STAT = static_cast<uint8_t>((STAT & ~StatSelectBits) | (value & StatSelectBits));
  if (LcdIsOn()) SetStatLine(ModeSources());
  NextEventFromCounters();
}

void LycWritten(uint8_t value) {
  LYC = value;
  if (LcdIsOn()) {
    CompareLy();
    SetStatLine(ModeSources());
  }
  NextEventFromCounters();
}

void LcdLeftOnByBoot() {
  NoOamSearch = 0;
  HiddenFrame = 0;
}

void ResetLcdCounters() {
  LcdSyncedDot = LcdClock();
  LcdNextEventAt = LyChangeAt = TotalCycles;
  FrameDots = 0;
  LineDots = 0;
  LcdLine = 0;
  NoOamSearch = 0;
  HiddenFrame = 0;
  LineComposed = 0;
  CurrentDrawing = LineDrawing{};
  CurrentDrawingPlanned = 0;
  DrawingEndDot = DrawingStart + ShortestDrawing;
  StatLine = 0;
  HandOffCarry = 0;
  LcdStopped = 0;
  LY = 0;
  LcdEventAt = 0;  // the next step schedules from the registers as they are then
}

void SaveLcdState(StateWriter& out) {
  out.section("LCD ");
  for (int counter : {FrameDots, LineDots, LcdLine, NoOamSearch, HiddenFrame, LineComposed, StatLine, HandOffCarry,
                      LcdEventAt, DrawingEndDot})
    out.i32(counter);
  out.i64(static_cast<int64_t>(LcdSyncedDot));
  out.flag(CurrentDrawingPlanned);
  if (CurrentDrawingPlanned) {
    const LineDrawing& d = CurrentDrawing;
    for (int field : {d.fine, d.window_x, d.pause_count, d.length}) out.i32(field);
    for (int p = 0; p < d.pause_count; p++) {
      out.i32(d.pauses[p].x);
      out.i32(d.pauses[p].dots);
    }
  }
}

// The counts stay within a frame or two of their events, so that the next
// step never has to catch up on more than a few hundred lines.
void LoadLcdState(StateReader& in) {
  in.section("LCD ");
  constexpr int Longest = 2 * DotsPerFrame;
  FrameDots = in.number(-DotsPerFrame, Longest);
  LineDots = in.number(-DotsPerFrame, Longest);
  LcdLine = in.number(0, LinesPerFrame - 1);
  NoOamSearch = in.number(0, 1);
  HiddenFrame = in.number(0, 1);
  LineComposed = in.number(0, 1);
  StatLine = in.number(0, 1);
  HandOffCarry = in.number(0, Longest);
  LcdEventAt = in.number(0, Longest);
  DrawingEndDot = in.number(DrawingStart, DotsPerLine);
  LcdSyncedDot = static_cast<uint64_t>(in.i64());
  CurrentDrawingPlanned = in.flag();
  LineDrawing& d = CurrentDrawing;
  d = LineDrawing{};
  if (CurrentDrawingPlanned) {
    d.fine = in.number(0, 7);
    d.window_x = in.number(0, ScreenWidth);
    d.pause_count = in.number(0, static_cast<int>(sizeof d.pauses / sizeof d.pauses[0]));
    d.length = in.number(ShortestDrawing, DotsPerLine);
    for (int p = 0; p < d.pause_count; p++) {
      d.pauses[p].x = in.number(0, ScreenWidth);
      d.pauses[p].dots = in.number(0, DotsPerLine);
    }
  }
  LcdStopped = Cpu.Stopped;
  if (LY >= LinesPerFrame || LcdSyncedDot > LcdClock()) in.refuse();
  // The counters agree with each other and with LY: the frame's dots are
  // the line's plus those of the lines before it; with the LCD on LY is the
  // line but on line 153 after its wrap, with it off LY and the line are 0;
  // the next step is the one the counters give.
  const bool on = LcdIsOn();
  in.require(FrameDots - LineDots == (on ? LcdLine * DotsPerLine : 0));
  if (on) in.require(LY == LcdLine || (LcdLine == LinesPerFrame - 1 && LY == 0 && LineDots >= LyWrapDot));
  else in.require(LcdLine == 0 && LY == 0);
  in.require(LcdEventAt == NextStepDot());
  NextEventFromCounters();
}

void FinishFrame() {
  Sound.end_frame();
  FramesFinished++;
  FrameReady = 1;
}
