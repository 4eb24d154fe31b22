// The trace lines: their fixed layout, the register fields, and when none is
// written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "debug/trace_capture.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

void SetRegisters() {
  m.cpu.A = 0x01;
  m.cpu.F = 0xB0;
  m.cpu.B = 0x00;
  m.cpu.C = 0x13;
  m.cpu.D = 0x00;
  m.cpu.E = 0xD8;
  m.cpu.H = 0x01;
  m.cpu.L = 0x4D;
  m.cpu.SP = 0xFFFE;
  m.lcd.LY = 0x00;
  m.lcd.LCDC = 0x91;
}

}  // namespace

TEST(TraceLine, ExactLayoutWithRegisterFields) {
  ResetWithCode(0x0150, {0xC3, 0x85, 0x01});
  SetRegisters();
  TraceCapture trace;
  TraceInstruction(m, 0x0150);
  EXPECT_EQ(trace.Contents(),
            "$0150     JP $0185      AF:01b0   BC:0013   DE:00d8   HL:014d   SP:fffe   LY:0000   LCDC:0091\r\n");
}

TEST(TraceLine, LyAndLcdcAreFourDigitsAndFieldsKeepTheirOrder) {
  ResetWithCode(0x0100, {0x00});
  m.cpu.A = 0xFE; m.cpu.F = 0x10;
  m.cpu.B = 0x12; m.cpu.C = 0x34;
  m.cpu.D = 0x56; m.cpu.E = 0x78;
  m.cpu.H = 0x9A; m.cpu.L = 0xBC;
  m.cpu.SP = 0x0001;
  m.lcd.LY = 0x90;
  m.lcd.LCDC = 0x91;
  TraceCapture trace;
  TraceInstruction(m, 0x0100);
  const std::string line = trace.Contents();
  ASSERT_EQ(line.size(), 95u);
  EXPECT_EQ(line.substr(24), "AF:fe10   BC:1234   DE:5678   HL:9abc   SP:0001   LY:0090   LCDC:0091\r\n");
}

TEST(TraceLine, EveryOpcodeGivesNinetyThreeCharactersAndCrLf) {
  // Each opcode followed by operand bytes that make its text as long as it gets.
  std::vector<uint8_t> code;
  for (int op = 0; op < 256; op++) {
    code.push_back(static_cast<uint8_t>(op));
    code.push_back(0xFF);
    code.push_back(0xFF);
  }
  ResetWithCode(0x0200, code);
  SetRegisters();
  TraceCapture trace;
  for (int op = 0; op < 256; op++) TraceInstruction(m, static_cast<uint16_t>(0x0200 + 3 * op));
  const std::string all = trace.Contents();
  ASSERT_EQ(all.size(), 256u * 95);
  for (int op = 0; op < 256; op++) {
    const std::string line = all.substr(static_cast<size_t>(op) * 95, 95);
    EXPECT_EQ(line.substr(93), "\r\n") << "opcode " << op;
    EXPECT_EQ(line.substr(24, 3), "AF:") << "register fields start at column 25 for opcode " << op;
    EXPECT_EQ(line.find('\0'), std::string::npos) << "opcode " << op;
  }
}

TEST(TraceLine, NothingWrittenWhileHalted) {
  ResetWithCode(0x0100, {0x76});
  TraceCapture trace;
  m.cpu.Halted = 1;
  TraceInstruction(m, 0x0100);
  EXPECT_EQ(trace.Contents(), "") << "a halted processor leaves no line";
  m.cpu.Halted = 0;
  TraceInstruction(m, 0x0100);
  EXPECT_EQ(trace.Contents().substr(0, 14), "$0100     HALT") << "woken up, tracing resumes";
}

// Without a sink (Trace.Log could not be made) a traced step hands out no
// line.
TEST(TraceLine, NoSinkMeansNoTrace) {
  ResetWithCode(0x0100, {0x00});
  TraceCapture trace;
  m.trace.sink = nullptr;
  TraceInstruction(m, 0x0100);
  EXPECT_EQ(trace.Contents(), "");
}
