// The LCD status as cartridges see it: our own test cartridges count the
// status interrupts, watch the LCD switched off and on and time the
// drawing, and leave their results in the map at 0x9C00, read back from
// vram.bin.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run.h"

namespace {

constexpr size_t Results = 0x1C00;  // 0x9C00 in vram.bin

std::vector<uint8_t> RunForResults(const std::string& cartridge) {
  const std::string dir = MakeTempDir("lcd-status-" + cartridge);
  RunResult r = RunPellix({"--headless", "--frames", "30", TestRomPath(cartridge)}, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<uint8_t> vram = ReadFileBytes(dir + "/vram.bin");
  vram.resize(0x2000);
  return std::vector<uint8_t>(vram.begin() + Results, vram.begin() + Results + 32);
}

}  // namespace

TEST(LcdStatus, EachSourceRequestsOnceAtItsMomentAndBackToBackSourcesOnce) {
  const std::vector<uint8_t> got = RunForResults("stat_sources");
  const struct {
    int expected;
    const char* what;
  } cases[] = {{144, "H-blank (STAT 0x08)"},
               {1, "V-blank (0x10)"},
               {145, "mode 2 (0x20), lines 0-144"},
               {1, "LY = LYC (0x40)"},
               {144, "H-blank and V-blank (0x18): line 143's H-blank runs into V-blank"},
               {145, "H-blank and mode 2 (0x28): each H-blank runs into the next mode 2"},
               {144, "LY = LYC and mode 2 (0x60): LY = 64 holds into line 65's mode 2"},
               {1, "V-blank and LY = 144 (0x50) at the same moment"}};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
    EXPECT_EQ(got[i], cases[i].expected) << "requests per frame, " << cases[i].what;
  EXPECT_EQ(got[8], 0xD0) << "the cartridge went through every case";
}

TEST(LcdStatus, LcdOffHoldsLyAtZeroWithoutRequestsAndStartsAgainAtLineZero) {
  const std::vector<uint8_t> got = RunForResults("lcd_off");
  ASSERT_EQ(got[6], 0xD0) << "the cartridge went through every step";
  EXPECT_EQ(got[0], 0) << "no V-blank or status request in three frames' time with the LCD off";
  EXPECT_EQ(got[1], 0) << "LY reads 0 with the LCD off";
  EXPECT_EQ(got[2], 0) << "the mode reads 0 with the LCD off";
  EXPECT_EQ(got[3], 0) << "LY is 0 just after switching on";
  // Polls 8 or 9 cycles apart fit 12 to 14 times into a full line of 114.
  EXPECT_GE(got[4], 11) << "line 0 after switching on is a full line";
  EXPECT_LE(got[4], 15);
  EXPECT_EQ(got[5], 0x90) << "the V-blank request comes with LY = 144";
}

// Mode 0 begins 257 dots after a plain line's mode 2 request, a dot into
// its 65th cycle (as the mooneye sprite cartridge pins it), and fine scroll
// adds SCX mod 8 dots: SCX 0-3 keep the request in that cycle, 4-7 move it
// to the next; only the low three bits count.
TEST(LcdStatus, FineScrollLengthensTheDrawingByItsDots) {
  const std::vector<uint8_t> got = RunForResults("fine_scroll_timing");
  ASSERT_EQ(got[16], 0xD0) << "the cartridge measured every SCX";
  for (int scx = 0; scx < 16; scx++)
    EXPECT_EQ(got[scx], (scx & 7) < 4 ? 65 : 66) << "cycles from the mode 2 request to the H-blank one, SCX " << scx;
}

// OAM shut in modes 2 and 3, video RAM and the palette data in mode 3:
// the cartridge checks reads of 0xFF, dropped writes and the palette
// index that steps on all the same.
TEST(LcdStatus, LockedMemoriesReadFFAndDropWrites) {
  const RunResult r = RunPellix({"--test", TestRomPath("locked_memory")}, MakeTempDir("locked-memory"));
  EXPECT_EQ(r.out, TestRomPath("locked_memory") + ": passed\n") << r.err;
}
