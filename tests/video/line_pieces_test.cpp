// A line drawn in pieces, as when registers are written while it is drawn:
// pieces between which nothing changes make the line drawn whole.
#include <gtest/gtest.h>

#include <vector>

#include "picture_helpers.h"
#include "support/machine.h"

namespace {

std::vector<uint16_t> Line(int y) { return std::vector<uint16_t>(m.renderer.picture[y], m.renderer.picture[y] + ScreenWidth); }

}  // namespace

// Fine scroll, the window starting inside a piece or at the left edge,
// sprites across a piece's edge, and a colour cartridge's attributes: the
// line and the window's line counter come out as when drawn at once.
TEST(LinePieces, PiecesThatChangeNothingMakeTheLineDrawnWhole) {
  const struct {
    const char* what;
    bool colour;
    uint8_t lcdc, scx, wx;
  } cases[] = {{"fine scroll", false, 0x93, 13, 0},
               {"the window from x = 50", false, 0xB3, 3, 57},
               {"the window from the left edge", false, 0xF3, 6, 3},
               {"attributes and colours", true, 0xB3, 5, 90}};
  for (const auto& c : cases) {
    std::vector<uint8_t> rom(0x8000, 0);
    rom[0x143] = c.colour ? 0x80 : 0x00;
    ResetTestMachine(rom);
    SetUpPicture(c.lcdc);
    PutDiagonalTile(0, 1, 3);
    PutSolidTile(0, 2, 2);
    for (int i = 0; i < 0x800; i += 3) m.mem.video_ram[0x1800 + i] = 1;
    for (int i = 1; i < 0x800; i += 5) m.mem.video_ram[0x1800 + i] = 2;
    m.mem.video_ram[0x2000 + 0x1800 + 4] = 0x21;  // bank 1: flipped, palette 1
    SetSprite(0, 16 + 3, 8 + 36, 2, 0);     // across x = 40
    SetSprite(1, 16, 8 + 120, 1, 0x20);
    m.lcd.SCX = c.scx;
    m.lcd.WX = c.wx;
    m.lcd.WY = 0;
    StartPicture(m);
    ComposeLine(m, 3);
    const std::vector<uint16_t> whole = Line(3);
    const int window_line = m.renderer.window_line;

    PictureChanged(m.renderer);
    StartPicture(m);
    for (int to : {0, 21, 40, 41, 77}) DrawLinePiece(m, 3, to, c.scx & 7);
    ComposeLine(m, 3);
    EXPECT_EQ(Line(3), whole) << c.what;
    EXPECT_EQ(m.renderer.window_line, window_line) << c.what << ": the window's line counter";
  }
}
