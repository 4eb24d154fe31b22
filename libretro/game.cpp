#include "libretro/game.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "libretro/buttons.h"
#include "libretro/front_end.h"
#include "libretro/options.h"
#include "libretro/picture_output.h"
#include "libretro/save_memory.h"
#include "libretro/sound_output.h"
#include "libretro/states.h"

namespace {

bool Loaded = false;
bool Afresh = false;        // the next frame is the first after a load or a reset
bool StopReported = false;  // the processor's stop has been told

// The host's clock, which the real-time clock of MBC3 cartridges keeps to.
int64_t SystemMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The file at the path, for a front end that hands over no bytes (at most
// a little more than the largest cartridge: the machine refuses larger).
std::vector<uint8_t> ReadFile(const char* path) {
  constexpr std::streamsize Longest = (std::streamsize{64} << 20) + 1;
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(Longest));
  file.read(reinterpret_cast<char*>(bytes.data()), Longest);
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

}  // namespace

Machine& CoreMachine() {
  static Machine machine;
  return machine;
}

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
  Machine& machine = CoreMachine();
  machine.SetHostClock(SystemMillis);
  std::string error;
  std::vector<uint8_t> file;
  if (!game->data) file = ReadFile(game->path);
  const uint8_t* data = game->data ? static_cast<const uint8_t*>(game->data) : file.data();
  const size_t size = game->data ? game->size : file.size();
  if (!machine.LoadCartridge(data, size, game->path, &error)) {
    Log(RETRO_LOG_ERROR, "%s: cannot load the cartridge: %s", name, error.c_str());
    return false;
  }
  const CartridgeInfo& cartridge = machine.Cartridge();
  for (const std::string& note : cartridge.notes) Log(RETRO_LOG_WARN, "%s: %s", name, note.c_str());
  if (!cartridge.supported)
    Log(RETRO_LOG_WARN, "cartridge type 0x%02X is not supported; running without its controller", cartridge.type);

  ChoosePixelFormat();
  DescribeButtons();
  ReadOptions(true);
  StartSoundOutput();
  machine.Reset();
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
  CoreMachine().Reset();
  FrameStartsAfresh();
}

// One frame of the machine: the buttons read now are the ones the game
// reads from the top of this frame's picture (the machine takes them as
// the frame starts), the picture and the samples go out when it has ended.
RETRO_API void retro_run() {
  if (!Loaded) return;
  ReadOptions(false);
  TakeFrontEndWrites();
  Machine& machine = CoreMachine();
  const uint8_t buttons = ReadButtons();
  if (Afresh) machine.HoldButtons(buttons);
  Afresh = false;
  const bool ran = machine.RunFrame(buttons);
  if (!ran && !StopReported) {
    TellPlayer(machine.StopText());
    StopReported = true;
  }
  SendPicture();
  SendSound(ran);
  KeepClockBytes();
}
