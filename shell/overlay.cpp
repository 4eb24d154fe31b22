// The register display shown in place of the picture once the processor has
// stopped on an opcode it cannot execute.
#include "shell/overlay.h"

#include "shell/run_control.h"
#include "shell/text.h"

namespace {

constexpr int RegisterRow = 4;     // below the three rows the stop's text may take
constexpr int SecondColumn = 9;    // the second register of a row
constexpr int InstructionRow = 12;

int Pair(uint8_t high, uint8_t low) { return high << 8 | low; }

}  // namespace

void DrawDebugOverlay() {
  Machine& machine = TheMachine();
  const Registers r = machine.CpuRegisters();
  DrawWrapped(machine.StopText(), 0, 0, PictureColumns, White);
  DrawLabelHex4("PC:", r.PC, 0, RegisterRow, White);
  DrawLabelHex4("SP:", r.SP, SecondColumn, RegisterRow, White);
  DrawLabelHex4("AF:", Pair(r.A, r.F), 0, RegisterRow + 1, White);
  DrawLabelHex4("BC:", Pair(r.B, r.C), SecondColumn, RegisterRow + 1, White);
  DrawLabelHex4("DE:", Pair(r.D, r.E), 0, RegisterRow + 2, White);
  DrawLabelHex4("HL:", Pair(r.H, r.L), SecondColumn, RegisterRow + 2, White);
  DrawLabelHex("Current Op:", r.opcode, 0, RegisterRow + 4, White);
  DrawLabelDec("Scanline:", machine.Line(), 0, RegisterRow + 5, White);  // LY as of the stop
  DrawLabelHex4("LastVRAMWrite:", machine.LastVideoRamWrite(), 0, RegisterRow + 6, White);
  DrawTextAt(machine.Disassemble(r.PC).c_str(), 0, InstructionRow, White);
}
