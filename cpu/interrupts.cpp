// Interrupt dispatch and the halt state.
#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/io_registers.h"

namespace {

constexpr uint16_t FirstVector = 0x0040;  // V-blank; each later source is 8 bytes on
constexpr int VectorSpacing = 8;
constexpr int SourceCount = 5;

}  // namespace

void DispatchInterrupt(uint16_t vector) {
  Cpu.Halted = 0;
  Cpu.IME = 0;
  Push16(Cpu.PC);
  Cpu.PC = vector;
}

// Lower bits win. Dispatching clears IME, so one interrupt at most is taken
// per step; the others wait in IF. With IME clear a pending enabled request
// still ends a halt, and the processor goes on after the HALT.
void CheckInterrupts() {
  const uint8_t pending = IE & IF & InterruptSources;
  if (!pending) return;
  if (!Cpu.IME) {
    Cpu.Halted = 0;
    return;
  }
  for (int source = 0; source < SourceCount; source++) {
    const uint8_t mask = static_cast<uint8_t>(1 << source);
    if (pending & mask) {
      DispatchInterrupt(static_cast<uint16_t>(FirstVector + source * VectorSpacing));
      IF &= static_cast<uint8_t>(~mask);
      return;
    }
  }
}

// With no source enabled nothing could ever end the wait, so HALT then does
// nothing. Otherwise it halts whatever IME holds: with IME set an interrupt
// ends the halt through its handler, with IME clear the request alone ends it.
void Halt() {
  Cpu.PC += 1;
  if (IE) Cpu.Halted = 1;
}
