// The wave channel: plays 32 four-bit samples from the wave pattern.
#pragma once
#include <cstdint>

#include "sound/sound_channel.h"

constexpr int WaveSamples = 32;

class WaveChannel : public SoundChannel {
 public:
  WaveChannel() { max_length = 256; }

  void run(int start, int end) override;
  void write(int reg, int data) override;
  // Moves the position through the clocks [start, end) without a sound, as
  // it moves while the channel plays unheard.
  void advance_unheard(int start, int end);
  void clear_registers();
  // The pattern itself is the chip's (its registers).
  template <class State>
  void walk(State& s);
  // Back to construction; the wave pattern is cleared too.
  void reset();
  // The pattern byte the channel reads now, 0..15; while it plays, the
  // processor's accesses to the pattern reach this byte whatever their
  // address.
  int current_byte() const { return wave_pos >> 1; }

  int volume_shift = 0;
  int wave_pos = 0;
  uint8_t samples[WaveSamples] = {};  // each 0..15
  const StepSynth* synth = nullptr;

 private:
  void set_frequency(int value) {
    frequency = value;
    period = (2048 - value) * 2;
  }
};
