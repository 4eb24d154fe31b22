// The noise channel's run, which reads the shift register's sequence from
// tables, against the register stepped one step at a time: the same bytes.
// (The square's and the wave's loops and the reader are held by the carried
// cartridges' recorded sound and the mix buffer's own tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "machine/state.h"
#include "sound/sound_system.h"

namespace {

void Add(NoiseChannel& n, int t, int delta) { n.synth->add_delta(n.output->resampled_time(t), delta, n.output); }

// Plays the steps of [t, end) one by one, as the console does.
void NoiseByStep(NoiseChannel& n, int t, int end) {
  int amp = ((n.lfsr & 1) ? -n.volume : n.volume) * n.global_volume;
  Add(n, t, amp - n.last_amp);
  for (t += n.delay; t < end; t += n.period) {
    const uint32_t feedback = (n.lfsr ^ (n.lfsr >> 1)) & 1;
    n.lfsr = ((n.lfsr >> 1) & ~(1u << n.tap)) | (feedback << n.tap);
    if (feedback) Add(n, t, -2 * amp), amp = -amp;
  }
  n.last_amp = amp;
  n.delay = t - end;
}

std::vector<uint8_t> Saved(NoiseChannel& n) {
  std::vector<uint8_t> bytes;
  StateWriter out(bytes);
  n.walk(out);
  n.output->walk(out);
  return bytes;
}

}  // namespace

// A channel and a copy play the same frames, cut into random stretches, the
// copy by the reference: both widths at periods from 8 clocks up, switched
// from frame to frame, a register of zeros, and a tap only a loaded state
// can hold.
TEST(ChannelRuns, NoiseTablesGiveTheShiftRegistersStepByStepOutput) {
  const int settings[] = {0x00, 0x08, 0x17, 0x01, 0x3F, 0x09, 0x70, 0x4C, 0x21, 0x00};
  SoundChip chip;  // for its synth
  for (long rate : {22050L, 44100L, 48000L}) {
    SampleBuffer bufs[2];
    NoiseChannel noise[2];
    std::mt19937 random(static_cast<unsigned>(rate));
    for (int i = 0; i < 2; i++) {
      bufs[i].set_clock_rate(4194304);
      ASSERT_EQ(bufs[i].set_sample_rate(rate, 0), nullptr);
      noise[i].synth = &chip.other_synth;
      noise[i].enabled = true;
      noise[i].volume = 15;
      noise[i].global_volume = 7;
      noise[i].lfsr = 0xFFFFFFFFu;  // as a trigger leaves it: ones above either tap
      noise[i].output_select = 3;   // the center
      noise[i].set_outputs(&bufs[i], nullptr, nullptr);
    }
    for (int frame = 0; frame < 24; frame++) {
      for (NoiseChannel& n : noise) {
        n.write(3, settings[frame % 10]);
        if (frame == 20) n.lfsr = 0;
        if (frame == 22) n.lfsr = 0x2468ACE1u, n.tap = 3;
      }
      for (int t = 0, end; t < SoundFrameClocks; t = end) {
        end = std::min(SoundFrameClocks, t + static_cast<int>(random() % 12000) + 1);
        noise[0].run(t, end);
        NoiseByStep(noise[1], t, end);
      }
      for (SampleBuffer& b : bufs) b.end_frame(SoundFrameClocks);
      ASSERT_EQ(Saved(noise[0]), Saved(noise[1])) << rate << " Hz, frame " << frame;
      for (SampleBuffer& b : bufs) b.remove_samples(b.samples_ready());
    }
  }
}
