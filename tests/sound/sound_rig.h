// A sound system of its own for a test, connected to its buffers at the
// program's rate, with helpers to play frames and collect what comes out.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/signal_measure.h"
#include "sound/sound_system.h"

struct SoundRig {
  // high_pass false: the reader's high-pass is off, so levels stay put and
  // can be compared with what the channels hold.
  explicit SoundRig(bool high_pass = true) : sys(std::make_unique<SoundSystem>()) {
    error = sys->set_sample_rate(22050);
    if (!high_pass) sys->buffer.set_bass_frequency(0);
  }

  void write(int address, int data) { sys->write_register(address, data); }
  int read(int address) { return sys->read_register(address); }

  // Ends n frames and returns every value they produced (left, right, ...).
  std::vector<int16_t> play(int frames) {
    std::vector<int16_t> out;
    for (int f = 0; f < frames; f++) {
      sys->end_frame();
      std::vector<int16_t> block(static_cast<size_t>(sys->buffer.samples_available()));
      const long got = sys->buffer.read_samples(block.data(), static_cast<long>(block.size()));
      out.insert(out.end(), block.begin(), block.begin() + got);
    }
    return out;
  }

  double pairs_per_second() const { return PairsPerEmulatedSecond(sys->buffer.bufs[0].factor); }

  // Square 1 at full volume, no sweep, no length, the given duty code.
  void play_square1(int frequency, int duty = 2) {
    write(0xFF10, 0x00);
    write(0xFF11, duty << 6);
    write(0xFF12, 0xF0);
    write(0xFF13, frequency & 0xFF);
    write(0xFF14, 0x80 | (frequency >> 8));
  }

  std::unique_ptr<SoundSystem> sys;
  const char* error = nullptr;
};
