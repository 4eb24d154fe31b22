#include "sound/sound_channel.h"

#include "memory/machine_state.h"

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

void SoundChannel::save(StateWriter& out) const {
  for (int v : {output_select, delay, last_amp, period, volume, global_volume, frequency, length}) out.i32(v);
  for (bool b : {enabled, dac_on, length_enabled, length_step_next}) out.flag(b);
}

void SoundChannel::load(StateReader& in) {
  output_select = in.number(0, 3);
  delay = in.number(0, LongestPeriod);
  last_amp = in.number(-LargestLevel, LargestLevel);
  period = in.number(1, LongestPeriod);
  volume = in.number(0, MaxVolume);
  global_volume = in.number(0, 7);
  frequency = in.number(0, 2047);
  length = in.number(0, max_length);
  enabled = in.flag();
  dac_on = in.flag();
  length_enabled = in.flag();
  length_step_next = in.flag();
  output = outputs[output_select];
}

void EnvelopeChannel::save(StateWriter& out) const {
  SoundChannel::save(out);
  for (int v : {env_period, env_up, env_timer, initial_volume}) out.i32(v);
}

void EnvelopeChannel::load(StateReader& in) {
  SoundChannel::load(in);
  env_period = in.number(0, 7);
  env_up = in.number(0, 8);
  env_timer = in.number(0, 8);
  initial_volume = in.number(0, MaxVolume);
}

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
