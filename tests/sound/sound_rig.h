// A sound system of its own for a test, connected to its buffers at the
// program's rate, with helpers to play frames and collect what comes out.
//
// Time is the processor's running count, as in a run: every access moves it
// one machine cycle on, wait() moves it further, and a frame ends a video
// frame's worth of cycles after the last one ended.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "machine/clock.h"
#include "sound/signal_measure.h"
#include "sound/sound_system.h"
#include "support/machine.h"

// At normal speed, as the tests run: clocks of the sound per machine cycle,
// and the longest sound frame in machine cycles.
constexpr int SoundClocksPerCycle = NormalClocksPerCycle;
constexpr unsigned MaxSoundFrameCycles = MaxSoundFrameClocks / NormalClocksPerCycle;
constexpr uint64_t RigFrameCycles = SoundFrameClocks / NormalClocksPerCycle;

// Moves the processor's running count on (it wraps, as in a run).
inline void AdvanceCycles(unsigned cycles) {
  m.clock.cycles += cycles;
}

struct SoundRig {
  // high_pass false: the reader's high-pass is off, so levels stay put and
  // can be compared with what the channels hold. The sound starts on, at
  // full master volume, every channel on both sides.
  explicit SoundRig(bool high_pass = true) : sys(std::make_unique<SoundSystem>()) {
    sys->reset(SoundNow(m));  // its frame starts at the machine's present
    error = sys->set_sample_rate(22050);
    if (!high_pass) sys->buffer.set_bass_frequency(0);
    write(0xFF26, 0x80);
    write(0xFF24, 0x77);
    write(0xFF25, 0xFF);
  }

  void write(int address, int data) {
    AdvanceCycles(1);
    sys->write_register(MachineClock(m), address, data);
  }
  int read(int address) {
    AdvanceCycles(1);
    return sys->read_register(MachineClock(m), address);
  }
  // Lets the processor run on for that many machine cycles.
  void wait(unsigned cycles) { AdvanceCycles(cycles); }
  // Clocks since the frame started, as the chip sees the next access.
  int now() const { return sys->frame_clock(MachineClock(m)); }

  // Ends n frames and returns every value they produced (left, right, ...).
  std::vector<int16_t> play(int frames) {
    std::vector<int16_t> out;
    for (int f = 0; f < frames; f++) {
      const uint64_t into = (MachineClock(m) - sys->frame_start_clock) / NormalClocksPerCycle;
      if (into < RigFrameCycles) AdvanceCycles(RigFrameCycles - into);
      sys->end_frame(SoundNow(m));
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
