// Which rows of the machine's picture changed since the window last showed
// it. Most frames of most games change a few rows or none (a title, a
// menu, a paused game, a sprite walking over a still background): only
// those rows need widening, converting for the X server and sending to it.
#pragma once
#include <cstdint>

#include "machine/machine.h"

class ShownPicture {
 public:
  // Compares the picture (ScreenHeight rows of ScreenWidth colours), in the
  // look `true_colours`, with the copy of the one the window shows, and
  // takes it as shown: true with the band of rows
  // [first, last] that holds every changed row, false when none changed.
  // After forget(), or in another look, every row counts as changed.
  bool take(const uint16_t* picture, bool true_colours, int& first, int& last);
  // Whether row of the last take() changed (inside its band, rows may not).
  bool changed(int row) const { return changed_[row]; }
  // The window no longer shows the copy: it was drawn over, or opened anew.
  void forget() { known_ = false; }

 private:
  bool known_ = false;
  bool true_colours_ = false;
  bool changed_[ScreenHeight] = {};
  uint16_t shown_[ScreenHeight][ScreenWidth] = {};
};
