#include "video/lcd_timing.h"

#include <allegro.h>

#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "sound/stream_output.h"
#include "video/renderer.h"

int FrameCycles = 0;
int LineCycles = 0;
int LycLatch = 0;
int VblankDone = 0;
long FramesFinished = 0;
int LcdEventAt = 0;

namespace {

constexpr uint8_t LcdOn = 0x80;
constexpr uint8_t WindowOn = 0x20;
constexpr uint8_t Coincidence = 0x44;  // STAT bits 2 and 6, set and cleared together
constexpr int WindowXLimit = 151;

void SetStatMode(uint8_t mode) { STAT = static_cast<uint8_t>((STAT & ~3) | mode); }

}  // namespace

void AdvanceLcdEvents() {
  if (LineCycles >= CyclesPerLine) {
    LineCycles -= CyclesPerLine;
    if (LY < VisibleLines) {  // LY still names the line that has just ended
      RenderBackgroundRow(LY);
      LycLatch = 0;
      AdvanceRow();
    }
  }

  if (FrameCycles >= CyclesPerFrame) {
    PollInput();
    FrameCycles -= CyclesPerFrame;
    VblankDone = 0;
    LY = 0;
    UpdateMapPointer(MapPointerReason::FrameStart);
    LycLatch = 0;
  }

  if (FrameCycles >= VblankStart && !VblankDone) {
    VblankDone = 1;
    if (LCDC & LcdOn) IF |= 0x01;
    FinishFrame();
  }

  LY = static_cast<uint8_t>(FrameCycles / CyclesPerLine);

  if (LY == LYC && (LCDC & LcdOn)) {
    if (!LycLatch) {
      LycLatch = 1;
      IF |= 0x02;
    }
    STAT |= Coincidence;
  } else {
    STAT &= static_cast<uint8_t>(~Coincidence);
  }

  LcdEventAt = FrameCycles - LineCycles + CyclesPerLine;
  if (!VblankDone && VblankStart < LcdEventAt) LcdEventAt = VblankStart;
}

// LY only changes at line ends, but a new LYC or LCDC value must be compared
// after the instruction that wrote it.
void LcdCompareChanged() { LcdEventAt = 0; }

// The mode is worked out from the position in the line when the program
// reads STAT. Cycle 10 counts as mode 2 and cycle 80 as mode 3, so every
// position of a visible line reports a mode.
uint8_t ReadStat() {
  const bool on = LCDC & LcdOn;
  if (!on || LY >= VisibleLines) SetStatMode(1);
  else if (LineCycles <= 10) SetStatMode(2);
  else if (LineCycles <= 80) SetStatMode(3);
  else SetStatMode(0);
  return STAT;
}

void ResetLcdCounters() {
  FrameCycles = 0;
  LineCycles = 0;
  LycLatch = 0;
  VblankDone = 0;
  LY = 0;
  LcdEventAt = 0;
}

void FinishFrame() {
  sound_frame_end();
  // No clear of the work bitmap: the opaque background copy below rewrites
  // every pixel of the picture, and nothing outside it is ever shown.
  RefreshTileCache();
  CopyBgPicture();
  if ((LCDC & WindowOn) && WX < WindowXLimit) DrawWindow();
  // Behind-background sprites show through colour number 0 of the
  // background and window only, so they go after those layers.
  DrawSprites(SpriteClass::Behind);
  DrawSprites(SpriteClass::Front);
  FramesFinished++;
  FrameEnded();
}
