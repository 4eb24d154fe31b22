// The disassembler and the trace file.
//
// One routine serves both the register display (the line drawn at a text
// row) and the trace (the line, extended by the registers, appended to
// "Trace.Log"). The trace runs once per executed instruction while tracing,
// so the line is built in a fixed buffer with a running length: no
// allocation, no formatted printing, one write per line.
#include "debug/disassembler.h"

#include <cstring>

#include "cpu/registers.h"
#include "debug/opcode_names.h"
#include "debug/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

void (*TraceSink)(const char* line, size_t length) = nullptr;

namespace {

constexpr int LineSize = 100;         // room for the longest trace line and its CR LF
constexpr int AddressFieldWidth = 10;  // "$" and four digits, then spaces
constexpr int ScreenAddressWidth = 6;  // one space on the screen: the line fits the picture's 20 cells
constexpr int RegisterColumn = 24;     // where the register fields start in a trace line

const char HexDigits[] = "0123456789abcdef";

// A line under construction: text[0..length) is valid; the terminating zero
// is only written when the line is drawn.
struct Line {
  char text[LineSize];
  int length = 0;

  void Append(const char* s) {
    while (*s) text[length++] = *s++;
  }
  // The value as exactly `digits` lowercase hexadecimal digits, zeros first:
  // what AppendZeroPad followed by the plain digits gives for values that
  // fit the width.
  void AppendHex(unsigned value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text[length++] = HexDigits[(value >> shift) & 0xF];
  }
  void PadTo(int width) {
    while (length < width) text[length++] = ' ';
  }
};

void AppendInstruction(Line& line, uint16_t address) {
  const uint8_t opcode = BusRead(address);

  if (opcode >= 0x40 && opcode <= 0xBF) {
    const char* source = RegisterNames[opcode & 7];
    if (opcode < 0x80) {
      if (opcode == 0x76) {
        line.Append("HALT");  // where "LD (HL),(HL)" would be
        return;
      }
      line.Append("LD ");
      line.Append(RegisterNames[(opcode >> 3) & 7]);
      line.Append(",");
    } else {
      line.Append(ArithmeticNames[(opcode >> 3) & 7]);
    }
    line.Append(source);
    return;
  }

  if (opcode == 0xCB) {
    // Only the first two prefixed instructions are named.
    const uint8_t next = BusRead(address + 1);
    line.Append(next == 0x00 ? "RLC B" : next == 0x01 ? "RLC C" : "CB ???");
    return;
  }

  const OpcodeText& entry = OpcodeTexts[opcode];
  line.Append(entry.head);
  if (entry.operand == OperandKind::Byte) line.AppendHex(BusRead(address + 1), 2);
  if (entry.operand == OperandKind::Word) line.AppendHex(BusRead16(address + 1), 4);
  line.Append(entry.tail);
}

// The register part of a trace line: fixed labels at fixed places, so only
// the digits are filled in for each line.
constexpr char RegisterFields[] = "AF:0000   BC:0000   DE:0000   HL:0000   SP:0000   LY:0000   LCDC:0000\r\n";
constexpr int RegisterFieldsLength = sizeof RegisterFields - 1;
constexpr int FieldAF = 3, FieldBC = 13, FieldDE = 23, FieldHL = 33, FieldSP = 43, FieldLY = 53, FieldLCDC = 65;
constexpr int TraceLineBytes = 93 + 2;  // 93 characters, then CR LF
static_assert(RegisterColumn + RegisterFieldsLength == TraceLineBytes, "every trace line has the same length");
static_assert(TraceLineBytes <= LineSize, "the line buffer holds a whole trace line");

void PutHex4(char* at, unsigned value) {
  at[0] = HexDigits[(value >> 12) & 0xF];
  at[1] = HexDigits[(value >> 8) & 0xF];
  at[2] = HexDigits[(value >> 4) & 0xF];
  at[3] = HexDigits[value & 0xF];
}

}  // namespace

void Disassemble(uint16_t address, int target) {
  const bool tracing = target < 0;
  // A halted processor executes nothing, so there is nothing to trace; and
  // without a sink nobody takes the lines.
  if (tracing && (Cpu.Halted || !TraceSink)) return;

  Line line;
  line.Append("$");
  line.AppendHex(address, 4);
  line.PadTo(tracing ? AddressFieldWidth : ScreenAddressWidth);
  AppendInstruction(line, address);

  if (!tracing) {
    line.text[line.length] = '\0';
    DrawTextAt(line.text, 0, target, White);
    return;
  }

  line.PadTo(RegisterColumn);
  char* fields = line.text + line.length;
  std::memcpy(fields, RegisterFields, RegisterFieldsLength);
  PutHex4(fields + FieldAF, ReadAF());
  PutHex4(fields + FieldBC, ReadBC());
  PutHex4(fields + FieldDE, ReadDE());
  PutHex4(fields + FieldHL, ReadHL());
  PutHex4(fields + FieldSP, Cpu.SP);
  LcdSync();  // LY as of this cycle: the LCD's quiet steps wait for a look
  PutHex4(fields + FieldLY, LY);
  PutHex4(fields + FieldLCDC, LCDC);
  TraceSink(line.text, static_cast<size_t>(line.length + RegisterFieldsLength));
}

void AppendZeroPad(int value, int wide, char* text) {
  char* end = text + std::strlen(text);
  if (value < 16) *end++ = '0';
  if (wide) {
    if (value < 256) *end++ = '0';
    if (value < 4096) *end++ = '0';
  }
  *end = '\0';
}

void PadRight(int width, char* text) {
  size_t length = std::strlen(text);
  while (length < static_cast<size_t>(width > 0 ? width : 0)) text[length++] = ' ';
  text[length] = '\0';
}
