// The disassembler and the trace file.
#pragma once
#include <cstdint>
#include <cstdio>

extern FILE* TraceFile;  // "Trace.Log" while the main loop runs, else null

// Builds the line for the instruction at the address. target >= 0: draws it
// at text row target; target < 0: appends it with the registers to TraceFile.
void Disassemble(uint16_t address, int target);

// Appends the zeros that pad a hexadecimal number to two (or, wide, four) digits.
void AppendZeroPad(int value, int wide, char* text);
// Appends spaces until the text is width characters long.
void PadRight(int width, char* text);
