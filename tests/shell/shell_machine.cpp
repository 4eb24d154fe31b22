#include "shell_machine.h"

#include <allegro.h>

#include <cstring>

#include "machine/clock.h"
#include "shell/cartridge_file.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/stream_output.h"
#include "shell/text.h"

void ResetShellMachine(const std::vector<uint8_t>& image) {
  EnsureHeadlessAllegro();

  // What a run's front end holds, and the cartridge RAM that a reset keeps.
  TraceAll = false;
  TraceKeyHeld = false;
  std::memset(m.mem.cart_ram, 0, sizeof m.mem.cart_ram);
  m.lcd.frames_finished = 0;
  FrameLimit = 0;
  ResetSoundOutput();
  QuitRequested = 0;
  m.lcd.frame_ready = 0;
  m.lcd.frame_start_pending = 0;
  TheMachine().HoldButtons(0);
  RestoreDefaultBindings();
  clear_bitmap(WorkBitmap);
  std::memset(m.renderer.picture, 0, sizeof m.renderer.picture);
  ClearText();

  m.cart.mapper = 0;
  std::vector<uint8_t> rom = image;
  if (rom.size() < 0x8000) rom.resize(0x8000, 0);
  InstallCartridgeImage(m, rom.data(), static_cast<long>(rom.size()));
  TheMachine().Reset();
}

bool StartShellCartridge(const std::string& path) {
  ResetShellMachine();
  std::string error;
  if (!LoadCartridgeFile(TheMachine(), path.c_str(), &error)) return false;
  StartSound(false);
  TheMachine().Reset();
  return true;
}

void EndVideoFrame(unsigned cycles) {
  m.clock.cycles += cycles;
  m.sound.end_frame(SoundNow(m));
  HandOffSound();
}

void RunShellFrames(long n) {
  const long end = TheMachine().FramesFinished() + n;
  while (TheMachine().FramesFinished() < end && TheMachine().RunFrame(NextFrameButtons())) {
    FrameEnded();
    RunBetweenFrames();
  }
}
