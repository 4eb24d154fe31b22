// The disassembler and the trace file.
//
// One routine serves both the register display (the line drawn at a text
// row) and the trace (the line, extended by the registers, appended to
// "Trace.Log"). The trace runs once per executed instruction while tracing,
// so the line is built in a fixed buffer with a running length: no
// allocation, no formatted printing, one write per line.
#include "debug/disassembler.h"

#include <cstring>

#include "cpu/operands.h"
#include "debug/opcode_names.h"
#include "memory/bus.h"

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
  // The value as exactly `digits` lowercase hexadecimal digits, zeros first.
  void AppendHex(unsigned value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text[length++] = HexDigits[(value >> shift) & 0xF];
  }
  void PadTo(int width) {
    while (length < width) text[length++] = ' ';
  }
};

void AppendInstruction(Console& m, Line& line, uint16_t address) {
  const uint8_t opcode = BusRead(m, address);

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
    const uint8_t next = BusRead(m, address + 1);
    line.Append(next == 0x00 ? "RLC B" : next == 0x01 ? "RLC C" : "CB ???");
    return;
  }

  const OpcodeText& entry = OpcodeTexts[opcode];
  line.Append(entry.head);
  if (entry.operand == OperandKind::Byte) line.AppendHex(BusRead(m, address + 1), 2);
  if (entry.operand == OperandKind::Word) line.AppendHex(BusRead16(m, address + 1), 4);
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

namespace {

// "$0150" and the instruction, its text starting at column `at`.
void BeginLine(Console& m, Line& line, uint16_t address, int at) {
  line.Append("$");
  line.AppendHex(address, 4);
  line.PadTo(at);
  AppendInstruction(m, line, address);
}

}  // namespace

void DisassembleLine(Console& m, uint16_t address, char* out) {
  Line line;
  BeginLine(m, line, address, ScreenAddressWidth);
  static_assert(DisassemblyTextSize <= LineSize, "the screen's line fits the buffer");
  const int length = line.length < DisassemblyTextSize - 1 ? line.length : DisassemblyTextSize - 1;
  std::memcpy(out, line.text, static_cast<size_t>(length));
  out[length] = '\0';
}

void TraceInstruction(Console& m, uint16_t address) {
  // A halted processor executes nothing, so there is nothing to trace; and
  // without a sink nobody takes the lines.
  if (m.cpu.Halted || !m.trace.sink) return;
  Line line;
  BeginLine(m, line, address, AddressFieldWidth);
  line.PadTo(RegisterColumn);
  char* fields = line.text + line.length;
  std::memcpy(fields, RegisterFields, RegisterFieldsLength);
  PutHex4(fields + FieldAF, ReadAF(m));
  PutHex4(fields + FieldBC, ReadBC(m));
  PutHex4(fields + FieldDE, ReadDE(m));
  PutHex4(fields + FieldHL, ReadHL(m));
  PutHex4(fields + FieldSP, m.cpu.SP);
  LcdSync(m);  // LY as of this cycle: the LCD's quiet steps wait for a look
  PutHex4(fields + FieldLY, m.lcd.LY);
  PutHex4(fields + FieldLCDC, m.lcd.LCDC);
  m.trace.sink(m.trace.sink_context, line.text, static_cast<size_t>(line.length + RegisterFieldsLength));
}
