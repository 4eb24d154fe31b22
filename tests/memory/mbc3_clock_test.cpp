// The MBC3 clock, through the bus as a game sees it, on a host clock the
// tests move by hand.
#include <gtest/gtest.h>

#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "machine/console.h"
#include "memory/mbc3_clock.h"
#include "support/machine.h"

namespace {

int64_t FakeNow = 0;
int64_t FakeMillis() { return FakeNow; }

constexpr int64_t Second = 1000, Minute = 60 * Second, Hour = 60 * Minute, Day = 24 * Hour;

class Mbc3Clock : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeNow = 1700000000000;  // November 2023
    m.rtc.host_millis = FakeMillis;
    std::vector<uint8_t> rom(0x8000);
    rom[0x147] = 0x10;  // MBC3 + clock + RAM + battery
    rom[0x149] = 0x03;
    ResetTestMachine(rom);
    BusWrite(m, 0x0000, 0x0A);
  }
  void TearDown() override { m.rtc.host_millis = saved_clock_; }

  void Set(int reg, int value) {
    BusWrite(m, 0x4000, reg);
    BusWrite(m, 0xA000, value);
  }
  int Get(int reg) {
    BusWrite(m, 0x4000, reg);
    return BusRead(m, 0xA000);
  }
  void Latch() {
    BusWrite(m, 0x6000, 0x00);
    BusWrite(m, 0x6000, 0x01);
  }
  // seconds, minutes, hours, day low, day high as latched
  std::vector<int> LatchedTime() {
    Latch();
    return {Get(0x08), Get(0x09), Get(0x0A), Get(0x0B), Get(0x0C)};
  }

 private:
  int64_t (*saved_clock_)() = m.rtc.host_millis;
};

using Time = std::vector<int>;

// The tests stay in the namespace, where the fixture hides the clock's own
// struct of the same name.

TEST_F(Mbc3Clock, SetLatchAndReadBack) {
  EXPECT_EQ(LatchedTime(), (Time{0, 0, 0, 0, 0})) << "a fresh clock starts at day 0, 00:00:00";
  Set(0x08, 30);
  Set(0x09, 59);
  Set(0x0A, 23);
  Set(0x0B, 0x2A);
  Set(0x0C, 0x01);
  EXPECT_EQ(Get(0x08), 0) << "reads show the latched copy until the next latch";
  EXPECT_EQ(LatchedTime(), (Time{30, 59, 23, 0x2A, 0x01}));
  EXPECT_EQ(BusRead(m, 0xBFFF), 0x01) << "the register fills the whole window";
  EXPECT_NE(m.mbc.ram_written, 0) << "setting the clock counts as a write for the save";

  BusWrite(m, 0x6000, 0x01);
  FakeNow += 5 * Second;
  BusWrite(m, 0x6000, 0x01);
  EXPECT_EQ(Get(0x08), 30) << "1 after 1 is no latch";

  BusWrite(m, 0x4000, 0x00);
  BusWrite(m, 0xA000, 0x77);
  EXPECT_EQ(m.mem.cart_ram[0], 0x77) << "RAM bank 0 is back in the window";
}

TEST_F(Mbc3Clock, TimePassesInRealTimeWithCarries) {
  FakeNow += 59 * Second + 999;
  EXPECT_EQ(LatchedTime(), (Time{59, 0, 0, 0, 0}));
  FakeNow += 1;
  EXPECT_EQ(LatchedTime(), (Time{0, 1, 0, 0, 0}));
  FakeNow += 2 * Day + 3 * Hour + 4 * Minute + 5 * Second;
  EXPECT_EQ(LatchedTime(), (Time{5, 5, 3, 2, 0}));
  FakeNow += 300 * Day;
  EXPECT_EQ(LatchedTime(), (Time{5, 5, 3, 302 & 0xFF, 0x01})) << "day 302 has bit 8 set";
}

TEST_F(Mbc3Clock, DayCounterOverflowSetsTheCarryUntilCleared) {
  Set(0x0B, 0xFF);
  Set(0x0C, 0x01);  // day 511
  Set(0x0A, 23);
  Set(0x09, 59);
  Set(0x08, 59);
  FakeNow += 1 * Second;
  EXPECT_EQ(LatchedTime(), (Time{0, 0, 0, 0, 0x80})) << "day 512 is day 0 with the carry";
  FakeNow += 3 * Day;
  EXPECT_EQ(LatchedTime(), (Time{0, 0, 0, 3, 0x80})) << "the carry stays";
  Set(0x0C, 0x00);
  EXPECT_EQ(LatchedTime(), (Time{0, 0, 0, 3, 0x00})) << "until the game clears it";
  FakeNow += 1024 * Day;
  EXPECT_EQ(LatchedTime()[4], 0x80) << "a jump over several overflows sets it once";
}

TEST_F(Mbc3Clock, HaltStopsTheClock) {
  FakeNow += 10 * Second;
  Set(0x0C, ClockHalt);
  FakeNow += 1 * Hour;
  EXPECT_EQ(LatchedTime(), (Time{10, 0, 0, 0, ClockHalt}));
  Set(0x08, 20);
  FakeNow += 1 * Hour;
  EXPECT_EQ(LatchedTime(), (Time{20, 0, 0, 0, ClockHalt})) << "a halted clock can be set";
  Set(0x0C, 0x00);
  FakeNow += 3 * Second;
  EXPECT_EQ(LatchedTime(), (Time{23, 0, 0, 0, 0}));
}

TEST_F(Mbc3Clock, WritingTheSecondsRestartsTheSecond) {
  FakeNow += 900;
  Set(0x08, 10);
  FakeNow += 200;
  EXPECT_EQ(LatchedTime()[0], 10) << "1.1 s after the start, but only 0.2 s after the write";
  FakeNow += 800;
  EXPECT_EQ(LatchedTime()[0], 11);
  Set(0x09, 5);  // other registers leave the running second alone
  FakeNow += 999;
  EXPECT_EQ(LatchedTime(), (Time{11, 5, 0, 0, 0}));
}

TEST_F(Mbc3Clock, RegistersKeepTheirBitsAndOutOfRangeValuesWrapWithoutCarry) {
  Set(0x08, 0xFF);
  Set(0x09, 0xFF);
  Set(0x0A, 0xFF);
  Set(0x0C, 0xFF);
  EXPECT_EQ(LatchedTime(), (Time{0x3F, 0x3F, 0x1F, 0, 0xC1}));
  Set(0x0C, 0x00);
  Set(0x0A, 0);
  Set(0x09, 0);
  Set(0x08, 62);
  FakeNow += 2 * Second;
  EXPECT_EQ(LatchedTime(), (Time{0, 0, 0, 0, 0})) << "62, 63, then 0 with no minute carried";
  FakeNow += 61 * Second;
  EXPECT_EQ(LatchedTime(), (Time{1, 1, 0, 0, 0}));
}

TEST_F(Mbc3Clock, ResetKeepsTheClockAndDisabledClockReadsFF) {
  FakeNow += 42 * Second;
  Latch();
  ResetMachine(m);
  EXPECT_EQ(Get(0x08), 0xFF) << "the reset disables RAM and clock";
  BusWrite(m, 0x0000, 0x0A);
  EXPECT_EQ(Get(0x08), 42) << "the latched copy survives the reset";
  FakeNow += 1 * Second;
  EXPECT_EQ(LatchedTime()[0], 43) << "and the clock went on running";
  Set(0x0D, 0x12);
  EXPECT_EQ(Get(0x0D), 0xFF) << "0x0D selects nothing";
}

TEST_F(Mbc3Clock, SaveTrailerLayoutAndTimeSinceTheSave) {
  Set(0x08, 1);
  Set(0x09, 2);
  Set(0x0A, 3);
  Set(0x0B, 4);
  Set(0x0C, 0x81);
  Latch();
  Set(0x08, 9);
  uint8_t trailer[Mbc3ClockSaveBytes];
  SaveMbc3Clock(m, trailer);
  const uint8_t expected_registers[40] = {9, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0x81, 0, 0, 0,
                                          1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0x81, 0, 0, 0};
  for (int i = 0; i < 40; i++) EXPECT_EQ(trailer[i], expected_registers[i]) << "byte " << i;
  uint64_t stamp = 0;
  for (int i = 7; i >= 0; i--) stamp = stamp << 8 | trailer[40 + i];
  EXPECT_EQ(stamp, static_cast<uint64_t>(FakeNow / 1000)) << "64-bit Unix seconds";

  // Reloaded a day, an hour and a second later: the running clock went on,
  // the latched copy is as saved.
  for (int size : {Mbc3ClockSaveBytes, Mbc3ClockShortSaveBytes}) {
    SCOPED_TRACE(size);
    StartMbc3Clock(m);
    FakeNow += Day + Hour + Second;
    ASSERT_TRUE(LoadMbc3Clock(m, trailer, size));
    EXPECT_EQ(m.rtc.latched.seconds, 1);
    EXPECT_EQ(m.rtc.running.seconds, 10);
    EXPECT_EQ(m.rtc.running.hours, 4);
    EXPECT_EQ(m.rtc.running.day_low, 5);
    EXPECT_EQ(m.rtc.running.day_high, 0x81);
    FakeNow -= Day + Hour + Second;
  }
  EXPECT_FALSE(LoadMbc3Clock(m, trailer, 40));

  trailer[16] = ClockHalt;  // running day high: a halted clock stays where it was saved
  FakeNow += Day;
  ASSERT_TRUE(LoadMbc3Clock(m, trailer, Mbc3ClockSaveBytes));
  EXPECT_EQ(m.rtc.running.seconds, 9);
  EXPECT_EQ(m.rtc.running.day_low, 4);
}

}  // namespace
