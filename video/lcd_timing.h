// Line and frame timing of the LCD controller.
#pragma once
#include <cstdint>

constexpr int CyclesPerLine = 114;
constexpr int VisibleLines = 144;
constexpr int LinesPerFrame = 154;
constexpr int CyclesPerFrame = CyclesPerLine * LinesPerFrame;  // 17556
constexpr int VblankStart = VisibleLines * CyclesPerLine - 1;  // 16415

extern int FrameCycles;  // machine cycles since the frame started
extern int LineCycles;   // machine cycles since the line started
extern int LycLatch;     // the LY=LYC request of this line has been made
extern int VblankDone;   // this frame's V-blank work is done

// Frames finished since the start (counted at the start of V-blank).
extern long FramesFinished;

void AdvanceLcd();
uint8_t ReadStat();
void ResetLcdCounters();
void LcdCompareChanged();  // LYC or LCDC was written
void FinishFrame();
