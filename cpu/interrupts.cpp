// Interrupt entry and the halt state.
#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "memory/machine_clock.h"

namespace {

constexpr uint16_t FirstVector = 0x0040;  // V-blank; each later source is 8 bytes on
constexpr int VectorSpacing = 8;
constexpr int SourceCount = 5;

}  // namespace

// Five cycles, the fetch of the opcode it replaces the first of them: an
// idle cycle, PC's high byte pushed, the choice, its low byte pushed, and
// the jump. The choice comes after the high byte's write: a push that wrote
// IE (SP at 0x0000) can take the request away, and with nothing left to
// take PC becomes 0x0000. The request taken leaves IF.
void DispatchInterrupt() {
  Cpu.IME = 0;
  Cpu.ImeNext = 0;
  IdleCycle();
  Cpu.SP--;
  CpuWrite(Cpu.SP, Cpu.PC >> 8);
  RunDueEvents();
  const uint8_t pending = IE & IF & InterruptSources;
  uint16_t vector = 0x0000;
  for (int source = 0; source < SourceCount; source++) {
    const uint8_t mask = static_cast<uint8_t>(1 << source);
    if (pending & mask) {
      IF &= static_cast<uint8_t>(~mask);
      vector = static_cast<uint16_t>(FirstVector + source * VectorSpacing);
      break;
    }
  }
  Cpu.SP--;
  CpuWrite(Cpu.SP, Cpu.PC & 0xFF);
  IdleCycle();
  Cpu.PC = vector;
}

uint64_t HaltedStepFrom = 0;

// An enabled request ends a halt whatever IME holds; waking takes a cycle.
// Until one comes, nothing but an event can change IF: the wait goes
// straight to the next one (at least one cycle on). The LCD's quiet steps
// on the way are done first, and the waiting step counts from the latest
// of them, so that how long a step reports does not depend on which of the
// LCD's steps are events.
bool WakeFromHalt() {
  if (!(IE & IF & InterruptSources)) {
    const uint64_t target = NextEventAt > TotalCycles ? NextEventAt : TotalCycles + 1;
    TotalCycles = target - 1;
    LcdSync();
    HaltedStepFrom = LcdLastStepCycle();
    TotalCycles = target;
    return false;
  }
  Cpu.Halted = 0;
  IdleCycle();
  return true;
}

// A button of the selected half pressed ends the stop; until then the wait
// goes from event to event, as a halt's does, the system counter held at 0.
bool WakeFromStop() {
  if (JoypadLineLow()) {
    Cpu.Stopped = 0;
    RestartLcd();
    ScheduleEvents();
    return true;
  }
  TotalCycles = NextEventAt > TotalCycles ? NextEventAt : TotalCycles + 1;
  RestartCounter();
  return false;
}

// With IME clear and an enabled request already pending HALT does not halt,
// and the processor fails to move PC past the next opcode once. Otherwise it
// halts until an enabled request comes, which with nothing enabled in IE is
// never: only a reset ends that.
void Halt() {
  Cpu.PC += 1;
  if (!Cpu.IME && (IE & IF & InterruptSources)) Cpu.HaltBug = 1;
  else Cpu.Halted = 1;
}
