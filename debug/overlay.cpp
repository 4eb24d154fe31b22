// The register display shown in place of the picture once the processor has
// stopped on an opcode it cannot execute.
#include "debug/overlay.h"

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "debug/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

constexpr int RegisterRow = 4;     // below the three rows the stop's text may take
constexpr int SecondColumn = 9;    // the second register of a row
constexpr int InstructionRow = 12;

}  // namespace

void DrawDebugOverlay() {
  DrawWrapped(UnknownOpcodeText, 0, 0, PictureColumns, White);
  DrawLabelHex4("PC:", Cpu.PC, 0, RegisterRow, White);
  DrawLabelHex4("SP:", Cpu.SP, SecondColumn, RegisterRow, White);
  DrawLabelHex4("AF:", ReadAF(), 0, RegisterRow + 1, White);
  DrawLabelHex4("BC:", ReadBC(), SecondColumn, RegisterRow + 1, White);
  DrawLabelHex4("DE:", ReadDE(), 0, RegisterRow + 2, White);
  DrawLabelHex4("HL:", ReadHL(), SecondColumn, RegisterRow + 2, White);
  DrawLabelHex("Current Op:", Cpu.Opcode, 0, RegisterRow + 4, White);
  LcdSync();  // LY as of the stop
  DrawLabelDec("Scanline:", LY, 0, RegisterRow + 5, White);
  DrawLabelHex4("LastVRAMWrite:", LastVramWrite, 0, RegisterRow + 6, White);
  Disassemble(Cpu.PC, InstructionRow);
}
