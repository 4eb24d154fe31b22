#include "sound/sound_channel.h"

namespace {

constexpr int TriggerBit = 0x80;
constexpr int MaxVolume = 15;

}  // namespace

void SoundChannel::write(int reg, int data) {
  if (reg == 4) length_enabled = (data >> 6) & 1;
}

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

// Running out does not disable the channel: it only stops being heard, and
// its status bit reads 0.
void SoundChannel::clock_length() {
  if (length_enabled && length != 0) length--;
}

void SoundChannel::reset() {
  period = 2048;
  delay = 0;
  last_amp = 0;
  volume = 0;
  global_volume = 7;
  frequency = 0;
  length = 0;
  enabled = false;
  length_enabled = false;
  output_select = 3;
  output = outputs[3];
}

void EnvelopeChannel::write(int reg, int data) {
  if (reg == 2) {
    env_period = data & 7;
    env_dir = data & 8;
    new_volume = data >> 4;
    volume = data >> 4;
  } else if (reg == 4 && (data & TriggerBit)) {
    enabled = true;
    env_delay = env_period;
    volume = new_volume;
  }
  SoundChannel::write(reg, data);
}

// Once the delay is 0 (period 0 at the trigger, or a reload from a period
// since written as 0) the envelope rests until the next trigger.
void EnvelopeChannel::clock_envelope() {
  if (env_delay == 0) return;
  if (--env_delay != 0) return;
  env_delay = env_period;
  if (env_dir) {
    if (volume < MaxVolume) volume++;
  } else if (volume > 0) {
    volume--;
  }
}

void EnvelopeChannel::reset() {
  SoundChannel::reset();
  env_period = 0;
  env_dir = 0;
  env_delay = 0;
  new_volume = 0;
}
