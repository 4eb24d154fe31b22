// The disassembler's texts: the address field, the opcode table, the rule
// for 0x40-0xBF, operands, the CB prefix and the undefined opcodes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "debug/trace_capture.h"
#include "memory/bus.h"
#include "support/machine.h"

namespace {

constexpr uint16_t CodeAddress = 0x0200;

// The instruction text (columns 11-24 of the trace line) of the first
// instruction of `bytes`, placed in ROM at 0x0200.
std::string TextOf(const std::vector<uint8_t>& bytes) {
  ResetWithCode(CodeAddress, bytes);
  TraceCapture trace;
  TraceInstruction(m, CodeAddress);
  const std::string line = trace.Contents();
  if (line.size() != 95) return "<line of " + std::to_string(line.size()) + " bytes>";
  std::string text = line.substr(10, 14);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

struct Case {
  std::vector<uint8_t> bytes;
  const char* text;
};

void ExpectTexts(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    char opcode[8];
    std::snprintf(opcode, sizeof opcode, "0x%02X", c.bytes[0]);
    EXPECT_EQ(TextOf(c.bytes), c.text) << "opcode " << opcode;
  }
}

std::vector<std::string> Split(const std::string& row) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = row.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(row.substr(start, bar - start));
  parts.push_back(row.substr(start));
  return parts;
}

}  // namespace

TEST(Disassembler, AddressFieldIsDollarFourDigitsAndPadding) {
  ResetWithCode(0x0005, {0x00});
  TraceCapture trace;
  TraceInstruction(m, 0x0005);
  EXPECT_EQ(trace.Contents().substr(0, 13), "$0005     NOP") << "'$', four digits, five spaces";

  BusWrite(m, 0xFFFE, 0x00);
  trace.Clear();
  TraceInstruction(m, 0xFFFE);
  EXPECT_EQ(trace.Contents().substr(0, 13), "$fffe     NOP") << "lowercase address digits";
}

TEST(Disassembler, TableRowsZeroToThreeF) {
  ExpectTexts({
      {{0x00}, "NOP"},           {{0x01, 0x34, 0x12}, "LD BC,#$1234"}, {{0x02}, "LD (BC),A"},
      {{0x03}, "INC BC"},        {{0x04}, "INC B"},                    {{0x05}, "DEC B"},
      {{0x06, 0x0F}, "LD B,#$0f"}, {{0x07}, "RLCA"},
      {{0x08, 0x00, 0xC0}, "LD ($c000),SP"}, {{0x09}, "ADD HL,BC"}, {{0x0A}, "LD A,(BC)"},
      {{0x0B}, "DEC BC"},        {{0x0E, 0xFF}, "LD C,#$ff"},        {{0x0F}, "RRCA"},
      {{0x10, 0x00}, "STOP"},    {{0x11, 0xD8, 0x00}, "LD DE,#$00d8"}, {{0x12}, "LD (DE),A"},
      {{0x16, 0x01}, "LD D,#$01"}, {{0x17}, "RLA"},
      {{0x18, 0xFE}, "JR #$fe"}, {{0x19}, "ADD HL,DE"},             {{0x1A}, "LD A,(DE)"},
      {{0x1C}, "INC E"},         {{0x1E, 0x00}, "LD E,#$00"},        {{0x1F}, "RRA"},
      {{0x20, 0xFE}, "JR NZ,#$fe"}, {{0x21, 0x4D, 0x01}, "LD HL,#$014d"}, {{0x22}, "LD (HLI),A"},
      {{0x23}, "INC HL"},        {{0x26, 0x9A}, "LD H,#$9a"},        {{0x27}, "DAA"},
      {{0x28, 0x05}, "JR Z,#$05"}, {{0x29}, "ADD HL,HL"},           {{0x2A}, "LD A,(HLI)"},
      {{0x2D}, "DEC L"},         {{0x2E, 0x10}, "LD L,#$10"},        {{0x2F}, "CPL"},
      {{0x30, 0x80}, "JR NC,#$80"}, {{0x31, 0xFE, 0xFF}, "LD SP,#$fffe"}, {{0x32}, "LD (HLD),A"},
      {{0x33}, "INC SP"},        {{0x34}, "INC (HL)"},               {{0x35}, "DEC (HL)"},
      {{0x36, 0x0A}, "LD (HL),#$0a"}, {{0x37}, "SCF"},
      {{0x38, 0x00}, "JR C,#$00"}, {{0x39}, "ADD HL,SP"},           {{0x3A}, "LD A,(HLD)"},
      {{0x3B}, "DEC SP"},        {{0x3C}, "INC A"},                  {{0x3D}, "DEC A"},
      {{0x3E, 0x0F}, "LD A,#$0f"}, {{0x3F}, "CCF"},
  });
}

TEST(Disassembler, TableRowsCZeroToFF) {
  ExpectTexts({
      {{0xC0}, "RET NZ"},        {{0xC1}, "POP BC"},                 {{0xC2, 0x50, 0x01}, "JP NZ,$0150"},
      {{0xC3, 0x00, 0x01}, "JP $0100"}, {{0xC4, 0x34, 0x12}, "CALL NZ,$1234"}, {{0xC5}, "PUSH BC"},
      {{0xC6, 0x01}, "ADD A,#$01"}, {{0xC7}, "RST $00"},
      {{0xC8}, "RET Z"},         {{0xC9}, "RET"},                    {{0xCA, 0xFF, 0xFF}, "JP Z,$ffff"},
      {{0xCC, 0x00, 0x00}, "CALL Z,$0000"}, {{0xCD, 0x00, 0x40}, "CALL $4000"}, {{0xCE, 0x10}, "ADC A,#$10"},
      {{0xCF}, "RST $08"},
      {{0xD0}, "RET NC"},        {{0xD1}, "POP DE"},                 {{0xD2, 0x0F, 0x00}, "JP NC,$000f"},
      {{0xD4, 0xAB, 0xCD}, "CALL NC,$cdab"}, {{0xD5}, "PUSH DE"},   {{0xD6, 0x7F}, "SUB #$7f"},
      {{0xD7}, "RST $10"},
      {{0xD8}, "RET C"},         {{0xD9}, "RETI"},                   {{0xDA, 0x00, 0x80}, "JP C,$8000"},
      {{0xDC, 0x01, 0x02}, "CALL C,$0201"}, {{0xDE, 0x02}, "SBC A,#$02"}, {{0xDF}, "RST $18"},
      {{0xE0, 0x44}, "LD ($44),A"}, {{0xE1}, "POP HL"},              {{0xE2}, "LD (C),A"},
      {{0xE5}, "PUSH HL"},       {{0xE6, 0x0F}, "AND #$0f"},         {{0xE7}, "RST $20"},
      {{0xE8, 0xFE}, "ADD SP,#$fe"}, {{0xE9}, "JP (HL)"},           {{0xEA, 0x00, 0xC0}, "LD ($c000),A"},
      {{0xEE, 0xAA}, "XOR #$aa"}, {{0xEF}, "RST $28"},
      {{0xF0, 0x44}, "LD A,($44)"}, {{0xF1}, "POP AF"},             {{0xF2}, "LD A,(C)"},
      {{0xF3}, "DI"},            {{0xF5}, "PUSH AF"},                {{0xF6, 0x80}, "OR #$80"},
      {{0xF7}, "RST $30"},
      {{0xF8, 0x05}, "LD HL,SP"}, {{0xF9}, "LD SP,HL"},             {{0xFA, 0x00, 0xC0}, "LD A,($c000)"},
      {{0xFB}, "EI"},            {{0xFE, 0x90}, "CP #$90"},          {{0xFF}, "RST $38"},
  });
}

TEST(Disassembler, RegisterRuleCoversFortyToBF) {
  // One row per opcode line 0x40, 0x48, ... 0xB8; eight texts each.
  const char* const rows[16] = {
      "LD B,B|LD B,C|LD B,D|LD B,E|LD B,H|LD B,L|LD B,(HL)|LD B,A",
      "LD C,B|LD C,C|LD C,D|LD C,E|LD C,H|LD C,L|LD C,(HL)|LD C,A",
      "LD D,B|LD D,C|LD D,D|LD D,E|LD D,H|LD D,L|LD D,(HL)|LD D,A",
      "LD E,B|LD E,C|LD E,D|LD E,E|LD E,H|LD E,L|LD E,(HL)|LD E,A",
      "LD H,B|LD H,C|LD H,D|LD H,E|LD H,H|LD H,L|LD H,(HL)|LD H,A",
      "LD L,B|LD L,C|LD L,D|LD L,E|LD L,H|LD L,L|LD L,(HL)|LD L,A",
      "LD (HL),B|LD (HL),C|LD (HL),D|LD (HL),E|LD (HL),H|LD (HL),L|HALT|LD (HL),A",
      "LD A,B|LD A,C|LD A,D|LD A,E|LD A,H|LD A,L|LD A,(HL)|LD A,A",
      "ADD A,B|ADD A,C|ADD A,D|ADD A,E|ADD A,H|ADD A,L|ADD A,(HL)|ADD A,A",
      "ADC A,B|ADC A,C|ADC A,D|ADC A,E|ADC A,H|ADC A,L|ADC A,(HL)|ADC A,A",
      "SUB B|SUB C|SUB D|SUB E|SUB H|SUB L|SUB (HL)|SUB A",
      "SBC A,B|SBC A,C|SBC A,D|SBC A,E|SBC A,H|SBC A,L|SBC A,(HL)|SBC A,A",
      "AND B|AND C|AND D|AND E|AND H|AND L|AND (HL)|AND A",
      "XOR B|XOR C|XOR D|XOR E|XOR H|XOR L|XOR (HL)|XOR A",
      "OR B|OR C|OR D|OR E|OR H|OR L|OR (HL)|OR A",
      "CP B|CP C|CP D|CP E|CP H|CP L|CP (HL)|CP A",
  };
  std::vector<uint8_t> code;
  for (int op = 0x40; op <= 0xBF; op++) code.push_back(static_cast<uint8_t>(op));
  ResetWithCode(CodeAddress, code);
  TraceCapture trace;
  for (int op = 0x40; op <= 0xBF; op++) TraceInstruction(m, static_cast<uint16_t>(CodeAddress + op - 0x40));
  const std::string all = trace.Contents();
  ASSERT_EQ(all.size(), 128u * 95) << "one 95-byte line per opcode";

  for (int op = 0x40; op <= 0xBF; op++) {
    const std::string expected = Split(rows[(op - 0x40) / 8])[op % 8];
    std::string text = all.substr(static_cast<size_t>(op - 0x40) * 95 + 10, 14);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    EXPECT_EQ(text, expected) << "opcode 0x" << std::hex << op;
  }
}

TEST(Disassembler, PrefixNamesOnlyTheFirstTwo) {
  ExpectTexts({
      {{0xCB, 0x00}, "RLC B"},
      {{0xCB, 0x01}, "RLC C"},
      {{0xCB, 0x02}, "CB ???"},
      {{0xCB, 0x37}, "CB ???"},
      {{0xCB, 0xFF}, "CB ???"},
  });
}

TEST(Disassembler, UndefinedOpcodesAreBadOps) {
  ExpectTexts({
      {{0xD3}, "BAD OP #$D3"}, {{0xDB}, "BAD OP #$DB"}, {{0xDD}, "BAD OP #$DD"}, {{0xE3}, "BAD OP #$E3"},
      {{0xE4}, "BAD OP #$E4"}, {{0xEB}, "BAD OP #$EB"}, {{0xEC}, "BAD OP #$EC"}, {{0xED}, "BAD OP #$ED"},
      {{0xF4}, "BAD OP #$F4"}, {{0xFC}, "BAD OP #$FC"}, {{0xFD}, "BAD OP #$FD"},
  });
}

TEST(Disassembler, ReadsThroughTheBus) {
  ResetTestMachine();
  BusWrite(m, 0xC000, 0xC3);  // JP $4321 in work RAM
  BusWrite(m, 0xC001, 0x21);
  BusWrite(m, 0xC002, 0x43);
  TraceCapture trace;
  TraceInstruction(m, 0xC000);
  EXPECT_EQ(trace.Contents().substr(0, 18), "$c000     JP $4321");
}

TEST(Disassembler, ScreenLineHasTheAddressAndTheTextOnly) {
  ResetWithCode(0x0150, {0xC3, 0x85, 0x01});
  TraceCapture trace;
  char text[DisassemblyTextSize];
  DisassembleLine(m, 0x0150, text);
  EXPECT_STREQ(text, "$0150 JP $0185") << "address and text only, no register fields";
  EXPECT_EQ(trace.Contents(), "") << "the screen's line writes nothing to the trace file";
}
