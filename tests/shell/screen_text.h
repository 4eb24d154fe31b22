// Reading text back from the text screen, for the tests of the text
// routines and the register display.
#pragma once
#include <string>

// The characters of `count` cells of a text row starting at `column`.
// Trailing spaces are dropped.
std::string ReadCells(int column, int row, int count = 80);
