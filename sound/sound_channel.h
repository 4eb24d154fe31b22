// What the four sound channels have in common: routing to an output buffer,
// the length counter and, for the square and noise channels, the envelope.
//
// A channel never samples its waveform. On run it adds the changes of its
// level, at the exact clock they happen, into its output buffer through its
// synth; the buffer turns them into samples.
#pragma once
#include <cstdint>

#include "sound/sample_buffer.h"
#include "sound/step_synth.h"

class SoundChannel {
 public:
  // Emits the level changes of the clocks [start, end) into output, which
  // must be set.
  virtual void run(int start, int end) = 0;
  // A write of one of the channel's five registers (0..4).
  virtual void write(int reg, int data);

  // Gives the channel its buffers; with only center given, left and right
  // are the center too.
  void set_outputs(SampleBuffer* center, SampleBuffer* left, SampleBuffer* right);
  // The length counter, stepped at 256 Hz while enabled by register 4.
  void clock_length();
  void reset();
  // Heard at all: enabled, and the length has not run out (or is not used).
  bool playing() const { return enabled && (length != 0 || !length_enabled); }

  SampleBuffer* outputs[4] = {};  // 0 none (always null), 1 right, 2 left, 3 center
  SampleBuffer* output = nullptr;
  int output_select = 3;
  int delay = 0;
  int last_amp = 0;
  int period = 2048;
  int volume = 0;
  int global_volume = 7;
  int frequency = 0;
  int length = 0;
  int new_length = 0;
  bool enabled = false;
  bool length_enabled = false;

 protected:
  SoundChannel() = default;
  ~SoundChannel() = default;

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
  void write(int reg, int data) override;
  // The envelope, stepped at 64 Hz.
  void clock_envelope();
  void reset();

  int env_period = 0;
  int env_dir = 0;  // non-zero: the volume rises
  int env_delay = 0;
  int new_volume = 0;

 protected:
  EnvelopeChannel() = default;
  ~EnvelopeChannel() = default;
};
