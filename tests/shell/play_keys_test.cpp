// Names of the screenshots the screenshot key writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "shell/play_keys.h"
#include "support/run.h"

// pellix-NAME-N.png in the current folder: NAME from the cartridge's file
// without folders and extensions, N the first number not yet taken.
TEST(ScreenshotNames, CartridgeNameAndFirstFreeNumber) {
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(MakeTempDir("screenshot-names").c_str()), 0);

  EXPECT_EQ(NextScreenshotName("../roms/Tetris.gb"), "pellix-Tetris-1.png");
  EXPECT_EQ(NextScreenshotName("/x/Zelda (DX).gbc"), "pellix-Zelda (DX)-1.png");
  EXPECT_EQ(NextScreenshotName("game.gb.gz"), "pellix-game-1.png");
  EXPECT_EQ(NextScreenshotName("GAME.ZIP"), "pellix-GAME-1.png");
  EXPECT_EQ(NextScreenshotName("v1.2.gb"), "pellix-v1.2-1.png");
  EXPECT_EQ(NextScreenshotName("noextension"), "pellix-noextension-1.png");
  EXPECT_EQ(NextScreenshotName(".gb"), "pellix-.gb-1.png") << "a name that is all extension stays";

  WriteFileBytes("pellix-Tetris-1.png", {});
  WriteFileBytes("pellix-Tetris-2.png", {});
  WriteFileBytes("pellix-Tetris-4.png", {});
  EXPECT_EQ(NextScreenshotName("Tetris.gb"), "pellix-Tetris-3.png") << "the first free number";

  ASSERT_EQ(chdir(saved), 0);
}
