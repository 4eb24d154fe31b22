#include "sound/noise_channel.h"

#include "machine/state.h"

namespace {

// The shift register of `Bits` bits (15, or 7 with the short tap) runs
// through every value but 0 before it repeats. Once no bit above the tap is
// set, the value at a place in that sequence is the window of the next Bits
// output bits: bit k is the output k steps on. A run then reads which of its
// steps flip the output from tables of one period, 64 steps at a time,
// instead of stepping the register: no branch per step, and the steps that
// change nothing cost nothing.
template <int Bits>
struct LfsrSequence {
  static constexpr uint32_t Length = (1u << Bits) - 1;
  static constexpr uint32_t Mask = (1u << Bits) - 1;
  // Enough words to read 64 bits from any place below Length.
  static constexpr int Words = static_cast<int>((Length + 64 + 63) / 64) + 1;

  constexpr LfsrSequence() {
    uint32_t value = Mask;
    bool output[Length] = {};
    for (uint32_t i = 0; i < Length; i++) {
      place[value] = static_cast<uint16_t>(i);
      output[i] = value & 1;
      const uint32_t feedback = (value ^ (value >> 1)) & 1;
      value = (value >> 1) | (feedback << (Bits - 1));
    }
    for (uint32_t i = 0; i < 64u * Words; i++) {
      const bool now = output[i % Length], next = output[(i + 1) % Length];
      outputs[i / 64] |= uint64_t{now} << (i % 64);
      flips[i / 64] |= uint64_t{now != next} << (i % 64);
    }
  }

  // The 64 bits of a table from place p on.
  static uint64_t read64(const uint64_t* table, uint32_t p) {
    const uint32_t word = p >> 6, bit = p & 63;
    return (table[word] >> bit) | ((table[word + 1] << 1) << (63 - bit));
  }

  // Runs `steps` steps from the value (no bit above Bits set) and returns the
  // value after them; each flip adds its change, of alternating sign, at the
  // step's position (pos, then pos_step later each step).
  template <class Kernel>
  uint32_t run(uint32_t value, long steps, uint32_t pos, uint32_t pos_step, int& delta,
               const Kernel& kernel) const {
    if (value == 0) return 0;  // all zeros feed back zeros for ever
    uint32_t p = place[value];
    const uint32_t last = static_cast<uint32_t>((p + steps) % Length);
    for (; steps > 0; steps -= 64) {
      uint64_t changes = read64(flips, p);
      if (steps < 64) changes &= ~uint64_t{0} >> (64 - steps);
      while (changes) {
        const int k = __builtin_ctzll(changes);
        changes &= changes - 1;
        delta = -delta;
        kernel.add(pos + static_cast<uint32_t>(k) * pos_step, delta);
      }
      pos += 64 * pos_step;
      p += 64;
      if (p >= Length) p -= Length;
    }
    return static_cast<uint32_t>(read64(outputs, last)) & Mask;
  }

  uint64_t outputs[Words] = {};  // bit i: the output (bit 0 of the value) at place i mod Length
  uint64_t flips[Words] = {};    // bit i: whether the step from place i flips it
  uint16_t place[Length + 1] = {};  // where each value but 0 stands
};

constexpr LfsrSequence<15> LongSequence;
constexpr LfsrSequence<7> ShortSequence;
constexpr int LongTap = 14;
constexpr int ShortTap = 6;

}  // namespace

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
    const int steps = (end - t + period - 1) / period;
    SampleBuffer* const out = output;
    const uint32_t pos_step = static_cast<uint32_t>(period) * out->factor;
    const int shift_tap = tap;
    const bool tabled = shift_tap == LongTap || shift_tap == ShortTap;
    int delta = 2 * amp;
    synth->with_kernel(out, [&](const auto& kernel) {
      uint32_t bits = lfsr;
      uint32_t pos = out->resampled_time(t);
      long left = steps;
      // Ones above the tap (a trigger fills the register with them) drain a
      // step at a time; an unusual tap from a state steps that way always.
      const uint32_t tap_mask = ~(1u << shift_tap);
      while (left > 0 && (!tabled || (bits >> (shift_tap + 1)) != 0)) {
        // The two low bits' difference is shifted in at the tap; when it is
        // 1 the bit that comes down to bit 0 flips the output's sign.
        const uint32_t feedback = (bits ^ (bits >> 1)) & 1;
        bits = ((bits >> 1) & tap_mask) | (feedback << shift_tap);
        if (feedback) {
          delta = -delta;
          kernel.add(pos, delta);
        }
        pos += pos_step;
        left--;
      }
      if (left > 0) {
        bits = shift_tap == LongTap ? LongSequence.run(bits, left, pos, pos_step, delta, kernel)
                                    : ShortSequence.run(bits, left, pos, pos_step, delta, kernel);
      }
      lfsr = bits;
    });
    last_amp = delta >> 1;
    t += steps * period;
  }
  delay = t - end;
}

template <class State>
void NoiseChannel::walk(State& s) {
  EnvelopeChannel::walk(s);
  s.u32(lfsr);
  s.number(tap, ShortTap, LongTap);
  s.require(tap == ShortTap || tap == LongTap);
}

template void NoiseChannel::walk(StateWriter& s);
template void NoiseChannel::walk(StateReader& s);

void NoiseChannel::clear_registers() {
  EnvelopeChannel::clear_registers();
  lfsr = 1;
  tap = 14;
}

void NoiseChannel::reset() {
  SoundChannel::reset();
  clear_registers();
}
