#include "libretro/states.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "libretro/front_end.h"
#include "libretro/game.h"

namespace {

constexpr size_t HeaderBytes = 8;

size_t StateBytes = 0;
std::vector<uint8_t> State;

// Little-endian, as every number in PELLIX's states.
void Put32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; i++) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t Get32(const uint8_t* in) { return in[0] | in[1] << 8 | in[2] << 16 | static_cast<uint32_t>(in[3]) << 24; }

}  // namespace

// Between two frames the core has taken every finished sample.
void StartStates() { StateBytes = HeaderBytes + CoreMachine().MostStateBytes(); }

RETRO_API size_t retro_serialize_size() { return GameLoaded() ? StateBytes : 0; }

RETRO_API bool retro_serialize(void* data, size_t size) {
  if (!GameLoaded() || !data || size < StateBytes) return false;
  CoreMachine().SaveState(State);
  if (HeaderBytes + State.size() > StateBytes) {
    Log(RETRO_LOG_ERROR, "the machine state (%zu bytes) does not fit the state size given (%zu)", State.size(),
        StateBytes - HeaderBytes);
    return false;
  }
  auto* out = static_cast<uint8_t*>(data);
  Put32(out, Machine::StateFormat());
  Put32(out + 4, static_cast<uint32_t>(State.size()));
  std::memcpy(out + HeaderBytes, State.data(), State.size());
  std::memset(out + HeaderBytes + State.size(), 0, size - HeaderBytes - State.size());
  return true;
}

// A state of another format, a length beyond the bytes given, or a machine
// state the machine refuses leaves the game as it was.
RETRO_API bool retro_unserialize(const void* data, size_t size) {
  if (!GameLoaded() || !data || size < HeaderBytes) return false;
  const auto* in = static_cast<const uint8_t*>(data);
  const uint32_t format = Get32(in), length = Get32(in + 4);
  if (format != Machine::StateFormat()) {
    Log(RETRO_LOG_ERROR, "the state is of another version of PELLIX (format %u, this one reads %u)",
        static_cast<unsigned>(format), static_cast<unsigned>(Machine::StateFormat()));
    return false;
  }
  if (length > size - HeaderBytes || !CoreMachine().LoadState(in + HeaderBytes, length)) {
    Log(RETRO_LOG_ERROR, "the state is damaged or belongs to another cartridge");
    return false;
  }
  StateLoaded();
  return true;
}
