#include "shell/run_control.h"

#include <allegro.h>

#include <cstdio>

#include "shell/battery_save.h"
#include "shell/display.h"
#include "video/lcd_timing.h"

long FrameLimit = 0;
volatile int QuitRequested = 0;

void ShowMessage(const char* text) {
  if (Headless) std::fprintf(stderr, "pellix: %s\n", text);
  else allegro_message("%s", text);
}

void FrameEnded() {
  WaitForFrame();
  PresentFrame();
  if (FrameLimit && FramesFinished >= FrameLimit) QuitRequested = 1;
  BatterySaveFrameCheck();
}
