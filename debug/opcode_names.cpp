#include "debug/opcode_names.h"

namespace {

constexpr OperandKind None = OperandKind::None;
constexpr OperandKind Byte = OperandKind::Byte;
constexpr OperandKind Word = OperandKind::Word;
constexpr OpcodeText Rule = {nullptr, None, ""};
constexpr OpcodeText Prefix = {nullptr, None, ""};

}  // namespace

// Relative jumps show the raw displacement byte, the high-page loads 0xE0
// and 0xF0 only the low byte of the address; immediates carry "#$", jump
// targets and memory addresses only "$".
const OpcodeText OpcodeTexts[256] = {
    // 0x00-0x07
    {"NOP"}, {"LD BC,#$", Word, ""}, {"LD (BC),A"}, {"INC BC"}, {"INC B"}, {"DEC B"}, {"LD B,#$", Byte, ""},
    {"RLCA"},
    // 0x08-0x0F
    {"LD ($", Word, "),SP"}, {"ADD HL,BC"}, {"LD A,(BC)"}, {"DEC BC"}, {"INC C"}, {"DEC C"},
    {"LD C,#$", Byte, ""}, {"RRCA"},
    // 0x10-0x17
    {"STOP"}, {"LD DE,#$", Word, ""}, {"LD (DE),A"}, {"INC DE"}, {"INC D"}, {"DEC D"}, {"LD D,#$", Byte, ""},
    {"RLA"},
    // 0x18-0x1F
    {"JR #$", Byte, ""}, {"ADD HL,DE"}, {"LD A,(DE)"}, {"DEC DE"}, {"INC E"}, {"DEC E"}, {"LD E,#$", Byte, ""},
    {"RRA"},
    // 0x20-0x27
    {"JR NZ,#$", Byte, ""}, {"LD HL,#$", Word, ""}, {"LD (HLI),A"}, {"INC HL"}, {"INC H"}, {"DEC H"},
    {"LD H,#$", Byte, ""}, {"DAA"},
    // 0x28-0x2F
    {"JR Z,#$", Byte, ""}, {"ADD HL,HL"}, {"LD A,(HLI)"}, {"DEC HL"}, {"INC L"}, {"DEC L"},
    {"LD L,#$", Byte, ""}, {"CPL"},
    // 0x30-0x37
    {"JR NC,#$", Byte, ""}, {"LD SP,#$", Word, ""}, {"LD (HLD),A"}, {"INC SP"}, {"INC (HL)"}, {"DEC (HL)"},
    {"LD (HL),#$", Byte, ""}, {"SCF"},
    // 0x38-0x3F
    {"JR C,#$", Byte, ""}, {"ADD HL,SP"}, {"LD A,(HLD)"}, {"DEC SP"}, {"INC A"}, {"DEC A"},
    {"LD A,#$", Byte, ""}, {"CCF"},
    // 0x40-0xBF: built from the bit fields
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    Rule, Rule, Rule, Rule, Rule, Rule, Rule, Rule,
    // 0xC0-0xC7
    {"RET NZ"}, {"POP BC"}, {"JP NZ,$", Word, ""}, {"JP $", Word, ""}, {"CALL NZ,$", Word, ""}, {"PUSH BC"},
    {"ADD A,#$", Byte, ""}, {"RST $00"},
    // 0xC8-0xCF
    {"RET Z"}, {"RET"}, {"JP Z,$", Word, ""}, Prefix, {"CALL Z,$", Word, ""}, {"CALL $", Word, ""},
    {"ADC A,#$", Byte, ""}, {"RST $08"},
    // 0xD0-0xD7
    {"RET NC"}, {"POP DE"}, {"JP NC,$", Word, ""}, {"BAD OP #$D3"}, {"CALL NC,$", Word, ""}, {"PUSH DE"},
    {"SUB #$", Byte, ""}, {"RST $10"},
    // 0xD8-0xDF
    {"RET C"}, {"RETI"}, {"JP C,$", Word, ""}, {"BAD OP #$DB"}, {"CALL C,$", Word, ""}, {"BAD OP #$DD"},
    {"SBC A,#$", Byte, ""}, {"RST $18"},
    // 0xE0-0xE7
    {"LD ($", Byte, "),A"}, {"POP HL"}, {"LD (C),A"}, {"BAD OP #$E3"}, {"BAD OP #$E4"}, {"PUSH HL"},
    {"AND #$", Byte, ""}, {"RST $20"},
    // 0xE8-0xEF
    {"ADD SP,#$", Byte, ""}, {"JP (HL)"}, {"LD ($", Word, "),A"}, {"BAD OP #$EB"}, {"BAD OP #$EC"},
    {"BAD OP #$ED"}, {"XOR #$", Byte, ""}, {"RST $28"},
    // 0xF0-0xF7
    {"LD A,($", Byte, ")"}, {"POP AF"}, {"LD A,(C)"}, {"DI"}, {"BAD OP #$F4"}, {"PUSH AF"}, {"OR #$", Byte, ""},
    {"RST $30"},
    // 0xF8-0xFF
    {"LD HL,SP"}, {"LD SP,HL"}, {"LD A,($", Word, ")"}, {"EI"}, {"BAD OP #$FC"}, {"BAD OP #$FD"},
    {"CP #$", Byte, ""}, {"RST $38"},
};

const char* const RegisterNames[8] = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};

const char* const ArithmeticNames[8] = {"ADD A,", "ADC A,", "SUB ", "SBC A,", "AND ", "XOR ", "OR ", "CP "};
