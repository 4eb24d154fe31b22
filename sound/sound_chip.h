// The console's four-channel sound chip at the level of its registers.
//
// Times are clocks of the 4194304 Hz master clock from the start of the
// current sound frame. Register events run the channels up to their time
// first, so every change takes effect at the clock it was made.
#pragma once
#include <cstdint>

#include "sound/noise_channel.h"
#include "sound/sample_buffer.h"
#include "sound/sound_channel.h"
#include "sound/square_channel.h"
#include "sound/step_synth.h"
#include "sound/wave_channel.h"

constexpr int SoundFirstRegister = 0xFF10;
constexpr int SoundRegisterCount = 48;  // 0xFF10-0xFF3F
constexpr int SoundChannelCount = 4;
constexpr int FrameSequencerPeriod = 8192;  // clocks per step: 512 steps per second
constexpr int FrameSequencerSteps = 8;

class SoundChip {
 public:
  SoundChip();
  SoundChip(const SoundChip&) = delete;
  SoundChip& operator=(const SoundChip&) = delete;

  void write_register(int time, int address, int data);
  int read_register(int time, int address);
  void run_until(int time);
  // The digital output of channel `index` (0-3) at `time`, 0-15: the level
  // its waveform stands at times its volume, 0 while it is off.
  int output_level(int time, int index);
  // The system counter was cleared at `time`: a step now when its sequencer
  // bit stood at 1, and the next a whole period later.
  void counter_cleared(int time, bool bit_was_set);
  // Runs to the end of the frame and makes that the next frame's time 0.
  // Returns whether any channel was heard on a side in the frame.
  bool end_frame(int time);
  void set_outputs(SampleBuffer* center, SampleBuffer* left = nullptr, SampleBuffer* right = nullptr);
  void set_volume(double v);
  // Everything off and cleared, the wave pattern too: the chip before the
  // console's start-up turns the sound on.
  void reset();
  // The chip's part of a machine state: the frame sequencer, the registers
  // (the wave pattern with them) and the four channels.
  template <class State>
  void walk(State& s);

  // Index 0 square 1 (with sweep), 1 square 2, 2 wave, 3 noise.
  SoundChannel* channels[SoundChannelCount];
  int next_frame_time = 0;  // the time of the frame sequencer's next step
  int sequencer_step = 0;   // which of its 8 steps comes next
  int last_time = 0;
  bool powered = false;
  bool stereo_found = false;
  SquareChannel square1;
  SquareChannel square2;
  WaveChannel wave;
  NoiseChannel noise;
  uint8_t regs[SoundRegisterCount] = {};
  StepSynth square_synth{12, 32};
  StepSynth other_synth{8, 32};

 private:
  void step_sequencer();
  bool step_is_heard() const;
  void write_power(int time, int data);
  void write_wave_pattern(int address, int data);
  void write_master_volume(int time, int data);
  void write_routing(int time);
};
