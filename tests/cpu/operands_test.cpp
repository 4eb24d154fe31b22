// Every register form of the loads, the arithmetic and the prefixed
// instructions reaches the register (or the byte at HL) its opcode names.
#include <gtest/gtest.h>

#include <string>

#include "cpu_test_support.h"

namespace {

constexpr uint16_t HlAddress = 0xC123;  // H 0xC1, L 0x23
const char* const Names[] = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};

// The register file with a distinct value in each register, HL pointing at
// a byte of work RAM that holds 0x5E.
void Fill() {
  m.cpu.A = 0x0A;
  m.cpu.B = 0x0B;
  m.cpu.C = 0x0C;
  m.cpu.D = 0x0D;
  m.cpu.E = 0x0E;
  WriteHL(m, HlAddress);
  m.cpu.F = 0;
  BusWrite(m, HlAddress, 0x5E);
}

uint8_t Get(int r) {
  switch (r) {
    case 0: return m.cpu.B;
    case 1: return m.cpu.C;
    case 2: return m.cpu.D;
    case 3: return m.cpu.E;
    case 4: return m.cpu.H;
    case 5: return m.cpu.L;
    case 6: return BusRead(m, ReadHL(m));
    default: return m.cpu.A;
  }
}

// Values of all operands except the one named, to see that nothing else moved.
std::string Others(int except) {
  std::string s;
  for (int r = 0; r < 8; r++) {
    if (r == except) continue;
    char text[16];
    std::snprintf(text, sizeof text, "%s=%02X ", Names[r], Get(r));
    s += text;
  }
  return s;
}

}  // namespace

TEST(RegisterForms, LoadCopiesSourceIntoDestinationOnly) {
  ResetTestMachine();
  for (int d = 0; d < 8; d++) {
    for (int s = 0; s < 8; s++) {
      if (d == 6 && s == 6) continue;  // 0x76 is HALT
      Fill();
      const uint8_t value = Get(s);
      const uint16_t address = ReadHL(m);  // a load into H or L moves the (HL) operand
      Fill();
      std::string before = Others(d);
      Execute({static_cast<uint8_t>(0x40 + 8 * d + s)});
      std::string what = std::string("LD ") + Names[d] + "," + Names[s];
      if (d == 6) EXPECT_EQ(BusRead(m, address), value) << what;
      else EXPECT_EQ(Get(d), value) << what;
      if (d != 4 && d != 5) {
        EXPECT_EQ(Others(d), before) << what;
      }
    }
  }
}

TEST(RegisterForms, LoadImmediateIncAndDecNameTheirRegister) {
  ResetTestMachine();
  for (int r = 0; r < 8; r++) {
    Fill();
    std::string before = Others(r);
    Execute({static_cast<uint8_t>(0x06 + 8 * r), 0x77});
    if (r == 4 || r == 5) {  // H and L move the (HL) byte, so check the register directly
      EXPECT_EQ(r == 4 ? m.cpu.H : m.cpu.L, 0x77) << "LD " << Names[r] << ",n";
      continue;
    }
    EXPECT_EQ(Get(r), 0x77) << "LD " << Names[r] << ",n";
    EXPECT_EQ(Others(r), before) << "LD " << Names[r] << ",n";
    Execute({static_cast<uint8_t>(0x04 + 8 * r)});
    EXPECT_EQ(Get(r), 0x78) << "INC " << Names[r];
    Execute({static_cast<uint8_t>(0x05 + 8 * r)});
    Execute({static_cast<uint8_t>(0x05 + 8 * r)});
    EXPECT_EQ(Get(r), 0x76) << "DEC " << Names[r];
    EXPECT_EQ(Others(r), before) << "INC and DEC " << Names[r];
  }
}

// The register forms 0x80-0xBF give the same results as the immediate forms.
TEST(RegisterForms, ArithmeticReadsTheNamedOperand) {
  ResetTestMachine();
  for (int kind = 0; kind < 8; kind++) {
    for (int r = 0; r < 8; r++) {
      Fill();
      const uint8_t v = Get(r);
      m.cpu.F = FlagC;
      Execute({static_cast<uint8_t>(0xC6 + 8 * kind), v});
      const uint8_t want_a = m.cpu.A, want_f = m.cpu.F;
      Fill();
      m.cpu.F = FlagC;
      Execute({static_cast<uint8_t>(0x80 + 8 * kind + r)});
      EXPECT_EQ(m.cpu.A, want_a) << "opcode " << 0x80 + 8 * kind + r << " on " << Names[r];
      EXPECT_EQ(m.cpu.F, want_f) << "opcode " << 0x80 + 8 * kind + r << " on " << Names[r];
    }
  }
}

TEST(RegisterForms, PairLoadsIncrementsAndDecrements) {
  ResetTestMachine();
  Execute({0x01, 0x34, 0x12});
  Execute({0x11, 0x78, 0x56});
  Execute({0x21, 0xBC, 0x9A});
  Execute({0x31, 0xF0, 0xDE});
  EXPECT_EQ(ReadBC(m), 0x1234);
  EXPECT_EQ(ReadDE(m), 0x5678);
  EXPECT_EQ(ReadHL(m), 0x9ABC);
  EXPECT_EQ(m.cpu.SP, 0xDEF0);
  m.cpu.F = 0xF0;
  Execute({0x03});
  Execute({0x13});
  Execute({0x2B});
  Execute({0x3B});
  EXPECT_EQ(ReadBC(m), 0x1235);
  EXPECT_EQ(ReadDE(m), 0x5679);
  EXPECT_EQ(ReadHL(m), 0x9ABB);
  EXPECT_EQ(m.cpu.SP, 0xDEEF);
  EXPECT_EQ(m.cpu.F, 0xF0) << "16-bit steps touch no flag";
  WriteBC(m, 0x0000);
  Execute({0x0B});
  EXPECT_EQ(ReadBC(m), 0xFFFF) << "wraps";

  WriteBC(m, 0xC200);
  WriteDE(m, 0xC201);
  m.cpu.A = 0x66;
  Execute({0x02});  // LD (BC),A
  m.cpu.A = 0x67;
  Execute({0x12});  // LD (DE),A
  Execute({0x0A});  // LD A,(BC)
  EXPECT_EQ(m.cpu.A, 0x66);
  Execute({0x1A});  // LD A,(DE)
  EXPECT_EQ(m.cpu.A, 0x67);
}

// Each prefixed instruction on each operand: rotates and shifts, BIT of every
// bit, RES and SET of every bit; the byte at HL is read, changed and written.
TEST(RegisterForms, PrefixedInstructionsOnEveryOperand) {
  ResetTestMachine();
  for (int r = 0; r < 8; r++) {
    for (int bit = 0; bit < 8; bit++) {
      Fill();
      const uint8_t before = Get(r);
      const std::string others = Others(r);
      const uint8_t mask = static_cast<uint8_t>(1 << bit);

      Execute({0xCB, static_cast<uint8_t>(0x40 + 8 * bit + r)});  // BIT
      EXPECT_EQ((m.cpu.F & FlagZ) != 0, (before & mask) == 0) << "BIT " << bit << "," << Names[r];
      EXPECT_EQ(Get(r), before);

      Execute({0xCB, static_cast<uint8_t>(0xC0 + 8 * bit + r)});  // SET
      EXPECT_EQ(Get(r), before | mask) << "SET " << bit << "," << Names[r];
      Execute({0xCB, static_cast<uint8_t>(0x80 + 8 * bit + r)});  // RES
      EXPECT_EQ(Get(r), before & ~mask) << "RES " << bit << "," << Names[r];
      if (r != 4 && r != 5) {
        EXPECT_EQ(Others(r), others) << "RES and SET " << bit << " on " << Names[r];
      }
    }
    Fill();
    const uint8_t v = Get(r);
    const uint8_t results[8] = {
        static_cast<uint8_t>(v << 1 | v >> 7),  // RLC
        static_cast<uint8_t>(v >> 1 | v << 7),  // RRC
        static_cast<uint8_t>(v << 1),           // RL with carry clear
        static_cast<uint8_t>(v >> 1),           // RR with carry clear
        static_cast<uint8_t>(v << 1),           // SLA
        static_cast<uint8_t>(v >> 1 | (v & 0x80)),
        static_cast<uint8_t>(v << 4 | v >> 4),  // SWAP
        static_cast<uint8_t>(v >> 1),           // SRL
    };
    for (int group = 0; group < 8; group++) {
      if (r == 4 || r == 5) continue;  // changing H or L moves the (HL) operand
      Fill();
      Execute({0xCB, static_cast<uint8_t>(8 * group + r)});
      EXPECT_EQ(Get(r), results[group]) << "CB " << 8 * group + r << " on " << Names[r];
    }
  }
}
