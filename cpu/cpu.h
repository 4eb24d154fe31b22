// One processor step, and the two cost tables.
#pragma once
#include <cstdint>

extern const uint8_t OpcodeCycles[256];
extern const uint8_t CbOpcodeCycles[256];

// When set, every executed instruction is traced as if the tilde key were held.
extern bool TraceAll;

void CpuStep();
void ExecuteCb(uint8_t opcode);
void CheckInterrupts();
void DispatchInterrupt(uint16_t vector);
