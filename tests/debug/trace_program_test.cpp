// Tracing a short program through the processor: one line per executed
// instruction with the registers from before it runs, none while halted.
#include <gtest/gtest.h>

#include <string>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "debug/trace_capture.h"
#include "memory/io_registers.h"

namespace {

// LD A,#$0f / LD B,A / LD HL,#$c000 / LD (HLI),A / JP $0150; HALT at 0x0150.
void LoadProgram() {
  std::vector<uint8_t> code = {0x3E, 0x0F, 0x47, 0x21, 0x00, 0xC0, 0x22, 0xC3, 0x50, 0x01};
  code.resize(0x50, 0x00);
  code.push_back(0x76);
  ResetWithCode(0x0100, code);
  m.io.IE = 0x04;  // HALT waits only when some interrupt is enabled: the timer, which is off
  m.io.IF = 0x00;  // and, with the start-up's V-blank request gone, none is pending
}

const char* const ProgramTrace =
    "$0100     LD A,#$0f     AF:1180   BC:0000   DE:0008   HL:007c   SP:fffe   LY:0000   LCDC:0091\r\n"
    "$0102     LD B,A        AF:0f80   BC:0000   DE:0008   HL:007c   SP:fffe   LY:0000   LCDC:0091\r\n"
    "$0103     LD HL,#$c000  AF:0f80   BC:0f00   DE:0008   HL:007c   SP:fffe   LY:0000   LCDC:0091\r\n"
    "$0106     LD (HLI),A    AF:0f80   BC:0f00   DE:0008   HL:c000   SP:fffe   LY:0000   LCDC:0091\r\n"
    "$0107     JP $0150      AF:0f80   BC:0f00   DE:0008   HL:c001   SP:fffe   LY:0000   LCDC:0091\r\n"
    "$0150     HALT          AF:0f80   BC:0f00   DE:0008   HL:c001   SP:fffe   LY:0000   LCDC:0091\r\n";

}  // namespace

TEST(TraceProgram, TraceAllWritesEveryInstructionThenNothingWhileHalted) {
  LoadProgram();
  TraceCapture trace;
  m.trace.all = true;
  for (int step = 0; step < 6; step++) CpuStep(m);
  ASSERT_EQ(m.cpu.Halted, 1) << "the program ends waiting in HALT";
  for (int step = 0; step < 5; step++) CpuStep(m);
  m.trace.all = false;
  EXPECT_EQ(trace.Contents(), ProgramTrace);
}

TEST(TraceProgram, TildeKeyTracesOnlyWhileHeld) {
  LoadProgram();
  TraceCapture trace;
  CpuStep(m);  // LD A,#$0f untraced
  m.trace.key_held = true;  // as the front end's poll sets it
  CpuStep(m);  // LD B,A
  CpuStep(m);  // LD HL,#$c000
  m.trace.key_held = false;
  CpuStep(m);
  const std::string lines = trace.Contents();
  EXPECT_EQ(lines, std::string(ProgramTrace).substr(95, 2 * 95)) << "only the two steps taken with tilde held";
}

TEST(TraceProgram, NoTraceWithoutTildeOrOption) {
  LoadProgram();
  TraceCapture trace;
  for (int step = 0; step < 6; step++) CpuStep(m);
  EXPECT_EQ(trace.Contents(), "");
}
