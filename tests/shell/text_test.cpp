// The text routines: the padding of their numbers, the cell they write to
// and the screen's edge.
#include <gtest/gtest.h>

#include <string>

#include "shell/screen_text.h"
#include "shell/text.h"
#include "shell/shell_machine.h"

namespace {

// Draws one label on a clear screen at cell (0, 0) and reads it back.
template <typename Draw>
std::string Drawn(Draw draw) {
  ResetShellMachine();
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
  ResetShellMachine();
  DrawTextAt("Cartridge Info", 3, 5, White);
  EXPECT_EQ(ReadCells(3, 5), "Cartridge Info");
  EXPECT_EQ(ReadCells(0, 5, 3), "") << "nothing left of column 3";
  for (int row : {0, 4, 6, TextRows - 1}) EXPECT_EQ(ReadCells(0, row), "") << "row " << row;
  DrawTextAt("edge", TextColumns - 2, TextRows - 1, White);
  EXPECT_EQ(ReadCells(TextColumns - 2, TextRows - 1), "ed") << "cut at the screen's edge";
}

TEST(TextRoutines, OverlongLabelIsCutNotOverrun) {
  // Composed texts are held in a 100-character buffer; a longer one is cut
  // (the sanitized build catches an overrun). The screen's 80 columns
  // show its first 80 characters.
  ResetShellMachine();
  const std::string label(150, 'x');
  DrawLabelHex4(label.c_str(), 0x1234, 0, 0, White);
  DrawLabelHex(label.c_str(), 0x12, 0, 1, White);
  DrawLabelDec(label.c_str(), 12, 0, 2, White);
  for (int row = 0; row < 3; row++) EXPECT_EQ(ReadCells(0, row), std::string(80, 'x')) << "row " << row;
}
