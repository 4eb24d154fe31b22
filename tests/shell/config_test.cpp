// The configuration file: keys, joystick buttons and the picture's size.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/allegro_background.h"
#include "shell/config.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/rewind.h"
#include "shell/stream_output.h"
#include "shell_machine.h"
#include "support/run.h"

namespace {

class ConfigFile : public ::testing::Test {
 protected:
  // The file is read before Allegro is installed: nothing here installs it.
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RestoreDefaultBindings();
    TrueColoursOption = false;
    RewindOption = true;
    QuietThreadOption = true;
    InfoScreenOption = true;
    SoundVolume = FullVolume;
  }

  // Writes the text as a file and reads it; returns what went to stderr.
  std::string Load(const std::string& text, DisplayMode& video) {
    path = MakeTempDir("config") + "/pellix.cfg";
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    testing::internal::CaptureStderr();
    LoadConfiguration(path.c_str(), video);
    return testing::internal::GetCapturedStderr();
  }
  static int KeyOf(KeyAction action) { return KeyBindings[action].scancode; }

  std::string path;
};

}  // namespace

TEST_F(ConfigFile, EverySettingIsRead) {
  DisplayMode video;
  const std::string err = Load(
      "\xEF\xBB\xBF# keys of my own, the UTF-8 mark before\r\n"
      "[keys]\nup = W\ndown = S\nleft = A\nright = D\na = SPACE\nb = lcontrol\nstart = ENTER\n"
      "select = KEY_RSHIFT\npause = PAUSE\nfast_forward = 0_PAD\nreset = F5\nscreenshot = PRTSCR\n"
      "fullscreen = F\nsave_state = F6\nstate_slot = F7\nload_state = F8\nrewind = R\n"
      "volume_down = 1_PAD\nvolume_up = 2_PAD\nmute = 3_PAD\n"
      "[joystick]\nnumber = 1\na = 2\nb = 3\nstart = 7\nselect = 6\n"
      "[video]\nscale = 4\nfullscreen = yes\ncolour = yes\nrewind = no\nquiet_thread = no\ninfo = no\n"
      "[sound]\nvolume = 40\n",
      video);
  EXPECT_EQ(err, "");
  const int expected[ActionCount] = {KEY_W,      KEY_S,     KEY_A,     KEY_D,  KEY_SPACE,  KEY_LCONTROL, KEY_ENTER,
                                     KEY_RSHIFT, KEY_PAUSE, KEY_0_PAD, KEY_F5, KEY_PRTSCR, KEY_F,        KEY_F6,
                                     KEY_F7,     KEY_F8,    KEY_R,     KEY_1_PAD, KEY_2_PAD, KEY_3_PAD};
  for (int i = 0; i < ActionCount; i++) EXPECT_EQ(KeyOf(KeyAction(i)), expected[i]) << DefaultKeyBindings[i].name;
  EXPECT_EQ(JoystickMap.number, 1);
  EXPECT_EQ(JoystickMap.a, 2);
  EXPECT_EQ(JoystickMap.b, 3);
  EXPECT_EQ(JoystickMap.start, 7);
  EXPECT_EQ(JoystickMap.select, 6);
  EXPECT_EQ(video.scale, 4);
  EXPECT_TRUE(video.fullscreen);
  EXPECT_TRUE(TrueColoursOption) << "colour = yes";
  EXPECT_FALSE(RewindOption) << "rewind = no";
  EXPECT_FALSE(QuietThreadOption) << "quiet_thread = no";
  EXPECT_FALSE(InfoScreenOption) << "info = no";
  EXPECT_EQ(SoundVolume, 40) << "[sound] volume = 40";
}

// Each mistake is one line naming the file, the line, the setting and the
// value; the setting keeps what it had and the rest of the file still
// counts. The lines under a broken header are skipped without blame. A
// name near a known one gets a hint; two actions on one key are named.
TEST_F(ConfigFile, MistakesAreReportedAndKeepTheirDefault) {
  DisplayMode video;
  const std::string err = Load(
      "scale = 3\n"
      "[keys]\npause = lctrl\nreset = ESC\nscreenshot = TILDE\njump = X\na = SPACE\n"
      "[joystick]\nnumber = 8\na = 32\nb = -1\nstart = two\nselect = 4\n"
      "[video]\nscale = 7\nfullscreen = maybe\ncolour = true\nscale = 2x\nfullscreen\nquiet_thread = no\n"
      "[video\nscale = 9\nnonsense\n"
      "[colours]\nbackground = 3\n[ ]\n[Keys]\nA = Z\n[sound] junk\nvolume = 5\n",
      video);
  const std::pair<int, const char*> lines[] = {
      {1, "scale = 3: outside any section"},
      {3, "[keys] pause = lctrl: no key of that name (did you mean LCONTROL?); keeping P"},
      {4, "[keys] reset = ESC: that key quits; keeping F1"},
      {5, "[keys] screenshot = TILDE: that key traces; keeping F12"},
      {6, "[keys] jump = X: unknown setting"},
      {9, "[joystick] number = 8: not a whole number from 0 to 7; keeping 0"},
      {10, "[joystick] a = 32: not a whole number from 0 to 31; keeping 1"},
      {11, "[joystick] b = -1: not a whole number from 0 to 31; keeping 0"},
      {12, "[joystick] start = two: not a whole number from 0 to 31; keeping 8"},
      {15, "[video] scale = 7: not a whole number from 1 to 6; keeping 2"},
      {16, "[video] fullscreen = maybe: not yes or no; keeping no"},
      {17, "[video] colour = true: not yes or no; keeping no"},
      {18, "[video] scale = 2x: not a whole number from 1 to 6; keeping 2"},
      {19, "fullscreen: not a setting (no =), ignored"},
      {21, "[video: broken section header; the lines up to the next section are ignored"},
      {24, "[colours]: unknown section"},
      {26, "[ ]: broken section header"},
      {28, "[Keys] A = Z: overrides line 7; the later line counts"},
      {28, "[keys] a = Z: also the key of b; both happen at each press"},
      {29, "[sound] junk: broken section header"},
  };
  for (const auto& [line, text] : lines) {
    const std::string expected = "pellix: " + path + ":" + std::to_string(line) + ": " + text;
    EXPECT_NE(err.find(expected), std::string::npos) << "missing: " << expected << "\n" << err;
  }
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), static_cast<long>(std::size(lines))) << err;

  for (KeyAction kept : {ActionPause, ActionReset, ActionScreenshot})
    EXPECT_EQ(KeyOf(kept), DefaultKeyBindings[kept].scancode);
  EXPECT_EQ(KeyOf(ActionA), KEY_Z) << "good settings beside bad ones still count, the later line first";
  EXPECT_EQ(JoystickMap.number, 0);
  EXPECT_EQ(JoystickMap.a, 1);
  EXPECT_EQ(JoystickMap.b, 0);
  EXPECT_EQ(JoystickMap.start, 8);
  EXPECT_EQ(JoystickMap.select, 4);
  EXPECT_EQ(video.scale, DefaultScale);
  EXPECT_FALSE(video.fullscreen);
  EXPECT_FALSE(TrueColoursOption);
  EXPECT_FALSE(QuietThreadOption);
  EXPECT_EQ(SoundVolume, FullVolume) << "the lines after a broken header are skipped";
}

// Without --config the file is looked for under $XDG_CONFIG_HOME, else
// under ~/.config; not finding it there is normal and silent. A file that is
// there but cannot be read, or is too large, is reported; a file that is
// no configuration at all gives a few lines, not thousands.
TEST_F(ConfigFile, DefaultPlaceAndFilesThatAreNoConfiguration) {
  const std::string home = MakeTempDir("config-home");
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved_xdg = old_xdg ? old_xdg : "";
  setenv("XDG_CONFIG_HOME", (home + "/xdg").c_str(), 1);
  EXPECT_EQ(DefaultConfigPath(), home + "/xdg/pellix/pellix.cfg");
  DisplayMode video;
  testing::internal::CaptureStderr();
  LoadConfiguration(nullptr, video);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no file, no message";

  std::filesystem::create_directories(home + "/xdg/pellix/pellix.cfg");  // a folder where the file should be
  testing::internal::CaptureStderr();
  LoadConfiguration(nullptr, video);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "pellix: " + home +
                "/xdg/pellix/pellix.cfg: cannot read the configuration file (Is a directory); using the defaults\n");

  setenv("XDG_CONFIG_HOME", "relative/folder", 1);  // only absolute folders count
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home ? old_home : "";
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(DefaultConfigPath(), home + "/.config/pellix/pellix.cfg");
  setenv("HOME", saved_home.c_str(), 1);
  if (old_xdg) setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(video.scale, DefaultScale);

  const std::string too_large = Load(std::string(LargestConfigFile + 1, '#'), video);
  EXPECT_EQ(too_large,
            "pellix: " + path + ": cannot read the configuration file (too large: over 1 MiB); using the defaults\n");
  std::string junk = std::string(100, 'x') + "\n";
  for (int i = 0; i < 100; i++) junk += "\x01junk\n";
  const std::string err = Load(junk, video);
  EXPECT_EQ(err.find("pellix: " + path + ":1: " + std::string(60, 'x') + "...: not a setting"), 0u) << err;
  EXPECT_NE(err.find(":3: ?junk: not a setting"), std::string::npos) << "no control characters: " << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 21) << err;
  EXPECT_NE(err.find("pellix: " + path + ": 81 more mistakes not shown\n"), std::string::npos) << err;
}

// Every key name reads back as its key, in any case and with or without
// the KEY_ prefix.
TEST(KeyNames, NamesAndKeysMatch) {
  int named = 0;
  for (int k = 1; k < KEY_MAX; k++) {
    const char* name = NameOfKey(k);
    if (std::string(name) == "?") continue;
    named++;
    EXPECT_EQ(KeyFromName(name), k) << name;
  }
  EXPECT_GE(named, 110) << "every key Allegro has a constant for";
  EXPECT_EQ(KeyFromName("space"), KEY_SPACE);
  EXPECT_EQ(KeyFromName("Key_Lcontrol"), KEY_LCONTROL);
  EXPECT_EQ(KeyFromName("0_PAD"), KEY_0_PAD);
  EXPECT_EQ(KeyFromName("SPACEBAR"), 0);
  EXPECT_EQ(KeyFromName(""), 0);
  EXPECT_EQ(KeyFromName("KEY_"), 0);
}

// The README's complete example sets every setting to its default, and
// reads without a complaint.
TEST_F(ConfigFile, TheReadmeExampleIsTheDefaults) {
  const std::vector<uint8_t> readme = ReadFileBytes(TestDataPath("../README.md"));
  const std::string text(readme.begin(), readme.end());
  const size_t start = text.find("    # PELLIX configuration");
  ASSERT_NE(start, std::string::npos) << "the example in README.md";
  std::string example;
  for (size_t at = start; at < text.size();) {  // the indented lines and the blank ones between them
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    if (!line.empty() && line.compare(0, 4, "    ") != 0) break;
    example += (line.empty() ? "" : line.substr(4)) + "\n";
    at = end + 1;
  }
  DisplayMode video;
  video.scale = 5;
  video.fullscreen = true;
  RestoreDefaultBindings();
  for (KeyBinding& binding : KeyBindings) binding.scancode = KEY_F10;  // so that every key must be read
  JoystickMap = JoystickBinding{3, 3, 3, 3, 3};
  RewindOption = false;
  QuietThreadOption = false;
  InfoScreenOption = false;
  SoundVolume = 7;
  EXPECT_EQ(Load(example, video), "");
  EXPECT_TRUE(InfoScreenOption) << "info = yes";
  EXPECT_EQ(SoundVolume, FullVolume) << "volume = 100";
  EXPECT_TRUE(RewindOption) << "rewind = yes";
  EXPECT_TRUE(QuietThreadOption) << "quiet_thread = yes";
  for (int i = 0; i < ActionCount; i++)
    EXPECT_EQ(KeyBindings[i].scancode, DefaultKeyBindings[i].scancode) << DefaultKeyBindings[i].name;
  const JoystickBinding defaults;
  EXPECT_EQ(JoystickMap.number, defaults.number);
  EXPECT_EQ(JoystickMap.a, defaults.a);
  EXPECT_EQ(JoystickMap.b, defaults.b);
  EXPECT_EQ(JoystickMap.start, defaults.start);
  EXPECT_EQ(JoystickMap.select, defaults.select);
  EXPECT_EQ(video.scale, DefaultScale);
  EXPECT_FALSE(video.fullscreen);
}
