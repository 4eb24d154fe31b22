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

using Handler = void (*)();

template <unsigned x>
void CbHandler() {
  constexpr int r = x & 7;
  constexpr int group = x >> 3;
  constexpr int bit = group & 7;
  if constexpr (x < 0x40) {
    ModifyOperand<r>([](uint8_t& v) {
      if constexpr (group == 0) Rlc(v);
      else if constexpr (group == 1) Rrc(v);
      else if constexpr (group == 2) Rl(v);
      else if constexpr (group == 3) Rr(v);
      else if constexpr (group == 4) Sla(v);
      else if constexpr (group == 5) Sra(v);
      else if constexpr (group == 6) Swap(v);
      else Srl(v);
    });
  } else if constexpr (x < 0x80) {
    Bit(bit, ReadOperand<r>());  // BIT only reads
  } else if constexpr (x < 0xC0) {
    ModifyOperand<r>([](uint8_t& v) { v = static_cast<uint8_t>(v & ~(1 << bit)); });
  } else {
    ModifyOperand<r>([](uint8_t& v) { v = static_cast<uint8_t>(v | (1 << bit)); });
  }
  Cpu.PC += 2;
}

template <unsigned... x>
constexpr std::array<Handler, sizeof...(x)> MakeCbTable(std::integer_sequence<unsigned, x...>) {
  return {CbHandler<x>...};
}

constexpr std::array<Handler, 256> CbOps = MakeCbTable(std::make_integer_sequence<unsigned, 256>{});

}  // namespace

void ExecuteCb(uint8_t opcode) { CbOps[opcode](); }
