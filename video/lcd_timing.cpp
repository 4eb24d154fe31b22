#include "video/lcd_timing.h"

#include "memory/io_registers.h"
#include "memory/machine_state.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/pixel_pipeline.h"
#include "video/renderer.h"

int FrameDots = 0;
int LineDots = 0;
uint64_t LcdSyncedDot = 0;
int LineComposed = 0;
int DrawingEndDot = DrawingStart + ShortestDrawing;
int StatLine = 0;
int HandOffCarry = 0;
int LcdEventAt = 0;
uint64_t LcdNextEventAt = 0;
long FramesFinished = 0;
int FrameReady = 0;
int FrameStartPending = 0;

namespace {

constexpr uint8_t LcdOn = 0x80;
constexpr uint8_t Coincidence = 0x04;        // STAT bit 2: LY equals LYC
constexpr uint8_t SelectCoincidence = 0x40;  // STAT bit 6
constexpr uint8_t StatSelectBits = 0x78;     // STAT bits 3-6, the writable ones
constexpr uint8_t StatUnusedBit = 0x80;      // reads 1
constexpr uint8_t VblankRequest = 0x01, StatRequest = 0x02;

enum Mode { Hblank = 0, Vblank = 1, OamSearch = 2, Drawing = 3 };

// The STAT bit that selects each mode as an interrupt source (bits 3, 4,
// 5); drawing has none.
constexpr uint8_t ModeSelect[4] = {0x08, 0x10, 0x20, 0x00};

bool LcdIsOn() { return LCDC & LcdOn; }

int CurrentMode() {
  if (!LcdIsOn()) return Hblank;
  if (LY >= VisibleLines) return Vblank;
  if (LineComposed) return Hblank;
  return LineDots < DrawingStart ? OamSearch : Drawing;
}

// The drawing of visible line LY as the registers and OAM stand now.
LineDrawing CurrentDrawing;

void PlanLine() {
  PlanDrawing(LY, CurrentDrawing);
  DrawingEndDot = DrawingStart + CurrentDrawing.length;
}

// The selected conditions are OR-ed into one line, and only its rise
// requests the interrupt: two conditions back to back raise it once.
void SetStatLine(int mode) {
  const uint8_t stat = STAT;
  const int level = (stat & ModeSelect[mode]) || ((stat & SelectCoincidence) && (stat & Coincidence));
  if (level && !StatLine) IF |= StatRequest;
  StatLine = level;
}

void CompareLy() {
  if (LY == LYC) STAT |= Coincidence;
  else STAT &= static_cast<uint8_t>(~Coincidence);
}

// The machine cycle of the event LcdEventAt, from where the counters stand.
void NextEventFromCounters() {
  const int ahead = LcdEventAt > FrameDots ? LcdEventAt - FrameDots : 0;
  LcdNextEventAt = CycleAtDot(LcdSyncedDot + static_cast<uint64_t>(ahead));
}

void ScheduleNextEvent() {
  const int line_start = FrameDots - LineDots;
  if (!LcdIsOn()) LcdEventAt = DotsPerFrame;
  else if (LY < VisibleLines && !LineComposed) LcdEventAt = line_start + DrawingEndDot;
  else LcdEventAt = line_start + DotsPerLine;
  NextEventFromCounters();
}

// The line is composed from the registers as they stand when its drawing
// ends. The mode-2 source went low when drawing began, so an H-blank
// source selected with it still makes a request of its own. A running
// H-blank VRAM copy makes its block as the H-blank begins.
void EndDrawing() {
  SetStatLine(Drawing);
  ComposeLine(LY);
  LineComposed = 1;
  SetStatLine(Hblank);
  if (VramDmaActive) VramDmaHblank();
}

void StartNextLine() {
  LineDots -= DotsPerLine;
  LineComposed = 0;
  if (LY == LinesPerFrame - 1) {
    FrameDots -= DotsPerFrame;  // the remainder carries into the new frame
    HandOffCarry = DotsPerFrame - VblankStart;
    LY = 0;
    JoypadHeld = JoypadNextFrame;
    StartPicture();
  } else {
    LY++;
  }
  CompareLy();
  if (LY < VisibleLines) PlanLine();
  if (LY == VisibleLines) {
    IF |= VblankRequest;
    SetStatLine(Vblank);
    FinishFrame();
  } else {
    SetStatLine(LY < VisibleLines ? OamSearch : Vblank);
  }
}

void SwitchLcdOff() {
  // Count on from the last hand-off: this frame's V-blank, or the one
  // before the frame started.
  FrameDots = LY >= VisibleLines ? FrameDots - VblankStart : FrameDots + HandOffCarry;
  LineDots = FrameDots;
  LY = 0;
  LineComposed = 0;
  StatLine = 0;
  STAT &= static_cast<uint8_t>(~Coincidence);
  BlankPicture();
}

// Line 0 starts with a full line. The frame handed over at the next V-blank
// is longer than usual by the dots since the last hand-off.
void SwitchLcdOn() {
  HandOffCarry = FrameDots;
  FrameDots = 0;
  LineDots = 0;
  LY = 0;
  LineComposed = 0;
  StartPicture();
  PlanLine();
  CompareLy();
  StatLine = 0;
  SetStatLine(OamSearch);
}

}  // namespace

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
      if (LY < VisibleLines && !LineComposed) {
        if (LineDots < DrawingEndDot) break;
        EndDrawing();
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

void DrawingRegisterWritten() {
  if (!LcdIsOn() || LY >= VisibleLines || LineDots >= DrawingStart) return;
  PlanLine();
  ScheduleNextEvent();
}

// Selecting a source whose condition holds raises the line at once.
void StatWritten(uint8_t value) {
  STAT = static_cast<uint8_t>((STAT & ~StatSelectBits) | (value & StatSelectBits));
  if (LcdIsOn()) SetStatLine(CurrentMode());
}

void LycWritten(uint8_t value) {
  LYC = value;
  if (!LcdIsOn()) return;
  CompareLy();
  SetStatLine(CurrentMode());
}

void ResetLcdCounters() {
  LcdSyncedDot = LcdClock();
  LcdNextEventAt = TotalCycles;
  FrameDots = 0;
  LineDots = 0;
  LineComposed = 0;
  CurrentDrawing = LineDrawing{};
  DrawingEndDot = DrawingStart + ShortestDrawing;
  StatLine = 0;
  HandOffCarry = 0;
  LY = 0;
  LcdEventAt = 0;  // the next step schedules from the registers as they are then
}

void SaveLcdState(StateWriter& out) {
  out.section("LCD ");
  for (int counter : {FrameDots, LineDots, LineComposed, StatLine, HandOffCarry, LcdEventAt, DrawingEndDot})
    out.i32(counter);
  out.i64(static_cast<int64_t>(LcdSyncedDot));
  const LineDrawing& d = CurrentDrawing;
  for (int field : {d.fine, d.window_x, d.pause_count, d.length}) out.i32(field);
  for (const PipelinePause& pause : d.pauses) {
    out.i32(pause.x);
    out.i32(pause.dots);
  }
}

// The counts stay within a frame or two of their events, so that the next
// step never has to catch up on more than a few hundred lines.
void LoadLcdState(StateReader& in) {
  in.section("LCD ");
  constexpr int Longest = 2 * DotsPerFrame;
  FrameDots = in.number(-DotsPerFrame, Longest);
  LineDots = in.number(-DotsPerFrame, Longest);
  LineComposed = in.number(0, 1);
  StatLine = in.number(0, 1);
  HandOffCarry = in.number(0, Longest);
  LcdEventAt = in.number(0, Longest);
  DrawingEndDot = in.number(DrawingStart, DotsPerLine);
  LcdSyncedDot = static_cast<uint64_t>(in.i64());
  LineDrawing& d = CurrentDrawing;
  d.fine = in.number(0, 7);
  d.window_x = in.number(0, ScreenWidth);
  d.pause_count = in.number(0, static_cast<int>(sizeof d.pauses / sizeof d.pauses[0]));
  d.length = in.number(ShortestDrawing, DotsPerLine);
  for (PipelinePause& pause : d.pauses) {
    pause.x = in.number(0, ScreenWidth);
    pause.dots = in.number(0, DotsPerLine);
  }
  if (LY >= LinesPerFrame || LcdSyncedDot > LcdClock()) in.refuse();
  NextEventFromCounters();
}

void FinishFrame() {
  Sound.end_frame();
  FramesFinished++;
  FrameReady = 1;
}
