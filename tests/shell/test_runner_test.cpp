// The test runner's readings of the three ways cartridges report.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "shell/run_control.h"
#include "shell/test_runner.h"
#include "shell_machine.h"

namespace {

std::vector<uint8_t> Block(uint8_t status, const char* text, bool signed_block = true) {
  std::vector<uint8_t> bank(0x2000, 0xFF);
  bank[0] = status;
  if (signed_block) {
    bank[1] = 0xDE;
    bank[2] = 0xB0;
    bank[3] = 0x61;
  }
  std::memcpy(bank.data() + 4, text, std::strlen(text) + 1);
  return bank;
}

}  // namespace

TEST(TestRunner, StatusBlockGivesAVerdictOnlyWhenValidAndFinished) {
  std::string text;
  auto bank = Block(0x00, "all good");
  EXPECT_EQ(ReadStatusBlock(bank.data(), bank.size(), text), Verdict::Passed);
  EXPECT_EQ(text, "all good");
  bank = Block(0x05, "bad\nvalue");
  EXPECT_EQ(ReadStatusBlock(bank.data(), bank.size(), text), Verdict::Failed);
  EXPECT_EQ(text, "bad\nvalue");
  bank = Block(0x80, "running");
  EXPECT_EQ(ReadStatusBlock(bank.data(), bank.size(), text), Verdict::None) << "0x80 means still running";
  bank = Block(0x00, "unsigned", false);
  EXPECT_EQ(ReadStatusBlock(bank.data(), bank.size(), text), Verdict::None) << "without the signature";
  bank = Block(0x00, "");
  bank[2] = 0xB1;
  EXPECT_EQ(ReadStatusBlock(bank.data(), bank.size(), text), Verdict::None);
  std::vector<uint8_t> unterminated(8, 'x');
  unterminated[0] = 1;
  unterminated[1] = 0xDE, unterminated[2] = 0xB0, unterminated[3] = 0x61;
  EXPECT_EQ(ReadStatusBlock(unterminated.data(), unterminated.size(), text), Verdict::Failed);
  EXPECT_EQ(text, "xxxx") << "a text without its zero ends with the bank";
}

TEST(TestRunner, BreakpointPatternsAndSerialWords) {
  EXPECT_EQ(ReadBreakpoint(3, 5, 8, 13, 21, 34), Verdict::Passed);
  EXPECT_EQ(ReadBreakpoint(0x42, 0x42, 0x42, 0x42, 0x42, 0x42), Verdict::Failed);
  EXPECT_EQ(ReadBreakpoint(3, 5, 8, 13, 21, 33), Verdict::None);
  EXPECT_EQ(ReadBreakpoint(0x42, 0x42, 0x42, 0x42, 0x42, 0x00), Verdict::None);

  size_t at = 0;
  EXPECT_EQ(FindSerialVerdict("test\n\nPassed\n", 0, at), Verdict::Passed);
  EXPECT_EQ(at, 6u);
  EXPECT_EQ(FindSerialVerdict("Failed #2, not Passed", 0, at), Verdict::Failed) << "the first word decides";
  EXPECT_EQ(FindSerialVerdict("passed failed PASSED", 0, at), Verdict::None) << "the words as the cartridges write them";
  EXPECT_EQ(at, std::string::npos);

  EXPECT_EQ(OneLine("  01-special\n\n\nFailed #3\r\n\t"), "01-special Failed #3");
  const std::string long_text(3000, 'y');
  EXPECT_EQ(OneLine(long_text).size(), 1003u) << "a long text keeps its last 1000 characters";
}

// A status block already there when the run starts (left by an earlier run
// in a save file) is not this run's verdict until the cartridge writes it.
TEST(TestRunner, StatusBlockFromBeforeTheRunDoesNotCount) {
  std::vector<uint8_t> image(0x8000, 0);
  image[0x147] = 0x02;  // MBC1 with RAM
  image[0x149] = 0x02;  // 8 KiB
  ResetShellMachine(image);
  const auto old = Block(0x00, "earlier run");
  std::memcpy(m.mem.cart_ram, old.data(), old.size());
  StartTestRun();
  testing::internal::CaptureStdout();
  CheckTestVerdict(1);
  EXPECT_EQ(QuitRequested, 0) << "the block the run started with gives no verdict";
  m.mem.cart_ram[4] = 'E';  // the cartridge writes a new text: now it is this run's
  CheckTestVerdict(2);
  EXPECT_EQ(QuitRequested, 1);
  EXPECT_EQ(ReportTestResult("c.gb", 2, false), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "c.gb: passed\n");

  // The same block, rewritten by a run that said "running" first.
  ResetShellMachine(image);
  std::memcpy(m.mem.cart_ram, old.data(), old.size());
  m.mem.cart_ram[0] = 7;
  StartTestRun();
  testing::internal::CaptureStdout();
  m.mem.cart_ram[0] = 0x80;
  CheckTestVerdict(1);
  m.mem.cart_ram[0] = 7;
  CheckTestVerdict(2);
  EXPECT_EQ(ReportTestResult("c.gb", 2, false), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "c.gb: failed: earlier run\n");
}
