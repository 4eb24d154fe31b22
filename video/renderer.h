// The scanline renderer: tile cache, palettes, background, window, sprites.
#pragma once
#include <cstdint>

constexpr int ScreenWidth = 160;
constexpr int ScreenHeight = 144;
constexpr int TileCount = 1024;  // 512 tiles per video RAM bank

extern uint8_t TileCache[TileCount][64];  // colour number of (x, y) at x * 8 + y
extern uint8_t TileValid[TileCount];
extern int ShadeMap[3][4];                // BGP, OBP0, OBP1: colour number -> shade
extern const int ShadeColours[4];         // 16-bit pixel of each shade
extern int BgPicture[ScreenWidth * ScreenHeight];  // pixel (x, y) at x * 144 + y
extern uint16_t MapPointer;
extern uint8_t FineRow;

enum class MapPointerReason { LcdcWritten, ScxWritten, ScyWritten, FrameStart };
enum class SpriteClass { Behind, Front };

void MarkTileDirty(int tile);
void RefreshTileCache();
void DecodePalettes();
void UpdateMapPointer(MapPointerReason reason);
void AdvanceRow();
void RenderBackgroundRow(int line);
void CopyBgPicture();
void DrawWindow();
void DrawSprites(SpriteClass cls);
void DrawSpriteTile(int x, int y, int index, int palette, bool flip_x, bool flip_y);
