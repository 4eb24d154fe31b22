// The noise channel: a shift register whose low bit gives the sign.
#pragma once
#include <cstdint>

#include "sound/sound_channel.h"

class NoiseChannel : public EnvelopeChannel {
 public:
  NoiseChannel() = default;

  void run(int start, int end) override;
  void write(int reg, int data) override;
  void clear_registers();
  void reset();
  template <class State>
  void walk(State& s);

  uint32_t lfsr = 1;
  int tap = 14;  // where the feedback goes in: 14, or 6 for the short sequence
  const StepSynth* synth = nullptr;
};
