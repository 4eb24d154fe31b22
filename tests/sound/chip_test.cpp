// The chip's own registers: routing, power, status, master volume, and the
// processor's count that places register events in the frame.
#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_rig.h"

namespace {

constexpr int Unit = 47;  // the integer volume unit at volume 1.0

// The level of a settled output: the last left and right values.
std::pair<int, int> LastPair(const std::vector<int16_t>& out) { return {out[out.size() - 2], out.back()}; }

}  // namespace

TEST(SoundChip, RoutingSendsAChannelToTheLeftOrTheRightOnly) {
  struct Case {
    int routing;
    bool left, right;
  };
  for (const Case c : {Case{0x01, false, true}, Case{0x10, true, false}, Case{0x11, true, true}, Case{0x00, false, false}}) {
    SoundRig rig;
    rig.write(0xFF25, c.routing);
    rig.play_square1(1750);
    const std::vector<int16_t> out = rig.play(20);
    EXPECT_EQ(PeakLevel(out, 0) > 0, c.left) << "routing " << std::hex << c.routing << ": left";
    EXPECT_EQ(PeakLevel(out, 1) > 0, c.right) << "routing " << std::hex << c.routing << ": right";
    if (c.left && c.right) {
      EXPECT_EQ(PeakLevel(out, 0), PeakLevel(out, 1)) << "both sides alike";
    }
  }
}

TEST(SoundChip, TwoChannelsOnOppositeSidesAreHeardApart) {
  SoundRig rig;
  rig.write(0xFF25, 0x21);  // square 1 right, square 2 left
  rig.play_square1(1750);   // 440 Hz
  rig.write(0xFF16, 0x80);
  rig.write(0xFF17, 0xF0);
  rig.write(0xFF18, 1899 & 0xFF);  // 880 Hz
  rig.write(0xFF19, 0x80 | (1899 >> 8));
  const std::vector<int16_t> out = rig.play(60);
  EXPECT_NEAR(MeasurePitch(out, 1, rig.pairs_per_second(), 100), 439.8, 1.0) << "right: square 1";
  EXPECT_NEAR(MeasurePitch(out, 0, rig.pairs_per_second(), 100), 879.7, 2.0) << "left: square 2";
}

TEST(SoundChip, PowerOffSilencesAndPowerOnWaitsForATrigger) {
  SoundRig rig;
  rig.play_square1(1750);
  rig.play(5);
  ASSERT_EQ(rig.read(0xFF26) & 0x0F, 0x01);

  rig.write(0xFF26, 0x00);
  EXPECT_EQ(rig.read(0xFF26), 0x70) << "power off: nothing on";
  std::vector<int16_t> out = rig.play(5);
  EXPECT_EQ(PeakLevel(out, 0, 200), 0) << "silent while off (once the high-pass has settled)";

  rig.write(0xFF26, 0x80);
  rig.write(0xFF24, 0x77);
  rig.write(0xFF25, 0xFF);
  out = rig.play(5);
  EXPECT_EQ(rig.read(0xFF26) & 0x0F, 0) << "power on enables no channel";
  EXPECT_EQ(PeakLevel(out, 0, 200), 0);
  rig.play_square1(1750);
  out = rig.play(5);
  EXPECT_EQ(rig.read(0xFF26) & 0x0F, 0x01) << "a trigger enables it again";
  EXPECT_GT(PeakLevel(out, 0, 40), 0) << "routed by 0xFF25 again";
}

TEST(SoundChip, StatusByteHasPowerAndTheChannelsAndReadsOneElsewhere) {
  SoundRig rig;
  rig.write(0xFF26, 0xFF);
  EXPECT_EQ(rig.read(0xFF26), 0xF0) << "power on, bits 4-6 read 1, the low nibble comes from the channels";
  rig.write(0xFF21, 0xF0);
  rig.write(0xFF23, 0x80);  // noise on, no length
  EXPECT_EQ(rig.read(0xFF26), 0xF8);
  rig.write(0xFF1A, 0x80);
  rig.write(0xFF1B, 0xFF);  // wave length 1
  rig.write(0xFF1E, 0xC0);  // trigger with length on
  EXPECT_EQ(rig.read(0xFF26), 0xFC);
  rig.play(1);  // the length runs out at the first length step
  EXPECT_EQ(rig.read(0xFF26), 0xF8) << "a channel whose length ran out reads 0";
  rig.write(0xFF26, 0x0F);
  EXPECT_EQ(rig.read(0xFF26), 0x70) << "the channel bits cannot be written; bit 7 turns the sound off";
}

TEST(SoundChip, MasterVolumeMovesTheLevelThirtyUnitsAStepWhenAllIsSilent) {
  SoundRig rig(false);
  rig.write(0xFF24, 0x77);
  rig.play(2);
  EXPECT_EQ(LastPair(rig.play(1)).first, 0) << "same value as after the reset: nothing happens";
  rig.write(0xFF24, 0x73);  // 7 -> 3
  auto [left, right] = LastPair(rig.play(2));
  EXPECT_NEAR(left, -4 * 30 * Unit, Unit) << "four steps down";
  EXPECT_EQ(left, right);
  rig.write(0xFF24, 0x73);
  EXPECT_NEAR(LastPair(rig.play(1)).first, -4 * 30 * Unit, Unit) << "writing the same value again does nothing";
}

TEST(SoundChip, TheStartUpWritesAfterAResetMoveNothing) {
  SoundRig rig(false);
  rig.sys->reset(SoundNow(m));
  rig.write(0xFF26, 0xF1);
  rig.write(0xFF24, 0x77);
  rig.write(0xFF25, 0xF3);
  EXPECT_EQ(PeakLevel(rig.play(3), 0), 0) << "no click at the start of a run";
  EXPECT_EQ(rig.read(0xFF26), 0xF0) << "sound on, no channel on";
  EXPECT_EQ(rig.read(0xFF24), 0x77);
  EXPECT_EQ(rig.read(0xFF25), 0xF3);
}

TEST(SoundChip, MasterVolumeRescalesAPlayingChannelAtOnce) {
  SoundRig rig(false);
  rig.write(0xFF25, 0xFF);
  rig.play_square1(1, 2);  // 64 Hz, so a level holds for many samples
  rig.play(3);
  const int full = PeakLevel(rig.play(10), 0);
  EXPECT_NEAR(full, 15 * 7 * Unit, 2 * Unit);
  rig.write(0xFF24, 0x33);
  // The kernel puts the change about 12 samples after the write.
  const int lower = PeakLevel(rig.play(10), 0, 30);
  EXPECT_NEAR(lower, 15 * 3 * Unit, 2 * Unit) << "master volume 3 of 7";
  EXPECT_EQ(rig.sys->chip.noise.global_volume, 3) << "every channel takes the master volume";
}

TEST(SoundSystem, AccessesAreTimedByTheProcessorsCountAndStayInTheFrame) {
  SoundRig rig;
  SoundSystem& sys = *rig.sys;
  rig.play(1);
  AdvanceCycles(1000);
  sys.write_register(MachineClock(m), 0xFF12, 0xF0);
  EXPECT_EQ(sys.chip.last_time, 4000) << "the chip ran up to the write, 4 clocks per machine cycle";
  AdvanceCycles(3);
  sys.read_register(MachineClock(m), 0xFF26);
  EXPECT_EQ(sys.chip.last_time, 4012);

  AdvanceCycles(MaxSoundFrameCycles);  // a frame far longer than a video frame
  sys.write_register(MachineClock(m), 0xFF13, 0x00);
  EXPECT_EQ(sys.chip.last_time, static_cast<int>(MaxSoundFrameCycles) * 4) << "accesses stay in the longest frame";
  const uint32_t before = sys.buffer.bufs[0].offset;
  sys.end_frame(SoundNow(m));
  EXPECT_EQ(sys.chip.last_time, 0) << "nothing carries over into the next frame";
  EXPECT_EQ(sys.buffer.bufs[0].offset - before, MaxSoundFrameCycles * 4 * sys.buffer.bufs[0].factor)
      << "the frame ends at the longest length";

  // A short frame (the LCD turned on part way through one) is just as long
  // as the processor ran.
  AdvanceCycles(5000);
  const uint32_t start = sys.buffer.bufs[0].offset;
  sys.end_frame(SoundNow(m));
  EXPECT_EQ(sys.buffer.bufs[0].offset - start, 5000u * 4 * sys.buffer.bufs[0].factor);
}

TEST(SoundChip, AddressesOutsideTheSoundRegistersChangeNothing) {
  SoundRig rig;
  SoundChip& chip = rig.sys->chip;
  const int ran_to = chip.last_time;
  chip.write_register(100, 0xFF40, 0xFF);
  chip.write_register(100, 0xFF0F, 0xFF);
  EXPECT_EQ(chip.last_time, ran_to) << "no run";
  for (int r = 0; r < SoundRegisterCount; r++) {
    if (r >= 0x14 && r <= 0x16) continue;  // the rig set 0xFF24-0xFF26
    EXPECT_EQ(chip.regs[r], 0) << "no store at " << r;
  }
  chip.write_register(100, 0xFF3F, 0xAB);
  EXPECT_EQ(chip.regs[0x2F], 0xAB);
  EXPECT_EQ(chip.wave.samples[30], 0xA) << "the wave pattern: high nibble first";
  EXPECT_EQ(chip.wave.samples[31], 0xB);
}

TEST(SoundChip, AFrameWithoutAccessesStillProducesAWholeFrame) {
  SoundRig rig;
  const std::vector<int16_t> one = rig.play(1);
  EXPECT_EQ(one.size(), 2u * ((70224 * 345) >> 16));
  const std::vector<int16_t> ten = rig.play(10);
  EXPECT_EQ(one.size() + ten.size(), 2u * ((11L * 70224 * 345) >> 16)) << "the fractions carry over";
}

TEST(SoundChip, AChannelLeavesItsOldOutputAtZeroWhenRoutedElsewhereOrPoweredOff) {
  SoundRig rig(false);  // no high-pass: a level left behind would stay
  rig.write(0xFF25, 0x11);  // square 1 on both sides: the center buffer
  rig.play_square1(1, 2);   // 64 Hz: the level holds for many samples
  std::vector<int16_t> out = rig.play(3);
  ASSERT_NE(LastPair(out).first, 0) << "square 1 holds a level in the center";

  rig.write(0xFF25, 0x01);  // right only
  out = rig.play(20);
  EXPECT_EQ(PeakLevel(out, 0, 30), 0) << "the center was taken back to zero: nothing is left on the left";
  EXPECT_NEAR(PeakLevel(out, 1, 30), 15 * 7 * Unit, 2 * Unit) << "the channel plays on the right from zero";

  // Power off also clears the master volume, which moves the silent level
  // 7 steps of 30 units down, on both sides alike.
  rig.write(0xFF26, 0x00);
  out = rig.play(5);
  for (size_t i = 30; i < out.size() / 2; i++) {
    ASSERT_NEAR(out[2 * i], -7 * 30 * Unit, Unit) << "power off: only the silent level on the left, pair " << i;
    ASSERT_EQ(out[2 * i + 1], out[2 * i]) << "power off: the right buffer was taken back to zero, pair " << i;
  }
}

TEST(SoundSystem, RandomRegisterTrafficStaysInsideTheBuffers) {
  // Whatever a cartridge writes, however often, every delta lands inside the
  // buffers and every read-out stays a whole number of pairs.
  SoundRig rig;
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int frame = 0; frame < 300; frame++) {
    // Some frames have more accesses than fit in a frame, some run far
    // longer than the longest sound frame.
    const int accesses = frame % 50 == 7 ? 20000 : static_cast<int>(next() % 200);
    if (frame % 50 == 21) rig.wait(3 * MaxSoundFrameCycles);
    for (int i = 0; i < accesses; i++) {
      if (next() % 4 == 0) rig.wait(next() % 300);
      const int address = 0xFF10 + static_cast<int>(next() % 48);
      if (next() % 8 == 0) {
        rig.read(address);
      } else {
        rig.write(address, static_cast<int>(next() & 0xFF));
      }
    }
    const std::vector<int16_t> out = rig.play(1);
    ASSERT_GT(out.size(), 0u);
    ASSERT_EQ(out.size() % 2, 0u);
    ASSERT_LE(rig.sys->buffer.samples_available(), 2);
    ASSERT_LE(rig.sys->chip.last_time, 0) << "frame " << frame;
  }
}

TEST(SoundChip, BackFromTheLeftToBothSidesLeavesNothingOnTheLeft) {
  SoundRig rig(false);
  rig.write(0xFF25, 0x10);  // square 1 on the left only
  rig.play_square1(1, 2);
  rig.play(3);
  rig.write(0xFF25, 0x11);  // both sides: the center buffer
  // These frames are still mixed in stereo: the left buffer is heard.
  ASSERT_TRUE(rig.sys->buffer.stereo_added || rig.sys->buffer.was_stereo);
  const std::vector<int16_t> out = rig.play(3);
  ASSERT_GT(PeakLevel(out, 0, 30), 0);
  for (size_t i = 2 * 30; i < out.size(); i += 2) {
    ASSERT_EQ(out[i], out[i + 1]) << "the left buffer was taken back to zero, pair " << i / 2;
  }
}
