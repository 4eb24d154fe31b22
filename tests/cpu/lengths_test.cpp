// How far each instruction moves PC, where the jumps go, and what each
// instruction costs (the step reports the cost and moves the timer by it).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cpu_test_support.h"
#include "memory/io_registers.h"
#include "memory/timer.h"

namespace {

const std::set<int> Undefined = {0xD3, 0xDB, 0xDD, 0xE3, 0xE4, 0xEB, 0xEC, 0xED, 0xF4, 0xFC, 0xFD};

const std::set<int> TwoBytes = {0x06, 0x0E, 0x16, 0x1E, 0x26, 0x2E, 0x36, 0x3E, 0x10, 0x18, 0x20, 0x28, 0x30,
                                0x38, 0xC6, 0xCE, 0xD6, 0xDE, 0xE6, 0xEE, 0xF6, 0xFE, 0xE0, 0xF0, 0xE8, 0xF8, 0xCB};
const std::set<int> ThreeBytes = {0x01, 0x11, 0x21, 0x31, 0x08, 0xC2, 0xCA, 0xD2, 0xDA, 0xC3,
                                  0xC4, 0xCC, 0xD4, 0xDC, 0xCD, 0xEA, 0xFA};

int Length(int opcode) {
  if (TwoBytes.count(opcode)) return 2;
  if (ThreeBytes.count(opcode)) return 3;
  return 1;
}

// Conditional jumps, calls and returns, whose condition is in bits 4-3.
bool IsConditional(int opcode) {
  const int low = opcode & 0xE7;
  return low == 0x20 || low == 0xC0 || low == 0xC2 || low == 0xC4;
}

// The flags that make condition cc (NZ, Z, NC, C) hold or fail.
uint8_t FlagsFor(int cc, bool holds) {
  const uint8_t bit = cc < 2 ? FlagZ : FlagC;
  const bool set = (cc & 1) ? holds : !holds;
  return set ? bit : 0;
}

std::string Hex(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", v);
  return text;
}

constexpr uint16_t StackTop = 0xD000;
constexpr uint8_t Operand = 0x06;       // n, e, and the low byte of nn
constexpr uint16_t Target = 0xC806;     // nn of every three-byte instruction
constexpr uint16_t HlAddress = 0xC800;

// Puts the machine into a state where any instruction stays in RAM: operands
// 0x06 0xC8 after the opcode, HL at 0xC800, the stack in work RAM holding
// the return address 0x1234.
void Prepare(int opcode, uint8_t flags) {
  Poke(CodeAddress, {static_cast<uint8_t>(opcode), Operand, 0xC8});
  Poke(StackTop, {0x34, 0x12});
  m.cpu.SP = StackTop;
  WriteHL(m, HlAddress);
  WriteBC(m, 0xC900);
  WriteDE(m, 0xC900);
  m.cpu.F = flags;
  m.cpu.PC = CodeAddress;
  m.cpu.Halted = 0;  // HALT with nothing enabled halts for good
  m.cpu.Stopped = 0;  // and STOP waits for a button
  m.io.IE = 0;
}

// Where PC goes when the instruction transfers control.
int JumpTarget(int opcode) {
  switch (opcode & 0xC7) {
    case 0xC7: return opcode & 0x38;  // RST
  }
  if ((opcode & 0xE7) == 0x20 || opcode == 0x18) return CodeAddress + 2 + Operand;  // JR
  if (opcode == 0xE9) return HlAddress;                                             // JP (HL)
  if (opcode == 0xC9 || opcode == 0xD9 || (opcode & 0xE7) == 0xC0) return 0x1234;  // returns
  return Target;  // JP and CALL
}

bool AlwaysJumps(int opcode) {
  return opcode == 0x18 || opcode == 0xC3 || opcode == 0xE9 || opcode == 0xCD || opcode == 0xC9 ||
         opcode == 0xD9 || (opcode & 0xC7) == 0xC7;
}

// Execute for code held in a vector.
void RunCode(const std::vector<uint8_t>& code) {
  for (size_t i = 0; i < code.size(); i++) BusWrite(m, static_cast<int>(CodeAddress + i), code[i]);
  m.cpu.PC = CodeAddress;
  CpuStep(m);
}

// What taking a conditional branch adds to its cost: jumps 1, calls and
// returns 3.
int TakenExtra(int opcode) {
  const int low = opcode & 0xE7;
  return (low == 0xC4 || low == 0xC0) ? 3 : 1;
}

void ExpectCostReported(int opcode, int extra = 0) {
  const int cost = OpcodeCycles[opcode] + extra;
  EXPECT_EQ(m.cpu.instruction_cycles, cost) << "opcode " << Hex(opcode);
}

}  // namespace

TEST(InstructionLength, EveryOpcodeAdvancesPcByItsLengthOrJumps) {
  ResetTestMachine();
  for (int opcode = 0; opcode < 256; opcode++) {
    if (Undefined.count(opcode)) continue;
    const int cc = (opcode >> 3) & 3;
    const bool conditional = IsConditional(opcode);

    Prepare(opcode, conditional ? FlagsFor(cc, false) : 0);
    const uint64_t total_before = m.clock.cycles;
    CpuStep(m);
    const int expected_pc = AlwaysJumps(opcode) ? JumpTarget(opcode) : CodeAddress + Length(opcode);
    EXPECT_EQ(m.cpu.PC, expected_pc) << "opcode " << Hex(opcode) << (conditional ? " with its condition failing" : "");
    EXPECT_EQ(m.cpu.Opcode, opcode);
    if (opcode == 0xCB) {
      EXPECT_EQ(m.clock.cycles - total_before, uint64_t{CbOpcodeCycles[Operand]}) << "the prefixed table gives the cost";
    } else {
      EXPECT_EQ(m.clock.cycles - total_before, uint64_t{OpcodeCycles[opcode]}) << "opcode " << Hex(opcode);
      ExpectCostReported(opcode);
    }

    if (conditional) {
      Prepare(opcode, FlagsFor(cc, true));
      const uint64_t taken_before = m.clock.cycles;
      CpuStep(m);
      EXPECT_EQ(m.cpu.PC, JumpTarget(opcode)) << "opcode " << Hex(opcode) << " with its condition holding";
      EXPECT_EQ(m.clock.cycles - taken_before, static_cast<uint64_t>(OpcodeCycles[opcode] + TakenExtra(opcode))) << "opcode " << Hex(opcode);
      ExpectCostReported(opcode, TakenExtra(opcode));
    }
  }
}

TEST(InstructionLength, CallsAndRestartsPushTheAddressAfterThem) {
  ResetTestMachine();
  for (int opcode : {0xCD, 0xC4, 0xCC, 0xD4, 0xDC}) {
    Prepare(opcode, IsConditional(opcode) ? FlagsFor((opcode >> 3) & 3, true) : 0);
    CpuStep(m);
    EXPECT_EQ(m.cpu.SP, StackTop - 2);
    EXPECT_EQ(BusRead16(m, m.cpu.SP), CodeAddress + 3) << "opcode " << Hex(opcode);
  }
  for (int k = 0; k < 8; k++) {
    Prepare(0xC7 + 8 * k, 0);
    CpuStep(m);
    EXPECT_EQ(BusRead16(m, m.cpu.SP), CodeAddress + 1) << "RST " << Hex(8 * k);
  }
}

TEST(InstructionCost, PrefixedInstructionsAdvanceByTwoWithTheirCost) {
  ResetTestMachine();
  for (int second = 0; second < 256; second++) {
    Prepare(0xCB, 0);
    Poke(CodeAddress + 1, {static_cast<uint8_t>(second)});
    CpuStep(m);
    int cost = 2;
    if ((second & 7) == 6) cost = (second >= 0x40 && second < 0x80) ? 3 : 4;  // BIT only reads
    EXPECT_EQ(m.cpu.PC, CodeAddress + 2) << "CB " << Hex(second);
    EXPECT_EQ(m.cpu.instruction_cycles, cost) << "CB " << Hex(second);
    EXPECT_EQ(CbOpcodeCycles[second], cost);
  }
}

// A few costs as the console's timing lists them; the table holds the cost
// of a conditional branch not taken.
TEST(InstructionCost, KnownCosts) {
  EXPECT_EQ(OpcodeCycles[0x00], 1);
  EXPECT_EQ(OpcodeCycles[0x08], 5) << "LD (nn),SP";
  EXPECT_EQ(OpcodeCycles[0xCD], 6) << "CALL nn";
  EXPECT_EQ(OpcodeCycles[0xC9], 4) << "RET";
  EXPECT_EQ(OpcodeCycles[0x20], 2) << "JR NZ, not taken";
  EXPECT_EQ(OpcodeCycles[0xC0], 2) << "RET NZ, not taken";
  EXPECT_EQ(OpcodeCycles[0xE0], 3) << "LDH (n),A";
  EXPECT_EQ(OpcodeCycles[0xE8], 4) << "ADD SP,e";
  EXPECT_EQ(OpcodeCycles[0x34], 3) << "INC (HL)";
  for (int opcode : {0x22, 0x2A, 0x32, 0x3A}) EXPECT_EQ(OpcodeCycles[opcode], 2) << "LD with HL+ or HL- " << Hex(opcode);
  for (int opcode : {0xC5, 0xD5, 0xE5, 0xF5}) EXPECT_EQ(OpcodeCycles[opcode], 4) << "PUSH " << Hex(opcode);
  EXPECT_EQ(CbOpcodeCycles[0x46], 3) << "BIT 0,(HL) only reads";
  EXPECT_EQ(CbOpcodeCycles[0x86], 4) << "RES 0,(HL) writes back";
  EXPECT_EQ(CbOpcodeCycles[0xFE], 4) << "SET 7,(HL) writes back";
  for (int opcode : Undefined) EXPECT_EQ(OpcodeCycles[opcode], 0) << Hex(opcode);
}

// A taken branch costs more, and the machine's count sees it.
TEST(InstructionCost, TakenBranchesCostMore) {
  struct Case {
    std::vector<uint8_t> code;
    uint8_t flags_taken, flags_not;
    int taken, not_taken;
  };
  const Case cases[] = {
      {{0x20, 0x10}, 0, FlagZ, 3, 2},              // JR NZ
      {{0xCA, 0x00, 0xC0}, FlagZ, 0, 4, 3},        // JP Z
      {{0xDC, 0x00, 0xC0}, FlagC, 0, 6, 3},        // CALL C
      {{0xD0}, 0, FlagC, 5, 2},                    // RET NC
  };
  for (const Case& c : cases) {
    ResetTestMachine();
    m.cpu.F = c.flags_not;
    uint64_t before = m.clock.cycles;
    RunCode(c.code);
    EXPECT_EQ(m.cpu.instruction_cycles, c.not_taken) << Hex(c.code[0]) << " not taken";
    EXPECT_EQ(m.clock.cycles - before, static_cast<uint64_t>(c.not_taken));

    ResetTestMachine();
    m.cpu.F = c.flags_taken;
    before = m.clock.cycles;
    RunCode(c.code);
    EXPECT_EQ(m.cpu.instruction_cycles, c.taken) << Hex(c.code[0]) << " taken";
    EXPECT_EQ(m.clock.cycles - before, static_cast<uint64_t>(c.taken));
  }
}
