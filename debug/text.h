// Short texts on the 8x8 cell grid of the work bitmap.
#pragma once

constexpr int White = 0xFFFF;

void DrawTextAt(const char* text, int column, int row, int colour);
void DrawLabelHex(const char* label, int value, int column, int row, int colour);
void DrawLabelHex4(const char* label, int value, int column, int row, int colour);
void DrawLabelDec(const char* label, int value, int column, int row, int colour);
