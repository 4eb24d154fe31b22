#include "video/picture_colours.h"

#include <cstdlib>

#include "memory/machine.h"

bool TrueColoursOption = false;

namespace {

// The 5-6-5 pixel of every 15-bit colour, for the look the table was built
// for.
uint16_t WindowColours[0x8000];
int WindowColoursLook = -1;  // ShowsTrueColours() when built; -1 before

// The green nearest in brightness. The shades' greys are 31, 21, 10 and 0
// in every channel, so each of them finds its own green.
uint16_t NearestGreen(int colour) {
  const int red = colour & 0x1F, green = (colour >> 5) & 0x1F, blue = (colour >> 10) & 0x1F;
  const int brightness = 299 * red + 587 * green + 114 * blue;  // in thousandths of a channel step
  constexpr int ShadeBrightness[4] = {31000, 21000, 10000, 0};
  int best = 0;
  for (int shade = 1; shade < 4; shade++)
    if (std::abs(brightness - ShadeBrightness[shade]) < std::abs(brightness - ShadeBrightness[best])) best = shade;
  return Greens[best];
}

// Widens a 5- or 6-bit channel to 8 bits by repeating its top bits, so that
// 0 stays 0 and the maximum becomes 255.
uint8_t Expand5(int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t Expand6(int v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

// A 5-bit channel of the console's colours to 8 bits, rounded to the
// nearest of c * 255 / 31.
uint8_t Scale5(int c) { return static_cast<uint8_t>((c * 255 + 15) / 31); }

}  // namespace

bool ShowsTrueColours() { return TrueColoursOption && ColourCartridge; }

const uint16_t* WindowPixelTable() {
  const bool true_colours = ShowsTrueColours();
  if (WindowColoursLook != static_cast<int>(true_colours)) {
    WindowColoursLook = true_colours;
    for (int colour = 0; colour < 0x8000; colour++)
      WindowColours[colour] = true_colours ? ColourPixel(colour) : NearestGreen(colour);
  }
  return WindowColours;
}

uint16_t WindowPixel(uint16_t colour) { return WindowPixelTable()[colour & 0x7FFF]; }

// In true colours the 5-6-5 pixel holds the console's 15-bit colour exactly
// (green's five bits at the top of its six), and the picture is written
// from that.
void PixelRgb(uint16_t colour, uint8_t rgb[3]) {
  const int p = WindowPixel(colour);
  if (ShowsTrueColours()) {
    rgb[0] = Scale5((p >> 11) & 0x1F);
    rgb[1] = Scale5((p >> 6) & 0x1F);
    rgb[2] = Scale5(p & 0x1F);
  } else {
    rgb[0] = Expand5((p >> 11) & 0x1F);
    rgb[1] = Expand6((p >> 5) & 0x3F);
    rgb[2] = Expand5(p & 0x1F);
  }
}
