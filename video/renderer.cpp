// The composition of one visible line, and the renderer's state as a whole.
#include "video/renderer.h"

#include <cstring>

#include "machine/clock.h"
#include "machine/state.h"

namespace {

constexpr int WindowXLimit = 166;  // WX beyond this puts the window right of the picture
constexpr int WindowXOffset = 7;
constexpr int NoWindowStart = ScreenWidth;

uint16_t* PictureLine(Console& m, int line) { return m.renderer.picture[line]; }

// The picture's 16-bit form in a state: a monochrome cartridge's shades as
// their greens, a colour cartridge's colours in 5-6-5 with green's five
// bits at the top of its six (so that they read back exactly). Both ways
// are tables, built once for each kind: a state is taken every other frame
// for rewinding.
constexpr uint16_t StateGreens[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};

struct StateForm {
  uint16_t pixel[0x8000];    // colour -> 16-bit form
  uint16_t colour[0x10000];  // 16-bit form -> colour
  explicit StateForm(bool colour_cartridge) {
    for (int c = 0; c < 0x8000; c++) {
      const int red = c & 0x1F, green = (c >> 5) & 0x1F, blue = (c >> 10) & 0x1F;
      pixel[c] = static_cast<uint16_t>(red << 11 | (green << 1 | green >> 4) << 5 | blue);
    }
    for (int p = 0; p < 0x10000; p++)
      colour[p] = static_cast<uint16_t>((p >> 11) | ((p >> 6) & 0x1F) << 5 | (p & 0x1F) << 10);
    if (!colour_cartridge) {
      for (int shade = 0; shade < 4; shade++) {
        pixel[ShadeGreys[shade]] = StateGreens[shade];
        colour[StateGreens[shade]] = ShadeGreys[shade];
      }
    }
  }
};

const StateForm& StateFormOf(bool colour_cartridge) {
  static const StateForm monochrome(false), colour(true);
  return colour_cartridge ? colour : monochrome;
}

}  // namespace


void ResetRenderer(Console& m) {
  std::memset(m.tiles.rows, 0, sizeof m.tiles.rows);
  InvalidateTileCache(m);
  for (auto& map : m.palettes.shade_map)
    for (int n = 0; n < 4; n++) map[n] = n;
  ResetPalettes(m);
  m.renderer.window_line = 0;
  m.renderer.window_y_reached = 0;
  m.renderer.line_piece_end = -1;
}

// The picture goes in its 16-bit form (StateForm).
template <class State>
void WalkRendererState(Console& m, State& s) {
  Renderer& r = m.renderer;
  s.section("PICT");
  s.number(r.window_line, 0, 0xFF);
  s.number(r.window_y_reached, 0, 1);
  s.number(r.line_piece_end, -1, ScreenWidth);
  s.number(r.line_piece_fine, 0, 7);
  s.number(r.line_window_start, -WindowXOffset, NoWindowStart);
  const StateForm& form = StateFormOf(m.cart.colour);
  uint16_t row[ScreenWidth];
  for (int y = 0; y < ScreenHeight; y++) {
    if constexpr (State::Loading) {
      s.u16s(row, ScreenWidth);
      for (int x = 0; x < ScreenWidth; x++) r.picture[y][x] = form.colour[row[x]];
    } else {
      for (int x = 0; x < ScreenWidth; x++) row[x] = form.pixel[r.picture[y][x] & WhiteColour];
      s.u16s(row, ScreenWidth);
    }
  }
  if constexpr (State::Loading) InvalidateTileCache(m);
}

template void WalkRendererState(Console& m, StateWriter& s);
template void WalkRendererState(Console& m, StateReader& s);

void StartPicture(Console& m) {
  m.renderer.window_line = 0;
  m.renderer.window_y_reached = 0;
  m.renderer.line_piece_end = -1;
}

namespace {

bool WindowShown(Console& m, uint8_t lcdc) { return (lcdc & LcdcWindowOn) && m.renderer.window_y_reached && m.lcd.WX <= WindowXLimit; }

// Columns from..to-1 of a line drawn in pieces, from the registers as they
// stand: the whole line is drawn aside and those columns are copied. The
// background keeps the line's fine scroll. The window starts where the
// pixels reach WX - 7, if that lies in this piece, and once started goes
// on from there as long as LCDC shows it.
void DrawPiece(Console& m, int line, int from, int to) {
  RefreshTileCache(m);
  if (m.palettes.stale_quads) RefreshPixelQuads(m);
  const uint8_t lcdc = m.lcd.LCDC;
  if (line == m.lcd.WY) m.renderer.window_y_reached = 1;
  int chosen[SpritesPerLine];
  const int sprites = (lcdc & LcdcSpritesOn) ? ChooseSprites(m, line, chosen) : 0;
  uint16_t pixels[ScreenWidth];
  uint8_t numbers[ScreenWidth];
  if ((lcdc & LcdcBgOn) || m.cart.colour) {
    DrawBackgroundLine(m, line, (m.lcd.SCX & ~7) | m.renderer.line_piece_fine, pixels, numbers);
    const bool shown = WindowShown(m, lcdc);
    const int start = m.lcd.WX - WindowXOffset;
    const int reached = start < 0 ? 0 : start;
    if (m.renderer.line_window_start == NoWindowStart && shown && reached >= from && reached < to) m.renderer.line_window_start = start;
    if (m.renderer.line_window_start != NoWindowStart && shown) DrawWindowLine(m, m.renderer.line_window_start, pixels, numbers);
  } else {
    for (uint16_t& pixel : pixels) pixel = m.palettes.bg_pixels[0][0];
    std::memset(numbers, 0, sizeof numbers);
  }
  if (sprites) DrawSpriteLine(m, line, chosen, sprites, pixels, numbers, !m.cart.colour || (lcdc & LcdcBgOn));
  std::memcpy(PictureLine(m, line) + from, pixels + from, static_cast<size_t>(to - from) * sizeof(uint16_t));
}

}  // namespace

void DrawLinePiece(Console& m, int line, int to, int fine) {
  if (m.renderer.line_piece_end < 0) {
    m.renderer.line_piece_end = 0;
    m.renderer.line_piece_fine = fine;
    m.renderer.line_window_start = NoWindowStart;
  }
  if (to <= m.renderer.line_piece_end) return;
  DrawPiece(m, line, m.renderer.line_piece_end, to);
  m.renderer.line_piece_end = to;
}

// Background, then the window over it, then the sprites. A monochrome
// cartridge that clears LCDC bit 0 shows background colour 0 in place of
// both; on a colour cartridge that bit instead puts the sprites over
// everything, whatever the background's colours and priority flags. The
// sprites are chosen first, so that a line without any leaves out the
// colour numbers they would be drawn against. A line drawn in pieces gets
// its last piece, and is drawn again in the next frame whatever happens.
void ComposeLine(Console& m, int line) {
  if (m.renderer.line_piece_end >= 0) {
    DrawLinePiece(m, line, ScreenWidth, m.renderer.line_piece_fine);
    if (m.renderer.line_window_start != NoWindowStart) m.renderer.window_line++;
    m.renderer.drawn_lines[line] = DrawnLine{};
    m.renderer.line_piece_end = -1;
    return;
  }
  RefreshTileCache(m);
  if (m.palettes.stale_quads) RefreshPixelQuads(m);
  uint16_t* pixels = PictureLine(m, line);
  const uint8_t lcdc = m.lcd.LCDC;
  if (line == m.lcd.WY) m.renderer.window_y_reached = 1;
  int chosen[SpritesPerLine];
  const int sprites = (lcdc & LcdcSpritesOn) ? ChooseSprites(m, line, chosen) : 0;
  uint8_t line_numbers[ScreenWidth];
  uint8_t* numbers = sprites ? line_numbers : nullptr;

  if ((lcdc & LcdcBgOn) || m.cart.colour) {
    const bool window = WindowShown(m, lcdc);
    DrawnLine now;
    now.changes = m.renderer.picture_changes + m.renderer.map_row_changes[MapRowIndex(lcdc & LcdcBgMap, line + m.lcd.SCY)] +
                  (window ? m.renderer.map_row_changes[MapRowIndex(lcdc & LcdcWindowMap, m.renderer.window_line)] : 0);
    now.window_row = window ? m.renderer.window_line : -1;
    now.lcdc = lcdc;
    now.scx = m.lcd.SCX;
    now.scy = m.lcd.SCY;
    now.wx = m.lcd.WX;
    now.clean = !sprites;
    const DrawnLine& before = m.renderer.drawn_lines[line];
    if (sprites || !before.clean || !before.same_as(now)) {
      DrawBackgroundLine(m, line, m.lcd.SCX, pixels, numbers);
      if (window) DrawWindowLine(m, m.lcd.WX - WindowXOffset, pixels, numbers);
    }
    if (window) m.renderer.window_line++;
    m.renderer.drawn_lines[line] = now;
  } else {
    m.renderer.drawn_lines[line].clean = false;
    const uint16_t colour = m.palettes.bg_pixels[0][0];
    for (int x = 0; x < ScreenWidth; x++) pixels[x] = colour;
    std::memset(line_numbers, 0, sizeof line_numbers);
  }

  if (sprites) DrawSpriteLine(m, line, chosen, sprites, pixels, line_numbers, !m.cart.colour || (lcdc & LcdcBgOn));
}

void BlankPicture(Console& m, uint16_t colour) {
  PictureChanged(m.renderer);
  m.renderer.line_piece_end = -1;
  for (auto& row : m.renderer.picture)
    for (uint16_t& pixel : row) pixel = colour;
}
