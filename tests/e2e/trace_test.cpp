// The trace file and the stopped processor as a user meets them: a traced
// headless run, a cartridge that starts with an undefined opcode, and the
// register display in the window.
#include <allegro.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/cartridge_image.h"
#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

constexpr size_t LineBytes = 95;  // 93 characters, CR, LF

// A 32 KiB cartridge without a controller whose first instruction, at
// 0x0100, is the undefined opcode 0xD3.
std::string WriteUndefinedOpcodeCartridge(const std::string& dir) {
  std::vector<uint8_t> image(0x8000, 0x00);
  image[0x0100] = 0xD3;
  image[0x0147] = 0x00;  // no controller
  image[0x0148] = 0x00;  // 32 KiB
  image[0x0149] = 0x00;  // no cartridge RAM
  GiveValidHeader(image);
  const std::string path = dir + "/undefined.gb";
  WriteFileBytes(path, image);
  return path;
}

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Reads the text cells of a window capture: the picture is doubled, so a
// text cell is 16x16 window pixels. Each cell's lit pixels are matched
// against the built-in 8x8 font; a dark cell reads as a space.
class WindowText {
 public:
  explicit WindowText(const RgbImage& image) : image_(image) {
    static const bool started = install_allegro(SYSTEM_NONE, &errno, std::atexit) == 0;  // the font, no window
    EXPECT_TRUE(started);
    BITMAP* scratch = create_bitmap_ex(16, 8, 8);
    for (int c = 32; c < 127; c++) {
      clear_to_color(scratch, 0);
      const char text[2] = {static_cast<char>(c), '\0'};
      textout_ex(scratch, font, text, 0, 0, 0xFFFF, -1);
      uint64_t mask = 0;
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
          if (reinterpret_cast<uint16_t*>(scratch->line[y])[x]) mask |= uint64_t{1} << (y * 8 + x);
      glyphs_[c] = mask;
    }
    destroy_bitmap(scratch);
  }

  // The 20 visible cells of a row, trailing spaces dropped.
  std::string Row(int row) const {
    std::string text;
    for (int column = 0; column < 20; column++) {
      uint64_t mask = 0;
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
          if (image_.at((column * 8 + x) * 2, (row * 8 + y) * 2) != 0) mask |= uint64_t{1} << (y * 8 + x);
      char shown = mask ? '?' : ' ';
      for (int c = 32; c < 127 && mask; c++)
        if (glyphs_[c] == mask) {
          shown = static_cast<char>(c);
          break;
        }
      text += shown;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

 private:
  const RgbImage& image_;
  std::array<uint64_t, 127> glyphs_{};
};

}  // namespace

TEST(Trace, HeadlessTraceStartsWithTheFirstInstructionAndPostBootRegisters) {
  const std::string dir = MakeTempDir("trace-headless");
  RunResult r = RunPellix({"--headless", "--trace", "--frames", "2", RomPath("cpu_instrs/individual/01-misc-instrs.gb")},
                          dir, 60);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string trace = ReadText(dir + "/Trace.Log");
  ASSERT_GE(trace.size(), 2 * LineBytes) << "Trace.Log holds the executed instructions";
  EXPECT_EQ(trace.substr(0, LineBytes),
            "$0100     NOP           AF:1180   BC:0000   DE:ff56   HL:000d   SP:fffe   LY:0000   LCDC:0091\r\n")
      << "first line: the instruction at 0x0100 with the post-boot registers of a colour cartridge";
  EXPECT_EQ(trace.substr(LineBytes, 24), "$0101     JP $0213      ");

  ASSERT_EQ(trace.size() % LineBytes, 0u) << "every line is 93 characters and CR LF";
  const size_t lines = trace.size() / LineBytes;
  EXPECT_GT(lines, 2000u) << "two frames execute thousands of instructions";
  for (size_t i = 0; i < lines; i++) {
    const std::string line = trace.substr(i * LineBytes, LineBytes);
    if (line[0] != '$' || line.substr(24, 3) != "AF:" || line.substr(93) != "\r\n") {
      ADD_FAILURE() << "line " << i + 1 << " is malformed: " << line;
      break;
    }
  }
  EXPECT_NE(trace.find("LY:0090"), std::string::npos) << "the trace runs through V-blank (line 144)";
}

TEST(Trace, UndefinedFirstOpcodeExitsThreeWithMessageAndDumps) {
  const std::string dir = MakeTempDir("undefined-opcode");
  const std::string rom = WriteUndefinedOpcodeCartridge(dir);
  RunResult r = RunPellix({"--headless", "--trace", rom}, dir, 30);
  EXPECT_FALSE(r.timed_out) << "a stopped headless run must end by itself";
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(r.err, "pellix: Unknown Op 0xD3 at 0x0100\n") << "one line: the opcode and where it stands";
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192) << "vram.bin is written on the way out";
  EXPECT_EQ(ReadText(dir + "/Trace.Log"),
            "$0100     BAD OP #$D3   AF:1180   BC:0000   DE:0008   HL:007c   SP:fffe   LY:0000   LCDC:0091\r\n")
      << "the undefined opcode is traced once, then nothing runs";
}

// In the window, the stopped processor says so on stderr at once and shows
// the register display, whole, until SIGTERM (exit 3); holding X hides it.
TEST(TraceWindow, StoppedProcessorShowsRegisterDisplay) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("register-display");
  const std::string rom = WriteUndefinedOpcodeCartridge(dir);
  BackgroundRun run = StartPellix({rom}, dir, x.env());
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << "no window; the program said: " << ReadErrors(run);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  HoldKey(x, window, "Return", 0.1);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_NE(ReadErrors(run).find("pellix: Unknown Op 0xD3 at 0x0100\n"), std::string::npos) << ReadErrors(run);

  ASSERT_TRUE(CaptureWindow(x, window, dir + "/registers.png"));
  RgbImage shot;
  std::string error;
  ASSERT_TRUE(ReadPng(dir + "/registers.png", shot, error)) << error;
  ASSERT_EQ(shot.width, 320);
  ASSERT_EQ(shot.height, 288);
  {
    const WindowText text(shot);
    const char* const rows[] = {"Unknown Op 0xD3 at", "0x0100", "", "", "PC:0100  SP:fffe", "AF:1180  BC:0000",
                                "DE:0008  HL:007c", "", "Current Op:d3", "Scanline:00", "LastVRAMWrite:0000", "",
                                "$0100 BAD OP #$D3"};
    for (int row = 0; row < 13; row++) EXPECT_EQ(text.Row(row), rows[row]) << "row " << row;
  }

  // Holding X leaves the picture black.
  std::thread hold([&] { HoldKey(x, window, "x", 1.5); });
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const bool captured = CaptureWindow(x, window, dir + "/hidden.png");
  hold.join();
  ASSERT_TRUE(captured);
  RgbImage hidden;
  ASSERT_TRUE(ReadPng(dir + "/hidden.png", hidden, error)) << error;
  int lit = 0;
  for (int y = 0; y < hidden.height; y++)
    for (int px = 0; px < hidden.width; px++) lit += hidden.at(px, y) != 0;
  EXPECT_EQ(lit, 0) << "with X held nothing is drawn";

  kill(run.pid, SIGTERM);
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 20, code)) << "SIGTERM ends the stopped program";
  EXPECT_EQ(code, 3) << ReadErrors(run);
  EXPECT_EQ(FileSize(dir + "/vram.bin"), 8192);
  EXPECT_FALSE(FileExists(dir + "/Trace.Log")) << "nothing traced without the tilde key: no file";
}
