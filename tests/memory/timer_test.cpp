// The divider and the programmable timer.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/timer.h"
#include "support/machine.h"

TEST(Divider, CountsDownEverySixtyFourCycles) {
  ResetTestMachine();
  for (int i = 0; i < 63; i++) TimerAdvance(1);
  EXPECT_EQ(DIV, 0x00);
  TimerAdvance(1);
  EXPECT_EQ(DIV, 0xFF);
  for (int i = 0; i < 64; i++) TimerAdvance(1);
  EXPECT_EQ(DIV, 0xFE);
}

TEST(Divider, WriteStoresTheByteWithoutRestartingTheCount) {
  ResetTestMachine();
  for (int i = 0; i < 40; i++) TimerAdvance(1);
  BusWrite(0xFF04, 0x37);
  EXPECT_EQ(BusRead(0xFF04), 0x37);
  for (int i = 0; i < 23; i++) TimerAdvance(1);
  EXPECT_EQ(DIV, 0x37);
  TimerAdvance(1);
  EXPECT_EQ(DIV, 0x36) << "the step comes at the old moment, 64 cycles from the start";
}

TEST(Timer, FirstIncrementComesWithinOnePeriodOfEnabling) {
  ResetTestMachine();
  BusWrite(0xFF07, 0x05);  // on, period 4: the start count of 256 is cut to one period
  for (int i = 0; i < 3; i++) TimerAdvance(1);
  EXPECT_EQ(TIMA, 0);
  TimerAdvance(1);
  EXPECT_EQ(TIMA, 1) << "a 4-cycle timer ticks 4 cycles after it is enabled, not 256";
  for (int i = 0; i < 4; i++) TimerAdvance(1);
  EXPECT_EQ(TIMA, 2);
}

TEST(Timer, SlowerRateKeepsTheRemainingCount) {
  ResetTestMachine();
  BusWrite(0xFF07, 0x05);
  TimerAdvance(1);
  BusWrite(0xFF07, 0x04);  // period 256: 3 cycles were left, and they stay
  EXPECT_EQ(TimerCounter, 3);
}

TEST(Timer, PeriodsByFrequencyBits) {
  for (int bits = 0; bits < 4; bits++) {
    ResetTestMachine();
    TimerCounter = 1;
    BusWrite(0xFF07, 0x04 | bits);
    TimerAdvance(1);
    ASSERT_EQ(TIMA, 1);
    const int period = TimerPeriods[bits];
    for (int i = 0; i < period - 1; i++) TimerAdvance(1);
    EXPECT_EQ(TIMA, 1) << "bits " << bits;
    TimerAdvance(1);
    EXPECT_EQ(TIMA, 2) << "bits " << bits << " period " << period;
  }
  EXPECT_EQ(TimerPeriods[0], 256);
  EXPECT_EQ(TimerPeriods[1], 4);
  EXPECT_EQ(TimerPeriods[2], 16);
  EXPECT_EQ(TimerPeriods[3], 64);
}

TEST(Timer, OverflowReloadsAndRequestsTheInterrupt) {
  ResetTestMachine();
  BusWrite(0xFF06, 0xAB);
  BusWrite(0xFF05, 0xFF);
  BusWrite(0xFF07, 0x05);
  TimerCounter = 1;
  TimerAdvance(1);
  EXPECT_EQ(TIMA, 0xAB);
  EXPECT_EQ(IF & 0x04, 0x04);
}

TEST(Timer, SeveralIncrementsInOneLongInstruction) {
  ResetTestMachine();
  BusWrite(0xFF07, 0x05);
  TimerCounter = 1;
  TimerAdvance(6);
  EXPECT_EQ(TIMA, 2) << "cost 6 with period 4 from a count of 1";
  EXPECT_EQ(TimerCounter, 3);
}

TEST(Timer, StoppedTimerNeverMovesAndKeepsItsCount) {
  ResetTestMachine();
  BusWrite(0xFF07, 0x05);
  TimerAdvance(2);
  BusWrite(0xFF07, 0x01);  // period 4 but off, 2 cycles left
  for (int i = 0; i < 10000; i++) TimerAdvance(4);
  EXPECT_EQ(TIMA, 0);
  EXPECT_EQ(TimerCounter, 2);
  BusWrite(0xFF07, 0x05);
  TimerAdvance(1);
  EXPECT_EQ(TIMA, 0) << "the count resumes from where it stood";
  TimerAdvance(1);
  EXPECT_EQ(TIMA, 1);
}
