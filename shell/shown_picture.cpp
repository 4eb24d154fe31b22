#include "shell/shown_picture.h"

#include <cstring>

bool ShownPicture::take(const uint16_t (&picture)[ScreenHeight][ScreenWidth], bool true_colours, int& first,
                          int& last) {
  const bool all = !known_ || true_colours != true_colours_;
  known_ = true;
  true_colours_ = true_colours;
  first = ScreenHeight;
  last = -1;
  for (int row = 0; row < ScreenHeight; row++) {
    changed_[row] = all || std::memcmp(picture[row], shown_[row], sizeof shown_[row]) != 0;
    if (!changed_[row]) continue;
    std::memcpy(shown_[row], picture[row], sizeof shown_[row]);
    if (first > row) first = row;
    last = row;
  }
  return last >= 0;
}
