// The looks a front end shows the machine's picture in: the four greens of
// the original handheld's screen, or the cartridge's own colours. The
// window, the screenshots and the libretro core all take their colours from
// here, so that each shows the same picture.
#include <cstdlib>

#include "machine/machine.h"

namespace {

// The four greens, lightest first, as 5-6-5 pixels: red and blue 0, green
// 62, 46, 30, 14 of 63.
constexpr uint16_t Greens[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};

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

// The 5-6-5 pixel of every 15-bit colour in one look, built once.
struct LookTable {
  uint16_t pixels[0x8000];
  explicit LookTable(bool true_colours) {
    for (int colour = 0; colour < 0x8000; colour++)
      pixels[colour] = true_colours ? ColourPixel(colour) : NearestGreen(colour);
  }
};

}  // namespace

uint16_t ColourPixel(int colour) {
  const int red = colour & 0x1F, green = (colour >> 5) & 0x1F, blue = (colour >> 10) & 0x1F;
  return static_cast<uint16_t>(red << 11 | (green << 1 | green >> 4) << 5 | blue);
}

const uint16_t* LookPixels(bool true_colours) {
  static const LookTable greens(false), colours(true);
  return true_colours ? colours.pixels : greens.pixels;
}

// In true colours the 5-6-5 pixel holds the console's 15-bit colour exactly
// (green's five bits at the top of its six), and the picture is written
// from that.
void LookRgb(uint16_t colour, bool true_colours, uint8_t rgb[3]) {
  const int p = LookPixels(true_colours)[colour & 0x7FFF];
  if (true_colours) {
    rgb[0] = Scale5((p >> 11) & 0x1F);
    rgb[1] = Scale5((p >> 6) & 0x1F);
    rgb[2] = Scale5(p & 0x1F);
  } else {
    rgb[0] = Expand5((p >> 11) & 0x1F);
    rgb[1] = Expand6((p >> 5) & 0x3F);
    rgb[2] = Expand5(p & 0x1F);
  }
}
