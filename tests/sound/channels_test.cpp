// The four channels as heard through the chip: pitch, duty, silence limits,
// envelope, length, sweep, noise and wave volume.
#include <gtest/gtest.h>

#include <vector>

#include "sound/noise_channel.h"
#include "sound/sound_rig.h"

namespace {

constexpr int SequencerStep = FrameSequencerPeriod;  // clocks between frame-sequencer steps

// Clocks of the time at which f changes its result first, checked every
// `step` clocks from `from` (the chip runs as far as each check).
template <typename F>
long FirstChange(SoundChip& chip, long from, long until, long step, F f) {
  const auto start = f();
  for (long t = from; t <= until; t += step) {
    chip.run_until(static_cast<int>(t));
    if (f() != start) return t;
  }
  return -1;
}

// Clocks since the sequencer's latest step, for a time that FirstChange
// found (the chip has run up to it).
long SinceLastStep(const SoundChip& chip, long time) { return time - (chip.next_frame_time - SequencerStep); }

std::vector<int> OutputBits(NoiseChannel& noise, int steps) {
  std::vector<int> bits;
  for (int i = 0; i < steps; i++) {
    noise.run(0, noise.period);  // exactly one step
    bits.push_back(static_cast<int>(noise.lfsr & 1));
  }
  return bits;
}

}  // namespace

TEST(SquareChannel, PlaysThePitchOfItsFrequencyValue) {
  // 131072 / (2048 - value) Hz: 1750 gives 439.8 Hz, 1899 gives 879.7 Hz.
  for (int value : {1750, 1899, 1024}) {
    SoundRig rig;
    ASSERT_EQ(rig.error, nullptr);
    rig.play_square1(value);
    const std::vector<int16_t> out = rig.play(60);
    const double expected = 131072.0 / (2048 - value);
    EXPECT_NEAR(MeasurePitch(out, 0, rig.pairs_per_second(), 100), expected, expected * 0.002)
        << "frequency value " << value;
  }
}

TEST(SquareChannel, DutyCodesSetTheShareOfTheCycleAboveTheMiddle) {
  const double shares[4] = {1 / 8.0, 2 / 8.0, 4 / 8.0, 6 / 8.0};
  for (int code = 0; code < 4; code++) {
    SoundRig rig(false);
    rig.play_square1(2048 - 2048 / 4, code);  // 256 Hz: about 86 samples a cycle
    const std::vector<int16_t> out = rig.play(30);
    long above = 0, pairs = 0;
    for (size_t i = 1000; i < out.size() / 2; i++, pairs++) above += out[2 * i] > 0;
    EXPECT_NEAR(double(above) / pairs, shares[code], 0.015) << "duty code " << code;
    const int level = PeakLevel(out, 0, 1000);
    EXPECT_NEAR(level, 15 * 7 * 47, 15 * 7 * 47 * 0.05) << "the square swings to volume x master volume units";
  }
}

TEST(SquareChannel, FrequenciesAbove2041AreSilent) {
  for (int value : {2041, 2042, 2047}) {
    SoundRig rig;
    rig.play_square1(value);
    const std::vector<int16_t> out = rig.play(4);
    if (value == 2041) {
      EXPECT_GT(PeakLevel(out, 0), 0) << "period 28 still plays";
    } else {
      EXPECT_EQ(PeakLevel(out, 0), 0) << "value " << value << " (period below 27) is silent";
    }
  }
}

TEST(WaveChannel, FrequenciesAbove2044AreSilent) {
  for (int value : {2044, 2045}) {
    SoundRig rig;
    for (int a = 0xFF30; a < 0xFF40; a++) rig.write(a, 0x0F);
    rig.write(0xFF1A, 0x80);
    rig.write(0xFF1C, 0x20);
    rig.write(0xFF1D, value & 0xFF);
    rig.write(0xFF1E, 0x80 | (value >> 8));
    const std::vector<int16_t> out = rig.play(4);
    if (value == 2044) EXPECT_GT(PeakLevel(out, 0), 0) << "period 8 still plays";
    else EXPECT_EQ(PeakLevel(out, 0), 0) << "period 6 is silent";
  }
}

TEST(WaveChannel, VolumeCodesGiveFullHalfQuarterAndNothing) {
  int peaks[4];
  for (int code = 0; code < 4; code++) {
    SoundRig rig(false);
    // Sixteen samples of 15, sixteen of 0: a square wave of the pattern.
    for (int a = 0xFF30; a < 0xFF38; a++) rig.write(a, 0xFF);
    rig.write(0xFF1A, 0x80);
    rig.write(0xFF1C, code << 5);
    rig.write(0xFF1D, 0x00);
    rig.write(0xFF1E, 0x87);  // 2048 - 1792 = 256: 64 Hz for 32 samples
    const std::vector<int16_t> out = rig.play(30);
    int lo = 32767, hi = -32768;
    for (size_t i = 2000; i < out.size() / 2; i++) {
      lo = std::min<int>(lo, out[2 * i]);
      hi = std::max<int>(hi, out[2 * i]);
    }
    peaks[code] = hi - lo;
  }
  EXPECT_EQ(peaks[0], 0) << "code 0 is silent";
  EXPECT_NEAR(peaks[1], 15 * 7 * 2 * 47, 15 * 7 * 2 * 47 * 0.05) << "code 1: the samples as they are";
  EXPECT_NEAR(double(peaks[2]) / peaks[1], 7.0 / 15, 0.03) << "code 2: shifted right once";
  EXPECT_NEAR(double(peaks[3]) / peaks[1], 3.0 / 15, 0.03) << "code 3: shifted right twice";
}

TEST(WaveChannel, TriggerWithTheDacOffLeavesTheChannelOff) {
  SoundRig rig;
  SoundChip& chip = rig.sys->chip;
  rig.write(0xFF1A, 0x00);
  rig.write(0xFF1B, 0x10);
  rig.write(0xFF1E, 0xC7);
  EXPECT_FALSE(chip.wave.enabled);
  EXPECT_EQ(rig.read(0xFF26) & 4, 0);
  rig.write(0xFF1A, 0x80);
  EXPECT_FALSE(chip.wave.enabled) << "turning the DAC on is not a trigger";
  rig.write(0xFF1E, 0xC7);
  EXPECT_TRUE(chip.wave.enabled);
  EXPECT_EQ(chip.wave.wave_pos, 0);
  EXPECT_EQ(chip.wave.length, 256 - 0x10);
  rig.write(0xFF1A, 0x00);
  EXPECT_FALSE(chip.wave.enabled) << "turning the DAC off disables the channel";
  EXPECT_EQ(rig.read(0xFF26) & 4, 0);
}

TEST(EnvelopeChannel, StepsOnceEveryPeriodOf64Hz) {
  for (int period : {1, 3}) {
    SoundRig rig;
    SoundChip& chip = rig.sys->chip;
    rig.write(0xFF12, 0xF0 | period);  // volume 15, down
    rig.write(0xFF14, 0x80);
    const int start = rig.now();
    auto volume = [&] { return chip.square1.volume; };
    ASSERT_EQ(volume(), 15);
    const long first = FirstChange(chip, start, 600000, 16, volume);
    ASSERT_GT(first, 0);
    // The sequencer's step 7 clocks envelopes: once every 8 steps.
    EXPECT_GT(SinceLastStep(chip, first), 0) << "at a sequencer step";
    EXPECT_LE(SinceLastStep(chip, first), 16);
    const long second = FirstChange(chip, first, 1200000, 16, volume);
    EXPECT_EQ(second - first, period * 8 * SequencerStep) << "period " << period;
    EXPECT_EQ(volume(), 13);
  }
}

TEST(EnvelopeChannel, RisesToFifteenAndStopsAtTheEnds) {
  SoundRig rig;
  SoundChip& chip = rig.sys->chip;
  rig.write(0xFF21, 0x09);  // noise: volume 0, up, period 1
  rig.write(0xFF23, 0x80);
  for (int i = 0; i < 20; i++) chip.noise.clock_envelope();
  EXPECT_EQ(chip.noise.volume, 15) << "rises one step per period, no further than 15";
  rig.write(0xFF12, 0x20);  // square 1: volume 2, down, period 0
  rig.write(0xFF14, 0x80);
  for (int i = 0; i < 5; i++) chip.square1.clock_envelope();
  EXPECT_EQ(chip.square1.volume, 2) << "period 0: the envelope rests";
}

TEST(LengthCounter, Steps256TimesASecondAndRunningOutTurnsTheChannelOff) {
  SoundRig rig;
  SoundChip& chip = rig.sys->chip;
  rig.write(0xFF11, 0x00);  // length 64
  rig.write(0xFF12, 0xF0);
  rig.write(0xFF13, 0x00);
  rig.write(0xFF14, 0xC4);  // trigger, length on
  auto status = [&] { return chip.read_register(chip.last_time, 0xFF26) & 1; };
  ASSERT_EQ(status(), 1);
  const long start = rig.now();
  const long off = FirstChange(chip, start, 2000000, 16, status);
  ASSERT_GT(off, 0) << "the length runs out";
  EXPECT_NEAR(off - start, 64L * 2 * SequencerStep, 2 * SequencerStep) << "64 steps of 1/256 s";
  EXPECT_GT(SinceLastStep(chip, off), 0) << "at a sequencer step";
  EXPECT_LE(SinceLastStep(chip, off), 16);
  EXPECT_FALSE(chip.square1.enabled) << "running out turns the channel off";

  rig.write(0xFF13, 0x00);
  EXPECT_EQ(status(), 0) << "a frequency write does not bring it back";
  rig.write(0xFF11, 0x3F);
  EXPECT_EQ(status(), 0) << "nor does a new length";
  EXPECT_EQ(chip.square1.length, 1);
}

TEST(LengthCounter, StepsAcrossFramesWithoutAccesses) {
  // 70224 clocks a frame is not a multiple of the step period: the step
  // positions drift from frame to frame, and over 3 frames every other step
  // of the 512 Hz sequencer counts a length down.
  SoundRig rig;
  rig.write(0xFF20, 0x00);  // noise length 64
  rig.write(0xFF21, 0xF0);
  rig.write(0xFF23, 0xC0);
  const int before = rig.sys->chip.noise.length;
  const int first_step = rig.sys->chip.next_frame_time;
  const int first_kind = rig.sys->chip.sequencer_step;
  ASSERT_GT(first_step, rig.now());
  const long to = RigFrameCycles * 4L;  // the frame ends a video frame after the last one
  rig.play(1);
  int length_steps = 0;
  for (long t = first_step, k = first_kind; t < to; t += SequencerStep, k++) length_steps += (k % 2) == 0;
  EXPECT_EQ(before - rig.sys->chip.noise.length, length_steps);
  rig.play(2);
  for (long t = first_step, k = first_kind; t < 3 * to; t += SequencerStep, k++) length_steps += (k % 2) == 0 && t >= to;
  EXPECT_EQ(before - rig.sys->chip.noise.length, length_steps) << "the phase carries over";
  EXPECT_GE(length_steps, 11);
}

TEST(SquareChannel, SweepStepsOnSequencerStepsAndOverflowTurnsTheChannelOff) {
  SoundRig rig(false);
  SquareChannel& sq = rig.sys->chip.square1;
  SoundChip& chip = rig.sys->chip;
  rig.write(0xFF10, 0x11);  // period 1, up, shift 1
  rig.write(0xFF11, 0x80);
  rig.write(0xFF12, 0xF0);
  rig.write(0xFF13, 0x00);
  rig.write(0xFF14, 0x84);  // 1024, trigger
  EXPECT_EQ(sq.sweep_freq, 1024) << "the trigger computes 1536 for the overflow test but keeps 1024";
  EXPECT_EQ(sq.frequency, 1024);
  EXPECT_TRUE(sq.enabled);
  const long changed = FirstChange(chip, rig.now(), 140000, 16, [&] { return sq.frequency; });
  EXPECT_EQ(sq.frequency, 1536);
  EXPECT_FALSE(sq.enabled) << "the second computation (2304) overflows";
  EXPECT_EQ(rig.read(0xFF26) & 1, 0);
  EXPECT_GT(SinceLastStep(chip, changed), 0) << "at a sequencer step";
  EXPECT_LE(SinceLastStep(chip, changed), 16);
  const std::vector<int16_t> out = rig.play(3);
  EXPECT_EQ(out[out.size() - 2], 0) << "square 1 is silent after the overflow";

  rig.write(0xFF10, 0x00);
  rig.write(0xFF14, 0x84);
  EXPECT_EQ(sq.sweep_freq, 1024) << "a new trigger sets the shadow frequency again";
  EXPECT_GT(PeakLevel(rig.play(3), 0, 400), 0) << "and the channel plays";
}

TEST(SquareChannel, SweepDownAndTheSecondChannelHasNoSweep) {
  SoundRig rig;
  rig.write(0xFF12, 0xF0);
  rig.write(0xFF10, 0x19);  // period 1, down, shift 1
  rig.write(0xFF14, 0x84);
  SoundChip& chip = rig.sys->chip;
  FirstChange(chip, rig.now(), 140000, 16, [&] { return chip.square1.frequency; });
  EXPECT_EQ(chip.square1.frequency, 512) << "1024 - 1024 / 2";
  rig.write(0xFF17, 0xF0);
  rig.write(0xFF15, 0x11);
  rig.write(0xFF19, 0x84);
  rig.play(10);
  EXPECT_EQ(chip.square2.frequency, 1024) << "square 2 has no sweep register";
  EXPECT_EQ(rig.read(0xFF15), 0xFF) << "and nothing to read there";
}

TEST(NoiseChannel, FirstStepsOfTheShiftRegisterForBothTaps) {
  for (int short_mode : {0, 1}) {
    SoundRig rig;
    NoiseChannel& noise = rig.sys->chip.noise;
    rig.write(0xFF21, 0xF0);
    rig.write(0xFF22, short_mode ? 0x08 : 0x00);  // period 8 clocks
    rig.write(0xFF23, 0x80);
    ASSERT_EQ(noise.lfsr, 0xFFFFFFFFu) << "the trigger fills the register with ones";
    ASSERT_EQ(noise.delay, noise.period) << "and the first step comes a period later";
    noise.delay = 0;  // each run below is then exactly one step
    ASSERT_EQ(noise.tap, short_mode ? 6 : 14);
    const int amp_before = noise.last_amp;
    noise.run(0, noise.period);
    EXPECT_EQ(noise.lfsr, short_mode ? 0x7FFFFFBFu : 0x7FFFBFFFu) << "feedback 0 goes in at the tap";
    noise.run(0, noise.period);
    EXPECT_EQ(noise.lfsr, short_mode ? 0x3FFFFF9Fu : 0x3FFF9FFFu);
    EXPECT_EQ(noise.last_amp, amp_before == 0 ? -15 * 7 : amp_before) << "no level change while the feedback is 0";

    // After the ones above the tap have drained, the output bit repeats with
    // the period of a maximal sequence: 127 steps, or 32767.
    const int cycle = short_mode ? 127 : 32767;
    const std::vector<int> bits = OutputBits(noise, 200 + 2 * cycle);
    int ones = 0;
    for (int i = 200; i < 200 + cycle; i++) {
      ASSERT_EQ(bits[i], bits[i + cycle]) << "tap " << noise.tap << " repeats after " << cycle << " steps";
      ones += bits[i];
    }
    EXPECT_EQ(ones, (cycle + 1) / 2) << "a maximal sequence has one more 1 than 0s";
  }
}

TEST(WaveChannel, PlaysThirtyTwoSamplesPerCycleOfItsFrequencyValue) {
  // 65536 / (2048 - value) Hz: a pattern of 16 high and 16 low samples
  // repeats once per 32 steps of (2048 - value) x 2 clocks.
  for (int value : {1920, 1792}) {
    SoundRig rig;
    for (int a = 0xFF30; a < 0xFF38; a++) rig.write(a, 0xFF);
    rig.write(0xFF1A, 0x80);
    rig.write(0xFF1C, 0x20);
    rig.write(0xFF1D, value & 0xFF);
    rig.write(0xFF1E, 0x80 | (value >> 8));
    const std::vector<int16_t> out = rig.play(60);
    const double expected = 65536.0 / (2048 - value);
    EXPECT_NEAR(MeasurePitch(out, 0, rig.pairs_per_second(), 100), expected, expected * 0.002)
        << "frequency value " << value;
  }
}

TEST(NoiseChannel, ClockDividerAndShiftSetTheStepPeriod) {
  // The shift register steps at 524288 / r / 2^(s+1) Hz (r 0 counts as 0.5),
  // that is every 16 x r x 2^s clocks, or 8 x 2^s for r 0.
  struct Case {
    int data, clocks;
  };
  for (const Case c : {Case{0x00, 8}, Case{0x01, 16}, Case{0x07, 112}, Case{0x21, 64}, Case{0x50, 256},
                       Case{0xD7, 112 << 13}}) {
    SoundRig rig;
    rig.write(0xFF22, c.data);
    EXPECT_EQ(rig.sys->chip.noise.period, c.clocks) << "register value " << std::hex << c.data;
  }
}
