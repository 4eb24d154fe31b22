// The register display shown once the processor has stopped.
#include <gtest/gtest.h>

#include <cstdio>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "shell/overlay.h"
#include "shell/screen_text.h"
#include "shell/shell_machine.h"
#include "shell/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

// A processor stopped on the undefined opcode 0xD3 at 0x0150.
void StopOnUndefinedOpcode() {
  std::vector<uint8_t> image(0x8000);
  image[0x0150] = 0xD3;
  ResetShellMachine(image);
  m.cpu.PC = 0x0150;
  m.cpu.Opcode = 0xD3;
  m.cpu.A = 0x11;
  m.cpu.F = 0xB0;
  m.cpu.B = 0x00;
  m.cpu.C = 0x13;
  m.cpu.D = 0x00;
  m.cpu.E = 0xD8;
  m.cpu.H = 0x01;
  m.cpu.L = 0x4D;
  m.lcd.LY = 153;
  m.mem.last_vram_write = 0x9804;
  m.cpu.frozen = 1;
}

}  // namespace

// The stop's text broken between words, the registers in four digits, all
// within the 20 x 18 cells the picture's size covers.
TEST(DebugOverlay, ShowsTheStopAndTheRegistersWithinThePicturesCells) {
  StopOnUndefinedOpcode();
  std::snprintf(m.cpu.unknown_opcode_text, UnknownOpcodeTextSize, "Unknown Op 0xD3 at 0x4150 (ROM bank 3)");
  DrawDebugOverlay();
  const char* const rows[PictureRows] = {"Unknown Op 0xD3 at", "0x4150 (ROM bank 3)", "", "", "PC:0150  SP:fffe",
                                         "AF:11b0  BC:0013", "DE:00d8  HL:014d", "", "Current Op:d3", "Scanline:153",
                                         "LastVRAMWrite:9804", "", "$0150 BAD OP #$D3"};
  for (int row = 0; row < TextRows; row++)
    EXPECT_EQ(ReadCells(0, row), row < PictureRows && rows[row] ? rows[row] : "") << "row " << row;
}

TEST(DebugOverlay, SmallValuesKeepTheirPadding) {
  StopOnUndefinedOpcode();
  m.cpu.Opcode = 0x0A;
  m.lcd.LY = 7;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(0, 8), "Current Op:0a");
  EXPECT_EQ(ReadCells(0, 9), "Scanline:07");
}

TEST(DebugOverlay, DrawnEvenWhileHalted) {
  StopOnUndefinedOpcode();
  m.cpu.Halted = 1;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(0, 12), "$0150 BAD OP #$D3") << "the halted instruction is still shown";
}
