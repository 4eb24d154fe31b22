#include "sound/wave_channel.h"

#include <cstring>

namespace {

constexpr int TriggerBit = 0x80;
constexpr int MinWavePeriod = 7;  // faster than this the channel stays silent

}  // namespace

void WaveChannel::write(int reg, int data) {
  switch (reg) {
    case 0:
      dac_on = (data >> 7) & 1;
      enabled = enabled && dac_on;
      break;
    case 1:
      length = new_length = 256 - data;
      break;
    case 2:
      // Codes 0, 1, 2, 3 give shifts 7 (silence), 0, 1 and 2.
      volume = (data >> 5) & 3;
      volume_shift = (volume - 1) & 7;
      break;
    case 3:
      frequency = (frequency & 0x700) + data;
      break;
    case 4:
      frequency = ((data & 7) << 8) + (frequency & 0xFF);
      if (dac_on && (data & TriggerBit)) {
        wave_pos = 0;
        length = new_length;
        enabled = true;
      }
      break;
    default:
      break;
  }
  period = (2048 - frequency) * 2;
  SoundChannel::write(reg, data);
}

// The samples are not centred: 0 is the lowest level.
void WaveChannel::run(int t, int end) {
  if (!playing() || !volume || !frequency || period < MinWavePeriod) {
    fall_silent(synth, t);
    return;
  }

  const int scale = global_volume * 2;
  int amp = (samples[wave_pos] >> volume_shift) * scale;
  if (amp != last_amp) {
    add_change(synth, t, amp - last_amp);
    last_amp = amp;
  }

  t += delay;
  while (t < end) {
    wave_pos = (wave_pos + 1) & (WaveSamples - 1);
    amp = (samples[wave_pos] >> volume_shift) * scale;
    if (amp != last_amp) {
      add_change(synth, t, amp - last_amp);
      last_amp = amp;
    }
    t += period;
  }
  delay = t - end;
}

void WaveChannel::reset() {
  SoundChannel::reset();
  volume_shift = 0;
  wave_pos = 0;
  new_length = 0;
  std::memset(samples, 0, sizeof samples);
}
