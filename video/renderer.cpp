// The renderer's state as a whole.
#include <cstring>

#include "video/renderer.h"

void ResetRenderer() {
  std::memset(TileCache, 0, sizeof TileCache);
  std::memset(TileValid, 0, sizeof TileValid);
  for (auto& map : ShadeMap)
    for (int n = 0; n < 4; n++) map[n] = n;
  std::memset(BgPicture, 0, sizeof BgPicture);
  std::memset(BgColourNumbers, 0, sizeof BgColourNumbers);
  std::memset(PictureColourNumbers, 0, sizeof PictureColourNumbers);
  MapPointer = 0x1800;
  FineRow = 0;
}
