#include "shell/frame_clock.h"

#include <algorithm>

void FrameClock::frame_taken(Clock::time_point now) {
  deadline_ = std::max(deadline_ + period_, now - (MaxFramesOwed - 1) * period_);
}

bool FrameClock::take_if_due(Clock::time_point now) {
  if (now < deadline_) return false;
  deadline_ += ((now - deadline_) / period_ + 1) * period_;
  return true;
}
