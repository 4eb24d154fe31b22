// The command line.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/options.h"
#include "support/run.h"

namespace {

struct Args {
  std::vector<std::string> words;
  std::vector<char*> argv;
  Args(std::initializer_list<std::string> list) : words(list) {
    words.insert(words.begin(), "pellix");
    for (auto& w : words) argv.push_back(w.data());
  }
  int Parse(Options& opt) { return ParseOptions(static_cast<int>(argv.size()), argv.data(), opt); }
};

const std::string Rom = RomPath("cpu_instrs/individual/06-ld r,r.gb");

}  // namespace

TEST(Options, EverythingTogether) {
  Options opt;
  Args a{"--headless", "--frames", "120", "--bench", "--trace", "--screenshot", "s.png", "--wav", "w.wav",
         "--save", "g.sav", "--colour", Rom};
  ASSERT_EQ(a.Parse(opt), -1);
  EXPECT_TRUE(opt.headless);
  EXPECT_EQ(opt.frames, 120);
  EXPECT_TRUE(opt.bench);
  EXPECT_TRUE(opt.trace);
  EXPECT_STREQ(opt.screenshot, "s.png");
  EXPECT_STREQ(opt.wav, "w.wav");
  EXPECT_STREQ(opt.save, "g.sav");
  EXPECT_FALSE(opt.no_save);
  EXPECT_TRUE(opt.colour);
  EXPECT_EQ(opt.rom, Rom);

  Options without;
  Args b{"--no-save", Rom};
  ASSERT_EQ(b.Parse(without), -1);
  EXPECT_TRUE(without.no_save);
  EXPECT_EQ(without.save, nullptr);
  EXPECT_FALSE(without.colour) << "the greens by default";
}

TEST(Options, WindowSizeFullScreenAndConfiguration) {
  Options opt;
  EXPECT_EQ(opt.scale, 0) << "not given: the configuration decides";
  EXPECT_EQ(opt.volume, -1) << "not given: the configuration decides";
  Args a{"--scale", "6", "--fullscreen", "--config", Rom, "--volume", "0", "--no-info", Rom};
  ASSERT_EQ(a.Parse(opt), -1);
  EXPECT_EQ(opt.scale, 6);
  EXPECT_TRUE(opt.fullscreen);
  EXPECT_EQ(opt.config, Rom) << "any readable file";
  EXPECT_EQ(opt.volume, 0) << "silent is a volume too";
  EXPECT_TRUE(opt.no_info);
}

TEST(Options, AutomationOptions) {
  Options opt;
  Args a{"--serial", "-", "--input", "keys.txt", "--screenshot-at", "300:a.png", "--screenshot-at",
         "12:dir:with:colons.png", Rom};
  ASSERT_EQ(a.Parse(opt), -1);
  EXPECT_STREQ(opt.serial, "-");
  EXPECT_STREQ(opt.input, "keys.txt");
  ASSERT_EQ(opt.shots.size(), 2u);
  EXPECT_EQ(opt.shots[0].frame, 300);
  EXPECT_STREQ(opt.shots[0].path, "a.png");
  EXPECT_EQ(opt.shots[1].frame, 12);
  EXPECT_STREQ(opt.shots[1].path, "dir:with:colons.png") << "the file name is everything after the first colon";
  EXPECT_FALSE(opt.test);
  EXPECT_FALSE(opt.headless);

  Options test;
  Args t{"--test", Rom};
  ASSERT_EQ(t.Parse(test), -1);
  EXPECT_TRUE(test.test);
  EXPECT_TRUE(test.headless) << "--test implies --headless";
  EXPECT_EQ(test.frames, 7200) << "two minutes of console time unless --frames says";
  Options limited;
  Args l{"--frames", "50", "--test", Rom};
  ASSERT_EQ(l.Parse(limited), -1);
  EXPECT_EQ(limited.frames, 50);
}

TEST(Options, NoArgumentsOpensTheFileSelector) {
  Options opt;
  Args a{};
  ASSERT_EQ(a.Parse(opt), -1);
  EXPECT_EQ(opt.rom, nullptr);
  EXPECT_FALSE(opt.headless);
  EXPECT_EQ(opt.frames, 0);
}

TEST(Options, MistakesGiveExitCodeTwo) {
  for (auto words : std::vector<std::vector<std::string>>{{"--frames"},
                                                          {"--frames", "0", Rom},
                                                          {"--frames", "12x", Rom},
                                                          {"--frames", "99999999999999999999", Rom},
                                                          {"--wav"},
                                                          {"--save"},
                                                          {"--save", "g.sav", "--no-save", Rom},
                                                          {"--nonsense"},
                                                          {"-x"},
                                                          {Rom, Rom},
                                                          {"/no/such/file.gb"},
                                                          {"/tmp"},
                                                          {"--headless"},
                                                          {"--scale", "0", Rom},
                                                          {"--scale", "7", Rom},
                                                          {"--scale", "2.5", Rom},
                                                          {"--scale"},
                                                          {"--volume", "101", Rom},
                                                          {"--volume", "-5", Rom},
                                                          {"--volume", "50%", Rom},
                                                          {"--volume"},
                                                          {"--config", "/no/such/pellix.cfg", Rom},
                                                          {"--config", "/tmp", Rom},
                                                          {"--config"},
                                                          {"--test"},
                                                          {"--serial"},
                                                          {"--input"},
                                                          {"--screenshot-at"},
                                                          {"--screenshot-at", "0:a.png", Rom},
                                                          {"--screenshot-at", "a.png", Rom},
                                                          {"--screenshot-at", "12:", Rom},
                                                          {"--screenshot-at", ":a.png", Rom},
                                                          {"--screenshot-at", "x1:a.png", Rom}}) {
    Options opt;
    std::vector<std::string> all{"pellix"};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& w : all) argv.push_back(w.data());
    testing::internal::CaptureStderr();
    const int code = ParseOptions(static_cast<int>(argv.size()), argv.data(), opt);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 2) << words[0];
    EXPECT_EQ(err.rfind("pellix: ", 0), 0u) << err;
  }
}

TEST(Options, HelpEndsAtOnceWithZero) {
  Options opt;
  Args a{"--help", "--nonsense"};
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.Parse(opt), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("usage: pellix"), std::string::npos);
}
