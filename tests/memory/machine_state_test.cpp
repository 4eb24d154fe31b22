// The machine as bytes and back: a machine put back from a state goes on
// exactly as the machine it was taken from; a bad state changes nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cpu/registers.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "machine/state.h"
#include "memory/mbc3_clock.h"
#include "support/machine.h"
#include "support/run.h"
#include "support/state_cases.h"
#include "video/lcd_timing.h"

namespace {

std::vector<uint8_t> State() {
  std::vector<uint8_t> state;
  SaveMachineState(m, state);
  return state;
}

// The offset of the first byte where two states differ, or -1.
long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); i++)
    if (a[i] != b[i]) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

// Where a part's four-letter mark stands in a state.
size_t MarkAt(const std::vector<uint8_t>& state, const char* mark) {
  const std::string bytes(state.begin(), state.end());
  return bytes.find(mark);
}

}  // namespace

// Cartridges with every kind of state: bank controllers with RAM, colour
// and monochrome pictures, sound on all channels, a processor test. After
// k frames a state is taken; for the next m frames the machine is compared
// after every frame, byte for byte (picture and unplayed samples included),
// with a machine put back from that state that runs the same frames.
TEST(MachineState, APutBackMachineGoesOnExactlyAsTheOriginal) {
  const std::string cartridges[] = {RomPath("homebrew/geometrix.gbc"), RomPath("homebrew/shocklobster.gb"),
                                    RomPath("cpu_instrs/cpu_instrs.gb"), PELLIX_DEMO_ROM,
                                    RomPath("cgb_sound/rom_singles/01-registers.gb"), TestRomPath("vram_dma"),
                                    TestRomPath("lcd_off")};
  constexpr int Frames = 41;
  for (const std::string& cartridge : cartridges) {
    SCOPED_TRACE(cartridge);
    ASSERT_TRUE(StartTestCartridge(cartridge));
    RunFrames(97);
    const std::vector<uint8_t> saved = State();

    ASSERT_TRUE(LoadMachineState(m, saved.data(), saved.size()));
    EXPECT_EQ(FirstDifference(State(), saved), -1) << "a state read back is the same state";

    std::vector<std::vector<uint8_t>> original;
    for (int f = 0; f < Frames; f++) {
      RunFrames(1);
      original.push_back(State());
    }
    const long frames = m.lcd.frames_finished;

    ASSERT_TRUE(LoadMachineState(m, saved.data(), saved.size()));
    for (int f = 0; f < Frames; f++) {
      RunFrames(1);
      const long at = FirstDifference(State(), original[f]);
      ASSERT_EQ(at, -1) << "after frame " << f + 1 << " the machines differ at byte " << at;
    }
    EXPECT_EQ(m.lcd.frames_finished, frames + Frames) << "frames count on whatever the machine's state";
  }
}

// Cut short, too long, a mark out of place, values no machine can have: each
// refused, and the machine exactly as before, down to its picture.
TEST(MachineState, ARefusedStateChangesNothing) {
  ASSERT_TRUE(StartTestCartridge(RomPath("homebrew/shocklobster.gb")));
  RunFrames(60);
  std::vector<uint8_t> good;
  std::vector<StateWriter::Field> fields;
  SaveMachineState(m, good, &fields);
  RunFrames(7);
  const std::vector<uint8_t> before = State();

  std::vector<std::pair<std::string, std::vector<uint8_t>>> bad;
  for (size_t cut : {size_t{0}, size_t{3}, size_t{50}, good.size() / 2, good.size() - 1})
    bad.push_back({"cut to " + std::to_string(cut), std::vector<uint8_t>(good.begin(), good.begin() + cut)});
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  bad.push_back({"a byte too many", longer});
  std::vector<uint8_t> mark = good;
  mark[MarkAt(good, "SND ")] = 'X';
  bad.push_back({"the sound's mark", mark});
  std::vector<uint8_t> halted = good;
  halted[MarkAt(good, "CPU ") + 4 + 8 + 2 + 2 + 4 + 1] = 7;  // Halted, after the registers, IME and the opcode
  bad.push_back({"halted 7", halted});
  std::vector<uint8_t> bank = good;
  bank[MarkAt(good, "MEM ") + 4 + VideoRamSize + WorkRamSize + OamSize + HighRamSize] ^= 1;
  bad.push_back({"another RAM size", bank});
  std::vector<uint8_t> line = good;
  line[MarkAt(good, "IO  ") + 4 + 9] = 200;  // LY
  bad.push_back({"line 200", line});
  std::vector<uint8_t> buffers = good;
  buffers[fields[fields.size() - 3].at + 2]++;  // the last sample buffer's place, a sample on
  bad.push_back({"the sample buffers at different places", buffers});

  for (const auto& [what, bytes] : bad) {
    EXPECT_FALSE(LoadMachineState(m, bytes.data(), bytes.size())) << what;
    EXPECT_EQ(FirstDifference(State(), before), -1) << what << ": the machine must be as it was";
  }
  EXPECT_TRUE(LoadMachineState(m, good.data(), good.size())) << "the good state still loads";
}

// Each checked number at the edge of its range loads; one step beyond it
// the state is refused and the machine stays exactly as it was.
TEST(MachineState, NumbersAtTheEdgeOfTheirRangeLoadAndBeyondItAreRefused) {
  for (const StateCase& c : StateRangeCases(RomPath("homebrew/libbet.gb"))) {
    const std::vector<uint8_t> before = State();
    EXPECT_FALSE(LoadMachineState(m, c.refused.data(), c.refused.size())) << c.what;
    EXPECT_EQ(FirstDifference(State(), before), -1) << c.what << ": the machine must be as it was";
    EXPECT_TRUE(LoadMachineState(m, c.accepted.data(), c.accepted.size())) << c.what << ", at the edge";
  }
}

// A state loaded marks the cartridge RAM written, so that the battery save
// takes it.
TEST(MachineState, LoadingMarksTheCartridgeRamWritten) {
  ASSERT_TRUE(StartTestCartridge(RomPath("homebrew/shocklobster.gb")));
  RunFrames(10);
  const std::vector<uint8_t> saved = State();
  m.mbc.ram_written = 0;
  ASSERT_TRUE(LoadMachineState(m, saved.data(), saved.size()));
  EXPECT_EQ(m.mbc.ram_written, 1);
}

// The clock of a state runs on by the host's time since the state was
// taken; the latched registers come back as they were.
TEST(MachineState, TheClockRunsOnByTheTimeSinceTheState) {
  static int64_t now = 0;
  int64_t (*const host)() = m.rtc.host_millis;
  m.rtc.host_millis = [] { return now; };
  std::vector<uint8_t> image(0x8000, 0);
  image[0x147] = 0x10;  // MBC3 with clock, RAM and battery
  image[0x149] = 0x02;
  now = 1'700'000'000'000;
  ResetTestMachine(image);
  BusWrite(m, 0x0000, 0x0A);  // RAM and clock on
  BusWrite(m, 0x4000, 0x0A);  // the hours
  BusWrite(m, 0xA000, 5);
  BusWrite(m, 0x6000, 0);
  BusWrite(m, 0x6000, 1);  // latch
  const std::vector<uint8_t> saved = State();

  now += 2 * 3600 * 1000 + 500;  // two hours and a half second later
  BusWrite(m, 0xA000, 9);
  BusWrite(m, 0x6000, 0);
  BusWrite(m, 0x6000, 1);
  ASSERT_EQ(BusRead(m, 0xA000), 9);
  ASSERT_TRUE(LoadMachineState(m, saved.data(), saved.size()));
  EXPECT_EQ(BusRead(m, 0xA000), 5) << "the latched hours as the state holds them";
  BusWrite(m, 0x6000, 0);
  BusWrite(m, 0x6000, 1);
  EXPECT_EQ(BusRead(m, 0xA000), 7) << "latched again: the two hours since the state have passed";
  m.rtc.host_millis = host;
}
