// The register display shown once the processor has stopped.
#include <gtest/gtest.h>

#include "cpu/registers.h"
#include "debug/overlay.h"
#include "debug/screen_text.h"
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

TEST(DebugOverlay, ShowsRegistersAtTheirCells) {
  StopOnUndefinedOpcode();
  DrawDebugOverlay();

  EXPECT_EQ(ReadCells(0, 0, 16), "PC:0150") << "PC in four digits at (0, 0)";
  EXPECT_EQ(ReadCells(16, 0), "Current Op:d3") << "the fetched opcode at (16, 0)";
  EXPECT_EQ(ReadCells(0, 1), "Scanline:153") << "LY in decimal";
  EXPECT_EQ(ReadCells(0, 2), "AF:11b0");
  EXPECT_EQ(ReadCells(0, 3), "BC:13") << "pairs are padded to two digits only";
  EXPECT_EQ(ReadCells(0, 4), "DE:d8");
  EXPECT_EQ(ReadCells(0, 5), "HL:14d");
  EXPECT_EQ(ReadCells(0, 7), "$0150     BAD OP #$D3") << "the instruction at PC on row 7";
  EXPECT_EQ(ReadCells(0, 10), "LastVRAMWrite:9804");
  for (int row : {6, 8, 9, 11, 12, 17, 30}) EXPECT_EQ(ReadCells(0, row), "") << "row " << row << " stays empty";
}

TEST(DebugOverlay, SmallValuesKeepTheirPadding) {
  StopOnUndefinedOpcode();
  Cpu.PC = 0x0150;
  Cpu.A = Cpu.F = Cpu.B = Cpu.C = 0;
  Cpu.Opcode = 0x0A;
  LY = 7;
  LastVramWrite = 0;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(16, 0), "Current Op:0a");
  EXPECT_EQ(ReadCells(0, 1), "Scanline:07");
  EXPECT_EQ(ReadCells(0, 2), "AF:00");
  EXPECT_EQ(ReadCells(0, 3), "BC:00");
  EXPECT_EQ(ReadCells(0, 10), "LastVRAMWrite:00");
}

TEST(DebugOverlay, DrawnEvenWhileHalted) {
  StopOnUndefinedOpcode();
  Cpu.Halted = 1;
  DrawDebugOverlay();
  EXPECT_EQ(ReadCells(0, 7), "$0150     BAD OP #$D3") << "the halted instruction is still shown";
}
