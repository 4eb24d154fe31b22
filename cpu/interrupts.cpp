// Interrupt dispatch and the halt state.
#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

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
  if (TotalCycles == EiCycles) return;  // the instruction after EI runs first
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

// A halted processor only waits for IF to change, and IF changes only when
// the timer overflows, a serial transfer ends, or the LCD reaches its next
// event (the end of a visible line's drawing, a line end, or with the LCD
// off the frame hand-off). Until the nearest of those moments, and the next
// divider step, a run of one-cycle idle steps comes to the same as one idle
// step of their total length: nothing reads the registers meanwhile. So a
// halted step may cover that whole stretch at once, ending exactly where the
// first of those events happens, as the one-cycle steps would.
int HaltedCycles() {
  // Reading the opcode byte of the register page could have side effects;
  // there the wait goes cycle by cycle.
  if ((Cpu.PC & 0xFF80) == 0xFF00 || Cpu.PC == 0xFFFF) return 1;
  int cycles = LcdEventAt - FrameCycles;
  if (DivCounter < cycles) cycles = DivCounter;
  if (SlowCountersOn) {
    if (TAC & 0x04) {
      const int to_overflow = TimerCounter + (0xFF - TIMA) * TimerPeriods[TAC & 3];
      if (to_overflow < cycles) cycles = to_overflow;
    }
    if (SerialCycles && SerialCycles < cycles) cycles = SerialCycles;
  }
  return cycles > 1 ? cycles : 1;
}
