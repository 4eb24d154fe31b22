// Interrupt entry and the halt state.
#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "machine/clock.h"

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
void DispatchInterrupt(Console& m) {
  m.cpu.IME = 0;
  m.cpu.ImeNext = 0;
  IdleCycle(m);
  m.cpu.SP--;
  CpuWrite(m, m.cpu.SP, m.cpu.PC >> 8);
  RunDueEvents(m);
  const uint8_t pending = m.io.IE & m.io.IF & InterruptSources;
  uint16_t vector = 0x0000;
  for (int source = 0; source < SourceCount; source++) {
    const uint8_t mask = static_cast<uint8_t>(1 << source);
    if (pending & mask) {
      m.io.IF &= static_cast<uint8_t>(~mask);
      vector = static_cast<uint16_t>(FirstVector + source * VectorSpacing);
      break;
    }
  }
  m.cpu.SP--;
  CpuWrite(m, m.cpu.SP, m.cpu.PC & 0xFF);
  IdleCycle(m);
  m.cpu.PC = vector;
}


// An enabled request ends a halt whatever IME holds; waking takes a cycle.
// Until one comes, nothing but an event can change IF: the wait goes
// straight to the next one (at least one cycle on). The LCD's quiet steps
// on the way are done first, and the waiting step counts from the latest
// of them, so that how long a step reports does not depend on which of the
// LCD's steps are events.
bool WakeFromHalt(Console& m) {
  if (!(m.io.IE & m.io.IF & InterruptSources)) {
    const uint64_t target = m.clock.next_event_at > m.clock.cycles ? m.clock.next_event_at : m.clock.cycles + 1;
    m.clock.cycles = target - 1;
    LcdSync(m);
    m.cpu.halted_step_from = LcdLastStepCycle(m);
    m.clock.cycles = target;
    return false;
  }
  m.cpu.Halted = 0;
  IdleCycle(m);
  return true;
}

// A button of the selected half pressed ends the stop; until then the wait
// goes from event to event, as a halt's does, the system counter held at 0.
bool WakeFromStop(Console& m) {
  if (JoypadLineLow(m)) {
    m.cpu.Stopped = 0;
    RestartLcd(m);
    ScheduleEvents(m);
    return true;
  }
  m.clock.cycles = m.clock.next_event_at > m.clock.cycles ? m.clock.next_event_at : m.clock.cycles + 1;
  RestartCounter(m);
  return false;
}

// With IME clear and an enabled request already pending HALT does not halt,
// and the processor fails to move PC past the next opcode once. Otherwise it
// halts until an enabled request comes, which with nothing enabled in IE is
// never: only a reset ends that.
void Halt(Console& m) {
  m.cpu.PC += 1;
  if (!m.cpu.IME && (m.io.IE & m.io.IF & InterruptSources)) m.cpu.HaltBug = 1;
  else m.cpu.Halted = 1;
}
