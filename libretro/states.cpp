#include "libretro/states.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "libretro/front_end.h"
#include "libretro/game.h"
#include "memory/little_endian.h"
#include "memory/machine_state.h"
#include "sound/sample_buffer.h"

namespace {

constexpr size_t HeaderBytes = 8;

// A machine state's length changes only with the sound buffers' entries
// that are not silence, which are kept in it. Between two frames the core
// has read every finished sample, so each of the three buffers holds at
// most the kernel tails after them.
constexpr size_t SoundBuffers = 3;
constexpr size_t MostSoundBytes = SoundBuffers * (KernelTailEntries + 1) * sizeof(uint16_t);

size_t StateBytes = 0;
std::vector<uint8_t> State;

}  // namespace

// Right after the reset every sound buffer is silent: the state is as short
// as this game's can be.
void StartStates() {
  SaveMachineState(State);
  StateBytes = HeaderBytes + State.size() + MostSoundBytes;
}

RETRO_API size_t retro_serialize_size() { return GameLoaded() ? StateBytes : 0; }

RETRO_API bool retro_serialize(void* data, size_t size) {
  if (!GameLoaded() || !data || size < StateBytes) return false;
  SaveMachineState(State);
  if (HeaderBytes + State.size() > StateBytes) {
    Log(RETRO_LOG_ERROR, "the machine state (%zu bytes) does not fit the state size given (%zu)", State.size(),
        StateBytes - HeaderBytes);
    return false;
  }
  auto* out = static_cast<uint8_t*>(data);
  PutLe(out, MachineStateFormat, 4);
  PutLe(out + 4, State.size(), 4);
  std::memcpy(out + HeaderBytes, State.data(), State.size());
  std::memset(out + HeaderBytes + State.size(), 0, size - HeaderBytes - State.size());
  return true;
}

// A state of another format, a length beyond the bytes given, or a machine
// state the machine refuses leaves the game as it was.
RETRO_API bool retro_unserialize(const void* data, size_t size) {
  if (!GameLoaded() || !data || size < HeaderBytes) return false;
  const auto* in = static_cast<const uint8_t*>(data);
  const uint64_t format = GetLe(in, 4), length = GetLe(in + 4, 4);
  if (format != MachineStateFormat) {
    Log(RETRO_LOG_ERROR, "the state is of another version of PELLIX (format %u, this one reads %u)",
        static_cast<unsigned>(format), static_cast<unsigned>(MachineStateFormat));
    return false;
  }
  if (length > size - HeaderBytes || !LoadMachineState(in + HeaderBytes, length)) {
    Log(RETRO_LOG_ERROR, "the state is damaged or belongs to another cartridge");
    return false;
  }
  StateLoaded();
  return true;
}
