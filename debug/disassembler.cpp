// Placeholder disassembler.
#include "debug/disassembler.h"

FILE* TraceFile = nullptr;

void Disassemble(uint16_t, int) {}
void AppendZeroPad(int, int, char*) {}
void PadRight(int, char*) {}
