// The register display shown once the processor has stopped.
#include <gtest/gtest.h>

#include <cstdio>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "debug/overlay.h"
#include "debug/screen_text.h"
#include "debug/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

// A processor stopped on the undefined opcode 0xD3 at 0x0150.
void StopOnUndefinedOpcode() {
  ResetWithCode(0x0150, {0xD3});
  Cpu.PC = 0x0150;
  Cpu.Opcode = 0xD3;
  Cpu.A = 0x11;
  Cpu.F = 0xB0;
  Cpu.B = 0x00;
  Cpu.C = 0x13;
  Cpu.D = 0x00;
  Cpu.E = 0xD8;
  Cpu.H = 0x01;
  Cpu.L = 0x4D;
  LY = 153;
  LastVramWrite = 0x9804;
  CpuStopped = 1;
}

}  // namespace

// The stop's text broken between words, the registers in four digits, all
// within the 20 x 18 cells the picture's size covers.
TEST(DebugOverlay, ShowsTheStopAndTheRegistersWithinThePicturesCells) {
  StopOnUndefinedOpcode();
  std::snprintf(UnknownOpcodeText, UnknownOpcodeTextSize, "Unknown Op 0xD3 at 0x4150 (ROM bank 3)");
  DrawDebugOverlay();
  const char* const rows[PictureRows] = {"Unknown Op 0xD3 at", "0x4150 (ROM bank 3)", "", "", "PC:0150  SP:fffe",
                                         "AF:11b0  BC:0013", "DE:00d8  HL:014d", "", "Current Op:d3", "Scanline:153",
                                         "LastVRAMWrite:9804", "", "$0150 BAD OP #$D3"};
  for (int row = 0; row < TextRows; row++)
    EXPECT_EQ(ReadCells(0, row), row < PictureRows && rows[row] ? rows[row] : "") << "row " << row;
}

TEST(DebugOverlay, SmallValuesKeepTheirPadding) {
  StopOnUndefinedOpcode();
  Cpu.Opcode = 0x0A;
  LY = 7;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(0, 8), "Current Op:0a");
  EXPECT_EQ(ReadCells(0, 9), "Scanline:07");
}

TEST(DebugOverlay, DrawnEvenWhileHalted) {
  StopOnUndefinedOpcode();
  Cpu.Halted = 1;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(0, 12), "$0150 BAD OP #$D3") << "the halted instruction is still shown";
}
