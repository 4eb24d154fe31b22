#include "libretro/game.h"

#include <string>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "libretro/buttons.h"
#include "libretro/front_end.h"
#include "libretro/options.h"
#include "libretro/picture_output.h"
#include "libretro/save_memory.h"
#include "libretro/sound_output.h"
#include "libretro/states.h"
#include "memory/cartridge.h"
#include "memory/io_registers.h"
#include "memory/machine.h"

namespace {

bool Loaded = false;
bool Afresh = false;        // the next frame is the first after a load or a reset
bool StopReported = false;  // the processor's stop has been told

}  // namespace

bool GameLoaded() { return Loaded; }

void FrameStartsAfresh() {
  Afresh = true;
  StopReported = false;
}

void StateLoaded() {
  Afresh = false;
  StopReported = false;
}

// The front end hands over the file's bytes (need_fullpath is false), and
// a path that names it, when it has one, whose extension tells a gzip file
// or a ZIP archive from a plain image. The archives are read as the desktop
// program reads them: a gzip file's image, or a ZIP archive's first file.
// A member RetroArch unpacked comes as "game.zip#game.gb": the member's
// extension is the last.
RETRO_API bool retro_load_game(const retro_game_info* game) {
  Loaded = false;
  if (!game || (!game->data && !game->path)) {
    Log(RETRO_LOG_ERROR, "no cartridge was given");
    return false;
  }
  const char* name = game->path ? game->path : "the cartridge";
  const char* error = nullptr;
  CartridgeLoad load;
  const int failed = game->data ? LoadCartridgeFromMemory(game->path, static_cast<const uint8_t*>(game->data),
                                                          static_cast<long>(game->size), &error, &load)
                                : LoadCartridge(game->path, &error, &load);
  if (failed) {
    Log(RETRO_LOG_ERROR, "%s: cannot load the cartridge: %s", name, error ? error : "unknown error");
    return false;
  }
  for (const std::string& note : load.notes()) Log(RETRO_LOG_WARN, "%s: %s", name, note.c_str());
  if (!CartTypeSupported)
    Log(RETRO_LOG_WARN, "cartridge type 0x%02X is not supported; running without its controller", CartType);

  ChoosePixelFormat();
  DescribeButtons();
  ReadOptions(true);
  StartSoundOutput();
  ResetMachine();
  FrameStartsAfresh();
  StartSaveMemory();
  StartStates();
  Loaded = true;
  return true;
}

RETRO_API void retro_unload_game() { Loaded = false; }

// As the desktop program's reset: the cartridge's RAM and clock stay.
RETRO_API void retro_reset() {
  if (!Loaded) return;
  ResetMachine();
  FrameStartsAfresh();
}

// One frame of the machine: the buttons read now are the ones the game
// reads from the top of this frame's picture (the machine takes them as
// the frame starts), the picture and the samples go out when it has ended.
RETRO_API void retro_run() {
  if (!Loaded) return;
  ReadOptions(false);
  TakeFrontEndWrites();
  JoypadNextFrame = ReadButtons();
  if (Afresh) JoypadHeld = JoypadNextFrame;
  Afresh = false;
  const bool ran = RunFrame();
  if (!ran && !StopReported) {
    TellPlayer(UnknownOpcodeText);
    StopReported = true;
  }
  SendPicture();
  SendSound(ran);
  KeepClockBytes();
}
