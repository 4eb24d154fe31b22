// Line and frame timing of the LCD controller.
#pragma once
#include <cstdint>

#include "cpu/registers.h"

constexpr int CyclesPerLine = 114;
constexpr int VisibleLines = 144;
constexpr int LinesPerFrame = 154;
constexpr int CyclesPerFrame = CyclesPerLine * LinesPerFrame;  // 17556
constexpr int VblankStart = VisibleLines * CyclesPerLine - 1;  // 16415

extern int FrameCycles;  // machine cycles since the frame started
extern int LineCycles;   // machine cycles since the line started
extern int LycLatch;     // the LY=LYC request of this line has been made
extern int VblankDone;   // this frame's V-blank work is done
// The frame cycle from which the next step has work to do: the next line end,
// or the start of V-blank when that comes first. Before it, nothing but the
// two counters changes, so most steps stop after adding the cycles.
extern int LcdEventAt;

// Frames finished since the start (counted at the start of V-blank).
extern long FramesFinished;

// The part of the LCD step that runs at line ends, V-blank and after LYC
// or LCDC writes.
void AdvanceLcdEvents();

// Counts the latest instruction's cycles into the line and the frame.
inline void AdvanceLcd() {
  if (CpuStopped) return;
  FrameCycles += InstructionCycles;
  LineCycles += InstructionCycles;
  if (FrameCycles >= LcdEventAt) AdvanceLcdEvents();
}
uint8_t ReadStat();
void ResetLcdCounters();
void LcdCompareChanged();  // LYC or LCDC was written
void FinishFrame();
