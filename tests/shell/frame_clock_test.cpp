// The deadlines of the frame clock, on made-up time points.
#include <gtest/gtest.h>

#include "shell/frame_clock.h"

namespace {

using Clock = FrameClock::Clock;
constexpr Clock::duration Period = std::chrono::microseconds(16743);
const Clock::time_point Start = Clock::time_point(std::chrono::seconds(1000));

// How many frames in a row are due at `now` without a wait.
int FramesDueAt(FrameClock& clock, Clock::time_point now) {
  int due = 0;
  while (clock.deadline() <= now && due < 100) {
    clock.frame_taken(now);
    due++;
  }
  return due;
}

}  // namespace

// Frames at real time keep the pace exactly, however late in its period
// each one is shown: the deadlines are whole periods from the start.
TEST(FrameClock, DeadlinesFollowThePeriodNotTheWakeups) {
  FrameClock clock(Period);
  clock.restart(Start);
  EXPECT_EQ(clock.deadline(), Start + Period);
  for (int frame = 1; frame <= 600; frame++) {
    ASSERT_EQ(clock.deadline(), Start + frame * Period) << "frame " << frame;
    const Clock::duration late = std::chrono::microseconds((frame * 37) % 5000);  // woken a little after
    clock.frame_taken(clock.deadline() + late);
  }
  // A frame shown after a short delay is made up for by the next one.
  clock.frame_taken(clock.deadline() + Period + Period / 2);
  EXPECT_EQ(FramesDueAt(clock, Start + 602 * Period + Period / 2), 1);
  EXPECT_EQ(clock.deadline(), Start + 603 * Period);
}

// After a stall the clock owes a couple of frames at most, then goes on
// from where the stall ended; a restart forgets the past altogether.
TEST(FrameClock, StallsAndRestartsForgetTheFramesMissed) {
  FrameClock clock(Period);
  clock.restart(Start);
  const Clock::time_point woken = Start + 50 * Period;  // 49 frames missed
  clock.frame_taken(woken);
  EXPECT_EQ(FramesDueAt(clock, woken), FrameClock::MaxFramesOwed);
  EXPECT_EQ(clock.deadline(), woken + Period) << "then one frame per period again";

  clock.restart(woken + 10 * Period);
  EXPECT_EQ(FramesDueAt(clock, woken + 10 * Period), 0);
  EXPECT_EQ(clock.deadline(), woken + 11 * Period);
}

// Fast forward asks without waiting: one frame per period is due, never
// more, and the deadlines stay in step with the period.
TEST(FrameClock, TakeIfDueTakesEveryFrameDueAtOnce) {
  FrameClock clock(Period);
  clock.restart(Start);
  EXPECT_FALSE(clock.take_if_due(Start + Period - std::chrono::nanoseconds(1)));
  EXPECT_TRUE(clock.take_if_due(Start + Period));
  EXPECT_EQ(clock.deadline(), Start + 2 * Period);
  EXPECT_FALSE(clock.take_if_due(Start + Period + Period / 2)) << "taken already";

  EXPECT_TRUE(clock.take_if_due(Start + 7 * Period + Period / 3));
  EXPECT_FALSE(clock.take_if_due(Start + 7 * Period + Period / 2)) << "the frames missed are not owed";
  EXPECT_EQ(clock.deadline(), Start + 8 * Period);
}
