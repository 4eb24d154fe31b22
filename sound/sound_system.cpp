#include "sound/sound_system.h"

#include "machine/state.h"
#include "memory/timer.h"

SoundSystem::SoundSystem() {
  const TrebleEq treble{SoundTrebleDb, 0, 44100};
  chip.square_synth.set_treble_eq(treble);
  chip.other_synth.set_treble_eq(treble);
  buffer.set_bass_frequency(SoundBassFrequency);
  align_sequencer(SoundTime{0, 0, false});
}

SoundSystem::~SoundSystem() = default;

// The frame started at or before the machine's present, and the chip has
// run no further than that present.
template <class State>
void SoundSystem::walk(State& s, uint64_t now) {
  s.section("SND ");
  s.i64(frame_start_clock);
  s.require(frame_start_clock <= now);
  chip.walk(s);
  s.require(chip.last_time <= frame_clock(now));
  buffer.walk(s);
}

template void SoundSystem::walk(StateWriter& s, uint64_t now);
template void SoundSystem::walk(StateReader& s, uint64_t now);

// The frame lasts as long as the processor ran since the last one: video
// frames are not all alike (the LCD turned on or off in one).
void SoundSystem::end_frame(const SoundTime& now) {
  const uint64_t clocks = now.clock - frame_start_clock;
  const int time = frame_clock(now.clock);
  frame_start_clock = now.clock;
  const bool stereo = chip.end_frame(time);
  buffer.end_frame(time, stereo);
  if (clocks > MaxSoundFrameClocks) align_sequencer(now);  // time was dropped
  // Samples nobody takes (a front end that drains none) go, oldest first:
  // the buffers never fill up.
  int16_t dropped[2048];
  for (long excess = buffer.samples_available() - 2 * MostWaitingPairs; excess > 0;) {
    const long got = buffer.read_samples(dropped, excess < 2048 ? excess : 2048);
    if (got <= 0) break;
    excess -= got;
  }
}

// The frame sequencer steps on each falling edge of the system counter's
// bit 12 (13 in double speed, whose counter runs twice as fast): turning
// the sound off and on does not move its steps in time, a DIV write does.
void SoundSystem::align_sequencer(const SoundTime& now) {
  const uint32_t period = uint32_t{2} * SequencerCounterBit(now.double_speed);
  const uint32_t to_edge = (period - now.counter % period) % period;
  const uint32_t clocks_per_cycle = now.double_speed ? 2 : 4;  // the counter counts 4 a cycle at either speed
  chip.next_frame_time = static_cast<int>(to_edge * clocks_per_cycle / CounterClocksPerCycle);
}

const char* SoundSystem::set_sample_rate(long rate) {
  const BufferTriple bufs = buffer.channel_buffers(0);
  chip.set_outputs(bufs.center, bufs.left, bufs.right);
  buffer.set_clock_rate(SoundClockRate);
  const char* error = buffer.set_sample_rate(rate, 0);
  // Channels must never write into buffers that have no memory.
  if (error) chip.set_outputs(nullptr, nullptr, nullptr);
  return error;
}

void SoundSystem::counter_cleared(uint64_t now, uint16_t before, bool double_speed) {
  chip.counter_cleared(frame_clock(now), (before & SequencerCounterBit(double_speed)) != 0);
}

void SoundSystem::reset(const SoundTime& now) {
  chip.reset();
  buffer.set_bass_frequency(SoundBassFrequency);
  buffer.clear();
  frame_start_clock = now.clock;
  align_sequencer(now);
}
