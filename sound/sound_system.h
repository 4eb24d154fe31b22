// The one sound object: chip, mixing buffer and the place of register
// accesses in the sound frame.
#pragma once
#include <cstdint>

#include "sound/mix_buffer.h"
#include "sound/sound_chip.h"

constexpr int SoundFrameClocks = 70224;   // master clocks per video frame
constexpr long SoundClockRate = 4194304;  // master clocks per second
// The system counter's bit whose falling edge steps the frame sequencer:
// 12, or 13 in double speed.
inline uint16_t SequencerCounterBit(bool double_speed) { return double_speed ? 1 << 13 : 1 << 12; }
constexpr int SoundBassFrequency = 461;   // corner of the output's high-pass, Hz
constexpr double SoundTrebleDb = -20.0;   // treble roll-off of both synths
// The longest sound frame, in clocks: four video frames. Time beyond it (a
// frame held up, a jump of the machine's count) is dropped.
constexpr uint64_t MaxSoundFrameClocks = 4u * SoundFrameClocks;
// The stereo pairs that may wait in the buffer for the front end; beyond
// them the oldest are dropped at the frame's end. A front end that takes
// the samples every frame never has more than a block waiting.
constexpr long MostWaitingPairs = 16384;

// Where the machine stands when the sound system is told something: its
// 4194304 Hz clock, the system counter and the processor's speed.
struct SoundTime {
  uint64_t clock;
  uint16_t counter;
  bool double_speed;
};

class SoundSystem {
 public:
  SoundSystem();
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Register accesses from the processor (0xFF10-0xFF3F), each at the
  // machine's clock `now`, the processor's position in the sound frame.
  void write_register(uint64_t now, int address, int data) {
    chip.write_register(frame_clock(now), address, data & 0xFF);
  }
  int read_register(uint64_t now, int address) { return chip.read_register(frame_clock(now), address); }
  // 0xFF76 (first 0: channels 1 and 2) and 0xFF77 (first 2: channels 3 and
  // 4): each channel's digital output now, 0-15, the first in bits 0-3.
  int read_outputs(uint64_t now, int first) {
    const int time = frame_clock(now);
    return chip.output_level(time, first) | chip.output_level(time, first + 1) << 4;
  }
  // A DIV write cleared the system counter, which stood at `before`: its
  // sequencer bit falling steps the frame sequencer at once, and the steps
  // go on from the cleared counter.
  void counter_cleared(uint64_t now, uint16_t before, bool double_speed);
  // Ends the sound frame at the processor's position: the chip runs to its
  // end and the buffer takes it. The next frame starts there. The front end
  // reads the samples out of the buffer (read_samples) after each frame.
  void end_frame(const SoundTime& now);
  // Connects the chip to the buffers and sizes them. Null, or an error text
  // (the chip then stays unconnected and nothing is ever produced).
  const char* set_sample_rate(long rate);
  // Back to the state after construction and set_sample_rate: chip reset,
  // buffers emptied, the frame starting at the machine's clock now.
  void reset(const SoundTime& now);
  // The sound's part of a machine state: where the frame started, the chip
  // and the buffers with every sample not yet handed off. A state whose
  // frame started after `now` is refused.
  template <class State>
  void walk(State& s, uint64_t now);

  // Clocks from the frame's start to the machine's clock `now`, never past
  // the longest frame.
  int frame_clock(uint64_t now) const {
    const uint64_t clocks = now - frame_start_clock;
    return static_cast<int>(clocks < MaxSoundFrameClocks ? clocks : MaxSoundFrameClocks);
  }

  SoundChip chip;
  StereoMixBuffer buffer;
  uint64_t frame_start_clock = 0;  // the machine's clock at the frame's start

 private:
  void align_sequencer(const SoundTime& now);
};
