// The processor's register file, its flags and the rest of its state.
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

constexpr uint8_t FlagZ = 0x80;
constexpr uint8_t FlagN = 0x40;
constexpr uint8_t FlagH = 0x20;
constexpr uint8_t FlagC = 0x10;

// What the processor stopped on ("Unknown Op 0xD3 at 0x4150 (ROM bank
// 3)"), for the front end to report, once it is frozen.
constexpr int UnknownOpcodeTextSize = 64;

struct Cpu {
  uint8_t A, B, C, D, E, F, H, L;
  uint16_t PC, SP;
  uint8_t IME;
  uint8_t ImeNext;  // EI ran: IME is set once the next instruction starts
  uint8_t HaltBug;  // HALT did not halt: the next opcode's byte is read twice
  uint8_t Opcode;   // the opcode fetched by the current step; 0 while halted
  int Halted;       // 1 while waiting after HALT
  int Stopped;      // 1 after STOP without a speed switch, until a button is pressed
  int instruction_cycles;     // machine cycles of the latest step
  int frozen;                 // set after an undefined opcode, never cleared
  uint64_t halted_step_from;  // where the latest halted step's wait counts from (WakeFromHalt)
  uint8_t prefix_byte;        // the byte after a 0xCB prefix, fetched by the step
  char unknown_opcode_text[UnknownOpcodeTextSize];
};

// Registers, flags and the step's accounting back to zero.
void ResetCpu(Console& m);

// The processor's part of a machine state (machine/state.h).
template <class State>
void WalkCpuState(Console& m, State& s);

void Push16(Console& m, uint16_t value);
uint16_t Pop16(Console& m);
