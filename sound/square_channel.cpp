#include "sound/square_channel.h"

#include "machine/state.h"

const int DutyTable[4] = {1, 2, 4, 6};

namespace {

constexpr int HighestFrequency = 2047;  // a sweep past this turns the channel off
// Below this many clocks per step the tone is far above hearing; the
// channel stays silent rather than flood the buffer with steps.
constexpr int MinSquarePeriod = 27;

}  // namespace

void SquareChannel::write(int reg, int data) {
  switch (reg) {
    case 0:
      if (!has_sweep) break;  // square 2 has no register 0
      sweep_period = (data >> 4) & 7;
      sweep_negate = data & 8;
      sweep_shift = data & 7;
      // Leaving the falling direction after using it ends the note.
      if (!sweep_negate && negate_used) enabled = false;
      break;
    case 1:
      duty = DutyTable[(data >> 6) & 3];
      length = max_length - (data & 0x3F);
      break;
    case 2:
      write_envelope(data);
      break;
    case 3:
      set_frequency((frequency & 0x700) | data);
      break;
    case 4:
      set_frequency(((data & 7) << 8) | (frequency & 0xFF));
      if (!write_control(data)) break;
      trigger_envelope();
      delay = period;
      if (has_sweep) {
        sweep_freq = frequency;
        sweep_timer = sweep_period ? sweep_period : 8;
        sweep_enabled = sweep_period || sweep_shift;
        negate_used = false;
        if (sweep_shift) next_sweep_frequency();  // the overflow test alone
      }
      break;
    default:
      break;
  }
}

int SquareChannel::next_sweep_frequency() {
  int change = sweep_freq >> sweep_shift;
  if (sweep_negate) {
    change = -change;
    negate_used = true;
  }
  const int next = sweep_freq + change;
  if (next > HighestFrequency) enabled = false;
  return next;
}

// The timer counts period 0 as 8; only a non-zero period computes.
void SquareChannel::clock_sweep() {
  if (sweep_timer != 0 && --sweep_timer != 0) return;
  sweep_timer = sweep_period ? sweep_period : 8;
  if (!sweep_enabled || sweep_period == 0) return;
  const int next = next_sweep_frequency();
  if (next > HighestFrequency || sweep_shift == 0) return;
  sweep_freq = next;
  set_frequency(next);
  next_sweep_frequency();  // once more, for the overflow test alone
}

void SquareChannel::run(int t, int end) {
  if (!enabled || !volume || !frequency || period < MinSquarePeriod) {
    fall_silent(synth, t);
    return;
  }

  int amp = phase >= duty ? -volume : volume;
  amp *= global_volume;
  if (amp != last_amp) {
    add_change(synth, t, amp - last_amp);
    last_amp = amp;
  }

  t += delay;
  if (t < end) {
    // The level swings between +amp and -amp: each edge (the step to 0 or to
    // the duty) is a change of twice the amplitude, its sign flipping from
    // edge to edge. The loop goes from edge to edge, not step by step.
    const int steps = (end - t + period - 1) / period;
    SampleBuffer* const out = output;
    const uint32_t pos_step = static_cast<uint32_t>(period) * out->factor;
    const int high_steps = duty;
    int delta = 2 * amp;
    int step = phase;
    synth->with_kernel(out, [&](const auto& kernel) {
      uint32_t pos = out->resampled_time(t);  // where the next step falls
      int left = steps;
      for (;;) {
        const int to_low = ((high_steps - step - 1) & 7) + 1;
        const int to_high = ((-step - 1) & 7) + 1;
        const int k = to_low < to_high ? to_low : to_high;
        if (k > left) break;
        pos += static_cast<uint32_t>(k - 1) * pos_step;
        step = (step + k) & 7;
        delta = -delta;
        kernel.add(pos, delta);
        pos += pos_step;
        left -= k;
      }
      step = (step + left) & 7;
    });
    phase = step;
    last_amp = delta >> 1;
    t += steps * period;
  }
  delay = t - end;
}

template <class State>
void SquareChannel::walk(State& s) {
  EnvelopeChannel::walk(s);
  s.number(phase, 0, 7);
  s.number(duty, 1, 7);
  s.require(duty == DutyTable[0] || duty == DutyTable[1] || duty == DutyTable[2] || duty == DutyTable[3]);
  s.number(sweep_period, 0, 7);
  s.number(sweep_timer, 0, 8);
  s.number(sweep_shift, 0, 7);
  s.number(sweep_negate, 0, 8);
  s.number(sweep_freq, 0, HighestFrequency);
  s.flag(sweep_enabled);
  s.flag(negate_used);
}

template void SquareChannel::walk(StateWriter& s);
template void SquareChannel::walk(StateReader& s);

void SquareChannel::clear_registers() {
  EnvelopeChannel::clear_registers();
  phase = 1;
  duty = 1;
  sweep_period = 0;
  sweep_timer = 0;
  sweep_shift = 0;
  sweep_negate = 0;
  sweep_freq = 0;
  sweep_enabled = false;
  negate_used = false;
}

void SquareChannel::reset() {
  SoundChannel::reset();
  clear_registers();
}
