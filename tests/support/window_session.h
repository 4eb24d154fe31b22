// A run of PELLIX in a window of a private X server, as the ...Window
// suites drive it: keys pressed into it, pictures taken of it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/png.h"
#include "support/xvfb.h"

class WindowSession : public ::testing::Test {
 protected:
  XvfbServer x;
  std::string dir;     // the run's folder
  BackgroundRun run;
  std::string window;  // the program's window, which takes the keys
  std::string shown;   // where the picture is: the window, or the root window in full screen

  void Press(const std::string& key, double hold = 0.15) { HoldKey(x, window, key, hold); }
  void KeyDown(const std::string& key);
  void KeyUp(const std::string& key);
  // A screenshot of where the picture is, kept in the run's folder as name.
  RgbImage Capture(const std::string& name);
  // A PNG file of the run's folder.
  RgbImage Load(const std::string& name);
};

// Whether any pixel of the picture is of this colour (0xRRGGBB).
bool HasColour(const RgbImage& image, uint32_t colour);

// The text of `columns` 8x8 cells of the built-in font from (x, y) of a
// window capture, each font pixel `dot` window pixels wide: each cell's lit
// (not black) pixels are matched against the font, a dark cell reads as a
// space and an unknown one as '?'. Trailing spaces are dropped.
std::string ReadText(const RgbImage& shot, int x, int y, int columns, int dot = 1);
