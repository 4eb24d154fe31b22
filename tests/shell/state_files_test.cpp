// State files and slots: the header's checks, each refusal with the
// machine untouched, where the slots lie; and the rewind ring's memory.
// Whole runs are in tests/e2e/save_state_test.cpp.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "machine/state.h"
#include "shell/rewind.h"
#include "shell/state_files.h"
#include "shell_machine.h"
#include "support/run.h"

namespace {

std::vector<uint8_t> State() {
  std::vector<uint8_t> state;
  SaveMachineState(m, state);
  return state;
}

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

// A file decodes to the state it was made from; the header holds the
// format and the cartridge's title.
TEST(StateFiles, AFileHoldsTheStateBehindItsHeader) {
  ASSERT_TRUE(StartShellCartridge(RomPath("homebrew/geometrix.gbc")));
  RunShellFrames(30);
  const std::vector<uint8_t> file = EncodeStateFile();
  EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "PELLIXST");
  EXPECT_EQ(file[8], MachineStateFormat);
  EXPECT_NE(std::string(file.begin() + 16, file.begin() + 32).find("GEOMETRIX"), std::string::npos);
  std::vector<uint8_t> state;
  StateProblem problem;
  ASSERT_TRUE(DecodeStateFile(file, state, problem)) << problem.message;
  EXPECT_EQ(state, State());
  EXPECT_LT(file.size(), state.size() / 4) << "compressed";
}

// Another cartridge's state, an unknown format, a file cut short, random
// bytes, a damaged stream: each refused with its reason, the machine as it
// was.
TEST(StateFiles, EachBadFileIsRefusedWithItsReasonAndTheMachineUntouched) {
  ASSERT_TRUE(StartShellCartridge(RomPath("homebrew/geometrix.gbc")));
  RunShellFrames(20);
  const std::vector<uint8_t> other = EncodeStateFile();
  ASSERT_TRUE(StartShellCartridge(RomPath("homebrew/libbet.gb")));
  RunShellFrames(20);
  const std::vector<uint8_t> good = EncodeStateFile();
  RunShellFrames(5);
  const std::vector<uint8_t> before = State();

  std::vector<uint8_t> version = good, older = good;
  PutLe32(version, 8, MachineStateFormat + 1);
  PutLe32(older, 8, MachineStateFormat - 1);
  std::vector<uint8_t> random(3000);
  std::mt19937 generator(16);
  for (uint8_t& b : random) b = static_cast<uint8_t>(generator());
  // A bit flipped in the stream's own check (its last four bytes), or in
  // the header's CRC of the state. A bit flipped elsewhere in the packed
  // stream can leave what it unpacks to as it was (an unused code length,
  // say), and then the state is whole and loads: which bits those are
  // depends on the state, which holds the host's clock.
  std::vector<uint8_t> flipped = good;
  flipped.at(flipped.size() - 2) ^= 0x10;
  std::vector<uint8_t> wrong_crc = good;
  wrong_crc.at(36) ^= 0x01;
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    StateRefusal refusal;
    const char* words;
  } cases[] = {
      {"another cartridge", other, StateRefusal::OtherCartridge, "another cartridge (\"GEOMETRIX\")"},
      {"another format", version, StateRefusal::OtherVersion, "this PELLIX reads format"},
      {"an older format", older, StateRefusal::OtherVersion, "this PELLIX reads format"},
      {"random bytes", random, StateRefusal::NotAState, "not a PELLIX state file"},
      {"empty", {}, StateRefusal::NotAState, "not a PELLIX state file"},
      {"the magic alone", std::vector<uint8_t>(good.begin(), good.begin() + 8), StateRefusal::Truncated, "truncated"},
      {"half a header", std::vector<uint8_t>(good.begin(), good.begin() + 20), StateRefusal::Truncated, "truncated"},
      {"cut in the stream", std::vector<uint8_t>(good.begin(), good.end() - 100), StateRefusal::Truncated,
       "truncated"},
      {"a byte missing", std::vector<uint8_t>(good.begin(), good.end() - 1), StateRefusal::Truncated, "truncated"},
      {"a flipped bit", flipped, StateRefusal::Damaged, "damaged"},
      {"a wrong CRC", wrong_crc, StateRefusal::Damaged, "damaged"},
      {"a byte too many", longer, StateRefusal::Damaged, "damaged"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> state;
    StateProblem problem;
    EXPECT_FALSE(DecodeStateFile(c.bytes, state, problem)) << c.what;
    EXPECT_EQ(problem.refusal, c.refusal) << c.what << ": " << problem.message;
    EXPECT_NE(problem.message.find(c.words), std::string::npos) << c.what << ": " << problem.message;
    EXPECT_STRNE(problem.brief(), "") << c.what;

    const std::string path = MakeTempDir("state-refusals") + "/bad.st1";
    WriteFileBytes(path, c.bytes);
    EXPECT_FALSE(LoadStateFile(path, problem)) << c.what;
    EXPECT_EQ(State(), before) << c.what << ": the machine must be as it was";
  }

  // A well-formed file of this cartridge whose contents hold a value no
  // machine can have (LY 200) passes every check of the file, and is still
  // refused whole.
  std::vector<uint8_t> state = State();
  const size_t ly = std::string(state.begin(), state.end()).find("IO  ") + 4 + 9;
  state[ly] = 200;
  std::vector<uint8_t> crafted(good.begin(), good.begin() + 40);
  PutLe32(crafted, 32, static_cast<uint32_t>(state.size()));
  PutLe32(crafted, 36, static_cast<uint32_t>(crc32(0, state.data(), static_cast<uInt>(state.size()))));
  uLongf packed = compressBound(static_cast<uLong>(state.size()));
  crafted.resize(40 + packed);
  compress2(&crafted[40], &packed, state.data(), static_cast<uLong>(state.size()), 6);
  crafted.resize(40 + packed);
  const std::string path = MakeTempDir("state-crafted") + "/crafted.st1";
  WriteFileBytes(path, crafted);
  StateProblem problem;
  EXPECT_FALSE(LoadStateFile(path, problem));
  EXPECT_EQ(problem.refusal, StateRefusal::Damaged) << problem.message;
  EXPECT_EQ(State(), before) << "the machine must be as it was";

  WriteFileBytes(path, good);
  EXPECT_TRUE(LoadStateFile(path, problem)) << problem.message;
}

// game.st1 ... game.st9 beside game.sav: beside the ROM, in the fallback
// folder when the ROM's folder cannot be written, beside --save's file.
TEST(StateFiles, SlotsLieBesideTheBatterySave) {
  const std::string dir = MakeTempDir("state-slots");
  StartStateSlots((dir + "/game.gbc").c_str(), nullptr);
  EXPECT_EQ(StateSlotPath(1), dir + "/game.st1");
  EXPECT_EQ(StateSlotPath(9), dir + "/game.st9");
  EXPECT_EQ(FindStateSlot(3), "") << "none there yet";
  WriteFileBytes(dir + "/game.st3", {1});
  EXPECT_EQ(FindStateSlot(3), dir + "/game.st3");

  StartStateSlots("game.gb", (dir + "/keep/mine.sav").c_str());
  EXPECT_EQ(StateSlotPath(2), dir + "/keep/mine.st2");
  StartStateSlots("game.gb", (dir + "/mine").c_str());
  EXPECT_EQ(StateSlotPath(2), dir + "/mine.st2");

  const std::string data = MakeTempDir("state-slots-data");
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  StartStateSlots("/proc/game.gb", nullptr);  // a folder nobody can write in
  EXPECT_EQ(StateSlotPath(4), data + "/pellix/saves/game.st4");
  unsetenv("XDG_DATA_HOME");
}

// However many snapshots come, and however badly they compress, the ring
// keeps to its memory cap and its length, drops the oldest first and gives
// back the newest first, exactly.
TEST(RewindRing, KeepsToItsCapAndGivesBackTheNewestFirst) {
  constexpr size_t Cap = 1 << 20;
  RewindRing ring(Cap, 500);
  std::mt19937 generator(7);
  std::vector<uint8_t> state(25000);
  std::vector<std::vector<uint8_t>> last;
  for (int n = 0; n < 400; n++) {
    for (uint8_t& b : state) b = static_cast<uint8_t>(generator());  // random: no compression at all
    state[0] = static_cast<uint8_t>(n);
    ring.push(state);
    ASSERT_LE(ring.bytes(), Cap) << "after " << n + 1 << " snapshots";
    last.push_back(state);
    if (last.size() > 3) last.erase(last.begin());
  }
  EXPECT_GE(ring.size(), 35u) << "the cap holds about 40 incompressible snapshots";
  EXPECT_LE(ring.size(), 42u);
  std::vector<uint8_t> back;
  for (int i = 2; i >= 0; i--) {
    ASSERT_TRUE(ring.pop(back));
    EXPECT_EQ(back, last[i]) << "newest first";
  }

  RewindRing short_ring(Cap, 10);
  std::vector<uint8_t> small(1000, 0);
  for (int n = 0; n < 25; n++) {
    small[0] = static_cast<uint8_t>(n);
    short_ring.push(small);
  }
  EXPECT_EQ(short_ring.size(), 10u) << "at most `most` snapshots";
  for (int n = 24; n >= 15; n--) {
    ASSERT_TRUE(short_ring.pop(back));
    EXPECT_EQ(back[0], n);
  }
  EXPECT_FALSE(short_ring.pop(back)) << "the oldest went first";
  EXPECT_EQ(short_ring.bytes(), 0u);
}
