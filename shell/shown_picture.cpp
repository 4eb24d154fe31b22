#include "shell/shown_picture.h"

#include <cstring>

bool ShownPicture::take(const uint16_t* picture, bool true_colours, int& first, int& last) {
  const bool all = !known_ || true_colours != true_colours_;
  known_ = true;
  true_colours_ = true_colours;
  first = ScreenHeight;
  last = -1;
  for (int row = 0; row < ScreenHeight; row++) {
    const uint16_t* line = picture + row * ScreenWidth;
    changed_[row] = all || std::memcmp(line, shown_[row], sizeof shown_[row]) != 0;
    if (!changed_[row]) continue;
    std::memcpy(shown_[row], line, sizeof shown_[row]);
    if (first > row) first = row;
    last = row;
  }
  return last >= 0;
}
