// Battery saves: file names, the save's bytes, atomic writing and when to
// write. Whole runs are in tests/e2e/battery_save_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/mbc3_clock.h"
#include "shell/battery_save.h"
#include "shell_machine.h"
#include "support/run.h"

namespace {

void LoadCartridgeOfType(uint8_t type, uint8_t ram_code) {
  std::vector<uint8_t> rom(0x8000);
  rom[0x147] = type;
  rom[0x149] = ram_code;
  ResetShellMachine(rom);
}

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace

TEST(BatterySave, SavePathReplacesTheExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"game.gb", "game.sav"},           {"game.gbc", "game.sav"},       {"game.zip", "game.sav"},
      {"game.gb.gz", "game.sav"},        {"game.GB.GZ", "game.sav"},     {"/roms/game.gbc", "/roms/game.sav"},
      {"game", "game.sav"},              {"dir.v2/game", "dir.v2/game.sav"}, {"a.b.gb", "a.b.sav"},
      {"game.sav", "game.sav.sav"},      {"./.gz", "./.gz.sav"}};
  for (const auto& [rom, save] : cases) EXPECT_EQ(SavePathFor(rom), save) << rom;
}

TEST(BatterySave, FallbackFolderFollowsXdgDataHomeThenHome) {
  {
    ScopedEnv data("XDG_DATA_HOME", "/data");
    ScopedEnv home("HOME", "/home/player");
    EXPECT_EQ(FallbackSaveFolder(), "/data/pellix/saves");
  }
  {
    ScopedEnv data("XDG_DATA_HOME", "relative/data");  // only absolute folders count
    ScopedEnv home("HOME", "/home/player");
    EXPECT_EQ(FallbackSaveFolder(), "/home/player/.local/share/pellix/saves");
  }
  {
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(FallbackSaveFolder(), "");
  }
}

TEST(BatterySave, ReadOnlyFolderIsNotWritableEvenForTheSuperuser) {
  const std::string dir = MakeTempDir("battery-folder");
  EXPECT_TRUE(FolderWritable(dir));
  chmod(dir.c_str(), 0555);
  EXPECT_FALSE(FolderWritable(dir));
  chmod(dir.c_str(), 0755);
  EXPECT_FALSE(FolderWritable(dir + "/missing"));
}

TEST(BatterySave, ImageIsTheRamThenTheClockTrailer) {
  const struct { uint8_t type, ram_code; size_t bytes; } cases[] = {
      {0x1B, 3, 0x8000}, {0x10, 2, 0x2000 + Mbc3ClockSaveBytes}, {0x0F, 0, Mbc3ClockSaveBytes}, {0x06, 0, 512},
      {0x03, 0, 0}};  // the last: a battery, but nothing to keep
  for (const auto& c : cases) {
    LoadCartridgeOfType(c.type, c.ram_code);
    m.mem.cart_ram[0] = 0x11;
    const std::vector<uint8_t> image = TheMachine().BatterySave();
    EXPECT_EQ(image.size(), c.bytes) << "type 0x" << std::hex << int(c.type);
    if (m.cart.ram_bytes > 0) {
      EXPECT_EQ(image[0] & 0x0F, 0x01) << "the RAM comes first";
    }
  }
}

TEST(BatterySave, LoadingTakesWhatFitsAndTellsAnUnexpectedSize) {
  LoadCartridgeOfType(0x10, 2);  // MBC3 with clock, 8 KiB
  std::vector<uint8_t> bytes(0x2000, 0x5A);
  EXPECT_TRUE(TheMachine().LoadBatterySave(bytes.data(), bytes.size())) << "RAM without a trailer, as clockless programs write it";
  EXPECT_EQ(m.mem.cart_ram[0x1FFF], 0x5A);
  bytes.resize(0x2000 + Mbc3ClockShortSaveBytes, 0);
  EXPECT_TRUE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));
  bytes.resize(0x2000 + Mbc3ClockSaveBytes, 0);
  EXPECT_TRUE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));

  bytes.assign(100, 0x77);
  EXPECT_FALSE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));
  EXPECT_EQ(m.mem.cart_ram[99], 0x77) << "a short file is loaded as far as it goes";
  EXPECT_EQ(m.mem.cart_ram[100], 0x5A);
  bytes.assign(0x3000, 0x66);
  EXPECT_FALSE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));
  EXPECT_EQ(m.mem.cart_ram[0x1FFF], 0x66) << "a long one as far as the RAM goes";
  EXPECT_EQ(m.mem.cart_ram[0x2000], 0x00);

  LoadCartridgeOfType(0x06, 0);  // MBC2: half-bytes, repeated through the window
  bytes.assign(512, 0x03);
  EXPECT_TRUE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));
  BusWrite(m, 0x0000, 0x0A);
  EXPECT_EQ(BusRead(m, 0xA000), 0xF3);
  EXPECT_EQ(BusRead(m, 0xBE00), 0xF3);

  LoadCartridgeOfType(0x09, 1);  // 2 KiB, mirrored
  bytes.assign(0x800, 0x00);
  bytes[5] = 0x44;
  EXPECT_TRUE(TheMachine().LoadBatterySave(bytes.data(), bytes.size()));
  EXPECT_EQ(BusRead(m, 0xB805), 0x44);
}

TEST(BatterySave, ScheduleWaitsForAQuietSecondOrTenSecondsOfWriting) {
  SaveSchedule s;
  EXPECT_FALSE(s.due(100));
  s.written(100);
  EXPECT_TRUE(s.pending());
  EXPECT_FALSE(s.due(100.5));
  EXPECT_TRUE(s.due(101.0)) << "a second without writes";
  s.saved();
  EXPECT_FALSE(s.pending());
  EXPECT_FALSE(s.due(200));

  for (double t = 200; t < 209.95; t += 1.0 / 60) {  // a write every frame
    s.written(t);
    ASSERT_FALSE(s.due(t)) << t;
  }
  s.written(210.0);
  EXPECT_TRUE(s.due(210.0)) << "ten seconds after the first unsaved write";

  s.failed(210.0);
  EXPECT_FALSE(s.due(212.0)) << "a failed write waits before it tries again";
  EXPECT_TRUE(s.due(210.0 + SaveSchedule::RetrySeconds));
}
