// The register display shown in place of the picture once the processor has
// stopped on an opcode it cannot execute.
#include "debug/overlay.h"

#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "debug/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

constexpr int InstructionRow = 7;

}  // namespace

void DrawDebugOverlay() {
  Disassemble(Cpu.PC, InstructionRow);
  DrawLabelHex4("PC:", Cpu.PC, 0, 0, White);
  // Starts at column 16, so only "Curr" falls inside the presented picture.
  DrawLabelHex("Current Op:", Cpu.Opcode, 16, 0, White);
  LcdSync();  // LY as of the stop
  DrawLabelDec("Scanline:", LY, 0, 1, White);
  DrawLabelHex("AF:", ReadAF(), 0, 2, White);
  DrawLabelHex("BC:", ReadBC(), 0, 3, White);
  DrawLabelHex("DE:", ReadDE(), 0, 4, White);
  DrawLabelHex("HL:", ReadHL(), 0, 5, White);
  DrawLabelHex("LastVRAMWrite:", LastVramWrite, 0, 10, White);
}
