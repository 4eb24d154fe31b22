#include <allegro.h>
#include <gtest/gtest.h>

#include <string>

#include "shell/display.h"
#include "shell/screenshot.h"
#include "support/machine.h"
#include "support/png.h"
#include "support/run.h"

namespace {

void SetPixel(int x, int y, uint16_t value) { reinterpret_cast<uint16_t*>(WorkBitmap->line[y])[x] = value; }

}  // namespace

TEST(Screenshot, WritesThePictureAreaAsEightBitRgb) {
  ResetTestMachine();
  clear_to_color(WorkBitmap, 0x07C0);
  SetPixel(0, 0, 0xFFFF);        // white
  SetPixel(159, 0, 0xF800);      // full red
  SetPixel(0, 143, 0x001F);      // full blue
  SetPixel(159, 143, 0x8410);    // red 16, green 32, blue 16
  SetPixel(160, 0, 0x0000);      // outside the picture
  const std::string dir = MakeTempDir("ScreenshotWrites");
  const std::string path = dir + "/shot.png";
  ASSERT_TRUE(SaveScreenshot(path.c_str()));

  RgbImage image;
  std::string error;
  ASSERT_TRUE(ReadPng(path, image, error)) << error;
  ASSERT_EQ(image.width, 160);
  ASSERT_EQ(image.height, 144);
  EXPECT_EQ(image.at(0, 0), 0xFFFFFFu) << "white stays white";
  EXPECT_EQ(image.at(159, 0), 0xFF0000u) << "red at bits 15-11";
  EXPECT_EQ(image.at(0, 143), 0x0000FFu) << "blue at bits 4-0";
  EXPECT_EQ(image.at(159, 143), 0x848284u) << "16 of 31 -> 132, 32 of 63 -> 130";
  EXPECT_EQ(image.at(80, 70), 0x00FB00u) << "the lightest green (62 of 63) -> 251";
}

TEST(Screenshot, TheFourShadesBecomeFourGreens) {
  ResetTestMachine();
  const uint16_t shades[4] = {0x07C0, 0x05C0, 0x03C0, 0x01C0};
  for (int s = 0; s < 4; s++) SetPixel(s, 0, shades[s]);
  const std::string path = MakeTempDir("ScreenshotShades") + "/shot.png";
  ASSERT_TRUE(SaveScreenshot(path.c_str()));
  RgbImage image;
  std::string error;
  ASSERT_TRUE(ReadPng(path, image, error)) << error;
  const uint32_t greens[4] = {0x00FB00, 0x00BA00, 0x007900, 0x003800};
  for (int s = 0; s < 4; s++) EXPECT_EQ(image.at(s, 0), greens[s]) << "shade " << s;
}

TEST(Screenshot, ReportsAFileThatCannotBeWritten) {
  ResetTestMachine();
  const std::string dir = MakeTempDir("ScreenshotFails");
  EXPECT_FALSE(SaveScreenshot((dir + "/no/such/folder/shot.png").c_str())) << "missing folder";
  EXPECT_FALSE(SaveScreenshot(dir.c_str())) << "a folder is not a file";
  if (FileExists("/dev/full")) {
    EXPECT_FALSE(SaveScreenshot("/dev/full")) << "a full device";
  }
}
