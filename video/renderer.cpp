// The composition of one visible line, and the renderer's state as a whole.
#include "video/renderer.h"

#include <cstring>

#include "memory/io_registers.h"
#include "memory/machine.h"
#include "memory/machine_state.h"

uint16_t Picture[ScreenHeight][ScreenWidth];
int WindowLine = 0;
int WindowYReached = 0;
int LinePieceEnd = -1;
int LinePieceFine = 0;
int LineWindowStart = ScreenWidth;

namespace {

constexpr int WindowXLimit = 166;  // WX beyond this puts the window right of the picture
constexpr int WindowXOffset = 7;
constexpr int NoWindowStart = ScreenWidth;

uint16_t* PictureLine(int line) { return Picture[line]; }

// The picture's 16-bit form in a state: a monochrome cartridge's shades as
// their greens, a colour cartridge's colours in 5-6-5 with green's five
// bits at the top of its six (so that they read back exactly). Both ways
// are tables, built once for each kind: a state is taken every other frame
// for rewinding.
constexpr uint16_t StateGreens[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};

struct StateForm {
  uint16_t pixel[0x8000];    // colour -> 16-bit form
  uint16_t colour[0x10000];  // 16-bit form -> colour
};

const StateForm& StateFormOf(bool colour_cartridge) {
  static StateForm forms[2];
  static bool built[2] = {false, false};
  StateForm& form = forms[colour_cartridge];
  if (!built[colour_cartridge]) {
    for (int c = 0; c < 0x8000; c++) {
      const int red = c & 0x1F, green = (c >> 5) & 0x1F, blue = (c >> 10) & 0x1F;
      form.pixel[c] = static_cast<uint16_t>(red << 11 | (green << 1 | green >> 4) << 5 | blue);
    }
    for (int p = 0; p < 0x10000; p++)
      form.colour[p] = static_cast<uint16_t>((p >> 11) | ((p >> 6) & 0x1F) << 5 | (p & 0x1F) << 10);
    if (!colour_cartridge) {
      for (int shade = 0; shade < 4; shade++) {
        form.pixel[ShadeGreys[shade]] = StateGreens[shade];
        form.colour[StateGreens[shade]] = ShadeGreys[shade];
      }
    }
    built[colour_cartridge] = true;
  }
  return form;
}

// What the background and the window of a line were drawn from. Many
// pictures stand still for frames on end; a line whose inputs are all as
// they were is left as it stands in the picture. One that sprites were
// drawn over is drawn again.
struct DrawnLine {
  uint64_t changes = 0;  // PictureChanges and its map rows' changes when it was drawn
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

uint64_t PictureChanges = 0;
uint64_t MapRowChanges[MapRows];

void ResetRenderer() {
  std::memset(TileRows, 0, sizeof TileRows);
  InvalidateTileCache();
  for (auto& map : ShadeMap)
    for (int n = 0; n < 4; n++) map[n] = n;
  ResetPalettes();
  WindowLine = 0;
  WindowYReached = 0;
  LinePieceEnd = -1;
}

void SaveRendererState(StateWriter& out) {
  out.section("PICT");
  out.i32(WindowLine);
  out.i32(WindowYReached);
  for (int piece : {LinePieceEnd, LinePieceFine, LineWindowStart}) out.i32(piece);
  const StateForm& form = StateFormOf(ColourCartridge);
  uint16_t row[ScreenWidth];
  for (int y = 0; y < ScreenHeight; y++) {
    for (int x = 0; x < ScreenWidth; x++) row[x] = form.pixel[Picture[y][x] & WhiteColour];
    out.u16s(row, ScreenWidth);
  }
}

void LoadRendererState(StateReader& in) {
  in.section("PICT");
  WindowLine = in.number(0, 0xFF);
  WindowYReached = in.number(0, 1);
  LinePieceEnd = in.number(-1, ScreenWidth);
  LinePieceFine = in.number(0, 7);
  LineWindowStart = in.number(-WindowXOffset, NoWindowStart);
  const StateForm& form = StateFormOf(ColourCartridge);
  uint16_t row[ScreenWidth];
  for (int y = 0; y < ScreenHeight; y++) {
    in.u16s(row, ScreenWidth);
    for (int x = 0; x < ScreenWidth; x++) Picture[y][x] = form.colour[row[x]];
  }
  InvalidateTileCache();
}

void StartPicture() {
  WindowLine = 0;
  WindowYReached = 0;
  LinePieceEnd = -1;
}

namespace {

bool WindowShown(uint8_t lcdc) { return (lcdc & LcdcWindowOn) && WindowYReached && WX <= WindowXLimit; }

// Columns from..to-1 of a line drawn in pieces, from the registers as they
// stand: the whole line is drawn aside and those columns are copied. The
// background keeps the line's fine scroll. The window starts where the
// pixels reach WX - 7, if that lies in this piece, and once started goes
// on from there as long as LCDC shows it.
void DrawPiece(int line, int from, int to) {
  RefreshTileCache();
  if (StaleQuads) RefreshPixelQuads();
  const uint8_t lcdc = LCDC;
  if (line == WY) WindowYReached = 1;
  int chosen[SpritesPerLine];
  const int sprites = (lcdc & LcdcSpritesOn) ? ChooseSprites(line, chosen) : 0;
  uint16_t pixels[ScreenWidth];
  uint8_t numbers[ScreenWidth];
  if ((lcdc & LcdcBgOn) || ColourCartridge) {
    DrawBackgroundLine(line, (SCX & ~7) | LinePieceFine, pixels, numbers);
    const bool shown = WindowShown(lcdc);
    const int start = WX - WindowXOffset;
    const int reached = start < 0 ? 0 : start;
    if (LineWindowStart == NoWindowStart && shown && reached >= from && reached < to) LineWindowStart = start;
    if (LineWindowStart != NoWindowStart && shown) DrawWindowLine(LineWindowStart, pixels, numbers);
  } else {
    for (uint16_t& pixel : pixels) pixel = BgPixels[0][0];
    std::memset(numbers, 0, sizeof numbers);
  }
  if (sprites) DrawSpriteLine(line, chosen, sprites, pixels, numbers, !ColourCartridge || (lcdc & LcdcBgOn));
  std::memcpy(PictureLine(line) + from, pixels + from, static_cast<size_t>(to - from) * sizeof(uint16_t));
}

}  // namespace

void DrawLinePiece(int line, int to, int fine) {
  if (LinePieceEnd < 0) {
    LinePieceEnd = 0;
    LinePieceFine = fine;
    LineWindowStart = NoWindowStart;
  }
  if (to <= LinePieceEnd) return;
  DrawPiece(line, LinePieceEnd, to);
  LinePieceEnd = to;
}

// Background, then the window over it, then the sprites. A monochrome
// cartridge that clears LCDC bit 0 shows background colour 0 in place of
// both; on a colour cartridge that bit instead puts the sprites over
// everything, whatever the background's colours and priority flags. The
// sprites are chosen first, so that a line without any leaves out the
// colour numbers they would be drawn against. A line drawn in pieces gets
// its last piece, and is drawn again in the next frame whatever happens.
void ComposeLine(int line) {
  if (LinePieceEnd >= 0) {
    DrawLinePiece(line, ScreenWidth, LinePieceFine);
    if (LineWindowStart != NoWindowStart) WindowLine++;
    DrawnLines[line] = DrawnLine{};
    LinePieceEnd = -1;
    return;
  }
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
    const bool window = WindowShown(lcdc);
    DrawnLine now;
    now.changes = PictureChanges + MapRowChanges[MapRowIndex(lcdc & LcdcBgMap, line + SCY)] +
                  (window ? MapRowChanges[MapRowIndex(lcdc & LcdcWindowMap, WindowLine)] : 0);
    now.window_row = window ? WindowLine : -1;
    now.lcdc = lcdc;
    now.scx = SCX;
    now.scy = SCY;
    now.wx = WX;
    now.clean = !sprites;
    const DrawnLine& before = DrawnLines[line];
    if (sprites || !before.clean || !before.same_as(now)) {
      DrawBackgroundLine(line, SCX, pixels, numbers);
      if (window) DrawWindowLine(WX - WindowXOffset, pixels, numbers);
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

void BlankPicture(uint16_t colour) {
  PictureChanged();
  LinePieceEnd = -1;
  for (auto& row : Picture)
    for (uint16_t& pixel : row) pixel = colour;
}
