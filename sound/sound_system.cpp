#include "sound/sound_system.h"

SoundSystem Sound;

namespace {

constexpr int AccessClocks = 4;  // one register access, as the chip sees it

}  // namespace

SoundSystem::SoundSystem() {
  const TrebleEq treble{SoundTrebleDb, 0, 44100};
  chip.square_synth.set_treble_eq(treble);
  chip.other_synth.set_treble_eq(treble);
  buffer.set_bass_frequency(SoundBassFrequency);
}

SoundSystem::~SoundSystem() = default;

// A frame with more accesses than fit puts the rest at the frame's end, so
// that no time is left over for the next frame.
void SoundSystem::advance_access_clock() {
  access_clock += AccessClocks;
  if (access_clock > SoundFrameClocks) access_clock = SoundFrameClocks;
}

void SoundSystem::write_register(int address, int data) {
  advance_access_clock();
  chip.write_register(access_clock, address, data & 0xFF);
}

int SoundSystem::read_register(int address) {
  advance_access_clock();
  return chip.read_register(access_clock, address);
}

void SoundSystem::end_frame() {
  access_clock = 0;
  const bool stereo = chip.end_frame(SoundFrameClocks);
  buffer.end_frame(SoundFrameClocks, stereo);
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

void SoundSystem::reset() {
  chip.reset();
  buffer.set_bass_frequency(SoundBassFrequency);
  buffer.clear();
  access_clock = 0;
}
