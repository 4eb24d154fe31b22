// Cartridges packed as gzip files and ZIP archives run exactly like the
// plain image; damaged archives end the program with their reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run.h"

namespace {

const std::string LdRom = RomPath("cpu_instrs/individual/06-ld r,r.gb");
const char* const Frames = "120";

// The text the test cartridge printed: the background map at 0x9800-0x9BFF
// holds one character code per byte.
std::string MapText(const std::vector<uint8_t>& vram) {
  std::string text;
  for (size_t i = 0x1800; i < 0x1C00 && i < vram.size(); ++i)
    text += vram[i] >= 32 && vram[i] < 127 ? static_cast<char>(vram[i]) : ' ';
  return text;
}

void Shell(const std::string& command, const std::string& dir) {
  const RunResult r = RunCommand({"sh", "-c", command}, dir, 60);
  ASSERT_EQ(r.exit_code, 0) << command << ": " << r.err;
}

}  // namespace

TEST(Archive, SameCartridgePlainGzippedAndZippedGivesTheSameVideoMemory) {
  const std::string dir = MakeTempDir("archive-forms");
  WriteFileBytes(dir + "/rom.gb", ReadFileBytes(LdRom));
  Shell("gzip -9 -c rom.gb > rom.gb.gz", dir);
  Shell("zip -q -0 stored.zip rom.gb", dir);
  Shell("mkdir -p roms && cp rom.gb roms/ && zip -q -9 deflated.zip roms/ roms/rom.gb", dir);

  std::vector<uint8_t> reference;
  for (const std::string name : {"rom.gb", "rom.gb.gz", "stored.zip", "deflated.zip"}) {
    SCOPED_TRACE(name);
    const std::string run_dir = dir + "/run-" + name;
    Shell("mkdir -p '" + run_dir + "'", dir);
    const RunResult r = RunPellix({"--headless", "--frames", Frames, dir + "/" + name}, run_dir);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto vram = ReadFileBytes(run_dir + "/vram.bin");
    ASSERT_EQ(vram.size(), 8192u);
    if (reference.empty()) {
      reference = vram;
      EXPECT_NE(MapText(vram).find("Passed"), std::string::npos)
          << "the cartridge should have run and printed its result; the map reads: " << MapText(vram);
    } else {
      EXPECT_EQ(vram, reference) << name << " ran differently from the plain image";
    }
  }
}

TEST(Archive, CorruptZipExitsOneWithItsReason) {
  const std::string dir = MakeTempDir("archive-corrupt");
  WriteFileBytes(dir + "/rom.gb", ReadFileBytes(LdRom));
  Shell("zip -q -9 good.zip rom.gb", dir);
  auto bytes = ReadFileBytes(dir + "/good.zip");
  ASSERT_GT(bytes.size(), 400u);
  for (size_t i = 100; i < 300; ++i) bytes[i] ^= 0x5A;  // inside the deflated data
  WriteFileBytes(dir + "/corrupt.zip", bytes);

  const RunResult r = RunPellix({"--headless", "--frames", "2", "corrupt.zip"}, dir, 30);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "pellix: corrupt.zip: Corrupt zip file\n");
  EXPECT_FALSE(FileExists(dir + "/vram.bin")) << "nothing runs after a failed load";
}

TEST(Archive, ZipWithoutACartridgeExitsOneWithItsReason) {
  const std::string dir = MakeTempDir("archive-empty");
  Shell("mkdir -p only/dirs && zip -q -r dirs.zip only", dir);
  const RunResult r = RunPellix({"--headless", "--frames", "2", "dirs.zip"}, dir, 30);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "pellix: dirs.zip: No cartridge image in archive\n");
}

// A ZIP of other files is no cartridge; of several cartridges the first
// runs, and the program says which.
TEST(Archive, ZipOfOtherFilesIsRefusedAndOfSeveralCartridgesNamesTheOneItRuns) {
  const std::string dir = MakeTempDir("archive-members");
  WriteFileBytes(dir + "/readme.txt", {'h', 'e', 'l', 'l', 'o', '\n'});
  WriteFileBytes(dir + "/rom.gb", ReadFileBytes(LdRom));
  WriteFileBytes(dir + "/other.gb", ReadFileBytes(RomPath("cpu_instrs/individual/01-misc-instrs.gb")));
  Shell("zip -q text.zip readme.txt && zip -q -9 two.zip readme.txt rom.gb other.gb", dir);

  RunResult r = RunPellix({"--headless", "--frames", "2", "text.zip"}, dir, 30);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "pellix: text.zip: not a Game Boy cartridge (no valid header)\n");

  r = RunPellix({"--headless", "--frames", Frames, "two.zip"}, dir, 30);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "pellix: two.zip: 2 cartridges in the archive; running rom.gb\n");
  EXPECT_NE(MapText(ReadFileBytes(dir + "/vram.bin")).find("06-ld r,r"), std::string::npos)
      << "the first cartridge ran";
}
