// The colours a front end shows the machine's picture in: the four greens
// of the original handheld's screen, or the cartridge's own colours, as
// 16-bit 5-6-5 pixels and as 8-bit RGB. The window, the screenshots and
// the libretro core all take their colours from here, so that each shows
// the same picture.
#pragma once
#include <cstdint>

// The four greens, lightest first, as 5-6-5 pixels: red and blue 0, green
// 62, 46, 30, 14 of 63.
constexpr uint16_t Greens[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};

// The 5-6-5 pixel of a 15-bit colour. Green's five bits go to the top of its
// six, so that the 15-bit colour can be read back from the pixel exactly.
inline uint16_t ColourPixel(int colour) {
  const int red = colour & 0x1F, green = (colour >> 5) & 0x1F, blue = (colour >> 10) & 0x1F;
  return static_cast<uint16_t>(red << 11 | (green << 1 | green >> 4) << 5 | blue);
}

// --colour (or colour = yes in the configuration file, or the libretro
// core's option): colour cartridges are shown in their own colours.
extern bool TrueColoursOption;
// The look of this run's picture: true colours for a colour cartridge under
// the option, the four greens otherwise. The machine's picture is the same
// either way (a colour cartridge's colours, a monochrome one's greys).
bool ShowsTrueColours();

// The 5-6-5 pixel of a colour of the machine's picture, for the look of
// this run: in true colours the colour itself; otherwise the green nearest
// in brightness, which for the monochrome shades is their own green.
uint16_t WindowPixel(uint16_t colour);

// The same for all 0x8000 colours at once, indexed by the colour: a lookup
// per pixel for a whole picture. Built again only when the look changes
// (another cartridge, another option), never for a change of the game's
// palettes.
const uint16_t* WindowPixelTable();

// A colour of the picture as 8-bit red, green and blue, as the screenshots
// write it: in true colours each 5-bit channel c as (c * 255 + 15) / 31, so
// that it matches other tools' pictures of the same colours; the greens as
// their 5-6-5 pixels widened by repeating their top bits.
void PixelRgb(uint16_t colour, uint8_t rgb[3]);
