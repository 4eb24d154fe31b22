// The processor's memory accesses, each a machine cycle of its own, and
// operand access shared by the two instruction sets. An opcode names its
// register by a 3-bit code: 0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 6 the byte at HL
// (through the bus), 7 A. Pairs are numbered BC, DE, HL, SP, AF.
#pragma once
#include <cstdint>

#include "memory/bus.h"

inline uint16_t ReadBC(const Console& m) { return static_cast<uint16_t>(m.cpu.B << 8 | m.cpu.C); }
inline uint16_t ReadDE(const Console& m) { return static_cast<uint16_t>(m.cpu.D << 8 | m.cpu.E); }
inline uint16_t ReadHL(const Console& m) { return static_cast<uint16_t>(m.cpu.H << 8 | m.cpu.L); }
inline uint16_t ReadAF(const Console& m) { return static_cast<uint16_t>(m.cpu.A << 8 | m.cpu.F); }
inline void WriteBC(Console& m, unsigned v) {
  m.cpu.B = static_cast<uint8_t>(v >> 8);
  m.cpu.C = static_cast<uint8_t>(v);
}
inline void WriteDE(Console& m, unsigned v) {
  m.cpu.D = static_cast<uint8_t>(v >> 8);
  m.cpu.E = static_cast<uint8_t>(v);
}
inline void WriteHL(Console& m, unsigned v) {
  m.cpu.H = static_cast<uint8_t>(v >> 8);
  m.cpu.L = static_cast<uint8_t>(v);
}

// A read: the cycle passes, and the byte is read as the machine stands at
// its end (a register access brings its unit up to that cycle first).
inline uint8_t CpuRead(Console& m, int address) {
  ++m.clock.cycles;
  if (m.oam_dma.active) return OamDmaRead(m, address);
  address &= 0xFFFF;
  if ((address >> 13) == 0xC000 >> 13)  // work RAM, the most read after code
    return address < 0xD000 ? m.mem.wram_bank0[address - 0xC000] : m.mem.wram_bank[address - 0xD000];
  return ProcessorRead(m, address);
}

inline void CpuWrite(Console& m, int address, int value) {
  ++m.clock.cycles;
  if (m.oam_dma.active && OamDmaBlocksWrite(m, address)) return;
  address &= 0xFFFF;
  if ((address >> 13) == 0xC000 >> 13) {  // work RAM, the most written
    (address < 0xD000 ? m.mem.wram_bank0[address - 0xC000] : m.mem.wram_bank[address - 0xD000]) =
        static_cast<uint8_t>(value);
    return;
  }
  if (ProcessorLockedOut(m, address)) return;
  BusWrite(m, address, value);
}

// LDH's page, 0xFF00 + low: high RAM straight, the registers (and IE at
// 0xFFFF) through their own handlers, without the bus's decoding.
inline bool HighRamByte(uint8_t low) { return low >= 0x80 && low != 0xFF; }

inline uint8_t CpuReadHigh(Console& m, uint8_t low) {
  ++m.clock.cycles;
  if (m.oam_dma.active) return OamDmaRead(m, 0xFF00 | low);
  if (HighRamByte(low)) return m.mem.high_ram[low - 0x80];
  // LY, polled in loops, answers at once while nothing is due.
  if (low == 0x44 && m.clock.cycles < m.lcd.ly_change_at && m.clock.cycles < m.clock.next_event_at) return m.lcd.LY;
  return IoRead(m, 0xFF00 | low);
}

inline void CpuWriteHigh(Console& m, uint8_t low, uint8_t value) {
  ++m.clock.cycles;
  if (m.oam_dma.active && OamDmaBlocksWrite(m, 0xFF00 | low)) return;
  if (HighRamByte(low)) m.mem.high_ram[low - 0x80] = value;
  else IoWrite(m, 0xFF00 | low, value);
}

// A cycle without an access.
inline void IdleCycle(Console& m) { ++m.clock.cycles; }

constexpr int RegB = 0, RegC = 1, RegD = 2, RegE = 3, RegH = 4, RegL = 5, RegAtHl = 6, RegA = 7;
constexpr int PairBC = 0, PairDE = 1, PairHL = 2, PairSP = 3, PairAF = 4;

template <int r>
inline uint8_t& Reg(Console& m) {
  static_assert(r >= 0 && r <= 7 && r != RegAtHl, "a register code other than (HL)");
  if constexpr (r == RegB) return m.cpu.B;
  else if constexpr (r == RegC) return m.cpu.C;
  else if constexpr (r == RegD) return m.cpu.D;
  else if constexpr (r == RegE) return m.cpu.E;
  else if constexpr (r == RegH) return m.cpu.H;
  else if constexpr (r == RegL) return m.cpu.L;
  else return m.cpu.A;
}

template <int r>
inline uint8_t ReadOperand(Console& m) {
  if constexpr (r == RegAtHl) return CpuRead(m, ReadHL(m));
  else return Reg<r>(m);
}

template <int r>
inline void WriteOperand(Console& m, uint8_t value) {
  if constexpr (r == RegAtHl) CpuWrite(m, ReadHL(m), value);
  else Reg<r>(m) = value;
}

// Applies an operation that changes a byte in place: a register directly, the
// byte at HL by reading it, changing the copy and writing it back.
template <int r, typename Operation>
inline void ModifyOperand(Console& m, Operation operation) {
  if constexpr (r == RegAtHl) {
    const uint16_t address = ReadHL(m);
    uint8_t value = CpuRead(m, address);
    operation(value);
    CpuWrite(m, address, value);
  } else {
    operation(Reg<r>(m));
  }
}

template <int p>
inline uint16_t ReadPair(Console& m) {
  if constexpr (p == PairBC) return ReadBC(m);
  else if constexpr (p == PairDE) return ReadDE(m);
  else if constexpr (p == PairHL) return ReadHL(m);
  else if constexpr (p == PairSP) return m.cpu.SP;
  else return ReadAF(m);
}

template <int p>
inline void WritePair(Console& m, unsigned value) {
  if constexpr (p == PairBC) WriteBC(m, value);
  else if constexpr (p == PairDE) WriteDE(m, value);
  else if constexpr (p == PairHL) WriteHL(m, value);
  else if constexpr (p == PairSP) m.cpu.SP = static_cast<uint16_t>(value);
  else {
    m.cpu.A = static_cast<uint8_t>(value >> 8);
    m.cpu.F = static_cast<uint8_t>(value & 0xF0);  // the low four bits of F always read 0
  }
}
