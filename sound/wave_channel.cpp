#include "sound/wave_channel.h"

#include <cstring>

#include "machine/state.h"

namespace {

constexpr int MinWavePeriod = 7;  // faster than this the channel stays silent
// A trigger starts the first sample step two ticks of the channel's 2 MHz
// clock later than a whole period (as the processor sees it, timing its
// accesses at the end of each instruction).
constexpr int TriggerDelay = 4;

}  // namespace

void WaveChannel::write(int reg, int data) {
  switch (reg) {
    case 0:
      set_dac(data & 0x80);
      break;
    case 1:
      length = max_length - data;
      break;
    case 2:
      // Codes 0, 1, 2, 3 give shifts 7 (silence), 0, 1 and 2.
      volume = (data >> 5) & 3;
      volume_shift = (volume - 1) & 7;
      break;
    case 3:
      set_frequency((frequency & 0x700) | data);
      break;
    case 4:
      set_frequency(((data & 7) << 8) | (frequency & 0xFF));
      if (write_control(data)) {
        wave_pos = 0;
        delay = period + TriggerDelay;
      }
      break;
    default:
      break;
  }
}

// The samples are not centred: 0 is the lowest level.
void WaveChannel::run(int t, int end) {
  if (!enabled) {
    fall_silent(synth, t);
    return;
  }
  if (!volume || !frequency || period < MinWavePeriod) {
    // Too quiet or too high to hear, but the position moves on: the
    // processor sees it through the pattern.
    if (last_amp != 0) {
      add_change(synth, t, -last_amp);
      last_amp = 0;
    }
    advance_unheard(t, end);
    return;
  }

  const int scale = global_volume * 2;
  int amp = (samples[wave_pos] >> volume_shift) * scale;
  if (amp != last_amp) {
    add_change(synth, t, amp - last_amp);
    last_amp = amp;
  }

  t += delay;
  if (t < end) {
    const int steps = (end - t + period - 1) / period;
    SampleBuffer* const out = output;
    const uint32_t pos_step = static_cast<uint32_t>(period) * out->factor;
    const int shift = volume_shift;
    int pos_in_wave = wave_pos;
    synth->with_kernel(out, [&](const auto& kernel) {
      uint32_t pos = out->resampled_time(t);
      for (int left = steps; left > 0; left--) {
        pos_in_wave = (pos_in_wave + 1) & (WaveSamples - 1);
        // A step to the same level adds nothing: no branch to guess wrong.
        const int next = (samples[pos_in_wave] >> shift) * scale;
        kernel.add(pos, next - amp);
        amp = next;
        pos += pos_step;
      }
    });
    wave_pos = pos_in_wave;
    last_amp = amp;
    t += steps * period;
  }
  delay = t - end;
}

void WaveChannel::advance_unheard(int t, int end) {
  if (!enabled) return;
  t += delay;
  if (t < end) {
    const int steps = (end - t + period - 1) / period;
    wave_pos = (wave_pos + steps) & (WaveSamples - 1);
    t += steps * period;
  }
  delay = t - end;
}

template <class State>
void WaveChannel::walk(State& s) {
  SoundChannel::walk(s);
  s.number(volume_shift, 0, 7);
  s.number(wave_pos, 0, WaveSamples - 1);
}

template void WaveChannel::walk(StateWriter& s);
template void WaveChannel::walk(StateReader& s);

void WaveChannel::clear_registers() {
  SoundChannel::clear_registers();
  volume_shift = 0;
  wave_pos = 0;
}

void WaveChannel::reset() {
  SoundChannel::reset();
  clear_registers();
  std::memset(samples, 0, sizeof samples);
}
