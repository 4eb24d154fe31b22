// The channels' runs and the reader against plain step-by-step references:
// the noise's sequence tables, the square's edge-to-edge loop, the wave's
// branchless loop and the reader's blocks must give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <type_traits>
#include <vector>

#include "memory/machine_state.h"
#include "sound/mix_buffer.h"
#include "sound/sound_system.h"

namespace {

void Add(const SoundChannel& c, const StepSynth& s, int t, int delta) {
  s.add_delta(c.output->resampled_time(t), delta, c.output);
}

// Each reference plays the steps of [t, end) one by one, as the console does.
void NoiseByStep(NoiseChannel& n, int t, int end) {
  int amp = ((n.lfsr & 1) ? -n.volume : n.volume) * n.global_volume;
  Add(n, *n.synth, t, amp - n.last_amp);
  for (t += n.delay; t < end; t += n.period) {
    const uint32_t feedback = (n.lfsr ^ (n.lfsr >> 1)) & 1;
    n.lfsr = ((n.lfsr >> 1) & ~(1u << n.tap)) | (feedback << n.tap);
    if (feedback) Add(n, *n.synth, t, -2 * amp), amp = -amp;
  }
  n.last_amp = amp;
  n.delay = t - end;
}

void SquareByStep(SquareChannel& s, int t, int end) {
  int amp = (s.phase >= s.duty ? -s.volume : s.volume) * s.global_volume;
  Add(s, *s.synth, t, amp - s.last_amp);
  for (t += s.delay; t < end; t += s.period) {
    s.phase = (s.phase + 1) & 7;
    if (s.phase == 0 || s.phase == s.duty) Add(s, *s.synth, t, -2 * amp), amp = -amp;
  }
  s.last_amp = amp;
  s.delay = t - end;
}

void WaveByStep(WaveChannel& w, int t, int end) {
  const auto level = [&] { return (w.samples[w.wave_pos] >> w.volume_shift) * w.global_volume * 2; };
  Add(w, *w.synth, t, level() - w.last_amp);
  w.last_amp = level();
  for (t += w.delay; t < end; t += w.period) {
    w.wave_pos = (w.wave_pos + 1) & 31;
    Add(w, *w.synth, t, level() - w.last_amp);
    w.last_amp = level();
  }
  w.delay = t - end;
}

template <class Channel>
std::vector<uint8_t> Saved(const Channel& c) {
  std::vector<uint8_t> bytes;
  StateWriter out(bytes);
  c.save(out);
  c.output->save(out);
  return bytes;
}

// Plays a channel and a copy through the same frames, cut into random
// stretches; `setting` changes the registers of both before each frame.
template <class Channel>
void ExpectSameAsReference(Channel start, void (*reference)(Channel&, int, int),
                           const std::function<void(Channel&, int)>& setting) {
  SoundChip chip;  // for its synths
  for (long rate : {22050L, 44100L, 48000L}) {
    SampleBuffer bufs[2];
    Channel channels[2] = {start, start};
    std::mt19937 random(static_cast<unsigned>(rate));
    for (int i = 0; i < 2; i++) {
      bufs[i].set_clock_rate(4194304);
      ASSERT_EQ(bufs[i].set_sample_rate(rate, 0), nullptr);
      channels[i].synth = std::is_same_v<Channel, SquareChannel> ? &chip.square_synth : &chip.other_synth;
      channels[i].output_select = 3;  // the center
      channels[i].set_outputs(&bufs[i], nullptr, nullptr);
    }
    for (int frame = 0; frame < 24; frame++) {
      for (Channel& c : channels) setting(c, frame);
      for (int t = 0, end; t < SoundFrameClocks; t = end) {
        end = std::min(SoundFrameClocks, t + static_cast<int>(random() % 12000) + 1);
        channels[0].run(t, end);
        reference(channels[1], t, end);
      }
      for (SampleBuffer& b : bufs) b.end_frame(SoundFrameClocks);
      ASSERT_EQ(Saved(channels[0]), Saved(channels[1])) << rate << " Hz, frame " << frame;
      for (SampleBuffer& b : bufs) b.remove_samples(b.samples_ready());
    }
  }
}

}  // namespace

TEST(ChannelRuns, NoiseTablesGiveTheShiftRegistersStepByStepOutput) {
  NoiseChannel noise;
  noise.enabled = true;
  noise.volume = 15;
  noise.global_volume = 7;
  noise.lfsr = 0xFFFFFFFFu;  // as a trigger leaves it: ones above either tap
  // Both widths at periods from 8 clocks up, switched from frame to frame;
  // a register of zeros; a tap that only a loaded state can hold.
  const int settings[] = {0x00, 0x08, 0x17, 0x01, 0x3F, 0x09, 0x70, 0x4C, 0x21, 0x00};
  ExpectSameAsReference<NoiseChannel>(noise, NoiseByStep, [&](NoiseChannel& n, int frame) {
    n.write(3, settings[frame % 10]);
    if (frame == 20) n.lfsr = 0;
    if (frame == 22) n.lfsr = 0x2468ACE1u, n.tap = 3;
  });
}

TEST(ChannelRuns, SquareEdgesAndWaveStepsMatchTheStepByStepOutput) {
  SquareChannel square;
  square.enabled = true;
  square.volume = 12;
  square.global_volume = 5;
  ExpectSameAsReference<SquareChannel>(square, SquareByStep, [](SquareChannel& s, int frame) {
    s.write(1, frame << 6);                              // every duty
    s.write(3, frame % 3 ? 0xF9 : (frame * 37) & 0xFF);  // a period of 28 clocks, or longer ones
    s.write(4, frame % 3 ? 7 : 5);
  });
  WaveChannel wave;
  wave.enabled = true;
  wave.global_volume = 6;
  ExpectSameAsReference<WaveChannel>(wave, WaveByStep, [](WaveChannel& w, int frame) {
    std::mt19937 random(static_cast<unsigned>(frame));
    for (uint8_t& sample : w.samples) sample = frame % 4 ? random() & 15 : 9;  // or all alike
    w.write(2, (1 + frame % 3) << 5);
    w.write(3, std::min((frame * 53) & 0xFF, 0xFC));  // periods of 8 clocks and up
    w.write(4, frame % 2 ? 7 : 6);
  });
}

TEST(ChannelRuns, ReaderGivesTheIntegratedClampedLevels) {
  for (bool stereo : {false, true}) {
    StereoMixBuffer mix;
    mix.set_clock_rate(4194304);
    ASSERT_EQ(mix.set_sample_rate(22050, 0), nullptr);
    mix.set_bass_frequency(461);
    std::mt19937 random(stereo);
    for (SampleBuffer& b : mix.bufs) {
      // Runs of rises and falls that take the level past both limits.
      for (int i = 0; i < 1500; i++) {
        b.samples[i] = static_cast<uint16_t>(SampleBias + (i / 250 % 2 ? 5000 : -5000) + random() % 4000 - 2000);
      }
    }
    mix.end_frame(SoundFrameClocks * 4, stereo);
    int32_t accum[3] = {};
    std::vector<int16_t> out(2 * 1400), expected;
    for (int i = 0; i < 1400; i++) {
      for (int side = 0; side < 2; side++) {
        const int32_t level = (accum[0] >> 15) + (stereo ? accum[1 + side] >> 15 : 0);
        expected.push_back(static_cast<int16_t>(std::clamp(level, -32768, 32767)));
      }
      for (int b = 0; b < 3; b++) {
        const uint32_t difference = static_cast<uint32_t>((mix.bufs[b].samples[i] - SampleBias) * 32768);
        accum[b] = static_cast<int32_t>(accum[b] + difference - static_cast<uint32_t>(accum[b] >> 3));  // 461 Hz
      }
    }
    ASSERT_EQ(mix.read_samples(out.data(), 2 * 1000), 2 * 1000);
    ASSERT_EQ(mix.read_samples(out.data() + 2 * 1000, 2 * 400), 2 * 400);
    EXPECT_EQ(out, expected) << (stereo ? "stereo" : "mono");
  }
}
