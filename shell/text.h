// Short texts on a screen of 8x8 cells: the cartridge information screen
// and the register display are written here, and the front end shows the
// cells (the picture's size covers the top-left 20 x 18 of them).
#pragma once
#include <cstdint>

constexpr int TextColumns = 80;  // a 640x480 screen of cells
constexpr int TextRows = 60;
constexpr int PictureColumns = 20;  // the cells the picture's size covers
constexpr int PictureRows = 18;
constexpr uint16_t White = 0x7FFF;

// The cells: a character (a space where nothing is written) and its
// colour (15-bit, as the picture's).
struct TextScreen {
  char cells[TextRows][TextColumns];
  uint16_t colours[TextRows][TextColumns];
};
extern TextScreen ScreenText;

// Every cell a space.
void ClearText();

// Texts from their cell on; what falls beyond the screen's edge is cut.
void DrawTextAt(const char* text, int column, int row, uint16_t colour);
void DrawLabelHex(const char* label, int value, int column, int row, uint16_t colour);
void DrawLabelHex4(const char* label, int value, int column, int row, uint16_t colour);
void DrawLabelDec(const char* label, int value, int column, int row, uint16_t colour);
// The text from its cell on, broken between words into lines of at most
// width cells (a longer word is cut). Returns the rows it took.
int DrawWrapped(const char* text, int column, int row, int width, uint16_t colour);
