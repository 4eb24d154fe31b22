// Runs without a person: the serial output, scripted buttons, pictures at
// chosen frames and the test-runner mode, driven through the real program.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "support/cartridge_image.h"
#include "support/png.h"
#include "support/run.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

TEST(SerialOutput, CpuInstrsPrintsItsTextEndingInPassedOnStdout) {
  const std::string dir = MakeTempDir("serial-cpu-instrs");
  RunResult r = RunPellix({"--headless", "--frames", "5000", "--serial", "-", RomPath("cpu_instrs/cpu_instrs.gb")}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("cpu_instrs\n\n01:ok  02:ok  03:ok", 0), 0u) << r.out;
  const std::string ending = "Passed all tests\n";
  ASSERT_GE(r.out.size(), ending.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - ending.size()), ending) << r.out;
}

// The echo cartridge sends, from its V-blank handler, the buttons it reads
// in each frame: byte F holds the buttons of frame F (bits: Start Select B
// A Down Up Left Right). A run of N frames ends as the N-th V-blank begins,
// before its handler, so it sends N-1 bytes.
TEST(InputScript, EchoCartridgeSeesTheScriptFrameByFrame) {
  const std::string dir = MakeTempDir("input-echo");
  WriteText(dir + "/keys.txt",
            "# buttons by frame\n"
            "0 right\n"
            "1 -\n"
            "2 a\n"
            "3 a+b   # both\n"
            "\n"
            "7 start+select\n"
            "8 up+left\n"
            "20 DOWN\n"
            "21 -\n"
            "30 up+down+left+right+a+b+start+select\n"
            "35 b\n");
  const int frames = 41;
  RunResult r = RunPellix({"--headless", "--frames", std::to_string(frames), "--input", "keys.txt", "--serial",
                           "echo.bin", TestRomPath("input_echo")},
                          dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::vector<uint8_t> expected;
  for (int f = 0; f < frames - 1; f++) {
    uint8_t b = 0;
    if (f == 0) b = 0x01;
    else if (f == 1) b = 0x00;
    else if (f == 2) b = 0x10;
    else if (f < 7) b = 0x30;
    else if (f == 7) b = 0xC0;
    else if (f < 20) b = 0x06;
    else if (f == 20) b = 0x08;
    else if (f < 30) b = 0x00;
    else if (f < 35) b = 0xFF;
    else b = 0x20;
    expected.push_back(b);
  }
  EXPECT_EQ(ReadFileBytes(dir + "/echo.bin"), expected) << "one byte per frame, frames 0 to " << frames - 2;
}

TEST(InputScript, MistakesNameFileAndLineAndExitTwoBeforeTheRun) {
  const std::string dir = MakeTempDir("input-mistakes");
  struct Case {
    const char* script;
    const char* message;
  };
  for (const Case& c : {Case{"0 a\n\n# fine so far\n12 jump\n", "pellix: bad.txt:4: unknown button 'jump'"},
                        Case{"5 a\n3 b\n", "pellix: bad.txt:2: frame 3 does not come after frame 5"},
                        Case{"start\n", "pellix: bad.txt:1: 'start' is not a frame number"}}) {
    WriteText(dir + "/bad.txt", c.script);
    RunResult r = RunPellix({"--headless", "--frames", "10", "--input", "bad.txt", TestRomPath("input_echo")}, dir);
    EXPECT_EQ(r.exit_code, 2) << c.script;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    EXPECT_FALSE(FileExists(dir + "/vram.bin")) << "the run never started";
  }
  RunResult missing = RunPellix({"--headless", "--input", "none.txt", TestRomPath("input_echo")}, dir);
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.err.rfind("pellix: none.txt: cannot read the input script", 0), 0u) << missing.err;
  RunResult endless = RunPellix({"--headless", "--input", "/dev/zero", TestRomPath("input_echo")}, dir, 30);
  EXPECT_EQ(endless.exit_code, 2);
  EXPECT_EQ(endless.err, "pellix: /dev/zero: the input script is larger than 16 MiB\n");
}

// Geometrix moves from its title to a game when the script presses Start,
// so the pictures of one run differ from each other. Its high scores stay
// out of it: no run reads or writes a save.
TEST(ScreenshotAt, PicturesOfOneRunEqualThoseOfRunsEndingThere) {
  const std::string dir = MakeTempDir("screenshot-at");
  WriteText(dir + "/play.txt", "120 start\n125 -\n");
  const std::string rom = CopyCartridgeInto(RomPath("homebrew/geometrix.gbc"), dir);
  const std::vector<int> frames = {60, 250, 121, 400};  // in any order
  std::vector<std::string> args = {"--headless", "--no-save", "--frames", "400", "--input", "play.txt"};
  for (int f : frames) {
    args.push_back("--screenshot-at");
    args.push_back(std::to_string(f) + ":at" + std::to_string(f) + ".png");
  }
  args.push_back(rom);
  RunResult r = RunPellix(args, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;

  std::vector<std::vector<uint8_t>> pictures;
  for (int f : frames) {
    const std::string one = "end" + std::to_string(f) + ".png";
    RunResult s = RunPellix(
        {"--headless", "--no-save", "--frames", std::to_string(f), "--input", "play.txt", "--screenshot", one, rom},
        dir);
    ASSERT_EQ(s.exit_code, 0) << s.err;
    RgbImage at, end;
    std::string error;
    ASSERT_TRUE(ReadPng(dir + "/at" + std::to_string(f) + ".png", at, error)) << error;
    ASSERT_TRUE(ReadPng(dir + "/" + one, end, error)) << error;
    EXPECT_EQ(ComparePictures(end, at), "") << "frame " << f;
    pictures.push_back(at.rgb);
  }
  EXPECT_NE(pictures[0], pictures[1]) << "the title and the game differ, so the frames are told apart";
  EXPECT_NE(pictures[1], pictures[3]);

  RunResult late =
      RunPellix({"--headless", "--no-save", "--frames", "30", "--screenshot-at", "31:late.png", rom}, dir);
  EXPECT_EQ(late.exit_code, 1) << "a picture the run never reached is a file not written";
  EXPECT_NE(late.err.find("pellix: late.png: not written: the run ended after 30 frames, before frame 31"),
            std::string::npos)
      << late.err;
}

namespace {

struct Reporter {
  const char* cartridge;
  int exit_code;
  const char* after_name;  // what follows "<path>: " on stdout
};

void PrintTo(const Reporter& r, std::ostream* out) { *out << r.cartridge; }

const Reporter Reporters[] = {
    {"status_passes", 0, "passed\n"},
    {"status_fails", 1, "failed: Sum of the table is wrong Failed #3\n"},
    {"serial_passes", 0, "passed\n"},
    {"serial_fails", 1, "failed: serial check Failed #7\n"},
    {"breakpoint_passes", 0, "passed\n"},
    {"breakpoint_fails", 1, "failed: breakpoint (LD B,B) at 0x"},
    {"never_reports", 4, "no verdict after 300 frames\n"},
};

class TestMode : public testing::TestWithParam<Reporter> {};

}  // namespace

TEST_P(TestMode, VerdictLineAndExitCode) {
  const Reporter& c = GetParam();
  const std::string dir = MakeTempDir(std::string("test-mode-") + c.cartridge);
  const std::string rom = TestRomPath(c.cartridge);
  RunResult r = RunPellix({"--test", "--frames", "300", rom}, dir, 60);
  EXPECT_EQ(r.exit_code, c.exit_code) << r.out << r.err;
  EXPECT_EQ(r.out.rfind(rom + ": " + c.after_name, 0), 0u) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << "one line: " << r.out;
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(OwnCartridges, TestMode, testing::ValuesIn(Reporters),
                         [](const testing::TestParamInfo<Reporter>& info) { return info.param.cartridge; });

TEST(TestModeRun, EndsAtTheVerdictAndKeepsTheSerialTextApart) {
  const std::string dir = MakeTempDir("test-mode-serial");
  const std::string rom = TestRomPath("serial_fails");
  RunResult r = RunPellix({"--test", "--serial", "-", "--bench", rom}, dir, 60);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out.rfind("serial check\n\nFailed #7\n" + rom + ": failed: serial check Failed #7\n", 0), 0u)
      << r.out;
  const size_t frames_at = r.out.find(" frames in ");
  ASSERT_NE(frames_at, std::string::npos) << r.out;
  const long frames = std::stol(r.out.substr(r.out.rfind('\n', frames_at) + 1));
  EXPECT_GT(frames, 10) << "the cartridge reports after ten frames";
  EXPECT_LT(frames, 20) << "the run ends at the verdict, not at the frame limit";
}

TEST(TestModeRun, UnknownOpcodeStopsWithExitThree) {
  const std::string dir = MakeTempDir("test-mode-unknown-op");
  std::vector<uint8_t> image(0x8000, 0x00);
  image[0x0100] = 0xC3;  // JP 0x0150
  image[0x0101] = 0x50;
  image[0x0102] = 0x01;
  image[0x0150] = 0xD3;
  GiveValidHeader(image);
  WriteFileBytes(dir + "/bad.gb", image);
  RunResult r = RunPellix({"--test", "bad.gb"}, dir, 60);
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "pellix: Unknown Op 0xD3 at 0x0150\n");
  EXPECT_EQ(r.out, "bad.gb: no verdict: the processor stopped on an unknown opcode after 0 frames\n");
}
