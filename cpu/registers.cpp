#include "cpu/registers.h"

#include "cpu/operands.h"
#include "machine/state.h"

// The machine's cycle count goes on across a reset, as its other clocks do.
void ResetCpu(Console& m) {
  m.cpu = Cpu{};
  SetMachineSpeed(m, NormalClockShift);
}

namespace {

// The most one step can cost: a halted stretch, which ends at the LCD's
// next event, less than two frames (2 x 17556 cycles) away.
constexpr int LongestStep = 2 * 17556;

}  // namespace

// The processor's part, with the machine's clock, which it counts.
template <class State>
void WalkCpuState(Console& m, State& s) {
  Cpu& cpu = m.cpu;
  s.section("CPU ");
  for (uint8_t* r : {&cpu.A, &cpu.B, &cpu.C, &cpu.D, &cpu.E, &cpu.F, &cpu.H, &cpu.L}) s.u8(*r);
  s.u16(cpu.PC);
  s.u16(cpu.SP);
  s.number(cpu.IME, 0, 1);
  s.flag(cpu.ImeNext);
  s.flag(cpu.HaltBug);
  s.u8(cpu.Opcode);
  s.number(cpu.Halted, 0, 1);
  s.number(cpu.Stopped, 0, 1);
  s.number(cpu.instruction_cycles, 0, LongestStep);
  s.i64(m.clock.cycles);
  s.number(cpu.frozen, 0, 1);
  s.number(m.clock.shift, DoubleSpeedClockShift, NormalClockShift);
  s.i64(m.clock.cycle_at_speed_set);
  s.i64(m.clock.clock_at_speed_set);
  s.require(m.clock.cycle_at_speed_set <= m.clock.cycles);
}

template void WalkCpuState(Console& m, StateWriter& s);
template void WalkCpuState(Console& m, StateReader& s);

// The stack grows downwards and holds words little-endian like every other
// word in memory: the high byte goes to SP - 1, the low byte to SP - 2, so
// that the low byte lies at the new SP. Programs read return addresses and
// pushed registers straight from memory and rely on this order.
// Two cycles, one write each.
void Push16(Console& m, uint16_t value) {
  m.cpu.SP--;
  CpuWrite(m, m.cpu.SP, value >> 8);
  m.cpu.SP--;
  CpuWrite(m, m.cpu.SP, value & 0xFF);
}

// The exact inverse of Push16: the low byte from SP, the high byte from SP
// + 1, a cycle each.
uint16_t Pop16(Console& m) {
  const uint8_t low = CpuRead(m, m.cpu.SP);
  const uint8_t high = CpuRead(m, m.cpu.SP + 1);
  m.cpu.SP += 2;
  return static_cast<uint16_t>(high << 8 | low);
}
