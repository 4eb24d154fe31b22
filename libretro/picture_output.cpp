#include "libretro/picture_output.h"

#include <cstdint>
#include <initializer_list>

#include "libretro/front_end.h"
#include "libretro/game.h"
#include "libretro/options.h"

namespace {

retro_pixel_format Format = RETRO_PIXEL_FORMAT_0RGB1555;

uint32_t Frame32[ScreenHeight][ScreenWidth];
uint16_t Frame16[ScreenHeight][ScreenWidth];

// The XRGB8888 pixel of every 15-bit colour, for the look it was built for.
uint32_t Xrgb[0x8000];
int XrgbLook = -1;  // ShowsTrueColours() when built; -1 before

const uint32_t* XrgbTable() {
  if (XrgbLook != static_cast<int>(ShowsTrueColours())) {
    XrgbLook = ShowsTrueColours();
    for (int colour = 0; colour < 0x8000; colour++) {
      uint8_t rgb[3];
      LookRgb(static_cast<uint16_t>(colour), XrgbLook, rgb);
      Xrgb[colour] = static_cast<uint32_t>(rgb[0]) << 16 | rgb[1] << 8 | rgb[2];
    }
  }
  return Xrgb;
}

// 0RGB1555 keeps the top five bits of the 5-6-5 pixel's green: in true
// colours the console's own five.
uint16_t Pixel1555(uint16_t pixel) {
  return static_cast<uint16_t>((pixel >> 11) << 10 | ((pixel >> 6) & 0x1F) << 5 | (pixel & 0x1F));
}

}  // namespace

void ChoosePixelFormat() {
  for (retro_pixel_format format : {RETRO_PIXEL_FORMAT_XRGB8888, RETRO_PIXEL_FORMAT_RGB565}) {
    if (Ask(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
      Format = format;
      return;
    }
  }
  Format = RETRO_PIXEL_FORMAT_0RGB1555;
  Log(RETRO_LOG_INFO, "the front end takes neither 32-bit nor 5-6-5 pixels; sending 15-bit ones");
}

void SendPicture() {
  if (!VideoRefresh) return;
  const uint16_t* picture = CoreMachine().Picture();
  if (Format == RETRO_PIXEL_FORMAT_XRGB8888) {
    const uint32_t* table = XrgbTable();
    for (int y = 0; y < ScreenHeight; y++)
      for (int x = 0; x < ScreenWidth; x++) Frame32[y][x] = table[picture[y * ScreenWidth + x] & 0x7FFF];
    VideoRefresh(Frame32, ScreenWidth, ScreenHeight, sizeof Frame32[0]);
    return;
  }
  const uint16_t* table = LookPixels(ShowsTrueColours());
  for (int y = 0; y < ScreenHeight; y++)
    for (int x = 0; x < ScreenWidth; x++) {
      const uint16_t pixel = table[picture[y * ScreenWidth + x] & 0x7FFF];
      Frame16[y][x] = Format == RETRO_PIXEL_FORMAT_RGB565 ? pixel : Pixel1555(pixel);
    }
  VideoRefresh(Frame16, ScreenWidth, ScreenHeight, sizeof Frame16[0]);
}
