// The input script: its lines, its mistakes, and how its buttons step
// from frame to frame.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cpu/cpu.h"
#include "debug/disassembler.h"
#include "memory/io_registers.h"
#include "memory/bus.h"
#include "memory/timer.h"
#include "shell/input_script.h"
#include "shell_machine.h"
#include "video/lcd_timing.h"

namespace {

// The eight buttons as bits: Up Down Left Right A B Start Select.
int Bits(const JoypadButtons& j) {
  return j.Up << 7 | j.Down << 6 | j.Left << 5 | j.Right << 4 | j.A << 3 | j.B << 2 | j.Start << 1 | j.Select;
}

}  // namespace

TEST(InputScript, ParsesFramesButtonsCommentsAndBlankLines) {
  const std::string text =
      "# a comment line\n"
      "\n"
      "0 -\n"
      "   12\tA+start   # after the buttons\n"
      "13 up+down+left+right+a+b+start+select\r\n"
      "400 Select\n"
      "   \n"
      "9000000000 -";
  std::vector<ScriptLine> lines;
  int line = -1;
  std::string error;
  ASSERT_TRUE(ParseInputScript(text, lines, line, error)) << "line " << line << ": " << error;
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].frame, 0);
  EXPECT_EQ(Bits(lines[0].buttons), 0);
  EXPECT_EQ(lines[1].frame, 12);
  EXPECT_EQ(Bits(lines[1].buttons), 0x0A) << "A and Start, names in any case";
  EXPECT_EQ(Bits(lines[2].buttons), 0xFF);
  EXPECT_EQ(Bits(lines[3].buttons), 0x01);
  EXPECT_EQ(lines[4].frame, 9000000000L);

  EXPECT_TRUE(ParseInputScript("", lines, line, error)) << "an empty script holds nothing";
  EXPECT_TRUE(lines.empty());
}

TEST(InputScript, MistakesNameTheirLine) {
  struct Case {
    const char* text;
    int line;
    const char* says;
  };
  for (const Case& c : {
           Case{"0 a\n3 jump\n", 2, "unknown button 'jump'"},
           Case{"# x\n\n-5 a\n", 3, "'-5' is not a frame number"},
           Case{"12x a\n", 1, "'12x' is not a frame number"},
           Case{"0 a\n7\n", 2, "frame 7 needs its buttons"},
           Case{"0 a+\n", 1, "a button name is missing"},
           Case{"0 a++b\n", 1, "a button name is missing"},
           Case{"0 a+A\n", 1, "button 'a' is given twice"},
           Case{"0 a b\n", 1, "unexpected 'b' after the buttons"},
           Case{"5 a\n5 b\n", 2, "frame 5 does not come after frame 5"},
           Case{"9 a\n\n4 b\n", 3, "frame 4 does not come after frame 9"},
           Case{"99999999999999999999 a\n", 1, "is not a frame number"},
       }) {
    std::vector<ScriptLine> lines;
    int line = -1;
    std::string error;
    EXPECT_FALSE(ParseInputScript(c.text, lines, line, error)) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " gave: " << error;
  }
}

// A line's buttons hold from its frame until the next line's frame, however
// many frames end between two steps.
TEST(InputScript, StepsHoldEachLineUntilTheNext) {
  const std::string path = testing::TempDir() + "/steps.txt";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("2 a\n3 b\n10 -\n11 start\n", file);
  std::fclose(file);
  ASSERT_TRUE(LoadInputScript(path.c_str()));
  const int expected[] = {0, 0, 0x08, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0, 0x02, 0x02};
  for (long frame = 0; frame < 13; frame++) {
    StepInputScript(frame);
    EXPECT_EQ(Bits(ScriptButtons), expected[frame]) << "frame " << frame;
  }
  ASSERT_TRUE(LoadInputScript(path.c_str()));
  StepInputScript(0);
  StepInputScript(10);
  EXPECT_EQ(Bits(ScriptButtons), 0) << "a jump over several lines lands on the last one due";

  JoypadButtons state{};
  state.Up = 1;
  StepInputScript(11);
  AddScriptButtons(state);
  EXPECT_EQ(Bits(state), 0x82) << "the script adds to what the devices hold";

  ASSERT_TRUE(LoadInputScript("/dev/null"));  // leave no script behind
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadInputScript("/no/such/script.txt"));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("pellix: /no/such/script.txt: cannot read"), std::string::npos);
}

// Frame F holds line F's buttons for all of its cycles: with the LCD on
// from line 0 through the V-blank that ends it (FramesFinished counts the
// frame at the start of V-blank), with the LCD off from one hand-off to the
// next.
TEST(InputScript, EachFrameOfTheMachineReadsItsOwnLine) {
  const std::string path = testing::TempDir() + "/frames.txt";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("0 up\n1 a\n2 b\n3 start\n4 -\n5 select\n", file);
  std::fclose(file);
  const int expected[] = {ButtonUp, ButtonA, ButtonB, ButtonStart, 0, ButtonSelect};
  // Every instruction of the run, as the trace sees it: the frame, the
  // LCD's line (LY but through line 153, where LY reads 0 after its first
  // cycle) and the buttons the cartridge would read.
  static std::vector<std::array<int, 3>> seen;
  for (bool lcd_on : {true, false}) {
    ResetShellMachine();  // 32 KiB of NOPs
    ASSERT_TRUE(LoadInputScript(path.c_str()));
    StepInputScript(0);
    PollInput();
    BusWrite(m, 0xFF40, lcd_on ? 0x91 : 0x11);
    seen.clear();
    m.trace.sink = [](void*, const char*, size_t) { seen.push_back({static_cast<int>(m.lcd.frames_finished), m.lcd.line, m.io.joypad_held}); };
    TraceAll = true;
    RunShellFrames(5);
    TraceAll = false;
    m.trace.sink = nullptr;
    int mismatches = 0;
    for (const auto& [frames, line, held] : seen) {
      const long frame = (lcd_on && line >= 144) ? frames - 1 : frames;
      if (held != expected[frame] && mismatches++ == 0) {
        ADD_FAILURE() << "frame " << frame << (lcd_on ? " (LCD on)" : " (LCD off)") << " at line " << line
                      << " holds " << held << ", not " << expected[frame];
      }
    }
    EXPECT_GT(seen.size(), 5u * 10000) << "every instruction of five frames";
  }
  ASSERT_TRUE(LoadInputScript("/dev/null"));
  StepInputScript(0);
}
