// Placeholder layers; the renderer fills these in.
#include "video/renderer.h"

uint8_t TileCache[TileCount][64];
uint8_t TileValid[TileCount];
int ShadeMap[3][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}};
const int ShadeColours[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};
int BgPicture[ScreenWidth * ScreenHeight];
uint16_t MapPointer = 0x1800;
uint8_t FineRow = 0;

void MarkTileDirty(int tile) { TileValid[tile] = 0; }
void RefreshTileCache() {}
void DecodePalettes() {}
void UpdateMapPointer(MapPointerReason) {}
void AdvanceRow() {}
void RenderBackgroundRow(int) {}
void CopyBgPicture() {}
void DrawWindow() {}
void DrawSprites(SpriteClass) {}
void DrawSpriteTile(int, int, int, int, bool, bool) {}
