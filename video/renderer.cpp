// The composition of one visible line, and the renderer's state as a whole.
#include "video/renderer.h"

#include <allegro.h>

#include <cstring>

#include "memory/io_registers.h"
#include "memory/machine.h"
#include "memory/machine_state.h"
#include "shell/display.h"

int WindowLine = 0;
int WindowYReached = 0;

namespace {

constexpr int WindowXLimit = 166;  // WX beyond this puts the window right of the picture

uint16_t* PictureLine(int line) { return reinterpret_cast<uint16_t*>(WorkBitmap->line[line]); }

// What the background and the window of a line were drawn from. Many
// pictures stand still for frames on end; a line whose inputs are all as
// they were is left as it stands in the picture. One that sprites were
// drawn over is drawn again.
struct DrawnLine {
  unsigned changes = 0;  // PictureChanges when it was drawn
  int window_row = -1;   // the window's row drawn on it, or -1
  uint8_t lcdc = 0, scx = 0, scy = 0, wx = 0;
  bool clean = false;    // background and window only
  bool same_as(const DrawnLine& o) const {
    return changes == o.changes && window_row == o.window_row && lcdc == o.lcdc && scx == o.scx &&
           scy == o.scy && wx == o.wx;
  }
};
DrawnLine DrawnLines[ScreenHeight];

}  // namespace

unsigned PictureChanges = 0;

void ResetRenderer() {
  std::memset(TileRows, 0, sizeof TileRows);
  InvalidateTileCache();
  for (auto& map : ShadeMap)
    for (int n = 0; n < 4; n++) map[n] = n;
  ResetPalettes();
  WindowLine = 0;
  WindowYReached = 0;
}

void SaveRendererState(StateWriter& out) {
  out.section("PICT");
  out.i32(WindowLine);
  out.i32(WindowYReached);
  static const uint16_t NoPicture[ScreenWidth] = {};
  for (int y = 0; y < ScreenHeight; y++) out.u16s(WorkBitmap ? PictureLine(y) : NoPicture, ScreenWidth);
}

void LoadRendererState(StateReader& in) {
  in.section("PICT");
  WindowLine = in.number(0, 0xFF);
  WindowYReached = in.number(0, 1);
  uint16_t row[ScreenWidth];
  for (int y = 0; y < ScreenHeight; y++) {
    in.u16s(row, ScreenWidth);
    if (WorkBitmap) std::memcpy(PictureLine(y), row, sizeof row);
  }
  InvalidateTileCache();
}

void StartPicture() {
  WindowLine = 0;
  WindowYReached = 0;
}

// Background, then the window over it, then the sprites. A monochrome
// cartridge that clears LCDC bit 0 shows background colour 0 in place of
// both; on a colour cartridge that bit instead puts the sprites over
// everything, whatever the background's colours and priority flags. The
// sprites are chosen first, so that a line without any leaves out the
// colour numbers they would be drawn against.
void ComposeLine(int line) {
  RefreshTileCache();
  if (StaleQuads) RefreshPixelQuads();
  uint16_t* pixels = PictureLine(line);
  const uint8_t lcdc = LCDC;
  if (line == WY) WindowYReached = 1;
  int chosen[SpritesPerLine];
  const int sprites = (lcdc & LcdcSpritesOn) ? ChooseSprites(line, chosen) : 0;
  uint8_t line_numbers[ScreenWidth];
  uint8_t* numbers = sprites ? line_numbers : nullptr;

  if ((lcdc & LcdcBgOn) || ColourCartridge) {
    const bool window = (lcdc & LcdcWindowOn) && WindowYReached && WX <= WindowXLimit;
    DrawnLine now;
    now.changes = PictureChanges;
    now.window_row = window ? WindowLine : -1;
    now.lcdc = lcdc;
    now.scx = SCX;
    now.scy = SCY;
    now.wx = WX;
    now.clean = !sprites;
    const DrawnLine& before = DrawnLines[line];
    if (sprites || !before.clean || !before.same_as(now)) {
      DrawBackgroundLine(line, pixels, numbers);
      if (window) DrawWindowLine(pixels, numbers);
    }
    if (window) WindowLine++;
    DrawnLines[line] = now;
  } else {
    DrawnLines[line].clean = false;
    const uint16_t colour = BgPixels[0][0];
    for (int x = 0; x < ScreenWidth; x++) pixels[x] = colour;
    std::memset(line_numbers, 0, sizeof line_numbers);
  }

  if (sprites) DrawSpriteLine(line, chosen, sprites, pixels, line_numbers, !ColourCartridge || (lcdc & LcdcBgOn));
}

// The lightest green, or white in true colours.
void BlankPicture() {
  PictureChanged();
  const uint16_t blank = TrueColours ? ColourPixel(0x7FFF) : static_cast<uint16_t>(ShadeColours[0]);
  for (int y = 0; y < ScreenHeight; y++) {
    uint16_t* pixels = PictureLine(y);
    for (int x = 0; x < ScreenWidth; x++) pixels[x] = blank;
  }
}
