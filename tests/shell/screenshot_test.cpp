#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/display.h"
#include "shell/screenshot.h"
#include "video/renderer.h"
#include "shell_machine.h"
#include "support/png.h"
#include "support/run.h"

namespace {

RgbImage Shot(const std::string& name) {
  const std::string path = MakeTempDir(name) + "/shot.png";
  RgbImage image;
  std::string error;
  EXPECT_TRUE(SaveScreenshot(path.c_str())) << path;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

}  // namespace

// A colour cartridge in true colours: each 5-bit channel c becomes
// (c * 255 + 15) / 31.
TEST(Screenshot, WritesThePictureAsEightBitRgb) {
  std::vector<uint8_t> colour_cartridge(0x8000, 0);
  colour_cartridge[0x143] = 0x80;
  ResetShellMachine(colour_cartridge);
  TrueColoursOption = true;
  for (auto& row : m.renderer.picture)
    for (uint16_t& pixel : row) pixel = 0x0000;
  m.renderer.picture[0][0] = 0x7FFF;      // white
  m.renderer.picture[0][159] = 0x001F;    // full red
  m.renderer.picture[143][0] = 0x7C00;    // full blue
  m.renderer.picture[143][159] = 0x4210;  // 16 of 31 in every channel
  const RgbImage image = Shot("ScreenshotWrites");
  ASSERT_EQ(image.width, 160);
  ASSERT_EQ(image.height, 144);
  EXPECT_EQ(image.at(0, 0), 0xFFFFFFu) << "white stays white";
  EXPECT_EQ(image.at(159, 0), 0xFF0000u);
  EXPECT_EQ(image.at(0, 143), 0x0000FFu);
  EXPECT_EQ(image.at(159, 143), 0x848484u) << "16 of 31 -> 132";
  EXPECT_EQ(image.at(80, 70), 0x000000u);
  TrueColoursOption = false;
}

TEST(Screenshot, TheFourShadesBecomeFourGreens) {
  ResetShellMachine();
  for (int s = 0; s < 4; s++) m.renderer.picture[0][s] = ShadeGreys[s];
  const RgbImage image = Shot("ScreenshotShades");
  const uint32_t greens[4] = {0x00FB00, 0x00BA00, 0x007900, 0x003800};
  for (int s = 0; s < 4; s++) EXPECT_EQ(image.at(s, 0), greens[s]) << "shade " << s;
}

TEST(Screenshot, ReportsAFileThatCannotBeWritten) {
  ResetShellMachine();
  const std::string dir = MakeTempDir("ScreenshotFails");
  EXPECT_FALSE(SaveScreenshot((dir + "/no/such/folder/shot.png").c_str())) << "missing folder";
  EXPECT_FALSE(SaveScreenshot(dir.c_str())) << "a folder is not a file";
  if (FileExists("/dev/full")) {
    EXPECT_FALSE(SaveScreenshot("/dev/full")) << "a full device";
  }
}
