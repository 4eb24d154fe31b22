#include "sound/noise_channel.h"

#include "memory/machine_state.h"

void NoiseChannel::write(int reg, int data) {
  switch (reg) {
    case 1:
      length = max_length - (data & 0x3F);
      break;
    case 2:
      write_envelope(data);
      break;
    case 3: {
      tap = 14 - (data & 8);
      const int divisor = data & 7 ? (data & 7) << 4 : 8;
      period = divisor << (data >> 4);
      break;
    }
    case 4:
      if (write_control(data)) {
        trigger_envelope();
        lfsr = 0xFFFFFFFFu;
        delay = period;
      }
      break;
    default:
      break;  // there is no register 0
  }
}

void NoiseChannel::run(int t, int end) {
  if (!enabled || !volume) {
    fall_silent(synth, t);
    return;
  }

  int amp = (lfsr & 1) ? -volume : volume;
  amp *= global_volume;
  if (amp != last_amp) {
    add_change(synth, t, amp - last_amp);
    last_amp = amp;
  }

  t += delay;
  if (t < end) {
    SampleBuffer* const out = output;
    const StepSynth& s = *synth;
    uint32_t bits = lfsr;
    const uint32_t tap_mask = ~(1u << tap);
    int delta = 2 * amp;
    do {
      // The two low bits' difference is shifted in at the tap; when it is 1
      // the bit that comes down to bit 0 flips the output's sign.
      const uint32_t feedback = (bits ^ (bits >> 1)) & 1;
      bits = ((bits >> 1) & tap_mask) | (feedback << tap);
      if (feedback) {
        delta = -delta;
        s.add_delta(out->resampled_time(t), delta, out);
      }
      t += period;
    } while (t < end);
    lfsr = bits;
    last_amp = delta >> 1;
  }
  delay = t - end;
}

void NoiseChannel::save(StateWriter& out) const {
  EnvelopeChannel::save(out);
  out.u32(lfsr);
  out.i32(tap);
}

void NoiseChannel::load(StateReader& in) {
  EnvelopeChannel::load(in);
  lfsr = in.u32();
  tap = in.number(0, 31);
}

void NoiseChannel::clear_registers() {
  EnvelopeChannel::clear_registers();
  lfsr = 1;
  tap = 14;
}

void NoiseChannel::reset() {
  SoundChannel::reset();
  clear_registers();
}
