#include "sound/square_channel.h"

const int DutyTable[4] = {1, 2, 4, 6};

namespace {

constexpr int TriggerBit = 0x80;
constexpr int SweepOverflow = 2048;  // a swept frequency this high silences the channel
// Below this many clocks per step the tone is far above hearing; the
// channel stays silent rather than flood the buffer with steps.
constexpr int MinSquarePeriod = 27;

inline int SquarePeriod(int frequency) { return (2048 - frequency) * 4; }

}  // namespace

void SquareChannel::write(int reg, int data) {
  switch (reg) {
    case 0:
      sweep_period = (data >> 4) & 7;
      sweep_shift = data & 7;
      sweep_dir = data & 8;
      break;
    case 1:
      length = new_length = 64 - (data & 0x3F);
      duty = DutyTable[(data >> 6) & 3];
      break;
    case 3:
      length = new_length;
      frequency = (frequency & 0x700) + data;
      break;
    case 4:
      length = new_length;
      frequency = ((data & 7) << 8) + (frequency & 0xFF);
      if (data & TriggerBit) {
        sweep_freq = frequency;
        if (has_sweep && sweep_period && sweep_shift) {
          sweep_delay = 1;
          clock_sweep();  // the first sweep step happens at the trigger
        }
      }
      break;
    default:
      break;
  }
  period = SquarePeriod(frequency);
  EnvelopeChannel::write(reg, data);
}

void SquareChannel::clock_sweep() {
  if (!sweep_period || !sweep_delay) return;
  if (--sweep_delay != 0) return;
  sweep_delay = sweep_period;
  frequency = sweep_freq;
  period = SquarePeriod(sweep_freq);
  int change = sweep_freq >> sweep_shift;
  if (sweep_dir) change = -change;
  sweep_freq += change;
  if (sweep_freq < 0) {
    sweep_freq = 0;
  } else if (sweep_freq >= SweepOverflow) {
    sweep_delay = 0;
    sweep_freq = SweepOverflow;
  }
}

void SquareChannel::run(int t, int end) {
  if (!playing() || !volume || sweep_freq == SweepOverflow || !frequency || period < MinSquarePeriod) {
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
    // The level swings between +amp and -amp: each edge is a change of
    // twice the amplitude, its sign flipping from edge to edge.
    SampleBuffer* const out = output;
    const StepSynth& s = *synth;
    int delta = 2 * amp;
    int step = phase;
    do {
      step = (step + 1) & 7;
      if (step == 0 || step == duty) {
        delta = -delta;
        s.add_delta(out->resampled_time(t), delta, out);
      }
      t += period;
    } while (t < end);
    phase = step;
    last_amp = delta >> 1;
  }
  delay = t - end;
}

void SquareChannel::reset() {
  EnvelopeChannel::reset();
  phase = 1;
  duty = 1;
  sweep_period = 0;
  sweep_delay = 0;
  sweep_shift = 0;
  sweep_dir = 0;
  sweep_freq = 0;
  new_length = 0;
}
