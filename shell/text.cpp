#include "shell/text.h"

#include <cstdio>
#include <cstring>
#include <string>

TextScreen ScreenText;

namespace {

constexpr int MaxText = 100;

void DrawCell(const char* text, int column, int row, uint16_t colour) {
  if (row < 0 || row >= TextRows) return;
  for (; *text && column < TextColumns; text++, column++) {
    if (column < 0) continue;
    ScreenText.cells[row][column] = *text;
    ScreenText.colours[row][column] = colour;
  }
}

}  // namespace

void ClearText() { std::memset(ScreenText.cells, ' ', sizeof ScreenText.cells); }

void DrawTextAt(const char* text, int column, int row, uint16_t colour) { DrawCell(text, column, row, colour); }

void DrawLabelHex(const char* label, int value, int column, int row, uint16_t colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%x", label, value < 16 ? "0" : "", static_cast<unsigned>(value));
  DrawCell(text, column, row, colour);
}

void DrawLabelHex4(const char* label, int value, int column, int row, uint16_t colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%s%s%x", label, value < 16 ? "0" : "", value < 256 ? "0" : "",
                value < 4096 ? "0" : "", static_cast<unsigned>(value));
  DrawCell(text, column, row, colour);
}

void DrawLabelDec(const char* label, int value, int column, int row, uint16_t colour) {
  char text[MaxText];
  std::snprintf(text, sizeof text, "%s%s%d", label, value < 10 ? "0" : "", value);
  DrawCell(text, column, row, colour);
}

int DrawWrapped(const char* text, int column, int row, int width, uint16_t colour) {
  std::string line;
  int rows = 0;
  auto finish_line = [&] {
    DrawCell(line.substr(0, static_cast<size_t>(width)).c_str(), column, row + rows++, colour);
    line.clear();
  };
  for (const char* at = text; *at;) {
    while (*at == ' ') at++;
    const char* end = at;
    while (*end && *end != ' ') end++;
    if (end == at) break;
    const std::string word(at, end);
    if (!line.empty() && line.size() + 1 + word.size() > static_cast<size_t>(width)) finish_line();
    line += (line.empty() ? "" : " ") + word;
    at = end;
  }
  if (!line.empty()) finish_line();
  return rows;
}
