// The text routines: the padding of their numbers, the cell they draw at and
// the transparent background.
#include <allegro.h>
#include <gtest/gtest.h>

#include <string>

#include "debug/screen_text.h"
#include "debug/text.h"
#include "shell/display.h"
#include "support/machine.h"

namespace {

// Draws one label on a clear bitmap at cell (0, 0) and reads it back.
template <typename Draw>
std::string Drawn(Draw draw) {
  ResetTestMachine();
  draw();
  return ReadCells(0, 0);
}

}  // namespace

TEST(TextRoutines, Hex4PadsToFourDigits) {
  EXPECT_EQ(Drawn([] { DrawLabelHex4("PC:", 0, 0, 0, White); }), "PC:0000");
  EXPECT_EQ(Drawn([] { DrawLabelHex4("PC:", 0xF, 0, 0, White); }), "PC:000f");
  EXPECT_EQ(Drawn([] { DrawLabelHex4("PC:", 0x150, 0, 0, White); }), "PC:0150");
  EXPECT_EQ(Drawn([] { DrawLabelHex4("PC:", 0xFFF, 0, 0, White); }), "PC:0fff");
  EXPECT_EQ(Drawn([] { DrawLabelHex4("PC:", 0xFFFE, 0, 0, White); }), "PC:fffe") << "lowercase digits";
}

TEST(TextRoutines, HexPadsToTwoDigitsOnly) {
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 0, 0, 0, White); }), "AF:00");
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 10, 0, 0, White); }), "AF:0a");
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 0xFF, 0, 0, White); }), "AF:ff");
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 0x0100, 0, 0, White); }), "AF:100")
      << "a pair below 0x1000 is not padded to four digits";
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 0x1B0, 0, 0, White); }), "AF:1b0");
  EXPECT_EQ(Drawn([] { DrawLabelHex("AF:", 0x11B0, 0, 0, White); }), "AF:11b0");
}

TEST(TextRoutines, DecimalPadsToTwoDigits) {
  EXPECT_EQ(Drawn([] { DrawLabelDec("Scanline:", 0, 0, 0, White); }), "Scanline:00");
  EXPECT_EQ(Drawn([] { DrawLabelDec("Scanline:", 7, 0, 0, White); }), "Scanline:07");
  EXPECT_EQ(Drawn([] { DrawLabelDec("Scanline:", 12, 0, 0, White); }), "Scanline:12");
  EXPECT_EQ(Drawn([] { DrawLabelDec("Scanline:", 153, 0, 0, White); }), "Scanline:153");
}

TEST(TextRoutines, TextGoesToItsCellAndNowhereElse) {
  ResetTestMachine();
  DrawTextAt("Cartridge Info", 3, 5, White);
  EXPECT_EQ(ReadCells(3, 5), "Cartridge Info") << "text starts at pixel (24, 40)";
  EXPECT_EQ(ReadCells(0, 5, 3), "") << "nothing left of column 3";
  // Everything outside the 14 cells of the text stays black.
  const int x0 = 3 * 8, y0 = 5 * 8, x1 = x0 + 14 * 8, y1 = y0 + 8;
  EXPECT_GT(PixelsNotOf(0, x0, y0, x1, y1), 0) << "glyphs drawn inside the text's cells";
  EXPECT_EQ(PixelsNotOf(0, 0, 0, WorkBitmap->w, y0), 0) << "rows above untouched";
  EXPECT_EQ(PixelsNotOf(0, 0, y1, WorkBitmap->w, WorkBitmap->h), 0) << "rows below untouched";
  EXPECT_EQ(PixelsNotOf(0, x1, y0, WorkBitmap->w, y1), 0) << "cells right of the text untouched";
}

TEST(TextRoutines, BackgroundStaysAsItWas) {
  ResetTestMachine();
  constexpr uint16_t Picture = 0x1234;
  FillWorkBitmap(Picture);
  DrawLabelHex4("PC:", 0x0150, 2, 1, White);
  DrawLabelDec("LY:", 153, 2, 2, White);

  int glyph = 0, picture = 0, other = 0;
  for (int y = 8; y < 24; y++)
    for (int x = 16; x < 16 + 7 * 8; x++) {
      const uint16_t pixel = reinterpret_cast<uint16_t*>(WorkBitmap->line[y])[x];
      (pixel == 0xFFFF ? glyph : pixel == Picture ? picture : other)++;
    }
  EXPECT_GT(glyph, 0) << "glyph pixels are drawn in 0xFFFF";
  EXPECT_GT(picture, glyph) << "between the strokes the picture shows through";
  EXPECT_EQ(other, 0) << "every pixel is either a glyph pixel or the old picture";
  EXPECT_EQ(ReadCells(2, 1), "PC:0150");
  EXPECT_EQ(ReadCells(2, 2), "LY:153");
}

TEST(TextRoutines, OverlongLabelIsCutNotOverrun) {
  // Composed texts are held in a 100-character buffer; a longer one is cut
  // (the sanitized build catches an overrun). The 640-pixel bitmap shows
  // its first 80 characters.
  ResetTestMachine();
  const std::string label(150, 'x');
  DrawLabelHex4(label.c_str(), 0x1234, 0, 0, White);
  DrawLabelHex(label.c_str(), 0x12, 0, 1, White);
  DrawLabelDec(label.c_str(), 12, 0, 2, White);
  for (int row = 0; row < 3; row++) EXPECT_EQ(ReadCells(0, row), std::string(80, 'x')) << "row " << row;
}
