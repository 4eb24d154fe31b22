// The processor's memory accesses, each a machine cycle of its own, and
// operand access shared by the two instruction sets. An opcode names its
// register by a 3-bit code: 0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 6 the byte at HL
// (through the bus), 7 A. Pairs are numbered BC, DE, HL, SP, AF.
#pragma once
#include <cstdint>

#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/machine_clock.h"
#include "memory/oam_dma.h"

// A read: the cycle passes, and the byte is read as the machine stands at
// its end (a register access brings its unit up to that cycle first).
inline uint8_t CpuRead(int address) {
  ++TotalCycles;
  if (OamDmaActive) return OamDmaRead(address);
  address &= 0xFFFF;
  if ((address >> 13) == 0xC000 >> 13)  // work RAM, the most read after code
    return address < 0xD000 ? WramBank0Ptr[address - 0xC000] : WramBankPtr[address - 0xD000];
  return ProcessorRead(address);
}

inline void CpuWrite(int address, int value) {
  ++TotalCycles;
  if (OamDmaActive && OamDmaBlocksWrite(address)) return;
  address &= 0xFFFF;
  if ((address >> 13) == 0xC000 >> 13) {  // work RAM, the most written
    (address < 0xD000 ? WramBank0Ptr[address - 0xC000] : WramBankPtr[address - 0xD000]) =
        static_cast<uint8_t>(value);
    return;
  }
  if (ProcessorLockedOut(address)) return;
  BusWrite(address, value);
}

// LDH's page, 0xFF00 + low: high RAM straight, the registers (and IE at
// 0xFFFF) through their own handlers, without the bus's decoding.
inline bool HighRamByte(uint8_t low) { return low >= 0x80 && low != 0xFF; }

inline uint8_t CpuReadHigh(uint8_t low) {
  ++TotalCycles;
  if (OamDmaActive) return OamDmaRead(0xFF00 | low);
  if (HighRamByte(low)) return HighRam[low - 0x80];
  // LY, polled in loops, answers at once while nothing is due.
  if (low == 0x44 && TotalCycles < LyChangeAt && TotalCycles < NextEventAt) return LY;
  return IoRead(0xFF00 | low);
}

inline void CpuWriteHigh(uint8_t low, uint8_t value) {
  ++TotalCycles;
  if (OamDmaActive && OamDmaBlocksWrite(0xFF00 | low)) return;
  if (HighRamByte(low)) HighRam[low - 0x80] = value;
  else IoWrite(0xFF00 | low, value);
}

// A cycle without an access.
inline void IdleCycle() { ++TotalCycles; }

constexpr int RegB = 0, RegC = 1, RegD = 2, RegE = 3, RegH = 4, RegL = 5, RegAtHl = 6, RegA = 7;
constexpr int PairBC = 0, PairDE = 1, PairHL = 2, PairSP = 3, PairAF = 4;

template <int r>
inline uint8_t& Reg() {
  static_assert(r >= 0 && r <= 7 && r != RegAtHl, "a register code other than (HL)");
  if constexpr (r == RegB) return Cpu.B;
  else if constexpr (r == RegC) return Cpu.C;
  else if constexpr (r == RegD) return Cpu.D;
  else if constexpr (r == RegE) return Cpu.E;
  else if constexpr (r == RegH) return Cpu.H;
  else if constexpr (r == RegL) return Cpu.L;
  else return Cpu.A;
}

template <int r>
inline uint8_t ReadOperand() {
  if constexpr (r == RegAtHl) return CpuRead(ReadHL());
  else return Reg<r>();
}

template <int r>
inline void WriteOperand(uint8_t value) {
  if constexpr (r == RegAtHl) CpuWrite(ReadHL(), value);
  else Reg<r>() = value;
}

// Applies an operation that changes a byte in place: a register directly, the
// byte at HL by reading it, changing the copy and writing it back.
template <int r, typename Operation>
inline void ModifyOperand(Operation operation) {
  if constexpr (r == RegAtHl) {
    const uint16_t address = ReadHL();
    uint8_t value = CpuRead(address);
    operation(value);
    CpuWrite(address, value);
  } else {
    operation(Reg<r>());
  }
}

template <int p>
inline uint16_t ReadPair() {
  if constexpr (p == PairBC) return ReadBC();
  else if constexpr (p == PairDE) return ReadDE();
  else if constexpr (p == PairHL) return ReadHL();
  else if constexpr (p == PairSP) return Cpu.SP;
  else return ReadAF();
}

template <int p>
inline void WritePair(unsigned value) {
  if constexpr (p == PairBC) WriteBC(value);
  else if constexpr (p == PairDE) WriteDE(value);
  else if constexpr (p == PairHL) WriteHL(value);
  else if constexpr (p == PairSP) Cpu.SP = static_cast<uint16_t>(value);
  else {
    Cpu.A = static_cast<uint8_t>(value >> 8);
    Cpu.F = static_cast<uint8_t>(value & 0xF0);  // the low four bits of F always read 0
  }
}
