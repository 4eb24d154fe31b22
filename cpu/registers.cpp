#include "cpu/registers.h"

#include "memory/bus.h"

CpuRegisters Cpu;
int InstructionCycles = 0;
int TotalCycles = 0;
int CpuStopped = 0;

void Push16(uint16_t value) {
  Cpu.SP--;
  BusWrite(Cpu.SP, value & 0xFF);
  Cpu.SP--;
  BusWrite(Cpu.SP, value >> 8);
}

uint16_t Pop16() {
  const uint16_t word = BusRead16(Cpu.SP);
  Cpu.SP += 2;
  return static_cast<uint16_t>(word << 8 | word >> 8);
}
