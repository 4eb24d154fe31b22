#include "debug/text.h"

#include <allegro.h>

#include <cstdio>

#include "shell/display.h"

namespace {

constexpr int CellSize = 8;
constexpr int MaxText = 100;

// Text is drawn with the built-in 8x8 font on a transparent background, so
// only the glyph pixels change.
void DrawCell(const char* text, int column, int row, int colour) {
  textout_ex(WorkBitmap, font, text, column * CellSize, row * CellSize, colour, -1);
}

}  // namespace

void DrawTextAt(const char* text, int column, int row, int colour) { DrawCell(text, column, row, colour); }

void DrawLabelHex(const char* label, int value, int column, int row, int colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%x", label, value < 16 ? "0" : "", static_cast<unsigned>(value));
  DrawCell(text, column, row, colour);
}

void DrawLabelHex4(const char* label, int value, int column, int row, int colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%s%s%x", label, value < 16 ? "0" : "", value < 256 ? "0" : "",
                value < 4096 ? "0" : "", static_cast<unsigned>(value));
  DrawCell(text, column, row, colour);
}

void DrawLabelDec(const char* label, int value, int column, int row, int colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%d", label, value < 10 ? "0" : "", value);
  DrawCell(text, column, row, colour);
}
