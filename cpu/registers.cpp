#include "cpu/registers.h"

#include "memory/bus.h"

CpuRegisters Cpu;
int InstructionCycles = 0;
int TotalCycles = 0;
int CpuStopped = 0;
int EiCycles = -1;

void ResetCpu() {
  Cpu = CpuRegisters{};
  InstructionCycles = 0;
  TotalCycles = 0;
  CpuStopped = 0;
  EiCycles = -1;
}

// The stack grows downwards and holds words little-endian like every other
// word in memory: the high byte goes to SP - 1, the low byte to SP - 2, so
// that the low byte lies at the new SP. Programs read return addresses and
// pushed registers straight from memory and rely on this order.
void Push16(uint16_t value) {
  Cpu.SP--;
  BusWrite(Cpu.SP, value >> 8);
  Cpu.SP--;
  BusWrite(Cpu.SP, value & 0xFF);
}

// The exact inverse of Push16: the low byte from SP, the high byte from SP + 1.
uint16_t Pop16() {
  const uint16_t word = BusRead16(Cpu.SP);
  Cpu.SP += 2;
  return word;
}
