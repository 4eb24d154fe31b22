#include "libretro/sound_output.h"

#include <cstdint>

#include "libretro/front_end.h"
#include "libretro/game.h"

namespace {

constexpr long ChunkPairs = 1024;
int16_t Chunk[2 * ChunkPairs];

// The pairs of one frame at the console's frame rate, rounded up: 370.
constexpr long FramePairs = static_cast<long>(DefaultSampleRate / ConsoleFrameRate) + 1;

// Hands pairs over; a front end that takes fewer than it is given gets the
// rest again, and one that takes none ends the hand-off.
void Hand(const int16_t* values, long pairs) {
  while (pairs > 0) {
    const size_t taken = AudioSampleBatch(values, static_cast<size_t>(pairs));
    if (taken == 0) return;
    values += 2 * taken;
    pairs -= static_cast<long>(taken);
  }
}

}  // namespace

bool StartSoundOutput() {
  if (const char* error = CoreMachine().SetSampleRate(DefaultSampleRate)) {
    Log(RETRO_LOG_ERROR, "sound: %s; running without sound", error);
    return false;
  }
  return true;
}

void SendSound(bool frame_ran) {
  if (!AudioSampleBatch) return;
  if (!frame_ran) {
    for (long left = FramePairs; left > 0; left -= ChunkPairs) {
      const long pairs = left < ChunkPairs ? left : ChunkPairs;
      for (long i = 0; i < 2 * pairs; i++) Chunk[i] = 0;
      Hand(Chunk, pairs);
    }
    return;
  }
  // Read even when the front end takes nothing: the buffer must not fill up.
  for (;;) {
    const size_t pairs = CoreMachine().TakeSamples(Chunk, ChunkPairs);
    if (pairs == 0) return;
    Hand(Chunk, static_cast<long>(pairs));
  }
}
