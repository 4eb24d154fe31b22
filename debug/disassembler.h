// The disassembler and the trace lines.
#pragma once
#include <cstddef>
#include <cstdint>

struct Console;

// What the processor hands out while it runs: a trace line for every
// instruction, and a call after each LD B,B (opcode 0x40), the breakpoint
// test cartridges use. Set by the front end; not part of a state.
struct Tracing {
  bool all = false;       // every instruction is traced, as if the tilde key were held
  bool key_held = false;  // the tilde key is held, as the front end read it for this frame
  // Takes each trace line, its registers and its CR LF ending included (the
  // front end writes them to Trace.Log); null while nobody takes them.
  void (*sink)(void* context, const char* line, size_t length) = nullptr;
  void* sink_context = nullptr;
  // Called after LD B,B has run; without it the opcode costs what any
  // other load does.
  void (*breakpoint)(void* context) = nullptr;
  void* breakpoint_context = nullptr;
};

// The instruction at the address as the register display shows it:
// "$0150 JP $0185". `out` holds at least DisassemblyTextSize characters.
constexpr int DisassemblyTextSize = 32;
void DisassembleLine(Console& m, uint16_t address, char* out);

// Hands the trace line of the instruction at the address, with the
// registers, to the sink ("$0150     JP $0185      AF:..."). A halted
// processor executes nothing: no line. Kept out of the processor's step
// (cold, never inlined), so that the step's registers stay its own.
[[gnu::cold, gnu::noinline]] void TraceInstruction(Console& m, uint16_t address);
