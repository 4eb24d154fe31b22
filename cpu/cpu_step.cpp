// Placeholder step until the instruction set lands: time passes, nothing runs.
#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/timer.h"

const uint8_t OpcodeCycles[256] = {};
const uint8_t CbOpcodeCycles[256] = {};
bool TraceAll = false;

void CpuStep() {
  if (CpuStopped) return;
  InstructionCycles = 1;
  TotalCycles += 1;
  TimerAdvance(1);
}
void ExecuteCb(uint8_t) {}
void CheckInterrupts() {}
void DispatchInterrupt(uint16_t) {}
