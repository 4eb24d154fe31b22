// RetroArch itself plays a cartridge with the core, in a window under Xvfb.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "archive/archive_files.h"
#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

// RetroArch plays a ZIP archive with the core installed as a package puts
// it, beside its information file, with rewinding on: it unpacks the
// archive, and the information file gives the core its save states.
// RetroArch's screenshot is of its window: the picture scaled up and, near
// its bottom edge, perhaps a notification over it. Above that, scaled back,
// it is PELLIX's own picture after as many frames. All RetroArch reads and
// writes (configuration, saves, states, playlists, logs) is in the test's
// folder: the run needs nothing of the user's and leaves nothing elsewhere.
TEST(RetroArchWindow, PlaysAnArchiveWithTheInstalledCore) {
  XvfbServer x;
  ASSERT_TRUE(x.ok());
  const std::string dir = MakeTempDir("RetroArchWindow"), rom = RomPath("homebrew/unbricked.gb"), frames = "300";
  std::string error;
  const std::string usr = InstallInto(dir, error);
  ASSERT_FALSE(usr.empty()) << error;
  WriteFileBytes(dir + "/game.zip", archive_files::MakeZip({{"unbricked.gb", ReadFileBytes(rom)}}).bytes);
  std::ofstream cfg(dir + "/retroarch.cfg");
  for (const char* folder : {"savefile_directory", "savestate_directory", "system_directory", "screenshot_directory",
                             "playlist_directory", "log_dir", "cache_directory"})
    cfg << folder << " = \"" << dir << "\"\n";
  cfg << "libretro_directory = \"" << usr << "/" PELLIX_LIBRETRO_DIR "\"\nlibretro_info_path = \"" << usr
      << "/share/libretro/info\"\nrewind_enable = true\nmenu_show_load_content_animation = false\n";
  cfg << "config_save_on_exit = false\nhistory_list_enable = false\naudio_driver = null\nvideo_driver = gl\n"
         "video_fullscreen = false\nvideo_scale = 3\nvideo_smooth = false\nvideo_scale_integer = true\n" << std::flush;
  std::map<std::string, std::string> env = x.env();
  env["HOME"] = env["XDG_CACHE_HOME"] = env["XDG_CONFIG_HOME"] = env["XDG_DATA_HOME"] = dir;
  const RunResult run = RunCommand({"dbus-run-session", "--", "retroarch", "--verbose", "--config=" + dir + "/retroarch.cfg",
                                    "--libretro=" + usr + "/" PELLIX_LIBRETRO_DIR "/pellix_libretro.so",
                                    "--max-frames=" + frames, "--max-frames-ss",
                                    "--max-frames-ss-path=" + dir + "/retroarch.png", "game.zip"}, dir, 120, env);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string log = run.out + run.err;
  EXPECT_EQ(log.find("lacks serialized save state support"), std::string::npos) << log;
  EXPECT_NE(log.find("Initializing rewind buffer"), std::string::npos) << log;
  const RunResult ours = RunPellix({"--headless", "--frames", frames, "--screenshot", "pellix.png", rom}, dir);
  ASSERT_EQ(ours.exit_code, 0) << ours.err;

  RgbImage expected, window;
  ASSERT_TRUE(ReadPng(dir + "/pellix.png", expected, error) && ReadPng(dir + "/retroarch.png", window, error)) << error;
  const int scale = window.width / expected.width;
  ASSERT_TRUE(scale >= 1 && window.width == expected.width * scale && window.height == expected.height * scale)
      << window.width << "x" << window.height;
  constexpr int FreeRows = 96;  // the top two thirds
  int differing = 0;
  for (int y = 0; y < FreeRows; y++)
    for (int x = 0; x < expected.width; x++)
      differing += expected.at(x, y) != window.at(x * scale + scale / 2, y * scale + scale / 2);
  EXPECT_EQ(differing, 0) << "pixels of the top " << FreeRows << " rows differ from PELLIX's picture";
}
