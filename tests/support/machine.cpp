#include "support/machine.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cpu/cpu.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/machine.h"
#include "memory/timer.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "sound/stream_output.h"
#include "video/lcd_timing.h"

void EnsureHeadlessAllegro() {
  static bool started = false;
  if (started) return;
  started = true;
  install_allegro(SYSTEM_NONE, &errno, std::atexit);
  Headless = true;
  CreateBitmaps();
}

void ResetTestMachine(const std::vector<uint8_t>& image) {
  EnsureHeadlessAllegro();

  // What a run's front end holds, and the cartridge RAM that a reset keeps.
  TraceAll = false;
  TraceKeyHeld = false;
  std::memset(CartRam, 0, sizeof CartRam);
  FramesFinished = 0;
  FrameLimit = 0;
  ResetSoundOutput();
  QuitRequested = 0;
  FrameBoundary = 0;
  JoypadState = JoypadButtons{};
  RestoreDefaultBindings();
  clear_bitmap(WorkBitmap);

  CART_MAPPER = 0;
  std::vector<uint8_t> rom = image;
  if (rom.size() < 0x8000) rom.resize(0x8000, 0);
  InstallCartridgeImage(rom.data(), static_cast<long>(rom.size()));
  ResetMachine();
}

bool StartTestCartridge(const std::string& path) {
  ResetTestMachine();
  if (LoadCartridge(path.c_str()) != 0) return false;
  StartSound(false);
  ResetMachine();
  return true;
}

void RunFrames(long n) {
  const long end = FramesFinished + n;
  while (FramesFinished < end && !CpuStopped) {
    CpuStep();
    HardwareStep();
    if (FrameBoundary) RunBetweenFrames();
  }
}
