// Line and frame timing of the LCD controller: LY, the STAT modes and
// interrupt sources, V-blank, and the LCD switched off and on.
#pragma once
#include <cstdint>

#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "video/renderer.h"

// The LCD keeps the time of the 4194304 Hz crystal, the machine's clock:
// one dot per tick, four a machine cycle at normal speed and two in double
// speed. These two are the only places where the LCD's time is derived
// from the processor's.
constexpr int DotsPerCycle = NormalClocksPerCycle;
// Dots since power-on, as of the present machine cycle.
inline uint64_t LcdClock() { return MachineClock(); }
// The first machine cycle by which the LCD's clock has reached `dot` (at
// the present speed; a dot before the speed was set is reached already).
inline uint64_t CycleAtDot(uint64_t dot) {
  if (dot <= ClockAtSpeedSet) return CycleAtSpeedSet;
  return CycleAtSpeedSet + ((dot - ClockAtSpeedSet + ClocksPerCycle() - 1) >> ClockShift);
}
// The speed changed: the next event's cycle is worked out again.
void LcdSpeedChanged();
// The machine cycle at which the LCD took its latest step (a line's start,
// its drawing's end, line 153's LY wrap) as of its last sync; 0 with the
// LCD off.
uint64_t LcdLastStepCycle();
// A copy into OAM or video RAM started: the LCD's steps become events of
// the machine while it runs (see VisibleEventDot).
void LcdReschedule();

constexpr int DotsPerLine = 456;
// A visible line starts with mode 2 (where LY changes and the mode 2 source
// rises) and begins drawing (mode 3) at this dot; drawing lasts at least
// ShortestDrawing dots, then H-blank (mode 0) fills the rest of the line.
constexpr int DrawingStart = 85;
constexpr int VisibleLines = 144;
constexpr int LinesPerFrame = 154;
constexpr int DotsPerFrame = DotsPerLine * LinesPerFrame;  // 70224
constexpr int VblankStart = VisibleLines * DotsPerLine;     // the start of line 144

// With the LCD on, FrameDots counts from the start of line 0 and LineDots
// from the start of line LY. With it off, LY stays 0 and both count the
// dots since the last frame was handed to the host, which gets one every
// DotsPerFrame dots all the same. Both stand as of the LCD's clock
// LcdSyncedDot: LcdSync brings them to the present cycle.
extern int FrameDots;
extern int LineDots;
extern uint64_t LcdSyncedDot;
// The line the LCD is on, 0-153: LY but for line 153, where LY reads 0
// after the first machine cycle.
extern int LcdLine;
// The first line after the LCD is switched on: it has no OAM search.
extern int NoOamSearch;
// The first frame after the LCD is switched on is not shown: its lines are
// not drawn, and the picture stays blank.
extern int HiddenFrame;
extern int LineComposed;  // the drawing of visible line LcdLine has ended (H-blank)
// The dot of visible line LcdLine at which its drawing ends: planned as the line
// starts, and again when a register it depends on is written before the
// drawing starts.
extern int DrawingEndDot;
extern int StatLine;      // the selected STAT conditions OR-ed, as last evaluated
// Dots from the last frame hand-off to the start of the current LCD frame,
// so that switching the LCD off goes on counting towards the next hand-off.
extern int HandOffCarry;
// The frame dot at which the next event is due: the end of a visible
// line's drawing, a line end, or, with the LCD off, the next hand-off.
// Before it nothing but the two counters changes, so most steps stop after
// adding the dots.
extern int LcdEventAt;

// Frames handed to the host since the start (at V-blank, or every
// DotsPerFrame dots while the LCD is off).
extern long FramesFinished;
// Set when a frame has ended (and its sound frame with it); RunFrame
// returns there and clears it.
extern int FrameReady;
// With the LCD off a frame ends and the next starts at the same moment:
// the next frame's buttons are taken when it starts to run.
extern int FrameStartPending;

// The events that are due: line composition, STAT sources, LY, V-blank.
void AdvanceLcdEvents();

// The machine cycle of the next event of the machine: the next step that
// the rest of the machine can see (see VisibleEventDot in the source).
extern uint64_t LcdNextEventAt;
// The first machine cycle at which LY can change: the next line's start
// (or line 153's early 0). Before it an LY read needs no step of the LCD.
extern uint64_t LyChangeAt;

// Brings the counters up to the present cycle and does the events due.
inline void LcdSync() {
  const uint64_t now = LcdClock();
  const int passed = static_cast<int>(now - LcdSyncedDot);
  if (!passed) return;
  LcdSyncedDot = now;
  FrameDots += passed;
  LineDots += passed;
  if (FrameDots >= LcdEventAt) AdvanceLcdEvents();
}

// STOP stops the LCD with the processor: it counts as off meanwhile, and a
// picture it was showing goes black.
extern int LcdStopped;
inline bool LcdIsOn() { return (LCDC & LcdcLcdOn) && !LcdStopped; }
void StopLcd();
// After STOP: the LCD starts again as when switched on.
void RestartLcd();

// Whether the processor finds OAM or video RAM (and the palette data) shut
// at the present cycle: OAM while the LCD searches it and draws (modes 2
// and 3 of a visible line; on the first line after switching on only while
// it draws), video RAM and the palette data while it draws.
inline bool OamLocked() {
  LcdSync();
  return LcdIsOn() && LcdLine < VisibleLines && !LineComposed && (LineDots >= DrawingStart || !NoOamSearch);
}
inline bool VramLocked() {
  LcdSync();
  return LcdIsOn() && LcdLine < VisibleLines && !LineComposed && LineDots >= DrawingStart;
}

uint8_t ReadStat();
void ResetLcdCounters();
// The boot program switched the LCD on long before the cartridge starts:
// the line it is on has its OAM search and the frame is shown.
void LcdLeftOnByBoot();

// The counters' part of a machine state (LY and STAT are the register
// page's). FramesFinished is not in it: it counts the frames this run has
// made, whatever state the machine was put in.
class StateWriter;
class StateReader;
void SaveLcdState(StateWriter& out);
void LoadLcdState(StateReader& in);

// How a register written while a line is drawn reaches the picture: through
// the pixels the queue puts out from then on (BGP, OBP0, OBP1, LCDC's bits
// 0 and 1, which are applied as pixels leave), or through the tiles the
// fetcher fetches from then on (the scroll, the maps, the tile data, the
// window). Called before the write lands: the pixels before that point are
// drawn from the registers as they stood.
enum class PictureWrite { Output, Fetch };
void PictureRegisterWriting(PictureWrite kind);

// Processor writes of LCDC, STAT and LYC.
void LcdcWritten(uint8_t value);
// A register that the length of the drawing depends on (SCX, WX, WY) has
// been written: before the drawing starts, the line is planned again.
void DrawingRegisterWritten();
void StatWritten(uint8_t value);
void LycWritten(uint8_t value);

// Ends the sound frame and the picture's frame: FrameReady.
void FinishFrame();
