// The one sound object: chip, mixing buffer and the in-frame access clock.
#pragma once
#include <cstdint>

class SoundSystem {
 public:
  SoundSystem();
  ~SoundSystem();

  void write_register(int address, int data);
  int read_register(int address);
  void end_frame();
  const char* set_sample_rate(long rate);

  int access_clock = 0;
};

extern SoundSystem Sound;
