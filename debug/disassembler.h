// The disassembler and the trace lines.
#pragma once
#include <cstddef>
#include <cstdint>

// Takes each trace line, its registers and its CR LF ending included (the
// front end writes them to Trace.Log); null while nobody takes them.
extern void (*TraceSink)(const char* line, size_t length);

// Builds the line for the instruction at the address. target >= 0: writes it
// at text row target ("$0150 JP $0185"); target < 0: hands it with the
// registers to TraceSink ("$0150     JP $0185      AF:...").
void Disassemble(uint16_t address, int target);

// Appends the zeros that pad a hexadecimal number to two (or, wide, four) digits.
void AppendZeroPad(int value, int wide, char* text);
// Appends spaces until the text is width characters long.
void PadRight(int width, char* text);
