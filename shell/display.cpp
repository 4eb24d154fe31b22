#include "shell/display.h"

#include <allegro.h>

#include <atomic>

#include "video/renderer.h"

BITMAP* WorkBitmap = nullptr;
BITMAP* BackBuffer = nullptr;
bool Headless = false;

namespace {

constexpr int ColourDepth = 16;
constexpr int WorkWidth = 640, WorkHeight = 480;
constexpr int WindowWidth = 320, WindowHeight = 288;
// The console draws 4194304 / 70224 = 59.73 frames per second.
constexpr double ConsoleFrameRate = 4194304.0 / 70224.0;
constexpr int MaxFrameDebt = 3;  // frames the clock may run ahead after a stall

// Raised by Allegro's timer thread, lowered by the emulation thread.
std::atomic<int> FrameTicks{0};
bool FrameClockRunning = false;

void FrameTick() { FrameTicks.fetch_add(1); }
END_OF_FUNCTION(FrameTick)

}  // namespace

bool CreateBitmaps() {
  WorkBitmap = create_bitmap_ex(ColourDepth, WorkWidth, WorkHeight);
  BackBuffer = create_bitmap_ex(ColourDepth, WindowWidth, WindowHeight);
  if (!WorkBitmap || !BackBuffer) return false;
  clear_bitmap(WorkBitmap);
  clear_bitmap(BackBuffer);
  return true;
}

// Shows the 160x144 picture doubled in the window.
void PresentFrame() {
  if (Headless) return;
  stretch_blit(WorkBitmap, BackBuffer, 0, 0, ScreenWidth, ScreenHeight, 0, 0, WindowWidth, WindowHeight);
  blit(BackBuffer, screen, 0, 0, 0, 0, WindowWidth, WindowHeight);
}

// Allegro's vsync() is only simulated under X and waits far too long, so the
// frames are paced by a timer of our own at the console's frame rate.
void StartFrameClock() {
  if (Headless) return;
  LOCK_VARIABLE(FrameTicks);
  LOCK_FUNCTION(FrameTick);
  FrameTicks = 0;
  FrameClockRunning =
      install_int_ex(FrameTick, static_cast<long>(TIMERS_PER_SECOND / ConsoleFrameRate + 0.5)) == 0;
}

void WaitForFrame() {
  if (Headless || !FrameClockRunning) return;
  while (FrameTicks.load() == 0) rest(1);
  // After a long stall (a slow machine, a blocked window) catch up by a few
  // frames at most instead of racing through all the ticks missed.
  if (FrameTicks.fetch_sub(1) > MaxFrameDebt) FrameTicks.store(MaxFrameDebt - 1);
}
