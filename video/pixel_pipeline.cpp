#include "video/pixel_pipeline.h"

#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

constexpr int WindowXOffset = 7;
constexpr int WindowXLimit = 166;  // WX beyond this puts the window right of the picture
constexpr int WindowStartDots = 6;  // the fetcher starts over with the window's first tile
constexpr int SpriteFetchDots = 6;
// A sprite also waits for the background fetch under its left edge to end:
// up to 5 dots when the edge lines up with a tile, less the further right
// of the tile's start it lies.
constexpr int LongestFetchWait = 5;
constexpr int SpriteXOffset = 8;
constexpr int SpriteXLimit = 168;  // sprites at X 168 and beyond are right of the picture
constexpr int TileWidth = 8;

// Where the window starts on the line, or ScreenWidth.
int WindowStart(Console& m, int line) {
  if (!(m.lcd.LCDC & LcdcWindowOn) || !(m.renderer.window_y_reached || line == m.lcd.WY) || m.lcd.WX > WindowXLimit) return ScreenWidth;
  return m.lcd.WX < WindowXOffset ? 0 : m.lcd.WX - WindowXOffset;
}

// Adds a pause at x, keeping the list in order of x (sprites arrive in OAM
// order).
void AddPause(LineDrawing& drawing, int x, int dots) {
  int at = drawing.pause_count++;
  for (; at > 0 && drawing.pauses[at - 1].x > x; at--) drawing.pauses[at] = drawing.pauses[at - 1];
  drawing.pauses[at] = {x, dots};
  drawing.length += dots;
}

}  // namespace

// The wait of a sprite depends on where its left edge falls in the tile of
// the layer under it: the background's tiles start at x = -(SCX mod 8) + 8k
// and the window's at its start + 8k. Of several sprites over one tile
// only the one with the longest wait waits for the fetch.
void PlanDrawing(Console& m, int line, LineDrawing& drawing) {
  drawing.fine = m.lcd.SCX & 7;
  drawing.window_x = ScreenWidth;
  drawing.pause_count = 0;
  drawing.length = ShortestDrawing + drawing.fine;
  if (WindowStart(m, line) < ScreenWidth) {
    drawing.window_x = WindowStart(m, line);
    // A window at WX 0 over fine scroll starts a dot early.
    AddPause(drawing, drawing.window_x, m.lcd.WX == 0 && drawing.fine ? WindowStartDots - 1 : WindowStartDots);
  }
  int chosen[SpritesPerLine];
  const int count = ChooseSprites(m, line, chosen);
  if (!count) return;
  // The longest wait in each tile column, the background's first, then
  // the window's, and the sprite that waits it.
  constexpr int Columns = (SpriteXLimit + 2 * TileWidth) / TileWidth;
  int wait[2 * Columns] = {};
  int waiter[2 * Columns];
  bool at_left_edge = false;
  for (int i = 0; i < count; i++) {
    const int x = m.mem.oam[4 * chosen[i] + 1];  // the screen's x + 8
    if (x >= SpriteXLimit) continue;
    const int at = x < SpriteXOffset ? 0 : x - SpriteXOffset;
    AddPause(drawing, at, SpriteFetchDots);
    at_left_edge |= x == 0;
    // The left edge's place counted from the start of the tile before the
    // first: of the background's at x = -8 - fine, of the window's at its
    // start - 8.
    const bool over_window = at >= drawing.window_x && x >= SpriteXOffset;
    const int from_tile = over_window ? x + TileWidth + WindowXOffset - m.lcd.WX : x + drawing.fine;
    const int column = from_tile / TileWidth + (over_window ? Columns : 0);
    const int this_wait = LongestFetchWait - (from_tile % TileWidth);
    if (this_wait > wait[column]) {
      wait[column] = this_wait;
      waiter[column] = at;
    }
  }
  // A sprite at the very left edge waits out the fine scroll once more.
  if (at_left_edge && drawing.fine) AddPause(drawing, 0, drawing.fine);
  for (int column = 0; column < 2 * Columns; column++)
    if (wait[column]) AddPause(drawing, waiter[column], wait[column]);
}

int DrawingLength(Console& m, int line) {
  if (WindowStart(m, line) == ScreenWidth && !SpritesOnLine(m, line)) return ShortestDrawing + (m.lcd.SCX & 7);
  LineDrawing drawing;
  PlanDrawing(m, line, drawing);
  return drawing.length;
}

// Pixel x leaves the queue at FirstPixelDelay + fine + x plus the pauses at
// or before x.
int PixelsOutBy(const LineDrawing& drawing, int dots) {
  int x = 0;
  int at = FirstPixelDelay + drawing.fine;  // the dot at which pixel x leaves
  for (int p = 0; p < drawing.pause_count; p++) {
    const PipelinePause& pause = drawing.pauses[p];
    const int run = pause.x - x;  // pixels put out one per dot before the pause
    if (dots - at < run) return dots > at ? x + (dots - at) : x;
    x = pause.x;
    at += run + pause.dots;
  }
  const int out = dots > at ? x + (dots - at) : x;
  return out < ScreenWidth ? out : ScreenWidth;
}

// The first tile's fetch ends before any pixel leaves: it takes what stood
// until FetchLead dots before its first (thrown away or shown) pixel.
int TilesFetchedFrom(const LineDrawing& drawing, int dots) {
  if (dots + FetchLead <= FirstPixelDelay) return 0;
  const int out = PixelsOutBy(drawing, dots + FetchLead);
  int tile;
  if (out > drawing.window_x) {
    tile = drawing.window_x + ((out - drawing.window_x + TileWidth - 1) & ~(TileWidth - 1));
  } else {
    tile = ((out + drawing.fine + TileWidth - 1) & ~(TileWidth - 1)) - drawing.fine;
    if (tile > drawing.window_x) tile = drawing.window_x;
  }
  return tile < ScreenWidth ? tile : ScreenWidth;
}
