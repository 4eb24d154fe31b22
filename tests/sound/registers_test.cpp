// The sound registers as a program sees them on the console: envelope
// writes during a note, reading back, power, DAC, length, trigger and sweep,
// and the wave pattern while the wave channel plays. Every access is timed
// by the processor's count.
#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_rig.h"

namespace {

constexpr int Unit = 47;  // the integer volume unit at volume 1.0
constexpr int StepCycles = FrameSequencerPeriod / SoundClocksPerCycle;  // 2048

// The peak of the left side over the last frames of a stretch, after the
// kernel has settled.
int SettledPeak(const std::vector<int16_t>& out) { return PeakLevel(out, 0, out.size() / 4); }

// Waits until just after a step of the frame sequencer whose next step
// clocks the lengths (or does not), so that a few accesses meet no step.
void WaitForLengthStepNext(SoundRig& rig, bool clocks_lengths) {
  rig.read(0xFF26);  // runs the chip up to now
  rig.wait(static_cast<unsigned>(rig.sys->chip.next_frame_time - rig.now()) / SoundClocksPerCycle + 1);
  rig.read(0xFF26);
  if (rig.sys->chip.square1.length_step_next != clocks_lengths) {
    rig.wait(StepCycles);
    rig.read(0xFF26);
  }
  ASSERT_EQ(rig.sys->chip.square1.length_step_next, clocks_lengths);
}

}  // namespace

TEST(EnvelopeWrites, RepeatedWritesOf08RaiseOrLowerAPlayingNoteAndItKeepsSounding) {
  SoundRig rig(false);  // no high-pass: the level holds
  rig.write(0xFF11, 0x80);
  rig.write(0xFF12, 0x08);  // volume 0, rising, period 0: silent, DAC on
  rig.write(0xFF13, 1750 & 0xFF);
  rig.write(0xFF14, 0x80 | (1750 >> 8));
  EXPECT_EQ(SettledPeak(rig.play(5)), 0) << "volume 0";

  for (int i = 0; i < 5; i++) rig.write(0xFF12, 0x08);
  std::vector<int16_t> out = rig.play(60);
  EXPECT_NEAR(SettledPeak(out), 5 * 7 * Unit, 2 * Unit) << "five writes: volume 5";
  EXPECT_NEAR(PeakLevel(out, 0, out.size() / 2 - 400), 5 * 7 * Unit, 2 * Unit) << "still heard a second later";
  EXPECT_EQ(rig.read(0xFF26) & 1, 1);

  for (int i = 0; i < 14; i++) rig.write(0xFF12, 0x08);  // 5 + 14 wraps to 3
  out = rig.play(60);
  EXPECT_NEAR(SettledPeak(out), 3 * 7 * Unit, 2 * Unit) << "lowered to volume 3, not restarted or silenced";
}

TEST(EnvelopeWrites, NudgeTheVolumeAsTheConsoleDoes) {
  struct Case {
    int start, old_value, new_value, expected;
  };
  const Case cases[] = {
      {7, 0x08, 0x08, 8},    // old period 0: + 1
      {7, 0x11, 0x11, 9},    // old direction down: + 2
      {7, 0x09, 0x09, 7},    // rising with a period: unchanged
      {7, 0x09, 0x11, 9},    // to falling: 16 - 7
      {4, 0xF0, 0x08, 11},   // old period 0 (+1 = 5), new direction: 16 - 5
      {15, 0x08, 0x08, 0},   // wraps at 16
  };
  for (const Case& c : cases) {
    SoundRig rig;
    SquareChannel& sq = rig.sys->chip.square2;
    rig.write(0xFF17, c.old_value);
    rig.write(0xFF19, 0x80);
    sq.volume = c.start;
    rig.write(0xFF17, c.new_value);
    EXPECT_EQ(sq.volume, c.expected) << std::hex << c.old_value << " then " << c.new_value << ", from " << std::dec
                                     << c.start;
  }
  SoundRig rig;
  rig.write(0xFF21, 0x30);
  rig.write(0xFF21, 0xF0);
  EXPECT_EQ(rig.sys->chip.noise.volume, 0) << "a channel that is off keeps its volume until the trigger";
  rig.write(0xFF23, 0x80);
  EXPECT_EQ(rig.sys->chip.noise.volume, 15);
}

TEST(Dac, WritingZeroToTheEnvelopeTurnsTheChannelOffAndATriggerCannotTurnItOn) {
  SoundRig rig;
  rig.play_square1(1750);
  EXPECT_GT(SettledPeak(rig.play(10)), 0);
  ASSERT_EQ(rig.read(0xFF26) & 1, 1);
  rig.write(0xFF12, 0x00);
  EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "the DAC went off: the channel is off";
  EXPECT_EQ(SettledPeak(rig.play(10)), 0) << "and silent";
  rig.write(0xFF14, 0x87);
  EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "a trigger cannot turn it on with its DAC off";
  rig.write(0xFF12, 0x07);
  rig.write(0xFF14, 0x87);
  EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "a period alone does not turn the DAC on";
  rig.write(0xFF12, 0x08);
  EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "turning the DAC on is no trigger";
  rig.write(0xFF14, 0x87);
  EXPECT_EQ(rig.read(0xFF26) & 1, 1);
}

TEST(Length, ALengthThatRunsOutWhileTheProgramWaitsIsSeenInTheStatus) {
  SoundRig rig;
  rig.write(0xFF12, 0xF0);
  rig.write(0xFF14, 0x40);  // length on, no trigger: nothing to count yet
  rig.write(0xFF11, 0x3F);  // length 1
  rig.write(0xFF14, 0xC0);
  const unsigned triggered = static_cast<unsigned>(m.clock.cycles);
  ASSERT_EQ(rig.read(0xFF26) & 1, 1);
  unsigned off_at = 0;
  for (int i = 0; i < 400 && !off_at; i++) {
    rig.wait(15);
    if ((rig.read(0xFF26) & 1) == 0) off_at = static_cast<unsigned>(m.clock.cycles);
  }
  ASSERT_NE(off_at, 0u) << "the program sees the channel go off within one frame, without a frame end";
  EXPECT_LE(off_at - triggered, 2u * StepCycles + 16) << "at the next length step";
  EXPECT_GT(off_at % StepCycles, 0u) << "the sequencer steps at multiples of 2048 machine cycles";
  EXPECT_LE(off_at % StepCycles, 16u);
}

TEST(Length, EnablingItEarlyInAPeriodClocksItOnceAndATriggerFromZeroLoadsTheFull) {
  {
    SoundRig rig;
    WaitForLengthStepNext(rig, false);
    rig.write(0xFF16, 0x3C);  // length 4
    rig.write(0xFF19, 0x40);
    EXPECT_EQ(rig.sys->chip.square2.length, 3) << "enabled while the next step clocks none: one clock at once";
    rig.write(0xFF19, 0x40);
    EXPECT_EQ(rig.sys->chip.square2.length, 3) << "only when it goes from off to on";
    rig.write(0xFF19, 0x00);
    rig.write(0xFF21, 0x3F);  // noise length 1
    rig.write(0xFF22, 0x00);
    rig.write(0xFF23, 0x40);
    EXPECT_EQ(rig.sys->chip.noise.length, 0) << "the early clock can end the length";
    rig.write(0xFF1A, 0x80);
    rig.write(0xFF1E, 0xC0);  // wave: trigger with length 0, length on
    EXPECT_EQ(rig.sys->chip.wave.length, 255) << "the full length, early-clocked";
    EXPECT_EQ(rig.read(0xFF26) & 4, 4);
  }
  {
    SoundRig rig;
    WaitForLengthStepNext(rig, true);
    rig.write(0xFF16, 0x3C);
    rig.write(0xFF19, 0x40);
    EXPECT_EQ(rig.sys->chip.square2.length, 4) << "the next step clocks it: no extra clock";
    rig.write(0xFF1A, 0x80);
    rig.write(0xFF1E, 0xC0);
    EXPECT_EQ(rig.sys->chip.wave.length, 256) << "a trigger loads the full length over 0";
  }
  {
    SoundRig rig;  // noise: channel on, then its length enabled early at 1
    WaitForLengthStepNext(rig, false);
    rig.write(0xFF21, 0xF0);
    rig.write(0xFF20, 0x3F);
    rig.write(0xFF23, 0x80);
    ASSERT_EQ(rig.read(0xFF26) & 8, 8);
    rig.write(0xFF23, 0x40);
    EXPECT_EQ(rig.read(0xFF26) & 8, 0) << "reaching 0 that way without a trigger turns the channel off";
  }
}

TEST(Power, OffClearsAndLocksTheRegistersAndKeepsTheWavePattern) {
  SoundRig rig;
  for (int a = 0xFF30; a < 0xFF40; a++) rig.write(a, (a & 0xF) * 0x11);
  for (int a = 0xFF10; a < 0xFF26; a++) rig.write(a, a == 0xFF1A ? 0x80 : 0x3C);
  rig.write(0xFF14, 0xBC);
  rig.write(0xFF1E, 0xBC);
  ASSERT_NE(rig.read(0xFF26) & 0x0F, 0);

  rig.write(0xFF26, 0x00);
  EXPECT_EQ(rig.read(0xFF26), 0x70) << "off, every channel off";
  const int masks[0x16] = {0x80, 0x3F, 0x00, 0xFF, 0xBF, 0xFF, 0x3F, 0x00, 0xFF, 0xBF, 0x7F,
                           0xFF, 0x9F, 0xFF, 0xBF, 0xFF, 0xFF, 0x00, 0x00, 0xBF, 0x00, 0x00};
  for (int a = 0xFF10; a < 0xFF26; a++) {
    EXPECT_EQ(rig.read(a), masks[a - 0xFF10]) << std::hex << a << " is cleared";
    rig.write(a, 0xFF);
    EXPECT_EQ(rig.read(a), masks[a - 0xFF10]) << std::hex << a << " ignores writes while off";
  }
  EXPECT_EQ(rig.sys->chip.square1.length, 0) << "the lengths are cleared too";
  for (int a = 0xFF30; a < 0xFF40; a++) EXPECT_EQ(rig.read(a), (a & 0xF) * 0x11) << "wave pattern kept";
  rig.write(0xFF30, 0x5A);
  EXPECT_EQ(rig.read(0xFF30), 0x5A) << "and writable while off";

  rig.write(0xFF26, 0x80);
  EXPECT_EQ(rig.read(0xFF26), 0xF0);
  EXPECT_EQ(rig.read(0xFF12), 0x00) << "still clear after power on";
  EXPECT_TRUE(rig.sys->chip.square1.length_step_next) << "the sequencer starts again at step 0, a length step";
  rig.write(0xFF12, 0xF3);
  EXPECT_EQ(rig.read(0xFF12), 0xF3) << "writable again";
}

TEST(Registers, ReadBackAddsTheBitsThatCannotBeRead) {
  SoundRig rig;
  const int masks[0x20] = {0x80, 0x3F, 0x00, 0xFF, 0xBF, 0xFF, 0x3F, 0x00, 0xFF, 0xBF, 0x7F,
                           0xFF, 0x9F, 0xFF, 0xBF, 0xFF, 0xFF, 0x00, 0x00, 0xBF, 0x00, 0x00,
                           0x70, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int a = 0xFF10; a < 0xFF30; a++) {
    if (a == 0xFF26) continue;
    rig.write(a, 0x00);
    EXPECT_EQ(rig.read(a), masks[a - 0xFF10]) << std::hex << a << " written 0";
    rig.write(a, 0xFF);
    EXPECT_EQ(rig.read(a), 0xFF) << std::hex << a << " written FF";
  }
}

TEST(Sweep, TriggerOverflowNegateAndShiftZero) {
  {
    SoundRig rig;
    rig.write(0xFF12, 0xF0);
    rig.write(0xFF10, 0x01);  // period 0, up, shift 1
    rig.write(0xFF13, 0xFF);
    rig.write(0xFF14, 0x86);  // 1791: 1791 + 895 overflows
    EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "a trigger with a shift checks for overflow at once";
    rig.write(0xFF10, 0x10);  // period 1, shift 0
    rig.write(0xFF14, 0x87);  // 2047
    EXPECT_EQ(rig.read(0xFF26) & 1, 1) << "shift 0: no check at the trigger";
    rig.play(2);
    EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "but the sweep step's check (4094) turns it off";
  }
  {
    SoundRig rig;
    SquareChannel& sq = rig.sys->chip.square1;
    rig.write(0xFF12, 0xF0);
    rig.write(0xFF10, 0x0A);  // period 0, down, shift 2
    rig.write(0xFF14, 0x84);
    ASSERT_EQ(rig.read(0xFF26) & 1, 1);
    rig.play(3);
    EXPECT_EQ(sq.frequency, 1024) << "period 0 computes nothing at the sweep steps";
    rig.write(0xFF10, 0x02);
    EXPECT_EQ(rig.read(0xFF26) & 1, 0) << "leaving the falling direction after a falling computation ends the note";
  }
  {
    SoundRig rig;
    rig.write(0xFF12, 0xF0);
    rig.write(0xFF10, 0x00);
    rig.write(0xFF14, 0x84);
    rig.write(0xFF10, 0x08);
    rig.write(0xFF10, 0x00);
    EXPECT_EQ(rig.read(0xFF26) & 1, 1) << "without a falling computation since the trigger it plays on";
  }
}

TEST(WavePattern, WhileTheChannelPlaysAccessesReachTheByteItReads) {
  SoundRig rig;
  WaveChannel& wave = rig.sys->chip.wave;
  for (int a = 0xFF30; a < 0xFF40; a++) rig.write(a, (a & 0xF) * 0x11);
  rig.write(0xFF1A, 0x80);
  rig.write(0xFF1C, 0x20);
  rig.write(0xFF1D, 0x00);
  rig.write(0xFF1E, 0x87);  // 2048 - 1792 = 256: a sample every 512 clocks
  rig.wait(1000);
  const int value = rig.read(0xFF3F);
  EXPECT_GT(wave.wave_pos, 0) << "the position moves on";
  EXPECT_EQ(value, wave.current_byte() * 0x11) << "any address reads the byte being played";
  rig.write(0xFF30, 0xAB);
  EXPECT_EQ(rig.sys->chip.regs[0x20 + wave.current_byte()], 0xAB) << "and a write lands there";

  rig.write(0xFF25, 0x00);  // routed nowhere: unheard, yet the position moves on
  const int pos = wave.wave_pos;
  rig.wait(1000);
  rig.read(0xFF26);
  EXPECT_NE(wave.wave_pos, pos);

  rig.write(0xFF1A, 0x00);
  EXPECT_EQ(rig.read(0xFF3F), 0xFF) << "with the channel off, each address is its own byte";
}
