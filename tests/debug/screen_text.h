// Reading text back from the work bitmap, and capturing trace lines, for the
// tests of the text routines, the register display and the disassembler.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The characters shown in `count` cells of a text row starting at `column`:
// each 8x8 cell is matched, by its white (0xFFFF) pixels, against the glyphs
// of the built-in font. A cell with no white pixel reads as a space, one
// that matches no glyph as '?'. Trailing spaces are dropped.
std::string ReadCells(int column, int row, int count = 80);

// Fills the whole work bitmap with one 16-bit colour.
void FillWorkBitmap(uint16_t colour);

// Number of pixels of the work bitmap that differ from `colour`, inside
// [x0, x1) x [y0, y1).
int PixelsNotOf(uint16_t colour, int x0, int y0, int x1, int y1);

// Installs a temporary file as the trace file for its lifetime and hands
// back what has been written to it.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::string Contents();  // everything written so far
  void Clear();            // starts the file afresh

 private:
  FILE* file_;
};

// Resets the machine with an image that holds `bytes` at `address` (ROM).
void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes);
