// The flag rules of the arithmetic, logic, rotate and decimal-adjust
// instructions, at the boundary values where carries appear.
#include <gtest/gtest.h>

#include <string>

#include "cpu_test_support.h"

namespace {

const uint8_t Boundaries[] = {0x00, 0x01, 0x0F, 0x10, 0x7F, 0x80, 0xFF};

std::string Hex(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", v);
  return text;
}

std::string FlagText(uint8_t f) {
  std::string s;
  s += (f & FlagZ) ? 'Z' : '-';
  s += (f & FlagN) ? 'N' : '-';
  s += (f & FlagH) ? 'H' : '-';
  s += (f & FlagC) ? 'C' : '-';
  if (f & 0x0F) s += " low bits " + Hex(f & 0x0F);
  return s;
}

uint8_t Flags(bool z, bool n, bool h, bool c) {
  return static_cast<uint8_t>((z ? FlagZ : 0) | (n ? FlagN : 0) | (h ? FlagH : 0) | (c ? FlagC : 0));
}

struct Expected {
  uint8_t a;
  uint8_t f;
};

// The eight A-register operations worked out digit by digit, as the hardware
// adds: the half carry is the carry out of the low nibble.
Expected Reference(int kind, uint8_t a, uint8_t v, bool carry_in) {
  const int c = carry_in ? 1 : 0;
  switch (kind) {
    case 0:  // ADD
    case 1: {  // ADC
      const int ci = kind == 1 ? c : 0;
      const int sum = a + v + ci;
      const bool h = (a & 0x0F) + (v & 0x0F) + ci > 0x0F;
      return {static_cast<uint8_t>(sum), Flags((sum & 0xFF) == 0, false, h, sum > 0xFF)};
    }
    case 2:  // SUB
    case 3:  // SBC
    case 7: {  // CP
      const int bi = kind == 3 ? c : 0;
      const int diff = a - v - bi;
      const bool h = (a & 0x0F) - (v & 0x0F) - bi < 0;
      const uint8_t result = kind == 7 ? a : static_cast<uint8_t>(diff);
      return {result, Flags((diff & 0xFF) == 0, true, h, diff < 0)};
    }
    case 4:
      return {static_cast<uint8_t>(a & v), Flags((a & v) == 0, false, true, false)};
    case 5:
      return {static_cast<uint8_t>(a ^ v), Flags((a ^ v) == 0, false, false, false)};
    default:
      return {static_cast<uint8_t>(a | v), Flags((a | v) == 0, false, false, false)};
  }
}

const char* const KindNames[] = {"ADD", "ADC", "SUB", "SBC", "AND", "XOR", "OR", "CP"};

}  // namespace

// Every operation in both its register form (0x80 + 8k + r, operand in B) and
// its immediate form (0xC6 + 8k), over all boundary pairs, with and without
// a carry in.
TEST(ArithmeticFlags, EightOperationsAtBoundaryValues) {
  ResetTestMachine();
  for (int kind = 0; kind < 8; kind++) {
    for (uint8_t a : Boundaries) {
      for (uint8_t v : Boundaries) {
        for (bool carry : {false, true}) {
          const Expected want = Reference(kind, a, v, carry);
          for (bool immediate : {false, true}) {
            m.cpu.A = a;
            m.cpu.B = v;
            m.cpu.F = carry ? FlagC : 0;
            if (immediate) Execute({static_cast<uint8_t>(0xC6 + 8 * kind), v});
            else Execute({static_cast<uint8_t>(0x80 + 8 * kind)});
            const std::string what = std::string(KindNames[kind]) + (immediate ? " n" : " B") + " with A=" + Hex(a) +
                                     " v=" + Hex(v) + (carry ? " carry in" : "");
            ASSERT_EQ(m.cpu.A, want.a) << what;
            ASSERT_EQ(FlagText(m.cpu.F), FlagText(want.f)) << what;
          }
        }
      }
    }
  }
}

TEST(ArithmeticFlags, HalfCarryCountsTheOperand) {
  ResetTestMachine();
  m.cpu.A = 0x08;
  Execute({0xC6, 0x18});  // ADD A,0x18
  EXPECT_EQ(m.cpu.A, 0x20);
  EXPECT_EQ(FlagText(m.cpu.F), "--H-") << "8 + 8 carries out of bit 3 though bit 4 of A is unchanged";

  m.cpu.A = 0x00;
  Execute({0xC6, 0x10});
  EXPECT_EQ(FlagText(m.cpu.F), "----") << "adding 0x10 does not carry out of bit 3";

  m.cpu.A = 0x10;
  Execute({0xD6, 0x20});  // SUB 0x20
  EXPECT_EQ(m.cpu.A, 0xF0);
  EXPECT_EQ(FlagText(m.cpu.F), "-N-C");

  m.cpu.A = 0x00;
  m.cpu.F = FlagC;
  Execute({0xCE, 0x0F});  // ADC A,0x0F with carry
  EXPECT_EQ(m.cpu.A, 0x10);
  EXPECT_EQ(FlagText(m.cpu.F), "--H-") << "the carry-in counts towards the half carry";

  m.cpu.A = 0x10;
  m.cpu.F = FlagC;
  Execute({0xDE, 0x0F});  // SBC A,0x0F with carry
  EXPECT_EQ(m.cpu.A, 0x00);
  EXPECT_EQ(FlagText(m.cpu.F), "ZNH-");
}

TEST(ArithmeticFlags, CompareLeavesAAndSetsZeroOnEqual) {
  ResetTestMachine();
  m.cpu.A = 0x42;
  m.cpu.F = FlagC;
  Execute({0xFE, 0x42});
  EXPECT_EQ(m.cpu.A, 0x42);
  EXPECT_EQ(FlagText(m.cpu.F), "ZN--");
}

TEST(ArithmeticFlags, IncAndDecKeepCarry) {
  ResetTestMachine();
  struct Case {
    uint8_t opcode, before, after;
    const char* flags_without_c;
  } cases[] = {
      {0x3C, 0x0F, 0x10, "--H-"}, {0x3C, 0xFF, 0x00, "Z-H-"}, {0x3C, 0x7F, 0x80, "--H-"},
      {0x3C, 0x00, 0x01, "----"}, {0x3D, 0x10, 0x0F, "-NH-"}, {0x3D, 0x01, 0x00, "ZN--"},
      {0x3D, 0x00, 0xFF, "-NH-"}, {0x3D, 0x80, 0x7F, "-NH-"},
  };
  for (const Case& c : cases) {
    for (bool carry : {false, true}) {
      m.cpu.A = c.before;
      m.cpu.F = carry ? FlagC : 0;
      Execute({c.opcode});
      std::string want = c.flags_without_c;
      if (carry) want[3] = 'C';
      EXPECT_EQ(m.cpu.A, c.after) << (c.opcode == 0x3C ? "INC " : "DEC ") << Hex(c.before);
      EXPECT_EQ(FlagText(m.cpu.F), want) << (c.opcode == 0x3C ? "INC " : "DEC ") << Hex(c.before);
    }
  }
}

TEST(ArithmeticFlags, DecOfTheByteAtHlWritesBack) {
  ResetTestMachine();
  WriteHL(m, 0xC100);
  BusWrite(m, 0xC100, 0x01);
  Execute({0x35});  // DEC (HL)
  EXPECT_EQ(BusRead(m, 0xC100), 0x00);
  EXPECT_EQ(FlagText(m.cpu.F), "ZN--");
  Execute({0x34});  // INC (HL)
  EXPECT_EQ(BusRead(m, 0xC100), 0x01);
}

TEST(ArithmeticFlags, AddHlCarriesOutOfBits11And15AndKeepsZero) {
  ResetTestMachine();
  WriteHL(m, 0x8000);
  m.cpu.F = FlagZ;
  Execute({0x29});  // ADD HL,HL
  EXPECT_EQ(ReadHL(m), 0x0000);
  EXPECT_EQ(FlagText(m.cpu.F), "Z--C");

  WriteHL(m, 0x0FFF);
  WriteBC(m, 0x0001);
  m.cpu.F = 0;
  Execute({0x09});  // ADD HL,BC
  EXPECT_EQ(ReadHL(m), 0x1000);
  EXPECT_EQ(FlagText(m.cpu.F), "--H-") << "carry out of bit 11";

  WriteHL(m, 0x0800);
  WriteDE(m, 0x0800);
  m.cpu.F = FlagN;
  Execute({0x19});  // ADD HL,DE
  EXPECT_EQ(ReadHL(m), 0x1000);
  EXPECT_EQ(FlagText(m.cpu.F), "--H-") << "0x800 + 0x800 carries out of bit 11; N cleared";

  WriteHL(m, 0xF000);
  m.cpu.SP = 0x1000;
  Execute({0x39});  // ADD HL,SP
  EXPECT_EQ(ReadHL(m), 0x0000);
  EXPECT_EQ(FlagText(m.cpu.F), "---C") << "Z is not set by ADD HL";
}

// ADD SP,e and LD HL,SP+e take their flags from SP's low byte plus e as an
// unsigned byte; the result uses e as a signed offset.
TEST(ArithmeticFlags, StackPointerPlusOffset) {
  struct Case {
    uint16_t sp;
    uint8_t e;
    uint16_t result;
    const char* flags;
  } cases[] = {
      {0xFFF8, 0xFE, 0xFFF6, "--HC"}, {0x0100, 0x01, 0x0101, "----"}, {0x000F, 0x01, 0x0010, "--H-"},
      {0x00F0, 0x10, 0x0100, "---C"}, {0x0000, 0xFF, 0xFFFF, "----"}, {0xFFFF, 0x01, 0x0000, "--HC"},
      {0xD000, 0x80, 0xCF80, "----"}, {0xD0FF, 0x7F, 0xD17E, "--HC"},
  };
  for (const Case& c : cases) {
    ResetTestMachine();
    m.cpu.SP = c.sp;
    m.cpu.F = FlagZ | FlagN;
    Execute({0xF8, c.e});  // LD HL,SP+e
    EXPECT_EQ(ReadHL(m), c.result) << "SP=" << Hex(c.sp >> 8) << Hex(c.sp & 0xFF) << " e=" << Hex(c.e);
    EXPECT_EQ(m.cpu.SP, c.sp) << "LD HL,SP+e leaves SP";
    EXPECT_EQ(FlagText(m.cpu.F), c.flags) << "LD HL,SP+e with SP=" << Hex(c.sp >> 8) << Hex(c.sp & 0xFF)
                                         << " e=" << Hex(c.e);
    m.cpu.F = FlagZ | FlagN;
    Execute({0xE8, c.e});  // ADD SP,e
    EXPECT_EQ(m.cpu.SP, c.result);
    EXPECT_EQ(FlagText(m.cpu.F), c.flags) << "ADD SP,e";
  }
}

TEST(LogicFlags, AndSetsHalfCarryOthersClearIt) {
  ResetTestMachine();
  m.cpu.A = 0xF0;
  m.cpu.F = FlagC | FlagN;
  Execute({0xE6, 0x0F});  // AND 0x0F
  EXPECT_EQ(m.cpu.A, 0x00);
  EXPECT_EQ(FlagText(m.cpu.F), "Z-H-");
  m.cpu.A = 0xFF;
  Execute({0xEE, 0xFF});  // XOR 0xFF
  EXPECT_EQ(FlagText(m.cpu.F), "Z---");
  m.cpu.A = 0x00;
  m.cpu.F = FlagH | FlagC;
  Execute({0xF6, 0x80});  // OR 0x80
  EXPECT_EQ(m.cpu.A, 0x80);
  EXPECT_EQ(FlagText(m.cpu.F), "----");
}

TEST(LogicFlags, CplScfCcf) {
  ResetTestMachine();
  m.cpu.A = 0x35;
  m.cpu.F = FlagZ | FlagC;
  Execute({0x2F});  // CPL
  EXPECT_EQ(m.cpu.A, 0xCA);
  EXPECT_EQ(FlagText(m.cpu.F), "ZNHC");
  Execute({0x3F});  // CCF
  EXPECT_EQ(FlagText(m.cpu.F), "Z---");
  Execute({0x3F});
  EXPECT_EQ(FlagText(m.cpu.F), "Z--C");
  m.cpu.F = FlagN | FlagH;
  Execute({0x37});  // SCF
  EXPECT_EQ(FlagText(m.cpu.F), "---C");
}

// The low four bits of F always read 0, even after POP AF of 0xFF.
TEST(FlagByte, PopAfClearsTheLowBits) {
  ResetTestMachine();
  m.cpu.SP = 0xD000;
  BusWrite(m, 0xD000, 0xFF);  // F
  BusWrite(m, 0xD001, 0x12);  // A
  Execute({0xF1});         // POP AF
  EXPECT_EQ(m.cpu.A, 0x12);
  EXPECT_EQ(FlagText(m.cpu.F), "ZNHC");
  Execute({0xB7});  // OR A
  EXPECT_EQ(FlagText(m.cpu.F), "----");
  Execute({0xF5});  // PUSH AF
  EXPECT_EQ(BusRead(m, 0xD000), 0x00) << "F is pushed with its low bits 0";
  EXPECT_EQ(BusRead(m, 0xD001), 0x12);
}

TEST(FlagByte, PushAfAfterPopAfGivesBackTheFlagBits) {
  ResetTestMachine();
  m.cpu.SP = 0xD000;
  BusWrite(m, 0xD000, 0xA0);
  BusWrite(m, 0xD001, 0x5A);
  Execute({0xF1});
  Execute({0xF5});
  EXPECT_EQ(BusRead(m, 0xD000), 0xA0);
  EXPECT_EQ(BusRead(m, 0xD001), 0x5A);
}

// ---- Rotates and shifts -----------------------------------------------------

TEST(RotateFlags, AccumulatorRotatesAlwaysClearZero) {
  struct Case {
    uint8_t opcode;
    uint8_t a, carry_in, result;
    const char* flags;
  } cases[] = {
      {0x07, 0x80, 0, 0x01, "---C"}, {0x07, 0x00, 0, 0x00, "----"},  // RLCA
      {0x0F, 0x01, 0, 0x80, "---C"}, {0x0F, 0x00, 1, 0x00, "----"},  // RRCA
      {0x17, 0x80, 0, 0x00, "---C"}, {0x17, 0x00, 1, 0x01, "----"},  // RLA
      {0x1F, 0x01, 0, 0x00, "---C"}, {0x1F, 0x00, 1, 0x80, "----"},  // RRA
  };
  ResetTestMachine();
  for (const Case& c : cases) {
    m.cpu.A = c.a;
    m.cpu.F = static_cast<uint8_t>(FlagZ | FlagN | FlagH | (c.carry_in ? FlagC : 0));
    Execute({c.opcode});
    EXPECT_EQ(m.cpu.A, c.result) << "opcode " << Hex(c.opcode) << " A=" << Hex(c.a);
    EXPECT_EQ(FlagText(m.cpu.F), c.flags) << "opcode " << Hex(c.opcode) << " A=" << Hex(c.a);
  }
}

// The CB rotates and shifts on register C, with the Z flag coming from the
// result (set on 0, cleared otherwise).
TEST(RotateFlags, PrefixedRotatesAndShiftsSetZeroFromTheResult) {
  struct Case {
    uint8_t second;
    uint8_t value;
    bool carry_in;
    uint8_t result;
    const char* flags;
  } cases[] = {
      {0x01, 0x80, false, 0x01, "---C"}, {0x01, 0x00, true, 0x00, "Z---"},   // RLC
      {0x09, 0x01, false, 0x80, "---C"}, {0x09, 0x02, false, 0x01, "----"},  // RRC
      {0x11, 0x80, false, 0x00, "Z--C"}, {0x11, 0x7F, true, 0xFF, "----"},   // RL
      {0x19, 0x01, false, 0x00, "Z--C"}, {0x19, 0x00, true, 0x80, "----"},   // RR
      {0x21, 0x80, true, 0x00, "Z--C"},  {0x21, 0x41, false, 0x82, "----"},  // SLA
      {0x29, 0x81, false, 0xC0, "---C"}, {0x29, 0x01, false, 0x00, "Z--C"},  // SRA
      {0x31, 0xF1, true, 0x1F, "----"},  {0x31, 0x00, true, 0x00, "Z---"},   // SWAP
      {0x39, 0x81, false, 0x40, "---C"}, {0x39, 0x01, true, 0x00, "Z--C"},   // SRL
  };
  ResetTestMachine();
  for (const Case& c : cases) {
    for (bool z_before : {false, true}) {
      m.cpu.C = c.value;
      m.cpu.F = static_cast<uint8_t>((z_before ? FlagZ : 0) | FlagN | FlagH | (c.carry_in ? FlagC : 0));
      Execute({0xCB, c.second});
      const std::string what = "CB " + Hex(c.second) + " on " + Hex(c.value) + (z_before ? " with Z set" : "");
      EXPECT_EQ(m.cpu.C, c.result) << what;
      EXPECT_EQ(FlagText(m.cpu.F), c.flags) << what;
    }
  }
}

TEST(BitFlags, BitTestsWithoutWritingAndKeepsCarry) {
  ResetTestMachine();
  WriteHL(m, 0xC200);
  BusWrite(m, 0xC200, 0x7F);
  for (bool carry : {false, true}) {
    m.cpu.F = static_cast<uint8_t>(FlagN | (carry ? FlagC : 0));
    Execute({0xCB, 0x7E});  // BIT 7,(HL)
    EXPECT_EQ(FlagText(m.cpu.F), carry ? "Z-HC" : "Z-H-");
    EXPECT_EQ(BusRead(m, 0xC200), 0x7F);
    Execute({0xCB, 0x76});  // BIT 6,(HL)
    EXPECT_EQ(FlagText(m.cpu.F), carry ? "--HC" : "--H-");
  }
}

// ---- Decimal adjust ---------------------------------------------------------

namespace {

// The adjustment worked out as one correction value, applied by the sign of
// the previous operation.
Expected DaaReference(uint8_t a, uint8_t f) {
  const bool n = f & FlagN, h = f & FlagH;
  bool c = f & FlagC;
  int correction = 0;
  if (h || (!n && (a & 0x0F) > 9)) correction |= 0x06;
  if (c || (!n && a > 0x99)) {
    correction |= 0x60;
    c = true;
  }
  const uint8_t result = static_cast<uint8_t>(n ? a - correction : a + correction);
  return {result, Flags(result == 0, n, false, c)};
}

int ToBcd(int value) { return (value / 10) << 4 | value % 10; }

}  // namespace

TEST(DecimalAdjust, AllValuesAndFlagCombinations) {
  ResetTestMachine();
  for (int a = 0; a < 256; a++) {
    for (int flags = 0; flags < 16; flags++) {
      const uint8_t f = static_cast<uint8_t>(flags << 4);
      m.cpu.A = static_cast<uint8_t>(a);
      m.cpu.F = f;
      Execute({0x27});
      const Expected want = DaaReference(static_cast<uint8_t>(a), f);
      ASSERT_EQ(m.cpu.A, want.a) << "DAA of A=" << Hex(a) << " flags " << FlagText(f);
      ASSERT_EQ(FlagText(m.cpu.F), FlagText(want.f)) << "DAA of A=" << Hex(a) << " flags " << FlagText(f);
    }
  }
}

// ADD/ADC or SUB/SBC of two decimal numbers followed by DAA gives the decimal
// sum or difference, with C as the decimal carry or borrow.
TEST(DecimalAdjust, DecimalSumsAndDifferences) {
  ResetTestMachine();
  for (int x = 0; x < 100; x++) {
    for (int y = 0; y < 100; y++) {
      for (int carry = 0; carry < 2; carry++) {
        m.cpu.A = static_cast<uint8_t>(ToBcd(x));
        m.cpu.F = carry ? FlagC : 0;
        Execute({0xCE, static_cast<uint8_t>(ToBcd(y))});  // ADC A,y
        Execute({0x27});
        const int sum = x + y + carry;
        ASSERT_EQ(m.cpu.A, ToBcd(sum % 100)) << x << " + " << y << " + " << carry;
        ASSERT_EQ((m.cpu.F & FlagC) != 0, sum >= 100) << x << " + " << y << " + " << carry;
        ASSERT_EQ((m.cpu.F & FlagZ) != 0, sum % 100 == 0);

        m.cpu.A = static_cast<uint8_t>(ToBcd(x));
        m.cpu.F = carry ? FlagC : 0;
        Execute({0xDE, static_cast<uint8_t>(ToBcd(y))});  // SBC A,y
        Execute({0x27});
        const int diff = x - y - carry;
        ASSERT_EQ(m.cpu.A, ToBcd((diff + 100) % 100)) << x << " - " << y << " - " << carry;
        ASSERT_EQ((m.cpu.F & FlagC) != 0, diff < 0) << x << " - " << y << " - " << carry;
        ASSERT_EQ((m.cpu.F & FlagN) != 0, true) << "N is kept after a subtraction";
      }
    }
  }
}

TEST(DecimalAdjust, KnownResults) {
  ResetTestMachine();
  m.cpu.A = 0x45;
  Execute({0xC6, 0x38});  // 45 + 38
  Execute({0x27});
  EXPECT_EQ(m.cpu.A, 0x83);
  EXPECT_EQ(FlagText(m.cpu.F), "----");

  m.cpu.A = 0x99;
  Execute({0xC6, 0x01});  // 99 + 1
  Execute({0x27});
  EXPECT_EQ(m.cpu.A, 0x00);
  EXPECT_EQ(FlagText(m.cpu.F), "Z--C");

  m.cpu.A = 0x10;
  Execute({0xD6, 0x01});  // 10 - 1
  Execute({0x27});
  EXPECT_EQ(m.cpu.A, 0x09);
  EXPECT_EQ(FlagText(m.cpu.F), "-N--");
}
