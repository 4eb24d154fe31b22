// What the core tells the front end about itself and the console, and the
// parts of the interface it has no use for.
#include <cstring>

#include "libretro/front_end.h"
#include "machine/machine.h"

namespace {

constexpr float AspectRatio = 10.0f / 9.0f;  // square pixels: 160 x 144

}  // namespace

RETRO_API unsigned retro_api_version() { return RETRO_API_VERSION; }

RETRO_API void retro_init() {}
RETRO_API void retro_deinit() {}

// The cartridge's bytes come from the front end, which may then patch them.
// A front end that unpacks ZIP archives (RetroArch does) hands over the
// member it chose; one that does not hands over the archive, and the core
// reads it as the desktop program does, as it reads gzip files.
RETRO_API void retro_get_system_info(retro_system_info* info) {
  std::memset(info, 0, sizeof *info);
  info->library_name = "PELLIX";
  info->library_version = PELLIX_VERSION;
  info->valid_extensions = "gb|gbc|zip|gz";
  info->need_fullpath = false;
  info->block_extract = false;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
  std::memset(info, 0, sizeof *info);
  info->geometry.base_width = info->geometry.max_width = ScreenWidth;
  info->geometry.base_height = info->geometry.max_height = ScreenHeight;
  info->geometry.aspect_ratio = AspectRatio;
  info->timing.fps = ConsoleFrameRate;
  info->timing.sample_rate = DefaultSampleRate;
}

RETRO_API unsigned retro_get_region() { return RETRO_REGION_NTSC; }

// One joypad, whatever the front end plugs in.
RETRO_API void retro_set_controller_port_device(unsigned, unsigned) {}

RETRO_API void retro_cheat_reset() {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) { return false; }
