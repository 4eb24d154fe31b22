#include "sound/sound_system.h"

#include "memory/machine_state.h"
#include "memory/timer.h"

SoundSystem Sound;

SoundSystem::SoundSystem() {
  const TrebleEq treble{SoundTrebleDb, 0, 44100};
  chip.square_synth.set_treble_eq(treble);
  chip.other_synth.set_treble_eq(treble);
  buffer.set_bass_frequency(SoundBassFrequency);
  frame_start_clock = MachineClock();
  align_sequencer();
}

SoundSystem::~SoundSystem() = default;

void SoundSystem::save(StateWriter& out) const {
  out.section("SND ");
  out.i64(static_cast<int64_t>(frame_start_clock));
  chip.save(out);
  buffer.save(out);
}

// The frame started at or before the machine's present, and the chip has
// run no further than that present.
void SoundSystem::load(StateReader& in) {
  in.section("SND ");
  frame_start_clock = static_cast<uint64_t>(in.i64());
  in.require(frame_start_clock <= MachineClock());
  chip.load(in);
  in.require(chip.last_time <= frame_clock());
  buffer.load(in);
}

// The frame lasts as long as the processor ran since the last one: video
// frames are not all alike (the LCD turned on or off in one).
void SoundSystem::end_frame() {
  const uint64_t clocks = MachineClock() - frame_start_clock;
  const int time = frame_clock();
  frame_start_clock = MachineClock();
  const bool stereo = chip.end_frame(time);
  buffer.end_frame(time, stereo);
  if (clocks > MaxSoundFrameClocks) align_sequencer();  // time was dropped
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
void SoundSystem::align_sequencer() {
  const uint64_t period = uint64_t{2} * SequencerCounterBit();
  const uint64_t counter = (TotalCycles - CounterOrigin) * CounterClocksPerCycle;
  const uint64_t to_edge = (period - counter % period) % period;
  chip.next_frame_time = static_cast<int>(to_edge * ClocksPerCycle() / CounterClocksPerCycle);
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

void SoundSystem::counter_cleared(uint16_t before) {
  chip.counter_cleared(frame_clock(), (before & SequencerCounterBit()) != 0);
}

void SoundSystem::reset() {
  chip.reset();
  buffer.set_bass_frequency(SoundBassFrequency);
  buffer.clear();
  frame_start_clock = MachineClock();
  align_sequencer();
}
