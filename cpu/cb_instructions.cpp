// The CB-prefixed instructions: rotates, shifts, SWAP, BIT, RES and SET on a
// register or on the byte at HL. The second byte x decodes as group x >> 3
// and operand code x & 7; one handler per second byte, reached through a
// 256-entry table.
#include <array>
#include <utility>

#include "cpu/alu.h"
#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "cpu/registers.h"

namespace {

using Handler = void (*)(Console&);

template <unsigned x>
void CbHandler(Console& m) {
  constexpr int r = x & 7;
  constexpr int group = x >> 3;
  constexpr int bit = group & 7;
  if constexpr (x < 0x40) {
    ModifyOperand<r>(m, [&m](uint8_t& v) {
      if constexpr (group == 0) Rlc(m, v);
      else if constexpr (group == 1) Rrc(m, v);
      else if constexpr (group == 2) Rl(m, v);
      else if constexpr (group == 3) Rr(m, v);
      else if constexpr (group == 4) Sla(m, v);
      else if constexpr (group == 5) Sra(m, v);
      else if constexpr (group == 6) Swap(m, v);
      else Srl(m, v);
    });
  } else if constexpr (x < 0x80) {
    Bit(m, bit, ReadOperand<r>(m));  // BIT only reads
  } else if constexpr (x < 0xC0) {
    ModifyOperand<r>(m, [&m](uint8_t& v) { v = static_cast<uint8_t>(v & ~(1 << bit)); });
  } else {
    ModifyOperand<r>(m, [&m](uint8_t& v) { v = static_cast<uint8_t>(v | (1 << bit)); });
  }
  m.cpu.PC += 2;
}

template <unsigned... x>
constexpr std::array<Handler, sizeof...(x)> MakeCbTable(std::integer_sequence<unsigned, x...>) {
  return {CbHandler<x>...};
}

constexpr std::array<Handler, 256> CbOps = MakeCbTable(std::make_integer_sequence<unsigned, 256>{});

}  // namespace

void ExecuteCb(Console& m, uint8_t opcode) { CbOps[opcode](m); }
