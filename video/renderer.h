// The line renderer: tile cache, palettes, and the composition of each
// visible line from the background, the window and the sprites.
#pragma once
#include <cstdint>

#include "machine/machine.h"

struct Console;
class StateWriter;
class StateReader;

constexpr int TileCount = 1024;  // 512 tiles per video RAM bank
constexpr int SpritesPerLine = 10;
constexpr int MapRows = 64;  // the 32 rows of each of the two maps

// The colour of each of the four shades, lightest first: white, two greys
// and black.
constexpr uint16_t ShadeGreys[4] = {0x7FFF, 0x56B5, 0x294A, 0x0000};
constexpr uint16_t WhiteColour = 0x7FFF;
constexpr uint16_t BlackColour = 0x0000;

// The colour model's palette memory: 8 background and 8 sprite palettes of
// four colours, each colour two bytes, little-endian, red in bits 0-4,
// green in 5-9 and blue in 10-14. Colour c of palette p is at p * 8 + c * 2.
constexpr int PaletteMemorySize = 64;

// Tiles decoded from video RAM into colour numbers, once per change.
struct TileCache {
  // Each pixel row of each tile as 16 bits: the colour number of pixel x
  // in bits 2x and 2x + 1, so that a row is drawn by looking up its pixels
  // a few at a time. [0] holds the rows as they stand, [1] the same rows
  // read from right to left, for tiles flipped horizontally.
  uint16_t rows[TileCount][2][8] = {};
  uint8_t valid[TileCount] = {};
  // The tiles whose entry is not valid, each listed once: a line's
  // composition decodes just these instead of looking at all 1024 entries.
  uint16_t stale[TileCount] = {};
  int stale_count = 0;
};

inline int TileColourNumber(const TileCache& tiles, int tile, int x, int y) {
  return tiles.rows[tile][0][y] >> (2 * x) & 3;
}

// Colour numbers to colours: the monochrome palette registers through the
// shades, and the colour model's palette memory.
struct Palettes {
  int shade_map[3][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}};  // BGP, OBP0, OBP1: colour number -> shade
  uint8_t bg_memory[PaletteMemorySize] = {};
  uint8_t sprite_memory[PaletteMemorySize] = {};
  // 0xFF68 and 0xFF6A: the index into each memory in bits 0-5, and in bit
  // 7 whether it steps on after each write of the data port.
  uint8_t bg_index = 0;
  uint8_t sprite_index = 0;
  // The colour of each colour number of each palette, kept up to date as
  // the palettes are written. A colour cartridge's come from the palette
  // memories (all eight of each kind); a monochrome one's background
  // palette 0 holds BGP's shades and sprite palettes 0 and 1 those of OBP0
  // and OBP1.
  uint16_t bg_pixels[8][4] = {};
  uint16_t sprite_pixels[8][4] = {};
  // Four neighbouring background pixels at once: entry n0 + 4 n1 + 16 n2 +
  // 64 n3 of a palette (a byte of a row of the tile cache) holds the pixels
  // of colour numbers n0 to n3, the first at the lowest address, as eight
  // bytes to copy into the picture. Built again from bg_pixels before a
  // line is drawn when a palette has changed since: stale_quads has bit p
  // set while palette p's quads are out of date.
  uint64_t bg_quads[8][256] = {};
  uint8_t stale_quads = 0xFF;
};

// What the background and the window of a line were drawn from. Many
// pictures stand still for frames on end; a line whose inputs are all as
// they were is left as it stands in the picture. One that sprites were
// drawn over is drawn again.
struct DrawnLine {
  uint64_t changes = 0;  // picture_changes and its map rows' changes when it was drawn
  int window_row = -1;   // the window's row drawn on it, or -1
  uint8_t lcdc = 0, scx = 0, scy = 0, wx = 0;
  bool clean = false;  // background and window only
  bool same_as(const DrawnLine& o) const {
    return changes == o.changes && window_row == o.window_row && lcdc == o.lcdc && scx == o.scx &&
           scy == o.scy && wx == o.wx;
  }
};

struct Renderer {
  // The picture the LCD has drawn, line by line as each is composed: every
  // pixel a 15-bit colour (red in bits 0-4, green 5-9, blue 10-14), the
  // form of the colour model's palettes. Monochrome shades are the four
  // greys of ShadeGreys. How it looks in a window (greens, true colours)
  // is the front end's to choose.
  uint16_t picture[ScreenHeight][ScreenWidth] = {};
  // The window's own line counter: the row of the window drawn on the next
  // line that shows it. It counts only the lines on which the window was
  // drawn, and starts again at 0 with every frame.
  int window_line = 0;
  int window_y_reached = 0;  // LY has equalled WY during this frame; the window shows from then on
  // The x up to which the line being drawn has been drawn in pieces, or -1
  // while it is not drawn in pieces; its fine scroll; and where the window
  // started on it (ScreenWidth while it has not).
  int line_piece_end = -1;
  int line_piece_fine = 0;
  int line_window_start = ScreenWidth;
  // Lines drawn again only when something they are drawn from has changed.
  // A change to the tiles' pixels, to the background's pixel tables or to
  // the picture as a whole counts for every line; a change to a map row
  // (its tile numbers or attributes) only for the lines that show that
  // row. Games often rewrite a few map bytes every frame (a score, a
  // clock): the rest of the picture stays as drawn. The registers a line
  // reads are compared one by one. The counts only grow.
  uint64_t picture_changes = 0;
  uint64_t map_row_changes[MapRows] = {};
  DrawnLine drawn_lines[ScreenHeight];
  // The sprites of every visible line at once, chosen from OAM and the
  // sprite height as they stood when chosen (oam_changes then): most games
  // change OAM once a frame, so that one pass over the 40 entries serves
  // all 144 lines. Derived from OAM alone, so kept out of states.
  uint8_t line_sprites[ScreenHeight][SpritesPerLine] = {};
  uint8_t line_sprite_count[ScreenHeight] = {};
  unsigned sprites_chosen_at = 0;
  int sprites_chosen_height = 0;  // 0 until the first choice
};

inline void PictureChanged(Renderer& r) { r.picture_changes++; }
// The row of map_row_changes that shows map pixel row `y` of the map that
// `second_map` chooses.
inline int MapRowIndex(bool second_map, int y) { return (second_map ? 32 : 0) + ((y >> 3) & 31); }

// Builds the quads of the palettes marked stale.
void RefreshPixelQuads(Console& m);

// The tile cache, shade maps, palette memories and window counters back to
// their program-start state (every tile stale).
void ResetRenderer(Console& m);

// The renderer's parts of a machine state. The palettes: the shade maps
// (each stays the identity until its register is first written, so they do
// not follow from the registers alone), both palette memories and their
// indices; loading them builds the pixel tables again. The renderer: the
// window's line counter and the picture drawn so far, which the next frame
// draws over line by line (or, with the LCD off, not at all); loading it
// makes the whole tile cache stale. A state holds the picture as 16-bit
// 5-6-5 pixels: a colour cartridge's colours with their green widened to
// six bits, a monochrome cartridge's shades as the four greens (RGB565
// green 62, 46, 30, 14 of 63) that the window has always shown them as, so
// that the states of every version load in every other.
template <class State>
void WalkPaletteState(Console& m, State& s);
template <class State>
void WalkRendererState(Console& m, State& s);

// Tiles written by the processor wait in a list until the next line is
// composed, which decodes them first.
void MarkTileDirty(Console& m, int tile);
// Every tile stale, each listed once.
void InvalidateTileCache(Console& m);
void DecodeTile(Console& m, int index);
void RefreshTileCache(Console& m);

// Rebuilds shade map 0 (BGP), 1 (OBP0) or 2 (OBP1) from its register.
void DecodePalette(Console& m, int map);
// Palette memory white, the indices 0, and the pixel tables built for the
// cartridge (whether it is a colour one is known by then).
void ResetPalettes(Console& m);
// The pixel tables built again from the palette memories (colour
// cartridges) or the shade maps, as after a change of all of them at once.
void RebuildPalettePixels(Console& m);
// The palette ports 0xFF68-0xFF6B.
uint8_t PaletteRead(Console& m, int address);
void PaletteWrite(Console& m, int address, uint8_t value);
// A data port's index steps on after a write with bit 7 of the index set.
void StepPaletteIndex(Console& m, int address);

// A new frame starts at line 0: the window starts again at its first row.
void StartPicture(Console& m);
// Draws visible line `line` of the picture from the registers, OAM and
// video RAM as they stand now; on a line drawn in pieces, the pixels after
// the last piece.
void ComposeLine(Console& m, int line);

// A line drawn in pieces. When a register that changes the picture is
// written while a line is drawn, the pixels the LCD has put out by then
// (or fetched, for the registers the fetcher reads) are drawn first, from
// the registers as they stood: DrawLinePiece draws pixels up to x = `to`
// from where the last piece ended. `fine` is SCX mod 8 as the drawing
// started: the fine scroll of the whole line, whatever SCX is written
// later. The line's last piece is drawn when its drawing ends. Lines
// without such a write are drawn whole, as before.
void DrawLinePiece(Console& m, int line, int to, int fine);
// The picture of a switched-off LCD: every pixel white (the lightest shade).
void BlankPicture(Console& m, uint16_t colour = WhiteColour);

// The layers of one line, in the order ComposeLine draws them, the
// background scrolled by `scx`, the window from screen x = x0. `pixels` is
// the line of the work bitmap; `numbers` holds the background or window
// colour number under each pixel, with BgPriorityFlag beside it where the
// tile's attributes raise it over sprites. The sprites need the numbers;
// on a line without sprites `numbers` is null and the background and the
// window leave them out.
void DrawBackgroundLine(Console& m, int line, int scx, uint16_t* pixels, uint8_t* numbers);
void DrawWindowLine(Console& m, int x0, uint16_t* pixels, uint8_t* numbers);
constexpr uint8_t BgPriorityFlag = 0x04;

// The sprites of visible line `line` (0-143): the first ten OAM entries
// whose rows cover it, in OAM order (their X plays no part in the choice),
// from OAM and LCDC as they stand. Returns their count.
int ChooseSprites(Console& m, int line, int chosen[SpritesPerLine]);
// Their count alone.
int SpritesOnLine(Console& m, int line);
// Draws the chosen sprites. background_wins: background colours 1-3 hide
// the sprites of the behind class and, with the flag beside them, every
// sprite. When clear (LCDC bit 0 clear on a colour cartridge) the sprites
// are drawn over everything.
void DrawSpriteLine(Console& m, int line, const int chosen[SpritesPerLine], int count, uint16_t* pixels,
                    const uint8_t* numbers, bool background_wins);

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

// The colour of colour number n through shade map `map`.
inline uint16_t ShadeColour(const Palettes& p, int map, int n) { return ShadeGreys[p.shade_map[map][n]]; }

// The attributes of a map tile on a colour cartridge: the byte at the same
// address of video RAM bank 1. Monochrome cartridges have none (all 0).
constexpr uint8_t AttrPalette = 0x07;
constexpr uint8_t AttrTileBank = 0x08;
constexpr uint8_t AttrFlipX = 0x20;
constexpr uint8_t AttrFlipY = 0x40;
constexpr uint8_t AttrPriority = 0x80;
constexpr int AttributeBankOffset = 0x2000;
constexpr int Bank1Tiles = 512;  // cache index of bank 1's first tile

// Draws one pixel row of map tiles from map column `column` on, the first
// at screen x = x0 (-7..159), up to the right edge of the picture; columns
// wrap from 31 to 0 within the row. `row` points at the map row in bank 0;
// on a colour cartridge each tile's bank, flips, palette and priority come
// from the byte at the same place in bank 1. `fine` is the pixel row within
// the tiles. `numbers` may be null when no sprite is on the line.
void DrawMapRow(Console& m, const uint8_t* row, int column, int x0, int fine, uint16_t* pixels, uint8_t* numbers);
