// The line renderer: tile cache, palettes, and the composition of each
// visible line from the background, the window and the sprites.
#pragma once
#include <cstdint>

constexpr int ScreenWidth = 160;
constexpr int ScreenHeight = 144;
constexpr int TileCount = 1024;  // 512 tiles per video RAM bank

extern uint8_t TileCache[TileCount][64];  // colour number of (x, y) at x * 8 + y
extern uint8_t TileValid[TileCount];
extern int ShadeMap[3][4];                // BGP, OBP0, OBP1: colour number -> shade
extern const int ShadeColours[4];         // 16-bit pixel of each shade

// The window's own line counter: the row of the window drawn on the next
// line that shows it. It counts only the lines on which the window was
// drawn, and starts again at 0 with every frame.
extern int WindowLine;
// LY has equalled WY during this frame; the window shows from then on.
extern int WindowYReached;

// The tile cache, shade maps and window counters back to their
// program-start state (every tile stale).
void ResetRenderer();

// Tiles written by the processor wait in a list until the next line is
// composed, which decodes them first.
void MarkTileDirty(int tile);
void DecodeTile(int index);
void RefreshTileCache();

// Rebuilds shade map 0 (BGP), 1 (OBP0) or 2 (OBP1) from its register.
void DecodePalette(int map);

// A new frame starts at line 0: the window starts again at its first row.
void StartPicture();
// Draws visible line `line` of the picture into the work bitmap from the
// registers, OAM and video RAM as they stand now.
void ComposeLine(int line);
// The picture of a switched-off LCD: every pixel the lightest shade.
void BlankPicture();

// The layers of one line, in the order ComposeLine draws them. `pixels` is
// the line of the work bitmap; `numbers` holds the background or window
// colour number under each pixel, against which sprites of the behind class
// are drawn. The colour model's tile attributes and palettes will go in
// here: a priority flag beside each number, a palette per tile and sprite.
void DrawBackgroundLine(int line, uint16_t* pixels, uint8_t* numbers);
void DrawWindowLine(uint16_t* pixels, uint8_t* numbers);
// hide_behind: sprites of the behind class give way to background colours 1-3.
void DrawSpriteLine(int line, uint16_t* pixels, const uint8_t* numbers, bool hide_behind);

// LCDC bits the renderer reads.
constexpr uint8_t LcdcBgOn = 0x01;       // monochrome: background and window shown
constexpr uint8_t LcdcSpritesOn = 0x02;
constexpr uint8_t LcdcSpriteSize = 0x04;  // 8x16 sprites
constexpr uint8_t LcdcBgMap = 0x08;       // background map at 0x9C00
constexpr uint8_t LcdcTileData = 0x10;    // tiles 0..255 at 0x8000
constexpr uint8_t LcdcWindowOn = 0x20;
constexpr uint8_t LcdcWindowMap = 0x40;   // window map at 0x9C00
constexpr uint8_t LcdcLcdOn = 0x80;

// The two tile maps, as offsets into video RAM bank 0.
constexpr uint16_t MapBase0 = 0x1800;  // 0x9800
constexpr uint16_t MapBase1 = 0x1C00;  // 0x9C00
constexpr int MapColumns = 32;

// Cache index of a background or window map byte. With unsigned tile data
// the byte is the index; otherwise bytes 0x80..0xFF keep their index
// (0x8800..0x8FFF) and bytes 0x00..0x7F become 256..383 (0x9000..0x97FF).
inline int BgTileIndex(uint8_t map_byte, uint8_t lcdc) {
  return (lcdc & LcdcTileData) ? map_byte : (map_byte ^ 0x80) + 128;
}

// The 16-bit pixel of colour number n through shade map `map`.
inline int ShadeColour(int map, int n) { return ShadeColours[ShadeMap[map][n]]; }

// Copies pixels first..last-1 of one tile row (`source` points at the row's
// pixel 0 in the column-major cache) to the line at x0, with their colour
// numbers; colours[n] is the pixel of colour number n.
inline void DrawTileRow(const uint8_t* source, int first, int last, int x0, const uint16_t* colours,
                        uint16_t* pixels, uint8_t* numbers) {
  for (int i = first; i < last; i++) {
    const uint8_t n = source[i * 8];
    pixels[x0 + i] = colours[n];
    numbers[x0 + i] = n;
  }
}

// A whole tile row: the fixed count lets the compiler unroll it.
inline void DrawWholeTileRow(const uint8_t* source, uint16_t* pixels, uint8_t* numbers, const uint16_t* colours) {
  for (int i = 0; i < 8; i++) {
    const uint8_t n = source[i * 8];
    pixels[i] = colours[n];
    numbers[i] = n;
  }
}

// The four pixels of shade map `map`.
inline void ShadeColoursOf(int map, uint16_t colours[4]) {
  for (int n = 0; n < 4; n++) colours[n] = static_cast<uint16_t>(ShadeColour(map, n));
}
