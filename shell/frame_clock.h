// The pace of a run at real time: a deadline for every frame on the
// monotonic clock, one frame period after the last.
#pragma once
#include <chrono>

class FrameClock {
 public:
  using Clock = std::chrono::steady_clock;
  // After a stall (a slow machine, a blocked window) this many frames may
  // follow without a wait, to catch up a little; the rest are forgotten.
  static constexpr int MaxFramesOwed = 2;

  explicit FrameClock(Clock::duration period) : period_(period) {}

  // Real-time pace starts afresh: the next frame is due one period from now.
  void restart(Clock::time_point now) { deadline_ = now + period_; }
  // When the next frame is due.
  Clock::time_point deadline() const { return deadline_; }

  // The frame due at the deadline was shown at `now` (at or after the
  // deadline): the next is due one period later, or, when that is more
  // than MaxFramesOwed frames behind `now`, as late as that allows.
  void frame_taken(Clock::time_point now);
  // Whether a frame is due at `now`. When it is, every frame due by then is
  // taken at once, and the next deadline keeps the pace's phase: fast
  // forward shows one picture per period, never more.
  bool take_if_due(Clock::time_point now);

 private:
  Clock::duration period_;
  Clock::time_point deadline_{};
};
