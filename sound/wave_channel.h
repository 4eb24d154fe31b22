// The wave channel: plays 32 four-bit samples from the wave pattern.
#pragma once
#include <cstdint>

#include "sound/sound_channel.h"

constexpr int WaveSamples = 32;

class WaveChannel : public SoundChannel {
 public:
  WaveChannel() = default;

  void run(int start, int end) override;
  void write(int reg, int data) override;
  void reset();

  int volume_shift = 0;
  int wave_pos = 0;
  uint8_t dac_on = 0;
  uint8_t samples[WaveSamples] = {};  // each 0..15
  const StepSynth* synth = nullptr;
};
