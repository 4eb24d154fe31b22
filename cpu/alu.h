// The processor's arithmetic and flag rules, shared by the base and the
// CB-prefixed instruction sets. Each operation takes the register it changes
// by reference, so one body serves every register and the bus byte alike.
//
// The low four bits of F always read 0 (POP AF clears them and nothing else
// writes them), so an operation that decides all four flags stores F whole.
#pragma once
#include <cstdint>

#include "cpu/operands.h"

inline uint8_t ZeroFlag(unsigned value) { return (value & 0xFF) == 0 ? FlagZ : 0; }

// 8-bit arithmetic on A. The half carry is the carry (or borrow) out of bit 3
// with the operand and the carry-in counted: bit 4 of A XOR v XOR result.
inline void Add8(Console& m, uint8_t& a, uint8_t v) {
  const unsigned s = a + v;
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(s) | ((a ^ v ^ s) & 0x10 ? FlagH : 0) | (s > 0xFF ? FlagC : 0));
  a = static_cast<uint8_t>(s);
}

inline void Adc8(Console& m, uint8_t& a, uint8_t v) {
  const unsigned c = (m.cpu.F & FlagC) ? 1 : 0;
  const unsigned s = a + v + c;
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(s) | ((a ^ v ^ s) & 0x10 ? FlagH : 0) | (s > 0xFF ? FlagC : 0));
  a = static_cast<uint8_t>(s);
}

inline void Sub8(Console& m, uint8_t& a, uint8_t v) {
  const unsigned d = static_cast<unsigned>(a) - v;
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(d) | FlagN | ((a ^ v ^ d) & 0x10 ? FlagH : 0) | (a < v ? FlagC : 0));
  a = static_cast<uint8_t>(d);
}

inline void Sbc8(Console& m, uint8_t& a, uint8_t v) {
  const unsigned c = (m.cpu.F & FlagC) ? 1 : 0;
  const unsigned d = static_cast<unsigned>(a) - v - c;
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(d) | FlagN | ((a ^ v ^ d) & 0x10 ? FlagH : 0) |
                               (a < v + c ? FlagC : 0));
  a = static_cast<uint8_t>(d);
}

inline void And8(Console& m, uint8_t& a, uint8_t v) {
  a &= v;
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(a) | FlagH);
}

inline void Xor8(Console& m, uint8_t& a, uint8_t v) {
  a ^= v;
  m.cpu.F = ZeroFlag(a);
}

inline void Or8(Console& m, uint8_t& a, uint8_t v) {
  a |= v;
  m.cpu.F = ZeroFlag(a);
}

// A compare is a subtraction whose result is dropped.
inline void Cp8(Console& m, uint8_t a, uint8_t v) { Sub8(m, a, v); }

// INC and DEC keep C.
inline void Inc8(Console& m, uint8_t& r) {
  const uint8_t w = static_cast<uint8_t>(r + 1);
  m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagC) | ZeroFlag(w) | ((r ^ w) & 0x10 ? FlagH : 0));
  r = w;
}

inline void Dec8(Console& m, uint8_t& r) {
  const uint8_t w = static_cast<uint8_t>(r - 1);
  m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagC) | FlagN | ZeroFlag(w) | ((r ^ w) & 0x10 ? FlagH : 0));
  r = w;
}

// ADD HL,rr: Z kept; H is the carry out of bit 11, C the carry out of bit 15.
inline void AddHl(Console& m, uint16_t pair) {
  const unsigned hl = ReadHL(m);
  const unsigned s = hl + pair;
  m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagZ) | ((hl ^ pair ^ s) & 0x1000 ? FlagH : 0) |
                               (s > 0xFFFF ? FlagC : 0));
  WriteHL(m, s);
}

// SP plus a signed offset, for ADD SP,e and LD HL,SP+e. The flags come from
// the low byte: H is the carry out of bit 3 and C the carry out of bit 7 of
// SP's low byte plus e read as an unsigned byte; Z and N are cleared.
inline uint16_t SpPlusOffset(Console& m, uint8_t e) {
  const unsigned sp = m.cpu.SP;
  m.cpu.F = static_cast<uint8_t>((((sp & 0x0F) + (e & 0x0F)) > 0x0F ? FlagH : 0) |
                               (((sp & 0xFF) + e) > 0xFF ? FlagC : 0));
  return static_cast<uint16_t>(sp + static_cast<int8_t>(e));
}

// DAA adjusts A to packed decimal after an addition (N clear) or a
// subtraction (N set), using H and C from that operation.
inline void Daa(Console& m, uint8_t& a) {
  unsigned value = a;
  uint8_t carry = m.cpu.F & FlagC;
  if (m.cpu.F & FlagN) {
    if (m.cpu.F & FlagC) value -= 0x60;
    if (m.cpu.F & FlagH) value -= 0x06;
  } else {
    if (carry || value > 0x99) {
      value += 0x60;
      carry = FlagC;
    }
    if ((m.cpu.F & FlagH) || (a & 0x0F) > 0x09) value += 0x06;
  }
  a = static_cast<uint8_t>(value);
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(a) | (m.cpu.F & FlagN) | carry);
}

inline void Cpl(Console& m, uint8_t& a) {
  a = static_cast<uint8_t>(~a);
  m.cpu.F |= FlagN | FlagH;
}

inline void Scf(Console& m) { m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagZ) | FlagC); }
inline void Ccf(Console& m) { m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagZ) | ((m.cpu.F & FlagC) ^ FlagC)); }

// Rotates and shifts: N and H cleared, C the bit shifted out, Z set when the
// result is 0. RLCA, RRCA, RLA and RRA use the same bodies and then clear Z.
inline void ShiftFlags(Console& m, uint8_t result, bool carry) {
  m.cpu.F = static_cast<uint8_t>(ZeroFlag(result) | (carry ? FlagC : 0));
}

inline void Rlc(Console& m, uint8_t& r) {
  const bool out = r & 0x80;
  r = static_cast<uint8_t>(r << 1 | r >> 7);
  ShiftFlags(m, r, out);
}

inline void Rrc(Console& m, uint8_t& r) {
  const bool out = r & 0x01;
  r = static_cast<uint8_t>(r >> 1 | r << 7);
  ShiftFlags(m, r, out);
}

inline void Rl(Console& m, uint8_t& r) {
  const bool out = r & 0x80;
  r = static_cast<uint8_t>(r << 1 | ((m.cpu.F & FlagC) ? 1 : 0));
  ShiftFlags(m, r, out);
}

inline void Rr(Console& m, uint8_t& r) {
  const bool out = r & 0x01;
  r = static_cast<uint8_t>(r >> 1 | ((m.cpu.F & FlagC) ? 0x80 : 0));
  ShiftFlags(m, r, out);
}

inline void Sla(Console& m, uint8_t& r) {
  const bool out = r & 0x80;
  r = static_cast<uint8_t>(r << 1);
  ShiftFlags(m, r, out);
}

inline void Sra(Console& m, uint8_t& r) {
  const bool out = r & 0x01;
  r = static_cast<uint8_t>(r >> 1 | (r & 0x80));
  ShiftFlags(m, r, out);
}

inline void Srl(Console& m, uint8_t& r) {
  const bool out = r & 0x01;
  r = static_cast<uint8_t>(r >> 1);
  ShiftFlags(m, r, out);
}

inline void Swap(Console& m, uint8_t& r) {
  r = static_cast<uint8_t>(r << 4 | r >> 4);
  m.cpu.F = ZeroFlag(r);
}

// BIT keeps C and sets H.
inline void Bit(Console& m, int bit, uint8_t v) {
  m.cpu.F = static_cast<uint8_t>((m.cpu.F & FlagC) | FlagH | ((v >> bit) & 1 ? 0 : FlagZ));
}
