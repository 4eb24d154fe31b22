// Line and frame timing of the LCD controller: LY, the STAT modes and
// interrupt sources, V-blank, and the LCD switched off and on.
#pragma once
#include <cstdint>

#include "cpu/registers.h"

constexpr int CyclesPerLine = 114;
constexpr int OamSearchCycles = 20;  // mode 2 at the start of each visible line
constexpr int DrawingEnd = 63;       // mode 3 takes the next 43 cycles (172 clocks); then H-blank
constexpr int VisibleLines = 144;
constexpr int LinesPerFrame = 154;
constexpr int CyclesPerFrame = CyclesPerLine * LinesPerFrame;  // 17556
constexpr int VblankStart = VisibleLines * CyclesPerLine;      // 16416: the start of line 144

// With the LCD on, FrameCycles counts from the start of line 0 and
// LineCycles from the start of line LY. With it off, LY stays 0 and both
// count the cycles since the last frame was handed to the host, which gets
// one every CyclesPerFrame cycles all the same. Both stand as of the machine
// cycle LcdSyncedAt: LcdSync brings them to the present one.
extern int FrameCycles;
extern int LineCycles;
extern uint64_t LcdSyncedAt;
extern int LineComposed;  // the drawing of visible line LY has ended (H-blank)
extern int StatLine;      // the selected STAT conditions OR-ed, as last evaluated
// Cycles from the last frame hand-off to the start of the current LCD frame,
// so that switching the LCD off goes on counting towards the next hand-off.
extern int HandOffCarry;
// The frame cycle at which the next event is due: the end of a visible
// line's drawing, a line end, or, with the LCD off, the next hand-off.
// Before it nothing but the two counters changes, so most steps stop after
// adding the cycles.
extern int LcdEventAt;

// Frames handed to the host since the start (at V-blank, or every
// CyclesPerFrame cycles while the LCD is off).
extern long FramesFinished;
// Set when a frame has ended (and its sound frame with it); RunFrame
// returns there and clears it.
extern int FrameReady;
// With the LCD off a frame ends and the next starts at the same moment:
// the next frame's buttons are taken when it starts to run.
extern int FrameStartPending;

// The events that are due: line composition, STAT sources, LY, V-blank.
void AdvanceLcdEvents();

// The machine cycle of the next event, kept with LcdEventAt.
extern uint64_t LcdNextEventAt;

// Brings the counters up to the present cycle and does the events due.
inline void LcdSync() {
  const int passed = static_cast<int>(TotalCycles - LcdSyncedAt);
  if (!passed) return;
  LcdSyncedAt = TotalCycles;
  FrameCycles += passed;
  LineCycles += passed;
  if (FrameCycles >= LcdEventAt) AdvanceLcdEvents();
}

uint8_t ReadStat();
void ResetLcdCounters();

// The counters' part of a machine state (LY and STAT are the register
// page's). FramesFinished is not in it: it counts the frames this run has
// made, whatever state the machine was put in.
class StateWriter;
class StateReader;
void SaveLcdState(StateWriter& out);
void LoadLcdState(StateReader& in);

// Processor writes of LCDC, STAT and LYC.
void LcdcWritten(uint8_t value);
void StatWritten(uint8_t value);
void LycWritten(uint8_t value);

// Ends the sound frame and the picture's frame: FrameReady.
void FinishFrame();
