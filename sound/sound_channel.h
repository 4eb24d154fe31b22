// What the four sound channels have in common: routing to an output buffer,
// the DAC, the length counter, the trigger and, for the square and noise
// channels, the envelope.
//
// A channel never samples its waveform. On run it adds the changes of its
// level, at the exact clock they happen, into its output buffer through its
// synth; the buffer turns them into samples.
#pragma once
#include <cstdint>

#include "sound/sample_buffer.h"
#include "sound/step_synth.h"

class StateWriter;
class StateReader;

class SoundChannel {
 public:
  // Emits the level changes of the clocks [start, end) into output, which
  // must be set.
  virtual void run(int start, int end) = 0;
  // A write of one of the channel's five registers (0..4) while the sound
  // is on.
  virtual void write(int reg, int data) = 0;

  // Gives the channel its buffers; with only center given, left and right
  // are the center too.
  void set_outputs(SampleBuffer* center, SampleBuffer* left, SampleBuffer* right);
  // One length step of the frame sequencer: while enabled by register 4 the
  // counter counts down, and reaching 0 turns the channel off.
  void clock_length();
  // Everything the registers set back to zero, as power off leaves it; the
  // level in the output buffers and the routing stay.
  void clear_registers();
  // Back to the state after construction: output level 0, routed nowhere,
  // as the cleared registers say.
  void reset();
  // Heard at all: its bit in the status register.
  bool playing() const { return enabled; }
  // The channel's counters, level and routing in a machine state; loading
  // routes it to the buffer its routing names.
  template <class State>
  void walk(State& s);

  SampleBuffer* outputs[4] = {};  // 0 none (always null), 1 right, 2 left, 3 center
  SampleBuffer* output = nullptr;
  int output_select = 0;
  int delay = 0;
  int last_amp = 0;
  int period = 2048;
  int volume = 0;
  int global_volume = 0;
  int frequency = 0;
  int length = 0;
  int max_length = 64;  // the full length: 64, or 256 for the wave channel
  bool enabled = false;
  bool dac_on = false;
  bool length_enabled = false;
  // Whether the frame sequencer's next step clocks the lengths; kept up to
  // date by the chip.
  bool length_step_next = true;

 protected:
  SoundChannel() = default;
  ~SoundChannel() = default;

  // Register 4's length enable (bit 6) and trigger (bit 7), common to all
  // channels. Returns whether the write triggers; the caller then restarts
  // its own parts.
  bool write_control(int data);
  // Turning the DAC off turns the channel off at once.
  void set_dac(bool on) {
    dac_on = on;
    if (!on) enabled = false;
  }

  // Adds a level change at a time of the current frame into output.
  void add_change(const StepSynth* synth, int time, int delta) const {
    synth->add_delta(output->resampled_time(time), delta, output);
  }
  // Takes the channel's level back to zero, as a silent run does.
  void fall_silent(const StepSynth* synth, int time) {
    if (last_amp != 0) {
      add_change(synth, time, -last_amp);
      last_amp = 0;
    }
    delay = 0;
  }
};

// A channel with a volume envelope (the squares and the noise).
class EnvelopeChannel : public SoundChannel {
 public:
  // The envelope, stepped at 64 Hz.
  void clock_envelope();
  void clear_registers();
  template <class State>
  void walk(State& s);

  int env_period = 0;
  int env_up = 0;  // non-zero: the volume rises
  int env_timer = 0;
  int initial_volume = 0;

 protected:
  EnvelopeChannel() = default;
  ~EnvelopeChannel() = default;

  // Register 2: initial volume (bits 4-7), direction (bit 3), period (bits
  // 0-2); the DAC is on while any of bits 3-7 is set.
  void write_envelope(int data);
  // A trigger starts the envelope again from the initial volume.
  void trigger_envelope() {
    volume = initial_volume;
    env_timer = env_period ? env_period : 8;
  }
};
