#include "support/vram_map.h"

#include <gtest/gtest.h>

#include "support/run.h"

namespace {

constexpr size_t MapOffset = 0x1800;
constexpr int MapSide = 32;

}  // namespace

std::string MapBytes(const std::vector<uint8_t>& vram) {
  if (vram.size() < MapOffset + MapSide * MapSide) return std::string();
  return std::string(vram.begin() + MapOffset, vram.begin() + MapOffset + MapSide * MapSide);
}

std::string MapText(const std::vector<uint8_t>& vram) {
  const std::string map = MapBytes(vram);
  std::string text;
  for (size_t row = 0; row * MapSide < map.size(); row++) {
    std::string line;
    for (int column = 0; column < MapSide; column++) {
      const unsigned char code = static_cast<unsigned char>(map[row * MapSide + column]);
      line += (code >= 0x20 && code < 0x7F) ? static_cast<char>(code) : ' ';
    }
    line.erase(line.find_last_not_of(' ') + 1);
    if (!line.empty()) text += "  | " + line + "\n";
  }
  return text;
}

void ExpectCartridgePrintsPassed(const std::string& rom, int frames, const std::string& folder, VerdictIn where) {
  const std::string dir = MakeTempDir(folder);
  RunResult r = RunPellix({"--headless", "--frames", std::to_string(frames), "--serial", "serial.txt", rom}, dir);
  ASSERT_FALSE(r.timed_out) << rom << " did not end after " << frames << " frames";
  ASSERT_EQ(r.exit_code, 0) << rom << " should run to its frame limit; stderr: " << r.err;

  const std::vector<uint8_t> vram = ReadFileBytes(dir + "/vram.bin");
  ASSERT_EQ(vram.size(), 8192u) << "vram.bin holds video RAM bank 0";
  const std::vector<uint8_t> serial = ReadFileBytes(dir + "/serial.txt");
  const std::string text = where == VerdictIn::Serial ? std::string(serial.begin(), serial.end()) : MapBytes(vram);
  EXPECT_NE(text.find("Passed"), std::string::npos)
      << rom << " should print \"Passed\" within " << frames << " frames; it sent:\n"
      << std::string(serial.begin(), serial.end()) << "\nand the screen reads:\n" << MapText(vram);
  EXPECT_EQ(MapBytes(vram).find("Failed"), std::string::npos) << MapText(vram);
}

void ExpectTestModePasses(const std::string& rom, int frames, const std::string& folder) {
  const RunResult r = RunPellix({"--test", "--frames", std::to_string(frames), rom}, MakeTempDir(folder));
  EXPECT_EQ(r.out, rom + ": passed\n") << "stderr: " << r.err;
  EXPECT_EQ(r.exit_code, 0);
}
