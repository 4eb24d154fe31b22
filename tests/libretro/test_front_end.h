// A small libretro front end of the tests' own: it loads a core with
// dlopen, answers its environment calls and keeps what it hands out (the
// pictures as 8-bit RGB, the samples, the log). One at a time: the core's
// callbacks carry no pointer to their front end.
#pragma once
#include <dlfcn.h>
#include <libretro.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/png.h"

// A function of the core, with the type libretro.h declares for it.
#define PELLIX_CORE_FUNCTION(name) reinterpret_cast<decltype(&::name)>(dlsym(handle, #name))

struct TestFrontEnd {
  // What the front end takes and answers.
  std::vector<retro_pixel_format> accepted_formats{RETRO_PIXEL_FORMAT_XRGB8888, RETRO_PIXEL_FORMAT_RGB565};
  std::map<std::string, std::string> options;  // as the player set them
  bool options_changed = false;                // told once through GET_VARIABLE_UPDATE
  unsigned held = 0;                           // the buttons, bits RETRO_DEVICE_ID_JOYPAD_*
  // What the core handed out.
  retro_pixel_format format = RETRO_PIXEL_FORMAT_0RGB1555;
  RgbImage picture;  // the last one, 16-bit pixels' channels widened by repeating their top bits
  std::vector<int16_t> samples;
  std::string log;
  std::vector<retro_memory_descriptor> memory_map;

  void* handle = dlopen(PELLIX_LIBRETRO_CORE, RTLD_NOW | RTLD_LOCAL);
  decltype(&::retro_serialize_size) serialize_size = PELLIX_CORE_FUNCTION(retro_serialize_size);
  decltype(&::retro_get_memory_size) memory_size = PELLIX_CORE_FUNCTION(retro_get_memory_size);

  static inline TestFrontEnd* current = nullptr;

  TestFrontEnd() {
    current = this;
    if (!handle) return;
    PELLIX_CORE_FUNCTION(retro_set_environment)(Environment);
    PELLIX_CORE_FUNCTION(retro_set_video_refresh)(Video);
    PELLIX_CORE_FUNCTION(retro_set_audio_sample_batch)([](const int16_t* data, size_t pairs) {
      current->samples.insert(current->samples.end(), data, data + 2 * pairs);
      return pairs;
    });
    PELLIX_CORE_FUNCTION(retro_set_input_poll)([] {});
    PELLIX_CORE_FUNCTION(retro_set_input_state)([](unsigned port, unsigned device, unsigned, unsigned id) {
      return static_cast<int16_t>(port == 0 && device == RETRO_DEVICE_JOYPAD && (current->held >> id & 1));
    });
    PELLIX_CORE_FUNCTION(retro_init)();
  }
  ~TestFrontEnd() {
    if (handle) PELLIX_CORE_FUNCTION(retro_unload_game)(), PELLIX_CORE_FUNCTION(retro_deinit)(), dlclose(handle);
  }

  bool Load(const std::vector<uint8_t>& bytes, const char* name) {
    const retro_game_info game{name, bytes.data(), bytes.size(), nullptr};
    return PELLIX_CORE_FUNCTION(retro_load_game)(&game);
  }
  void RunFrame(unsigned buttons = 0) { held = buttons, PELLIX_CORE_FUNCTION(retro_run)(); }
  uint8_t* Memory(unsigned id) { return static_cast<uint8_t*>(PELLIX_CORE_FUNCTION(retro_get_memory_data)(id)); }
  std::vector<uint8_t> Serialize() {
    std::vector<uint8_t> state(serialize_size());
    if (!PELLIX_CORE_FUNCTION(retro_serialize)(state.data(), state.size())) state.clear();
    return state;
  }
  bool Unserialize(const std::vector<uint8_t>& s) { return PELLIX_CORE_FUNCTION(retro_unserialize)(s.data(), s.size()); }

  static void LogLine(retro_log_level, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    current->log += line;
  }

  static bool Environment(unsigned command, void* data) {
    TestFrontEnd& f = *current;
    switch (command) {
      case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
        return static_cast<retro_log_callback*>(data)->log = LogLine, true;
      case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
        for (retro_pixel_format format : f.accepted_formats)
          if (format == *static_cast<const retro_pixel_format*>(data)) return f.format = format, true;
        return false;
      case RETRO_ENVIRONMENT_GET_VARIABLE: {
        auto* variable = static_cast<retro_variable*>(data);
        return variable->value = f.options.count(variable->key) ? f.options[variable->key].c_str() : nullptr, true;
      }
      case RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE:
        return *static_cast<bool*>(data) = std::exchange(f.options_changed, false), true;
      case RETRO_ENVIRONMENT_SET_MEMORY_MAPS: {
        const auto* map = static_cast<const retro_memory_map*>(data);
        return f.memory_map.assign(map->descriptors, map->descriptors + map->num_descriptors), true;
      }
      default:
        return command == RETRO_ENVIRONMENT_SET_VARIABLES || command == RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS;
    }
  }

  static void Video(const void* data, unsigned width, unsigned height, size_t pitch) {
    TestFrontEnd& f = *current;
    const size_t size = f.format == RETRO_PIXEL_FORMAT_XRGB8888 ? 4 : 2;
    auto widen = [](unsigned value, int bits) { return (value << (8 - bits) | value >> (2 * bits - 8)) & 0xFF; };
    f.picture = RgbImage{static_cast<int>(width), static_cast<int>(height), {}};
    for (unsigned y = 0; y < height; y++)
      for (unsigned x = 0; x < width; x++) {
        uint32_t p = 0;
        std::memcpy(&p, static_cast<const uint8_t*>(data) + y * pitch + x * size, size);
        if (f.format == RETRO_PIXEL_FORMAT_RGB565)
          p = widen(p >> 11, 5) << 16 | widen(p >> 5 & 0x3F, 6) << 8 | widen(p & 0x1F, 5);
        else if (f.format == RETRO_PIXEL_FORMAT_0RGB1555)
          p = widen(p >> 10 & 0x1F, 5) << 16 | widen(p >> 5 & 0x1F, 5) << 8 | widen(p & 0x1F, 5);
        for (int shift : {16, 8, 0}) f.picture.rgb.push_back(static_cast<uint8_t>(p >> shift));
      }
  }
};

// The buttons a pellix input script's lines ("FRAME BUTTONS") hold in a
// frame, as libretro joypad bits (the names in the order of the bits).
inline unsigned ScriptButtons(const std::string& script, long frame) {
  const std::string names[] = {"b", "-", "select", "start", "up", "down", "left", "right", "a"};
  std::istringstream lines(script);
  long from;
  unsigned held = 0;
  for (std::string line; lines >> from >> line && from <= frame;) {
    held = 0;
    for (unsigned id = 0; id < 9; id++)
      if (("+" + line + "+").find("+" + names[id] + "+") != std::string::npos) held |= 1u << id;
  }
  return held;
}
