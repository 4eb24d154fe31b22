// The libretro core, played through its C interface by the tests' own small
// front end, against the desktop program's runs of the same cartridges.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/archive_files.h"
#include "libretro/test_front_end.h"
#include "memory/little_endian.h"
#include "machine/state.h"
#include "support/run.h"
#include "support/state_cases.h"

namespace {

const char* const Buttons = "0 -\n50 start\n56 -\n90 a\n96 -\n130 start\n136 -\n170 right\n260 right+a\n270 left\n"
                            "300 a\n306 up\n380 down+b\n420 b\n426 left+a\n470 -\n520 select\n530 right\n";
constexpr long Frames = 600, StateFrame = 300;

struct Play {
  const char* name;
  std::string rom;            // under tests/cartridges
  std::string packed;         // "" as it is, "gz" or "zip" in memory
  long own_colours;           // from this frame on (0: from the load), or -1
  retro_pixel_format format;  // the only one the front end takes
};

void PrintTo(const Play& play, std::ostream* out) { *out << play.name; }
class LibretroPlay : public testing::TestWithParam<Play> {};

// Each channel cut back to the bits the pixel format keeps.
RgbImage CutTo(RgbImage image, retro_pixel_format format) {
  for (size_t i = 0; format != RETRO_PIXEL_FORMAT_XRGB8888 && i < image.rgb.size(); i++)
    image.rgb[i] &= i % 3 == 1 && format == RETRO_PIXEL_FORMAT_RGB565 ? 0xFC : 0xF8;
  return image;
}

// The core plays a cartridge as `pellix --headless` does: the same last
// picture (the screenshot's colours, after the pixel format's rounding) and
// samples as the WAV file's whole blocks; colours chosen in play change the
// picture alone. A state taken at frame 300 and loaded at the end brings
// back the same frames and samples; every state has the announced size.
TEST_P(LibretroPlay, PlaysAsTheProgramAndAgainFromAState) {
  const Play& play = GetParam();
  const std::string dir = MakeTempDir(std::string("LibretroPlay") + play.name);
  WriteFileBytes(dir + "/keys.txt", std::vector<uint8_t>(Buttons, Buttons + std::strlen(Buttons)));
  std::vector<std::string> args = {"--headless", "--no-save", "--frames", std::to_string(Frames), "--input",
                                   "keys.txt", "--screenshot", "shot.png", "--wav", "sound.wav", RomPath(play.rom)};
  if (play.own_colours >= 0) args.insert(args.begin(), "--colour");
  const RunResult run = RunPellix(args, dir);
  ASSERT_EQ(run.exit_code, 0) << run.err;

  std::vector<uint8_t> bytes = ReadFileBytes(RomPath(play.rom));
  if (play.packed == "gz") bytes = archive_files::Gzip(bytes);
  if (play.packed == "zip") bytes = archive_files::MakeZip({{"game.gb", bytes}}).bytes;
  TestFrontEnd core;
  ASSERT_TRUE(core.handle) << dlerror();
  core.accepted_formats = {play.format};
  if (play.own_colours == 0) core.options["pellix_colours"] = "cartridge";
  ASSERT_TRUE(core.Load(bytes, (play.rom + (play.packed.empty() ? "" : "." + play.packed)).c_str())) << core.log;
  const size_t state_size = core.serialize_size();
  std::vector<uint8_t> state;
  std::vector<std::vector<uint8_t>> pictures;  // from the state on
  size_t samples_before_state = 0;
  for (long frame = 0; frame < Frames; frame++) {
    if (frame == StateFrame) state = core.Serialize(), samples_before_state = core.samples.size();
    if (frame > 0 && frame == play.own_colours) core.options["pellix_colours"] = "cartridge", core.options_changed = true;
    core.RunFrame(ScriptButtons(Buttons, frame));
    if (frame >= StateFrame) pictures.push_back(core.picture.rgb);
    ASSERT_TRUE(core.serialize_size() == state_size && core.Serialize().size() == state_size) << frame << core.log;
  }
  RgbImage shot;
  std::string error;
  ASSERT_TRUE(ReadPng(dir + "/shot.png", shot, error)) << error;
  EXPECT_EQ(ComparePictures(CutTo(shot, play.format), CutTo(core.picture, play.format)), "");

  constexpr size_t WavHeader = 44, BlockValues = 2048;
  const std::vector<uint8_t> wav = ReadFileBytes(dir + "/sound.wav");
  const size_t values = (wav.size() - WavHeader) / 2;
  ASSERT_TRUE(values > Frames * 600u && core.samples.size() >= values && core.samples.size() < values + BlockValues)
      << core.samples.size() << " samples from the core, " << values << " in whole blocks from the program";
  EXPECT_EQ(std::memcmp(core.samples.data(), wav.data() + WavHeader, values * 2), 0) << "the samples differ";

  const std::vector<int16_t> samples(core.samples.begin() + static_cast<long>(samples_before_state), core.samples.end());
  core.samples.clear();
  ASSERT_TRUE(core.Unserialize(state)) << core.log;
  for (long frame = StateFrame; frame < Frames; frame++) {
    core.RunFrame(ScriptButtons(Buttons, frame));
    ASSERT_TRUE(core.picture.rgb == pictures[frame - StateFrame]) << "frame " << frame << " differs after the state";
  }
  EXPECT_TRUE(core.samples == samples) << "the samples after the state differ";
}

INSTANTIATE_TEST_SUITE_P(
    Cartridges, LibretroPlay,
    testing::Values(Play{"GreensIn32Bits", "homebrew/geometrix.gbc", "", -1, RETRO_PIXEL_FORMAT_XRGB8888},
                    Play{"OwnColoursFromFrame300In565", "homebrew/geometrix.gbc", "", 300, RETRO_PIXEL_FORMAT_RGB565},
                    Play{"OwnColoursIn32BitsFromGzip", "homebrew/libbet.gb", "gz", 0, RETRO_PIXEL_FORMAT_XRGB8888},
                    Play{"GreensIn1555FromZip", "homebrew/shocklobster.gb", "zip", -1, RETRO_PIXEL_FORMAT_0RGB1555}),
    [](const testing::TestParamInfo<Play>& info) { return std::string(info.param.name); });

// A front end loads a save file by writing the RAM the core points it at,
// before the first frame: the game counts on from what it finds there. The
// clock's bytes it writes set the game's clock.
TEST(LibretroCore, TheGameReadsTheSaveTheFrontEndWrites) {
  const std::vector<uint8_t> rom = ReadFileBytes(TestRomPath("save_counter_mbc3"));
  constexpr size_t Bank3 = 3 * 0x2000, HoursAt = 8, DaysAt = 12;  // the clock's running registers
  std::vector<uint8_t> counted;  // banks 0 and 3 after ten frames from empty RAM
  for (const uint8_t written : {0, 0x40}) {
    TestFrontEnd core;
    ASSERT_TRUE(core.Load(rom, "counter.gb") && core.memory_size(RETRO_MEMORY_SAVE_RAM) == 0x8000 &&
                core.memory_size(RETRO_MEMORY_RTC) == 48) << core.log;
    uint8_t *ram = core.Memory(RETRO_MEMORY_SAVE_RAM), *clock = core.Memory(RETRO_MEMORY_RTC);
    ram[0] = written, ram[Bank3] = written / 4, clock[HoursAt] = 5, clock[DaysAt] = 200;
    for (int i = 0; i < 10; i++) core.RunFrame();
    if (counted.empty()) counted = {ram[0], ram[Bank3]};
    EXPECT_EQ(ram[0], uint8_t(counted[0] + written));
    EXPECT_EQ(ram[Bank3], uint8_t(counted[1] + written / 4));
    EXPECT_TRUE(clock[HoursAt] == 5 && clock[DaysAt] == 200) << "the clock the front end wrote";
    EXPECT_TRUE(std::any_of(core.memory_map.begin(), core.memory_map.end(), [&](const retro_memory_descriptor& r) {
      return r.start == 0xC000 && r.ptr == core.Memory(RETRO_MEMORY_SYSTEM_RAM);
    })) << "work RAM at 0xC000 in the memory map";
  }
}

// A save the front end writes reaches every copy of a small RAM, MBC2's
// with its upper half-bytes reading 1: the game reads what a console would.
TEST(LibretroCore, SmallRamsShowTheFrontEndsSaveAsTheConsoleDoes) {
  struct Small {
    const char* rom;
    uint8_t written, read;
    size_t copies;
  };
  for (const Small& small : {Small{"save_mirrors_mbc2", 0x05, 0xF5, 16}, Small{"save_mirrors_2k", 0x5A, 0x5A, 4}}) {
    TestFrontEnd core;
    ASSERT_TRUE(core.Load(ReadFileBytes(TestRomPath(small.rom)), "mirrors.gb")) << core.log;
    core.Memory(RETRO_MEMORY_SAVE_RAM)[0] = small.written;
    core.RunFrame();
    const uint8_t* read = core.Memory(RETRO_MEMORY_SYSTEM_RAM);
    EXPECT_EQ(std::vector<uint8_t>(read, read + small.copies), std::vector<uint8_t>(small.copies, small.read))
        << small.rom;
  }
}

// Cartridges PELLIX cannot load are refused with the reason in the log;
// a good one loads after them. So are states of another format or damaged.
TEST(LibretroCore, RefusesWhatItCannotLoad) {
  const std::vector<uint8_t> rom = ReadFileBytes(RomPath("homebrew/unbricked.gb"));
  std::vector<uint8_t> gzip = archive_files::Gzip(rom), zip = archive_files::MakeZip({{"game.gb", rom}}).bytes;
  std::vector<uint8_t> plain = rom;
  gzip[gzip.size() - 6] ^= 0xFF;  // its CRC
  zip[zip.size() / 2] ^= 0xFF;
  std::fill(plain.begin() + 0x104, plain.begin() + 0x150, 0);  // the header's logo and checksum
  TestFrontEnd core;
  for (const auto& [bytes, name] : {std::make_pair(gzip, "game.gb.gz"), std::make_pair(zip, "game.zip"),
                                    std::make_pair(plain, "game.gb")}) {
    core.log.clear();
    EXPECT_FALSE(core.Load(bytes, name)) << name;
    EXPECT_NE(core.log.find("cannot load the cartridge"), std::string::npos) << name << ": " << core.log;
  }
  ASSERT_TRUE(core.Load(rom, nullptr)) << core.log;
  const std::vector<uint8_t> state = core.Serialize();
  std::vector<uint8_t> other_format = state, damaged = state;
  other_format[0] ^= 0xFF, damaged[8] ^= 0xFF;  // the format; the first part's mark
  EXPECT_FALSE(core.Unserialize(other_format) || core.Unserialize(damaged) ||
               core.Unserialize(std::vector<uint8_t>(state.begin(), state.begin() + 100)));
  EXPECT_TRUE(core.Unserialize(state));
}

// The loader's checks hold for the front end's states: each number at the
// edge of its range loads, beyond it the state is refused and the game goes
// on as it was; so is a state cut short whose length reaches past the bytes
// given (the sanitized core would read past them).
TEST(LibretroCore, RefusesStatesWithNumbersOutOfRange) {
  TestFrontEnd core;
  ASSERT_TRUE(core.Load(ReadFileBytes(RomPath("homebrew/libbet.gb")), "libbet.gb")) << core.log;
  const std::vector<uint8_t> before = core.Serialize();
  auto unserialize = [&](const std::vector<uint8_t>& machine) {
    std::vector<uint8_t> state(8);
    PutLe(state.data(), MachineStateFormat, 4);
    PutLe(state.data() + 4, machine.size(), 4);
    state.insert(state.end(), machine.begin(), machine.end());
    return core.Unserialize(state);
  };
  for (const StateCase& c : StateRangeCases(RomPath("homebrew/libbet.gb"))) {
    EXPECT_FALSE(unserialize(c.refused)) << c.what;
    EXPECT_EQ(core.Serialize(), before) << c.what << ": the game must be as it was";
    EXPECT_TRUE(unserialize(c.accepted)) << c.what << ", at the edge";
    ASSERT_TRUE(core.Unserialize(before));
  }
  const std::vector<uint8_t> cut(before.begin(), before.begin() + 8 + GetLe(&before[4], 4) - 100);
  EXPECT_FALSE(core.Unserialize(cut)) << "a length past the bytes given";
}

}  // namespace
