// The timing of a line's drawing (mode 3): how long it lasts and at which
// dot each pixel leaves the pipeline. The background fetcher fills the
// pixel queue a tile at a time; the queue puts out a pixel per dot, except
// while it waits: for the first tile at the start, for the pixels of the
// fine scroll it throws away, for the fetcher starting over where the
// window begins, and for each sprite's fetch.
#pragma once
#include <cstdint>

#include "video/renderer.h"

// Dots from the start of drawing to the first pixel put out: the first
// tile is fetched twice before the queue runs.
constexpr int FirstPixelDelay = 12;
// A line without fine scroll, window or sprites: 172 dots of drawing.
constexpr int ShortestDrawing = FirstPixelDelay + ScreenWidth;

// Where the pipeline waits on a line, and for how long: before putting out
// pixel x it pauses for `dots`.
struct PipelinePause {
  int x;
  int dots;
};

// The drawing of one line as the registers and OAM stood when it was
// planned.
struct LineDrawing {
  int fine = 0;                // SCX mod 8: pixels thrown away at the start
  int window_x = ScreenWidth;  // where the window starts, or ScreenWidth for none
  int pause_count = 0;
  // In order of x: the window's start, each sprite's fetch, the fine
  // scroll again for sprites at the left edge, and each tile's fetch wait.
  PipelinePause pauses[2 * SpritesPerLine + 2];
  int length = ShortestDrawing;  // dots from the start of drawing to its end
};

// Plans visible line `line` from the registers and OAM as they stand: the
// fine scroll, the window if it starts on the line, and the sprites chosen
// for it, each of which holds the pipeline while the background fetch it
// waits for finishes (the longer the more its left edge lines up with a
// background or window tile; a second sprite over the same tile waits no
// more). Sprites count whether LCDC shows them or not, and so do those at
// the picture's left edge; those beyond its right edge do not.
void PlanDrawing(Console& m, int line, LineDrawing& drawing);

// The length of PlanDrawing's plan for the line, in a few steps for a line
// without window or sprites.
int DrawingLength(Console& m, int line);

// How many pixels of the line the pipeline has put out `dots` dots after
// its drawing started.
int PixelsOutBy(const LineDrawing& drawing, int dots);

// The x from which the tiles the fetcher fetches from `dots` dots after the
// drawing started on lie: the fetcher reads a tile's map entry and data
// FetchLead dots before the tile's first pixel leaves the queue, and works
// a tile at a time from the background's first tile (cut by the fine
// scroll) or from the window's start.
constexpr int FetchLead = 6;
int TilesFetchedFrom(const LineDrawing& drawing, int dots);
