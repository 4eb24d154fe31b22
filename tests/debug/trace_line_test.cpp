// The trace lines: their fixed layout, the register fields, and when none is
// written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "debug/screen_text.h"
#include "debug/text.h"
#include "memory/bus.h"
#include "memory/io_registers.h"

namespace {

void SetRegisters() {
  Cpu.A = 0x01;
  Cpu.F = 0xB0;
  Cpu.B = 0x00;
  Cpu.C = 0x13;
  Cpu.D = 0x00;
  Cpu.E = 0xD8;
  Cpu.H = 0x01;
  Cpu.L = 0x4D;
  Cpu.SP = 0xFFFE;
  LY = 0x00;
  LCDC = 0x91;
}

}  // namespace

TEST(TraceLine, ExactLayoutWithRegisterFields) {
  ResetWithCode(0x0150, {0xC3, 0x85, 0x01});
  SetRegisters();
  TraceCapture trace;
  Disassemble(0x0150, -1);
  EXPECT_EQ(trace.Contents(),
            "$0150     JP $0185      AF:01b0   BC:0013   DE:00d8   HL:014d   SP:fffe   LY:0000   LCDC:0091\r\n");
}

TEST(TraceLine, LyAndLcdcAreFourDigitsAndFieldsKeepTheirOrder) {
  ResetWithCode(0x0100, {0x00});
  Cpu.A = 0xFE; Cpu.F = 0x10;
  Cpu.B = 0x12; Cpu.C = 0x34;
  Cpu.D = 0x56; Cpu.E = 0x78;
  Cpu.H = 0x9A; Cpu.L = 0xBC;
  Cpu.SP = 0x0001;
  LY = 0x90;
  LCDC = 0x91;
  TraceCapture trace;
  Disassemble(0x0100, -1);
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
  for (int op = 0; op < 256; op++) Disassemble(static_cast<uint16_t>(0x0200 + 3 * op), -1);
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
  Cpu.Halted = 1;
  Disassemble(0x0100, -1);
  EXPECT_EQ(trace.Contents(), "") << "a halted processor leaves no line";
  Cpu.Halted = 0;
  Disassemble(0x0100, -1);
  EXPECT_EQ(trace.Contents().substr(0, 14), "$0100     HALT") << "woken up, tracing resumes";
}

// Without a sink (Trace.Log could not be made) a traced step hands out no
// line and draws none: the text screen stays blank.
TEST(TraceLine, NoSinkMeansNoTrace) {
  ResetWithCode(0x0100, {0x00});
  TraceCapture trace;
  TraceSink = nullptr;
  ClearText();
  Disassemble(0x0100, -1);
  EXPECT_EQ(trace.Contents(), "");
  for (int row = 0; row < TextRows; row++) EXPECT_EQ(ReadCells(0, row), "") << "row " << row;
}
