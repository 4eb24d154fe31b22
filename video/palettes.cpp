// Colour numbers to shades (BGP, OBP0, OBP1) and shades to four greens.
#include "memory/io_registers.h"
#include "video/renderer.h"

// Identity until the program first writes a palette register.
int ShadeMap[3][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}};

// RGB565 with red and blue 0 and green 62, 46, 30, 14 of 63: lightest first.
const int ShadeColours[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};

// Each palette register holds four 2-bit shades, colour number 0 in bits
// 1-0. Only the written register's map changes, so the others keep the
// identity until their own first write.
void DecodePalette(int map) {
  const uint8_t registers[3] = {BGP, OBP0, OBP1};
  for (int n = 0; n < 4; n++) ShadeMap[map][n] = (registers[map] >> (2 * n)) & 3;
}
