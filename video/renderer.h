// The scanline renderer: tile cache, palettes, background, window, sprites.
#pragma once
#include <cstdint>

constexpr int ScreenWidth = 160;
constexpr int ScreenHeight = 144;
constexpr int TileCount = 1024;  // 512 tiles per video RAM bank
constexpr int PicturePixels = ScreenWidth * ScreenHeight;

extern uint8_t TileCache[TileCount][64];  // colour number of (x, y) at x * 8 + y
extern uint8_t TileValid[TileCount];
extern int ShadeMap[3][4];                // BGP, OBP0, OBP1: colour number -> shade
extern const int ShadeColours[4];         // 16-bit pixel of each shade
extern int BgPicture[PicturePixels];      // pixel (x, y) at x * 144 + y
extern uint16_t MapPointer;
extern uint8_t FineRow;

// Colour numbers (0..3) kept beside the pixel values, same layout as
// BgPicture: BgColourNumbers for the background picture, and
// PictureColourNumbers for what lies under the sprites of the frame being
// composed (the background copy, then the window over it). Sprites of the
// behind class show only where PictureColourNumbers is 0.
extern uint8_t BgColourNumbers[PicturePixels];
extern uint8_t PictureColourNumbers[PicturePixels];

enum class MapPointerReason { LcdcWritten, ScxWritten, ScyWritten, FrameStart };
enum class SpriteClass { Behind, Front };

// The tile cache, shade maps, background pictures and map pointer back to
// their program-start state (every tile stale).
void ResetRenderer();

void MarkTileDirty(int tile);
void DecodeTile(int index);
void RefreshTileCache();
void DecodePalettes();
void UpdateMapPointer(MapPointerReason reason);
void AdvanceRow();
void RenderBackgroundRow(int line);
void CopyBgPicture();
void DrawWindow();
void DrawSprites(SpriteClass cls);
// behind: draw only over colour number 0 of the background and window.
void DrawSpriteTile(int x, int y, int index, int palette, bool flip_x, bool flip_y, bool behind = false);

// LCDC bits the renderer reads.
constexpr uint8_t LcdcSpriteSize = 0x04;  // 8x16 sprites
constexpr uint8_t LcdcBgMap = 0x08;       // background map at 0x9C00
constexpr uint8_t LcdcTileData = 0x10;    // tiles 0..255 at 0x8000
constexpr uint8_t LcdcLcdOn = 0x80;

// Cache index of a background or window map byte. With unsigned tile data
// the byte is the index; otherwise bytes 0x80..0xFF keep their index
// (0x8800..0x8FFF) and bytes 0x00..0x7F become 256..383 (0x9000..0x97FF).
inline int BgTileIndex(uint8_t map_byte, uint8_t lcdc) {
  return (lcdc & LcdcTileData) ? map_byte : (map_byte ^ 0x80) + 128;
}

// The 16-bit pixel of colour number n through shade map `map`.
inline int ShadeColour(int map, int n) { return ShadeColours[ShadeMap[map][n]]; }
