// Machines share nothing: two in one process, run frame by frame in turn
// on one thread or each on a thread of its own, give each exactly the
// pictures and battery RAM of a run of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine.h"
#include "support/run.h"

namespace {

constexpr long Frames = 240;

// A picture a frame, hashed, and the battery RAM at the end.
struct Played {
  std::vector<uint64_t> pictures;
  std::vector<uint8_t> battery;
};

uint64_t Hash(const uint16_t* pixels) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (int i = 0; i < ScreenWidth * ScreenHeight; i++) hash = (hash ^ pixels[i]) * 0x100000001B3ull;
  return hash;
}

// The cartridge put in a new machine, its buttons held from frame 60 on
// (geometrix starts its game, the counter does not care).
struct Player {
  Machine machine;
  Played run;
  explicit Player(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string error;
    EXPECT_TRUE(machine.LoadCartridge(bytes.data(), bytes.size(), path.c_str(), &error)) << error;
  }
  void Frame() {
    int16_t samples[2048];
    machine.RunFrame(run.pictures.size() >= 60 ? ButtonStart : 0);
    while (machine.TakeSamples(samples, 1024) > 0) {
    }
    run.pictures.push_back(Hash(machine.Picture()));
    if (static_cast<long>(run.pictures.size()) == Frames) run.battery = machine.BatterySave();
  }
};

const std::string Cartridges[2] = {RomPath("homebrew/geometrix.gbc"), TestRomPath("save_counter_mbc1")};

Played Alone(const std::string& path) {
  Player player(path);
  for (long f = 0; f < Frames; f++) player.Frame();
  return player.run;
}

}  // namespace

TEST(TwoMachines, EachRunsAsItWouldAloneInTurnsAndOnTwoThreads) {
  const Played alone[2] = {Alone(Cartridges[0]), Alone(Cartridges[1])};
  ASSERT_FALSE(alone[1].battery.empty());

  Player turns[2] = {Player(Cartridges[0]), Player(Cartridges[1])};
  for (long f = 0; f < Frames; f++)
    for (Player& player : turns) player.Frame();

  Player threads[2] = {Player(Cartridges[0]), Player(Cartridges[1])};
  std::thread first([&] { for (long f = 0; f < Frames; f++) threads[0].Frame(); });
  std::thread second([&] { for (long f = 0; f < Frames; f++) threads[1].Frame(); });
  first.join();
  second.join();

  for (int i = 0; i < 2; i++) {
    SCOPED_TRACE(Cartridges[i]);
    EXPECT_EQ(turns[i].run.pictures, alone[i].pictures) << "in turns";
    EXPECT_EQ(turns[i].run.battery, alone[i].battery) << "in turns";
    EXPECT_EQ(threads[i].run.pictures, alone[i].pictures) << "on two threads";
    EXPECT_EQ(threads[i].run.battery, alone[i].battery) << "on two threads";
  }
}
