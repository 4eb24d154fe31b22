// The system counter, the divider and the programmable timer.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "machine/clock.h"
#include "memory/timer.h"
#include "support/machine.h"

namespace {

// The machine's time moves on, and the units with it.
void Advance(int cycles) {
  m.clock.cycles += static_cast<uint64_t>(cycles);
  SyncUnits(m);
}

uint8_t Tima() { return BusRead(m, 0xFF05); }

// The counter cleared (DIV written) and the timer on at the given rate.
void StartTimer(uint8_t tac) {
  ResetTestMachine();
  m.io.IF = 0;
  BusWrite(m, 0xFF04, 0);
  BusWrite(m, 0xFF07, tac);
}

}  // namespace

// DIV is the counter's upper byte: it counts up every 64 cycles, and a
// write of any value clears the whole counter.
TEST(Divider, CountsUpEverySixtyFourCyclesAndAWriteClearsIt) {
  ResetTestMachine();
  BusWrite(m, 0xFF04, 0x37);
  Advance(63);
  EXPECT_EQ(BusRead(m, 0xFF04), 0x00);
  Advance(1);
  EXPECT_EQ(BusRead(m, 0xFF04), 0x01);
  Advance(40);
  BusWrite(m, 0xFF04, 0x99);
  EXPECT_EQ(BusRead(m, 0xFF04), 0x00);
  Advance(63);
  EXPECT_EQ(BusRead(m, 0xFF04), 0x00) << "the count starts again from the write";
  Advance(1);
  EXPECT_EQ(BusRead(m, 0xFF04), 0x01);
}

// TIMA counts the falling edges of counter bit 9, 3, 5 or 7: every 256, 4,
// 16 or 64 cycles of a counter started at 0.
TEST(Timer, CountsTheFallingEdgesOfTheSelectedCounterBit) {
  const int periods[4] = {256, 4, 16, 64};
  for (int bits = 0; bits < 4; bits++) {
    StartTimer(static_cast<uint8_t>(0x04 | bits));
    Advance(periods[bits] - 1);
    EXPECT_EQ(Tima(), 0) << "bits " << bits;
    Advance(1);
    EXPECT_EQ(Tima(), 1) << "bits " << bits;
    Advance(10 * periods[bits]);
    EXPECT_EQ(Tima(), 11) << "bits " << bits;
  }
  StartTimer(0x01);  // off: nothing counts
  Advance(10000);
  EXPECT_EQ(Tima(), 0);
}

// On overflow TIMA reads 0 for a cycle; in the next, TMA is loaded and the
// interrupt requested. A TIMA write in the first cycle cancels both; one
// in the second is lost; a TMA write in the second goes into TIMA too.
TEST(Timer, OverflowReadsZeroForACycleThenReloads) {
  const auto to_overflow = [] {
    StartTimer(0x05);  // every 4 cycles
    BusWrite(m, 0xFF06, 0xAB);
    BusWrite(m, 0xFF05, 0xFF);
    Advance(4);
  };
  to_overflow();
  EXPECT_EQ(Tima(), 0x00);
  EXPECT_EQ(m.io.IF & TimerRequest, 0);
  Advance(1);
  EXPECT_EQ(Tima(), 0xAB);
  EXPECT_EQ(m.io.IF & TimerRequest, TimerRequest);

  to_overflow();
  BusWrite(m, 0xFF05, 0x42);
  Advance(1);
  EXPECT_EQ(Tima(), 0x42) << "written in the zero cycle: no reload";
  EXPECT_EQ(m.io.IF & TimerRequest, 0) << "and no request";

  to_overflow();
  Advance(1);
  BusWrite(m, 0xFF05, 0x42);
  EXPECT_EQ(Tima(), 0xAB) << "written in the reload's cycle: lost";
  BusWrite(m, 0xFF06, 0x77);
  EXPECT_EQ(Tima(), 0x77) << "TMA written in the reload's cycle goes into TIMA";
}

// Writes that make the timer's input fall count once: DIV cleared while
// the selected bit stands at 1, and TAC switched to a bit at 0 or off.
TEST(Timer, WritesThatDropTheInputCountOnce) {
  StartTimer(0x04);  // bit 9: high from 128 to 255 cycles
  Advance(130);
  BusWrite(m, 0xFF04, 0);
  EXPECT_EQ(Tima(), 1) << "DIV cleared with bit 9 high";
  Advance(100);
  BusWrite(m, 0xFF04, 0);
  EXPECT_EQ(Tima(), 1) << "with the bit low nothing counts";

  Advance(129);
  BusWrite(m, 0xFF07, 0x05);  // to bit 3, which is low 129 cycles after a clear
  EXPECT_EQ(Tima(), 2) << "a new bit at 0 where the old one stood at 1";
  Advance(2);
  BusWrite(m, 0xFF07, 0x01);  // bit 3 high (2 cycles = 8 clocks), then off
  EXPECT_EQ(Tima(), 3) << "turned off with the bit high";
}
