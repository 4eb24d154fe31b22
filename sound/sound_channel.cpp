#include "sound/sound_channel.h"

#include "machine/state.h"

namespace {

constexpr int LengthEnableBit = 0x40;
constexpr int TriggerBit = 0x80;
constexpr int MaxVolume = 15;
constexpr int DacBits = 0xF8;  // register 2 bits that keep the DAC on
// The longest period of any channel (the noise's slowest divisor and
// shift), and the largest level a channel adds (the wave's 15 at volume 7,
// twice); a state's values stay within them.
constexpr int LongestPeriod = 1 << 22;
constexpr int LargestLevel = 15 * 7 * 2;

}  // namespace

void SoundChannel::set_outputs(SampleBuffer* center, SampleBuffer* left, SampleBuffer* right) {
  if (center && !left && !right) {
    left = center;
    right = center;
  }
  outputs[0] = nullptr;
  outputs[1] = right;
  outputs[2] = left;
  outputs[3] = center;
  output = outputs[output_select];
}

// The counter runs whether or not the channel is on.
void SoundChannel::clock_length() {
  if (length_enabled && length != 0 && --length == 0) enabled = false;
}

// Enabling the length while the sequencer's next step will not clock it
// clocks it once at once. A trigger loads the full length over a counter at
// 0, and that full length takes the same early clock.
bool SoundChannel::write_control(int data) {
  const bool was_enabled = length_enabled;
  const bool trigger = data & TriggerBit;
  length_enabled = data & LengthEnableBit;
  const bool early_clock = length_enabled && !length_step_next;
  if (early_clock && !was_enabled && length != 0 && --length == 0 && !trigger) enabled = false;
  if (!trigger) return false;
  if (length == 0) length = early_clock ? max_length - 1 : max_length;
  enabled = dac_on;
  return true;
}

template <class State>
void SoundChannel::walk(State& s) {
  s.number(output_select, 0, 3);
  s.number(delay, 0, LongestPeriod);
  s.number(last_amp, -LargestLevel, LargestLevel);
  s.number(period, 1, LongestPeriod);
  s.number(volume, 0, MaxVolume);
  s.number(global_volume, 0, 7);
  s.number(frequency, 0, 2047);
  s.number(length, 0, max_length);
  s.flag(enabled);
  s.flag(dac_on);
  s.flag(length_enabled);
  s.flag(length_step_next);
  if constexpr (State::Loading) output = outputs[output_select];
}

template void SoundChannel::walk(StateWriter& s);
template void SoundChannel::walk(StateReader& s);

template <class State>
void EnvelopeChannel::walk(State& s) {
  SoundChannel::walk(s);
  s.number(env_period, 0, 7);
  s.number(env_up, 0, 8);
  s.number(env_timer, 0, 8);
  s.number(initial_volume, 0, MaxVolume);
}

template void EnvelopeChannel::walk(StateWriter& s);
template void EnvelopeChannel::walk(StateReader& s);

void SoundChannel::clear_registers() {
  period = 2048;
  volume = 0;
  frequency = 0;
  length = 0;
  enabled = false;
  dac_on = false;
  length_enabled = false;
}

void SoundChannel::reset() {
  clear_registers();
  delay = 0;
  last_amp = 0;
  global_volume = 0;
  length_step_next = true;
  output_select = 0;
  output = nullptr;
}

// A write while the channel is on does not load the volume; it nudges the
// one playing (music drivers change a note's loudness this way): +1 after a
// period of 0, else +2 after a falling envelope; a new direction mirrors it
// (16 - volume); 4 bits are kept.
void EnvelopeChannel::write_envelope(int data) {
  const int new_up = data & 8;
  if (enabled) {
    int v = volume;
    if (env_period == 0) v += 1;
    else if (!env_up) v += 2;
    if (new_up != env_up) v = 16 - v;
    volume = v & MaxVolume;
  }
  env_period = data & 7;
  env_up = new_up;
  initial_volume = data >> 4;
  set_dac(data & DacBits);
}

// The timer counts period 0 as 8, but with period 0 the volume stays.
void EnvelopeChannel::clock_envelope() {
  if (env_timer != 0 && --env_timer != 0) return;
  env_timer = env_period ? env_period : 8;
  if (env_period == 0) return;
  if (env_up) {
    if (volume < MaxVolume) volume++;
  } else if (volume > 0) {
    volume--;
  }
}

void EnvelopeChannel::clear_registers() {
  SoundChannel::clear_registers();
  env_period = 0;
  env_up = 0;
  env_timer = 0;
  initial_volume = 0;
}
