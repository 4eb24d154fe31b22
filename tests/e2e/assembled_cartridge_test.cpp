// Our own test cartridges are assembled from tests/roms during the build;
// this one checks that the toolchain gives a cartridge the program runs.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

TEST(AssembledCartridge, RunsAndLeavesItsTextInTheMap) {
  const std::string dir = MakeTempDir("assembled-cartridge");
  RunResult r = RunPellix({"--headless", "--frames", "5", TestRomPath("toolchain_check")}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::vector<uint8_t> vram = ReadFileBytes(dir + "/vram.bin");
  ASSERT_EQ(vram.size(), 8192u);
  EXPECT_EQ(std::string(vram.begin() + 0x1800, vram.begin() + 0x1809), "ASSEMBLED")
      << "the copy loop wrote the text into the map at 0x9800";
}
