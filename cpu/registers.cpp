#include "cpu/registers.h"

#include "cpu/operands.h"
#include "memory/machine_state.h"

CpuRegisters Cpu;
int InstructionCycles = 0;
uint64_t TotalCycles = 0;
int CpuStopped = 0;
int ClockShift = NormalClockShift;
uint64_t CycleAtSpeedSet = 0, ClockAtSpeedSet = 0;

void SetMachineSpeed(int clock_shift) {
  ClockAtSpeedSet = MachineClock();
  CycleAtSpeedSet = TotalCycles;
  ClockShift = clock_shift;
}

// The count goes on across a reset, as the machine's other clocks do.
void ResetCpu() {
  Cpu = CpuRegisters{};
  InstructionCycles = 0;
  CpuStopped = 0;
  SetMachineSpeed(NormalClockShift);
}

void SaveCpuState(StateWriter& out) {
  out.section("CPU ");
  for (uint8_t r : {Cpu.A, Cpu.B, Cpu.C, Cpu.D, Cpu.E, Cpu.F, Cpu.H, Cpu.L}) out.u8(r);
  out.u16(Cpu.PC);
  out.u16(Cpu.SP);
  out.i32(Cpu.IME);
  out.u8(Cpu.ImeNext);
  out.u8(Cpu.HaltBug);
  out.u8(Cpu.Opcode);
  out.i32(Cpu.Halted);
  out.i32(Cpu.Stopped);
  out.i32(InstructionCycles);
  out.i64(static_cast<int64_t>(TotalCycles));
  out.i32(CpuStopped);
  out.i32(ClockShift);
  out.i64(static_cast<int64_t>(CycleAtSpeedSet));
  out.i64(static_cast<int64_t>(ClockAtSpeedSet));
}

namespace {

// The most one step can cost: a halted stretch, which ends at the LCD's
// next event, less than two frames (2 x 17556 cycles) away.
constexpr int LongestStep = 2 * 17556;

}  // namespace

void LoadCpuState(StateReader& in) {
  in.section("CPU ");
  for (uint8_t* r : {&Cpu.A, &Cpu.B, &Cpu.C, &Cpu.D, &Cpu.E, &Cpu.F, &Cpu.H, &Cpu.L}) *r = in.u8();
  Cpu.PC = in.u16();
  Cpu.SP = in.u16();
  Cpu.IME = static_cast<uint8_t>(in.number(0, 1));
  Cpu.ImeNext = in.flag();
  Cpu.HaltBug = in.flag();
  Cpu.Opcode = in.u8();
  Cpu.Halted = in.number(0, 1);
  Cpu.Stopped = in.number(0, 1);
  InstructionCycles = in.number(0, LongestStep);
  TotalCycles = static_cast<uint64_t>(in.i64());
  CpuStopped = in.number(0, 1);
  ClockShift = in.number(DoubleSpeedClockShift, NormalClockShift);
  CycleAtSpeedSet = static_cast<uint64_t>(in.i64());
  ClockAtSpeedSet = static_cast<uint64_t>(in.i64());
  if (CycleAtSpeedSet > TotalCycles) in.refuse();
}

// The stack grows downwards and holds words little-endian like every other
// word in memory: the high byte goes to SP - 1, the low byte to SP - 2, so
// that the low byte lies at the new SP. Programs read return addresses and
// pushed registers straight from memory and rely on this order.
// Two cycles, one write each.
void Push16(uint16_t value) {
  Cpu.SP--;
  CpuWrite(Cpu.SP, value >> 8);
  Cpu.SP--;
  CpuWrite(Cpu.SP, value & 0xFF);
}

// The exact inverse of Push16: the low byte from SP, the high byte from SP
// + 1, a cycle each.
uint16_t Pop16() {
  const uint8_t low = CpuRead(Cpu.SP);
  const uint8_t high = CpuRead(Cpu.SP + 1);
  Cpu.SP += 2;
  return static_cast<uint16_t>(high << 8 | low);
}
