// The two square-wave channels; the first also has the frequency sweep.
#pragma once
#include "sound/sound_channel.h"

// For duty codes 0..3: the step of the 8-step cycle at which the output goes
// negative, so 1/8, 2/8, 4/8 or 6/8 of the cycle is positive.
extern const int DutyTable[4];

class SquareChannel : public EnvelopeChannel {
 public:
  SquareChannel() = default;

  void run(int start, int end) override;
  void write(int reg, int data) override;
  // One sweep step of the frame sequencer (square 1 only).
  void clock_sweep();
  void clear_registers();
  void reset();
  template <class State>
  void walk(State& s);

  int phase = 1;
  int duty = 1;
  int sweep_period = 0;
  int sweep_timer = 0;
  int sweep_shift = 0;
  int sweep_negate = 0;  // non-zero: the frequency falls
  int sweep_freq = 0;    // the shadow frequency the sweep works from
  bool sweep_enabled = false;
  bool negate_used = false;  // a falling step has been computed since the trigger
  bool has_sweep = false;
  const StepSynth* synth = nullptr;

 private:
  // The next swept frequency; above 2047 it turns the channel off.
  int next_sweep_frequency();
  void set_frequency(int value) {
    frequency = value;
    period = (2048 - value) * 4;
  }
};
