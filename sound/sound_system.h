// The one sound object: chip, mixing buffer and the in-frame access clock.
#pragma once
#include <cstdint>

#include "sound/mix_buffer.h"
#include "sound/sound_chip.h"

constexpr int SoundFrameClocks = 70224;   // master clocks per video frame
constexpr long SoundClockRate = 4194304;  // master clocks per second
constexpr int SoundBassFrequency = 461;   // corner of the output's high-pass, Hz
constexpr double SoundTrebleDb = -20.0;   // treble roll-off of both synths

class SoundSystem {
 public:
  SoundSystem();
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Register accesses from the processor (0xFF10-0xFF3F). Each one moves the
  // access clock 4 clocks on, whatever time passed in between.
  void write_register(int address, int data);
  int read_register(int address);
  // Ends the sound frame: the chip runs to its end and the buffer takes it.
  void end_frame();
  // Connects the chip to the buffers and sizes them. Null, or an error text
  // (the chip then stays unconnected and nothing is ever produced).
  const char* set_sample_rate(long rate);
  // Back to the state after construction and set_sample_rate: chip reset,
  // buffers emptied, access clock 0.
  void reset();

  SoundChip chip;
  StereoMixBuffer buffer;
  int access_clock = 0;

 private:
  void advance_access_clock();
};

extern SoundSystem Sound;
