// The assembler text of each opcode, as the disassembler writes it.
#pragma once
#include <cstdint>

// What follows an opcode's head text: nothing, the byte after the opcode
// (two hexadecimal digits) or the little-endian word after it (four digits).
enum class OperandKind : uint8_t { None, Byte, Word };

struct OpcodeText {
  const char* head;                          // null where the text is built by rule
  OperandKind operand = OperandKind::None;  // written right after the head
  const char* tail = "";                     // written after the operand
};

// Indexed by opcode. The entries of 0x40-0xBF (loads and arithmetic on the
// eight registers) and of the 0xCB prefix are null: their text depends on
// the opcode's bit fields or on the next byte.
extern const OpcodeText OpcodeTexts[256];

// The register named by a 3-bit field: B, C, D, E, H, L, (HL), A.
extern const char* const RegisterNames[8];
// The arithmetic operation named by bits 5-3 of the opcodes 0x80-0xBF.
extern const char* const ArithmeticNames[8];
