#include "shell/screen_text.h"

#include "shell/text.h"

std::string ReadCells(int column, int row, int count) {
  std::string text;
  for (int i = column; i < column + count && i < TextColumns; i++) text += ScreenText.cells[row][i];
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}
