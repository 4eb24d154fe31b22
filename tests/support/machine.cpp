#include "support/machine.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cpu/cpu.h"
#include "debug/text.h"
#include "memory/io_registers.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/machine.h"
#include "memory/timer.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "shell/stream_output.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

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
  FrameReady = 0;
  FrameStartPending = 0;
  JoypadHeld = JoypadNextFrame = 0;
  RestoreDefaultBindings();
  clear_bitmap(WorkBitmap);
  std::memset(Picture, 0, sizeof Picture);
  ClearText();

  CART_MAPPER = 0;
  std::vector<uint8_t> rom = image;
  if (rom.size() < 0x8000) rom.resize(0x8000, 0);
  InstallCartridgeImage(rom.data(), static_cast<long>(rom.size()));
  ResetMachine();
}

std::vector<uint8_t> ColourImage() {
  std::vector<uint8_t> image(0x8000, 0);
  image[0x143] = 0x80;
  return image;
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
  while (FramesFinished < end && RunFrame()) {
    FrameEnded();
    RunBetweenFrames();
  }
}
