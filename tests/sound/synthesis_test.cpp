// Band-limited steps, the sample buffers and the stereo mix.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sound/mix_buffer.h"
#include "sound/sample_buffer.h"
#include "sound/step_synth.h"
#include "sound/sound_system.h"

namespace {

constexpr long ClockRate = 4194304;
constexpr int FrameClocks = 70224;

// The synth the program uses: 32 phases, the treble of the sound system and
// the unit the chip sets.
StepSynth MakeSynth(int width) {
  StepSynth synth(width, 32);
  synth.set_volume_unit(0.15 / 210);
  synth.set_treble_eq({-20.0, 0, 44100});
  return synth;
}

long RowSum(const StepSynth& s, int row) {
  long sum = 0;
  for (int j = 0; j < s.width; j++) sum += s.table[row * s.width + j];
  return sum;
}

// Where in the row the step happens, in entries: the mean position of the
// entries' departures from the bias u.
double StepCentre(const StepSynth& s, int row, int u) {
  double moment = 0, total = 0;
  for (int j = 0; j < s.width; j++) {
    const int rise = s.table[row * s.width + j] - u;
    moment += j * rise;
    total += rise;
  }
  return moment / total;
}

// A mix buffer at the program's rates; high pass off unless bass given.
void Prepare(StereoMixBuffer& mix, int bass = 0) {
  mix.set_clock_rate(ClockRate);
  ASSERT_EQ(mix.set_sample_rate(22050, 0), nullptr);
  mix.set_bass_frequency(bass);
}

std::vector<int16_t> ReadAll(StereoMixBuffer& mix) {
  std::vector<int16_t> out(static_cast<size_t>(mix.samples_available()));
  out.resize(static_cast<size_t>(mix.read_samples(out.data(), static_cast<long>(out.size()))));
  return out;
}

}  // namespace

TEST(StepSynth, EveryComputedBlockSumsToWidthPlusOneUnits) {
  for (int width : {12, 8}) {
    const StepSynth synth = MakeSynth(width);
    const int u = static_cast<int>(std::floor(0.15 / 210 * 65536 + 0.5));
    ASSERT_EQ(synth.kernel_offset, static_cast<uint32_t>(u) * 65537u);
    for (int row = 0; row <= 16; row++) {
      EXPECT_EQ(RowSum(synth, row), (width + 1) * u) << "width " << width << ", block " << row;
    }
    // The mirrored and the odd-position rows are built from the exact ones;
    // at the edge they take or lose one tail entry, which is u to a unit.
    for (int row = 17; row < 64; row++) {
      EXPECT_NEAR(RowSum(synth, row), (width + 1) * u, 1) << "width " << width << ", row " << row;
    }
  }
}

TEST(StepSynth, TheStepMovesLaterSmoothlyThroughAllSixtyFourRows) {
  for (int width : {12, 8}) {
    // A large unit, so that the rounding of the entries does not hide
    // movements of a 32nd of a sample.
    StepSynth synth(width, 32);
    synth.set_treble_eq({-20.0, 0, 44100});
    synth.set_volume_unit(0.25);
    const int u = static_cast<int>(synth.kernel_offset & 0xFFFF);
    for (int row = 1; row < 64; row++) {
      const double moved = StepCentre(synth, row, u) - StepCentre(synth, row - 1, u);
      EXPECT_NEAR(moved, 1.0 / 32, 0.02) << "width " << width << ": from row " << row - 1 << " to " << row
                                         << " the step should move a 32nd of a sample later";
    }
    // The odd-position rows are the even ones one sample later.
    for (int row = 0; row < 32; row++) {
      EXPECT_NEAR(StepCentre(synth, row + 32, u) - StepCentre(synth, row, u), 1.0, 0.02) << "row " << row;
    }
  }
}

TEST(StepSynth, RebuildingTheKernelKeepsTheVolumeUnit) {
  StepSynth synth = MakeSynth(12);
  const uint32_t offset = synth.kernel_offset;
  synth.set_treble_eq({-8.87, 8800, 44100});
  EXPECT_EQ(synth.kernel_offset, offset);
  EXPECT_EQ(RowSum(synth, 5), 13 * static_cast<long>(offset & 0xFFFF)) << "rescaled to the same unit";
  synth.set_volume_unit(0.5);
  EXPECT_EQ(synth.kernel_offset, 32768u * 65537u);
  EXPECT_EQ(RowSum(synth, 5), 13 * 32768L);
}

TEST(SampleBuffer, FiguresAtTheProgramsRates) {
  SampleBuffer buf;
  ASSERT_EQ(buf.set_sample_rate(22050, 0), nullptr);
  EXPECT_EQ(buf.size, 65448);
  EXPECT_EQ(buf.length_ms, 2967) << "65448 samples at 22050 Hz";
  buf.set_bass_frequency(461);
  EXPECT_EQ(buf.bass_shift, 3);
  buf.set_clock_rate(ClockRate);
  EXPECT_EQ(buf.factor, 345u);
  buf.set_bass_frequency(0);
  EXPECT_EQ(buf.bass_shift, 31) << "no high-pass";

  ASSERT_EQ(buf.set_sample_rate(22050, 100), nullptr);
  EXPECT_EQ(buf.size, (22050 * 101 + 999) / 1000);
  EXPECT_EQ(buf.length_ms, buf.size * 1000 / 22050 - 1);
  ASSERT_EQ(buf.set_sample_rate(22050, 5000), nullptr);
  EXPECT_EQ(buf.size, 65448) << "a longer buffer is clamped to the largest";
  EXPECT_EQ(buf.factor, 345u) << "the factor follows a new sample rate";
}

TEST(SampleBuffer, ABufferWithoutMemoryOffersNothingToRead) {
  SampleBuffer buf;
  buf.set_clock_rate(ClockRate);
  buf.end_frame(FrameClocks);
  EXPECT_EQ(buf.samples_ready(), 0);
  EXPECT_NE(buf.set_sample_rate(0, 0), nullptr) << "a rate of 0 is refused";
}

TEST(SampleBuffer, OneStepRisesToDeltaTimesUnitAndHolds) {
  StereoMixBuffer mix;
  Prepare(mix, 0);
  const StepSynth synth = MakeSynth(12);
  const int u = static_cast<int>(synth.kernel_offset & 0xFFFF);
  synth.add_delta(mix.bufs[0].resampled_time(0), 100, &mix.bufs[0]);
  mix.end_frame(FrameClocks, false);
  const std::vector<int16_t> out = ReadAll(mix);
  ASSERT_GT(out.size(), 60u);
  for (int i = 0; i < 6; i++) EXPECT_EQ(out[2 * i], 0) << "nothing before the kernel, sample " << i;
  for (int i = 6; i < 9; i++) EXPECT_LT(out[2 * i], 0.1 * 100 * u) << "the rise has hardly begun, sample " << i;
  int reached = -1;
  for (int i = 0; i < 30 && reached < 0; i++) {
    if (out[2 * i] >= 0.95 * 100 * u) reached = i;
  }
  EXPECT_GE(reached, 9);
  EXPECT_LE(reached, 15) << "the step is centred about 12 samples after its position";
  for (int i = 20; i < 60; i++) {
    EXPECT_EQ(out[2 * i], out[2 * i + 1]) << "mono: both sides the same";
    EXPECT_NEAR(out[2 * i], 100 * u, 0.01 * 100 * u) << "the level holds without high-pass, sample " << i;
  }
}

TEST(SampleBuffer, WithTheHighPassTheStepDecaysAnEighthPerSample) {
  StereoMixBuffer mix;
  Prepare(mix, 461);
  const StepSynth synth = MakeSynth(12);
  const int u = static_cast<int>(synth.kernel_offset & 0xFFFF);
  synth.add_delta(mix.bufs[0].resampled_time(0), 200, &mix.bufs[0]);
  mix.end_frame(FrameClocks, false);
  const std::vector<int16_t> out = ReadAll(mix);
  int peak = 0, at = 0;
  for (int i = 0; i < 40; i++) {
    if (out[2 * i] > peak) peak = out[2 * i], at = i;
  }
  EXPECT_GT(peak, 0.6 * 200 * u);
  EXPECT_LE(peak, 200 * u);
  EXPECT_NEAR(at, 12, 3);
  for (int i = at + 4; i < at + 14; i++) {
    EXPECT_NEAR(double(out[2 * i + 2]) / out[2 * i], 0.875, 0.03) << "decay from sample " << i;
  }
  EXPECT_NEAR(out[2 * 200], 0, 1) << "settled back to 0";
}

TEST(SampleBuffer, ReadingInPiecesGivesWhatReadingWholeGives) {
  // The kernel tails of a step near the end of a read must carry over.
  StereoMixBuffer whole, pieces;
  Prepare(whole, 461);
  Prepare(pieces, 461);
  const StepSynth synth = MakeSynth(8);
  for (StereoMixBuffer* mix : {&whole, &pieces}) {
    for (int t = 0; t < FrameClocks; t += 2311) {
      synth.add_delta(mix->bufs[0].resampled_time(t), (t % 3) * 40 - 40, &mix->bufs[0]);
    }
    mix->end_frame(FrameClocks, false);
  }
  const std::vector<int16_t> expected = ReadAll(whole);
  std::vector<int16_t> got;
  for (long n : {7L, 64L, 1L, 100L, 300L}) {
    std::vector<int16_t> part(static_cast<size_t>(2 * n));
    const long read = pieces.read_samples(part.data(), 2 * n);
    got.insert(got.end(), part.begin(), part.begin() + read);
  }
  const std::vector<int16_t> rest = ReadAll(pieces);
  got.insert(got.end(), rest.begin(), rest.end());
  EXPECT_EQ(got, expected);
}

TEST(StereoMixBuffer, ReadingOneValueReadsNothing) {
  StereoMixBuffer mix;
  Prepare(mix);
  mix.end_frame(FrameClocks, false);
  int16_t out[2] = {123, 123};
  EXPECT_EQ(mix.read_samples(out, 1), 0) << "one value is no whole pair";
  EXPECT_EQ(out[0], 123);
  EXPECT_EQ(mix.samples_available(), 2 * ((FrameClocks * 345) >> 16)) << "nothing was taken";
}

TEST(StereoMixBuffer, AStereoFrameKeepsTheStereoMixUntilDrained) {
  StereoMixBuffer mix;
  Prepare(mix, 0);
  const StepSynth synth = MakeSynth(12);
  // Frame 1: a level on the left only.
  synth.add_delta(mix.bufs[1].resampled_time(0), 100, &mix.bufs[1]);
  mix.end_frame(FrameClocks, true);
  std::vector<int16_t> part(200);
  ASSERT_EQ(mix.read_samples(part.data(), 200), 200);
  EXPECT_NE(part[2 * 50], part[2 * 50 + 1]) << "stereo: the left level is heard on the left only";
  EXPECT_EQ(part[2 * 50 + 1], 0);
  std::vector<int16_t> rest = ReadAll(mix);
  EXPECT_NE(rest[0], rest[1]) << "still stereo until the frame is read out";
  // Frame 2 says mono, but the mix stays stereo for one more drain.
  mix.end_frame(FrameClocks, false);
  rest = ReadAll(mix);
  EXPECT_NE(rest[0], rest[1]) << "the frame after a stereo one is still mixed in stereo";
  // Frame 3: back to mono, the side buffers are not read.
  mix.end_frame(FrameClocks, false);
  rest = ReadAll(mix);
  EXPECT_EQ(rest[0], rest[1]) << "mono again";
  EXPECT_EQ(rest[0], 0) << "the center holds nothing";
}

TEST(StereoMixBuffer, LevelsAreClampedAtBothEnds) {
  for (int sign : {1, -1}) {
    StereoMixBuffer mix;
    Prepare(mix, 0);
    StepSynth synth(12, 32);
    synth.set_treble_eq({-20.0, 0, 44100});
    synth.set_volume_unit(1.0 / 16);  // u = 4096
    // Four steps of 12288 each, far enough apart that no entry overflows.
    for (int k = 0; k < 4; k++) {
      synth.add_delta(mix.bufs[0].resampled_time(k * 4000), sign * 3, &mix.bufs[0]);
      synth.add_delta(mix.bufs[1].resampled_time(k * 4000), sign * 3, &mix.bufs[1]);
    }
    mix.end_frame(FrameClocks, true);
    const std::vector<int16_t> out = ReadAll(mix);
    const int16_t limit = sign > 0 ? 32767 : -32768;
    EXPECT_EQ(out[2 * 300], limit) << "left: center and left together are far past the limit";
    EXPECT_EQ(out[2 * 300 + 1], limit) << "right: the center alone is past the limit";
    for (size_t i = 0; i < out.size(); i++) {
      ASSERT_EQ(out[i] > 0 || out[i] == 0, sign > 0 || out[i] == 0) << "no wrap-around at value " << i;
    }
  }
}
