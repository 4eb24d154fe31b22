// The processor's register file, its flags and the cycle accounting.
#pragma once
#include <cstdint>

constexpr uint8_t FlagZ = 0x80;
constexpr uint8_t FlagN = 0x40;
constexpr uint8_t FlagH = 0x20;
constexpr uint8_t FlagC = 0x10;

struct CpuRegisters {
  uint8_t A, B, C, D, E, F, H, L;
  uint16_t PC, SP;
  uint8_t IME;
  uint8_t ImeNext;  // EI ran: IME is set once the next instruction starts
  uint8_t HaltBug;  // HALT did not halt: the next opcode's byte is read twice
  uint8_t Opcode;   // the opcode fetched by the current step; 0 while halted
  int Halted;       // 1 while waiting after HALT
  int Stopped;      // 1 after STOP without a speed switch, until a button is pressed
};

extern CpuRegisters Cpu;
extern int InstructionCycles;  // machine cycles of the latest step
// Machine cycles since power-on: one for every memory access and idle
// cycle of the processor, in the order it makes them. The machine's time.
extern uint64_t TotalCycles;
extern int CpuStopped;         // set after an undefined opcode, never cleared

// The 4194304 Hz clock that the LCD, the sound chip and VRAM DMA keep
// whatever the processor's speed: 1 << ClockShift clocks a machine cycle,
// four at normal speed and two in double speed. It stood at ClockAtSpeedSet
// when the speed was last set, TotalCycles then standing at CycleAtSpeedSet.
constexpr int NormalClockShift = 2, DoubleSpeedClockShift = 1;
constexpr int NormalClocksPerCycle = 1 << NormalClockShift, DoubleSpeedClocksPerCycle = 1 << DoubleSpeedClockShift;
extern int ClockShift;
extern uint64_t CycleAtSpeedSet, ClockAtSpeedSet;
inline int ClocksPerCycle() { return 1 << ClockShift; }
inline uint64_t MachineClock() { return ClockAtSpeedSet + ((TotalCycles - CycleAtSpeedSet) << ClockShift); }
// From now on, 1 << `clock_shift` clocks a machine cycle.
void SetMachineSpeed(int clock_shift);

inline uint16_t ReadBC() { return static_cast<uint16_t>(Cpu.B << 8 | Cpu.C); }
inline uint16_t ReadDE() { return static_cast<uint16_t>(Cpu.D << 8 | Cpu.E); }
inline uint16_t ReadHL() { return static_cast<uint16_t>(Cpu.H << 8 | Cpu.L); }
inline uint16_t ReadAF() { return static_cast<uint16_t>(Cpu.A << 8 | Cpu.F); }
inline void WriteBC(unsigned v) { Cpu.B = static_cast<uint8_t>(v >> 8); Cpu.C = static_cast<uint8_t>(v); }
inline void WriteDE(unsigned v) { Cpu.D = static_cast<uint8_t>(v >> 8); Cpu.E = static_cast<uint8_t>(v); }
inline void WriteHL(unsigned v) { Cpu.H = static_cast<uint8_t>(v >> 8); Cpu.L = static_cast<uint8_t>(v); }

// Registers, flags and the cycle counts back to zero.
void ResetCpu();

// The processor's part of a machine state (memory/machine_state.h).
class StateWriter;
class StateReader;
void SaveCpuState(StateWriter& out);
void LoadCpuState(StateReader& in);

void Push16(uint16_t value);
uint16_t Pop16();
