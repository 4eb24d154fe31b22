// Every output of the carried cartridges, held against hashes recorded from
// an earlier build: work that only makes the program faster must leave the
// pictures, video RAM, sound, serial text, save states and traces the same,
// byte for byte.
//
// Renewing the hashes, after a change that is meant to change what the
// program puts out: build the tests, then
//
//   tests/print_output_hashes.sh build/pellix > /tmp/hashes.txt
//
// prints the table Recorded below from the runs of that binary; put it in
// place of the table's lines. Given another build's pellix, the script prints
// that build's outputs (with this tree's list of runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <zlib.h>

#include "support/png.h"
#include "support/run.h"

namespace {

// One run of a cartridge and its outputs: the last picture and one in the
// middle (where the state is written), vram.bin, the sound, the serial
// text and the state. Then a second, short run loads that state and writes
// a trace of TraceFrames frames.
struct Case {
  const char* name;
  const char* rom;  // under tests/cartridges
  bool colour;      // --colour
  bool buttons;     // the button script below, which takes games into play
  long frames;
  long middle;      // the frame of the state and of the middle picture
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

constexpr long TraceFrames = 2;

const Case Cases[] = {
    {"Special", "cpu_instrs/individual/01-misc-instrs.gb", false, false, 200, 100},
    {"Interrupts", "cpu_instrs/individual/02-interrupts.gb", false, false, 100, 50},
    {"OpSpHl", "cpu_instrs/individual/03-op sp,hl.gb", false, false, 200, 100},
    {"OpRImm", "cpu_instrs/individual/04-op r,imm.gb", false, false, 200, 100},
    {"OpRp", "cpu_instrs/individual/05-op rp.gb", false, false, 250, 120},
    {"LdRR", "cpu_instrs/individual/06-ld r,r.gb", false, false, 100, 50},
    {"JrJpCallRetRst", "cpu_instrs/individual/07-jr,jp,call,ret,rst.gb", false, false, 100, 50},
    {"MiscInstrs", "cpu_instrs/individual/08-misc instrs.gb", false, false, 100, 50},
    {"OpRR", "cpu_instrs/individual/09-op r,r.gb", false, false, 600, 300},
    {"BitOps", "cpu_instrs/individual/10-bit ops.gb", false, false, 900, 450},
    {"OpAHl", "cpu_instrs/individual/11-op a,(hl).gb", false, false, 1100, 550},
    {"CpuInstrs", "cpu_instrs/cpu_instrs.gb", false, false, 3000, 1500},
    {"SoundRegisters", "cgb_sound/rom_singles/01-registers.gb", false, false, 60, 30},
    {"SoundLengthCounter", "cgb_sound/rom_singles/02-len ctr.gb", false, false, 600, 300},
    {"SoundTrigger", "cgb_sound/rom_singles/03-trigger.gb", false, false, 1050, 500},
    {"SoundSweep", "cgb_sound/rom_singles/04-sweep.gb", false, false, 80, 40},
    {"SoundSweepDetails", "cgb_sound/rom_singles/05-sweep details.gb", false, false, 80, 40},
    {"SoundOverflowOnTrigger", "cgb_sound/rom_singles/06-overflow on trigger.gb", false, false, 70, 35},
    {"SoundLengthSweepPeriodSync", "cgb_sound/rom_singles/07-len sweep period sync.gb", false, false, 40, 20},
    {"SoundLengthCounterDuringPower", "cgb_sound/rom_singles/08-len ctr during power.gb", false, false, 150, 75},
    {"SoundWaveReadWhileOn", "cgb_sound/rom_singles/09-wave read while on.gb", false, false, 40, 20},
    {"SoundWaveTriggerWhileOn", "cgb_sound/rom_singles/10-wave trigger while on.gb", false, false, 250, 120},
    {"SoundRegistersAfterPower", "cgb_sound/rom_singles/11-regs after power.gb", false, false, 60, 30},
    {"SoundWave", "cgb_sound/rom_singles/12-wave.gb", false, false, 40, 20},
    {"CgbSound", "cgb_sound/cgb_sound.gb", false, false, 2300, 1100},
    {"DmgAcid2", "acid2/dmg-acid2.gb", false, false, 60, 30},
    {"DmgAcid2Colour", "acid2/dmg-acid2.gb", true, false, 60, 30},
    {"CgbAcid2", "acid2/cgb-acid2.gbc", false, false, 60, 30},
    {"CgbAcid2Colour", "acid2/cgb-acid2.gbc", true, false, 60, 30},
    {"Geometrix", "homebrew/geometrix.gbc", false, true, 900, 450},
    {"GeometrixColour", "homebrew/geometrix.gbc", true, true, 900, 450},
    {"Libbet", "homebrew/libbet.gb", false, true, 900, 450},
    {"LibbetColour", "homebrew/libbet.gb", true, true, 900, 450},
    {"Shocklobster", "homebrew/shocklobster.gb", false, true, 900, 450},
    {"Unbricked", "homebrew/unbricked.gb", false, true, 900, 450},
};

// Buttons that take the games through their title screens into play, the
// same for every game (a game ignores what it does not use).
const char* const ButtonScript =
    "0 -\n50 start\n56 -\n90 a\n96 -\n130 start\n136 -\n170 right\n260 right+a\n270 left\n340 a\n346 up\n"
    "380 down+b\n420 b\n426 left+a\n470 -\n520 select\n530 right\n600 -\n640 a\n700 left\n760 start\n766 -\n"
    "800 right+b\n860 -\n";

// What each run leaves, in the order of the table's columns.
constexpr int OutputCount = 7;
const char* const OutputNames[OutputCount] = {"picture", "middle picture", "vram.bin", "sound",
                                              "serial", "state", "trace"};

struct Recorded {
  const char* name;
  const char* hashes[OutputCount];
};

// Recorded from the build that runs double speed (see the top of the file
// for how to renew it).
const Recorded RecordedOutputs[] = {
    {"Special", {"1ec0e76880d55860", "e794a5acce6d48c0", "361eb890c9f84730", "0a8ae30d9911c00a", "01bfd667c094e028", "fa924b883c478a29", "2c10e6e0401bfb17"}},
    {"Interrupts", {"6cfb4f36871b0d3e", "6cfb4f36871b0d3e", "0a6601557e3fb142", "60177689f5279e76", "c7f0379d0aa38dee", "c94916cc40439ae4", "c83567d82936af91"}},
    {"OpSpHl", {"2748e9cdf1eb146b", "2748e9cdf1eb146b", "2bbab092118e601b", "d72beb3386901e3e", "868382033ad0ce61", "2d5b01e22527d3a7", "de2e8e382485153d"}},
    {"OpRImm", {"74a6a74ade121ac2", "74a6a74ade121ac2", "709b7ab8bad638a8", "ee8653ab0ef6244a", "38f4b0a8dc494810", "26765d17e6e797d7", "9a855c5e3701442d"}},
    {"OpRp", {"be92bb5c1e888eb3", "e6e3cb6cb97e7123", "59b3ba7cc9bbec90", "351641daf432c0be", "cd9e5caf5a1cea48", "291d20099963d5e1", "0094dad9da9a295c"}},
    {"LdRR", {"85d0e548f9e177b9", "85d0e548f9e177b9", "36c8a5d9e098a14a", "badfcebe7c063b52", "73513ed3591a84e6", "35e591bcd6945e15", "47d2afe3c31cd0ed"}},
    {"JrJpCallRetRst", {"46d7a984d9ecf93a", "46d7a984d9ecf93a", "63fa983fa1101025", "0be81239c9efdf7e", "dece93f5d7415cd7", "da743ec8079a785a", "c94c70852db5509d"}},
    {"MiscInstrs", {"2788aa7090215d5f", "2788aa7090215d5f", "95221e208d397a93", "33210432935933e6", "8cb8d387f88c291b", "43f368b79388740b", "b5ddc11d937e562d"}},
    {"OpRR", {"7ffd65a8c2199bd7", "7ffd65a8c2199bd7", "79b100c76912d3f2", "616e4997c95dcb52", "76ed5ea245361d5e", "613556aa955f1804", "b3f8badf95bb01f9"}},
    {"BitOps", {"7033be9398b8b944", "7033be9398b8b944", "3fdd6f1fceb5e3d2", "caf4d4d602ff1f2a", "777699f0e447a35a", "d1ee89472f3b2f4b", "aff81671e7d8fa49"}},
    {"OpAHl", {"f9624c4a9cd1e22f", "f9624c4a9cd1e22f", "73eed2ecb74eb3b9", "3eca9fc9f168430a", "a45b27c719e05521", "e3360f9237db329f", "e7d771483533e779"}},
    {"CpuInstrs", {"fdb9c6686cdddaf4", "4ef8f3c692fb3002", "1c9c223221a8ce25", "d08f9fd1752e4a02", "3042dada8c99962b", "432287971e978015", "597b612188f488bd"}},
    {"SoundRegisters", {"f80e0627e929a1e1", "a806dece0b958a01", "d44e58dcb6dc1e55", "a1f8246f59ca7305", "cbf29ce484222325", "737e2e74ccea1425", "af68adaa30e98342"}},
    {"SoundLengthCounter", {"12b59d565223570e", "d39a3282661acdac", "95930419bb813f06", "b3804c72760b60c2", "cbf29ce484222325", "b81b22109025458b", "7b102ef1efbdeff8"}},
    {"SoundTrigger", {"a47c72f5ec58c5e8", "c47e1a77b04e32c6", "7162c2a8e35b2f99", "850121d400d58a2a", "cbf29ce484222325", "4660b3fc4533d2b0", "dfb871b393864425"}},
    {"SoundSweep", {"9a3979ba7ae22f98", "8564cec7aeb0c4f8", "96677b326170c7cc", "6f26ba49d7606c9a", "cbf29ce484222325", "c5d992bf375fc060", "278c63e5fd2bc613"}},
    {"SoundSweepDetails", {"ef6d8dd3c078a0b5", "dd74b05cf5827995", "11065ecde27182b1", "60b6f4ddd9044bda", "cbf29ce484222325", "5db0f2f6aaca83fc", "04df9d1a0d30a6df"}},
    {"SoundOverflowOnTrigger", {"bb82753e2c421d5d", "8c014b2af5cc704f", "ba3e784f3db32f90", "4d2e4d54b0f80616", "cbf29ce484222325", "818fa71a0b9faff5", "3eedacaf21020c96"}},
    {"SoundLengthSweepPeriodSync", {"d1ca3c423993a17e", "0d3901e21873bb0e", "7d8b7401fb781896", "1467d3e94aeacf5a", "cbf29ce484222325", "6b75811f5edefe53", "696af8734a61b357"}},
    {"SoundLengthCounterDuringPower", {"8872fa0232d3ad64", "315448d75d81fcfb", "4637f494b50bc22c", "5c071e18cfd5d5b6", "cbf29ce484222325", "e1a2d6ed1161877d", "1ccf62d89316f9ae"}},
    {"SoundWaveReadWhileOn", {"69fdf9bf0248ee26", "6fb9ba896eb0c6e6", "1c687e5af935a48c", "85d06a8af81fef4a", "cbf29ce484222325", "73a8d34302d941b8", "5c37265a901ae7ac"}},
    {"SoundWaveTriggerWhileOn", {"c5f5d6a64fd6ab7d", "2001665d785f728d", "f874043f1aab5603", "a782d7ed0e1011b2", "cbf29ce484222325", "4c1e0c3f8d7af184", "a5dbc9d640c706d6"}},
    {"SoundRegistersAfterPower", {"176cce0412493f78", "56b7feafa3799358", "a4a7965dceb1f46a", "c87b5ccc3857ea5e", "cbf29ce484222325", "e1cba740693fe730", "37c3ea837e563a2e"}},
    {"SoundWave", {"d6b86c5a1f31d66a", "8423fa3ede79887a", "55e03370b34c655c", "83d6304211a0e65e", "cbf29ce484222325", "eded1ddbca136658", "5e77707c5a97cf62"}},
    {"CgbSound", {"b4d90f311567161d", "d592c72a2f0b01c0", "1ab9ff35b726400c", "d582ce4743d8e724", "cbf29ce484222325", "2daa1b6dd7c39999", "65ce800bd899d082"}},
    {"DmgAcid2", {"e25b30e1b44adcc0", "e25b30e1b44adcc0", "bd81ae3210bce554", "f54de6203f9f7d82", "cbf29ce484222325", "ce4e3dc9779658a8", "2b38c691c0acf81f"}},
    {"DmgAcid2Colour", {"e25b30e1b44adcc0", "e25b30e1b44adcc0", "bd81ae3210bce554", "f54de6203f9f7d82", "cbf29ce484222325", "ce4e3dc9779658a8", "2b38c691c0acf81f"}},
    {"CgbAcid2", {"14d8117193ed3470", "14d8117193ed3470", "34508da27a31acdc", "f54de6203f9f7d82", "cbf29ce484222325", "816230d0ba0f9046", "f6c9e35a54ddb0fa"}},
    {"CgbAcid2Colour", {"09419d66c55ea002", "09419d66c55ea002", "34508da27a31acdc", "f54de6203f9f7d82", "cbf29ce484222325", "816230d0ba0f9046", "f6c9e35a54ddb0fa"}},
    {"Geometrix", {"bcf3740cb0953b2e", "13dfa5ccf2038580", "ed5a3d4baeeccbe1", "c1090741f42a13fe", "cbf29ce484222325", "d482b692cb5a1e37", "8ebd7c6b7f68c31b"}},
    {"GeometrixColour", {"f27c44a298ca37b3", "91d20b7d47e064f0", "ed5a3d4baeeccbe1", "c1090741f42a13fe", "cbf29ce484222325", "d482b692cb5a1e37", "8ebd7c6b7f68c31b"}},
    {"Libbet", {"6f582bfc1119241e", "e699a1a74d7fd0e6", "d76c6878fe30a4f2", "c930752f114ffd96", "cbf29ce484222325", "458cffb323619e15", "fc646ebc46415327"}},
    {"LibbetColour", {"ec922dc2f933127e", "cf70300834723a38", "d76c6878fe30a4f2", "c930752f114ffd96", "cbf29ce484222325", "458cffb323619e15", "fc646ebc46415327"}},
    {"Shocklobster", {"fb0145b5f8b8cfc9", "b57c38a1c6500633", "e0a670f522ec6148", "a5315e0d738afd02", "cbf29ce484222325", "dce800b868d629f0", "ecaf40e4d96bdd04"}},
    {"Unbricked", {"4834b2c2a0b47f33", "942a6b167b8423f3", "09b852f0ee87f45e", "700cef1c764a7392", "cbf29ce484222325", "ccdbd0f0c3232a4d", "4e36a9e561f7c3a6"}},
};

uint64_t Fnv1a(const uint8_t* bytes, size_t size, uint64_t hash = 0xCBF29CE484222325ull) {
  for (size_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
  return hash;
}

std::string Hex(uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// A missing file hashes as "none", so that a file that stops being written
// shows as a difference too.
std::string FileHash(const std::string& path) {
  if (!FileExists(path)) return "none";
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return Hex(Fnv1a(bytes.data(), bytes.size()));
}

// The picture's pixels and size rather than the PNG's bytes, which another
// version of the compression library may pack differently.
std::string PictureHash(const std::string& path) {
  RgbImage image;
  std::string error;
  if (!ReadPng(path, image, error)) return "unreadable";
  const uint8_t size[4] = {static_cast<uint8_t>(image.width), static_cast<uint8_t>(image.width >> 8),
                           static_cast<uint8_t>(image.height), static_cast<uint8_t>(image.height >> 8)};
  return Hex(Fnv1a(image.rgb.data(), image.rgb.size(), Fnv1a(size, sizeof size)));
}

// A state file holds, beside the machine, the host's clock at the moment
// the clock of a bank controller last looked at it; that stamp, and the
// checksum that covers it, differ from run to run. The rest is hashed: the
// header without the checksum, and the state unpacked with the stamp at 0.
std::string StateHash(const std::string& path) {
  if (!FileExists(path)) return "none";
  constexpr size_t ChecksumAt = 36, HeaderSize = 40, SizeAt = 32;
  const std::vector<uint8_t> file = ReadFileBytes(path);
  if (file.size() < HeaderSize) return "unreadable";
  uLongf size = file[SizeAt] | file[SizeAt + 1] << 8 | file[SizeAt + 2] << 16 | file[SizeAt + 3] << 24;
  std::vector<uint8_t> state(size);
  if (uncompress(state.data(), &size, &file[HeaderSize], static_cast<uLong>(file.size() - HeaderSize)) != Z_OK ||
      size != state.size())
    return "unreadable";
  // The section "RTC ": two sets of five clock registers, the stamp (eight
  // bytes), the milliseconds (four), then the next section.
  const std::string bytes(state.begin(), state.end());
  constexpr size_t StampAt = 4 + 10, NextSectionAt = StampAt + 8 + 4;
  size_t clock = bytes.find("RTC ");
  while (clock != std::string::npos && bytes.compare(clock + NextSectionAt, 3, "MBC") != 0)
    clock = bytes.find("RTC ", clock + 1);
  if (clock == std::string::npos) return "no clock section";
  std::fill_n(state.begin() + static_cast<long>(clock + StampAt), 8, 0);
  return Hex(Fnv1a(state.data(), state.size(), Fnv1a(file.data(), ChecksumAt)));
}

// Runs the case with `binary` and hashes what it left. Fails the test when
// a run does not end normally.
std::vector<std::string> RunAndHash(const std::string& binary, const Case& c) {
  const std::string dir = MakeTempDir(std::string("same-output-") + c.name);
  const std::string middle = std::to_string(c.middle);
  std::vector<std::string> argv = {binary, "--headless", "--no-save", "--frames", std::to_string(c.frames),
                                   "--screenshot", "end.png", "--screenshot-at", middle + ":middle.png",
                                   "--wav", "sound.wav", "--serial", "serial.txt",
                                   "--save-state-at", middle + ":middle.st"};
  if (c.colour) argv.push_back("--colour");
  if (c.buttons) {
    WriteFileBytes(dir + "/buttons.txt", std::vector<uint8_t>(ButtonScript, ButtonScript + std::strlen(ButtonScript)));
    argv.insert(argv.end(), {"--input", "buttons.txt"});
  }
  const std::string rom = CopyCartridgeInto(RomPath(c.rom), dir);
  argv.push_back(rom);
  const RunResult run = RunCommand(argv, dir);
  EXPECT_EQ(run.exit_code, 0) << c.name << ": " << run.err;

  const std::string traced = dir + "/traced";
  std::filesystem::create_directory(traced);
  std::vector<std::string> trace_argv = {binary, "--headless", "--no-save", "--trace", "--frames",
                                         std::to_string(TraceFrames), "--load-state", dir + "/middle.st"};
  if (c.colour) trace_argv.push_back("--colour");
  trace_argv.push_back(rom);
  const RunResult trace = RunCommand(trace_argv, traced);
  EXPECT_EQ(trace.exit_code, 0) << c.name << " from its state, traced: " << trace.err;

  std::vector<std::string> hashes = {PictureHash(dir + "/end.png"),  PictureHash(dir + "/middle.png"),
                                     FileHash(dir + "/vram.bin"),   FileHash(dir + "/sound.wav"),
                                     FileHash(dir + "/serial.txt"), StateHash(dir + "/middle.st"),
                                     FileHash(traced + "/Trace.Log")};
  std::filesystem::remove_all(dir);  // the traces and sound take megabytes
  return hashes;
}

const Recorded* FindRecorded(const char* name) {
  for (const Recorded& r : RecordedOutputs)
    if (std::string(r.name) == name) return &r;
  return nullptr;
}

class SameOutput : public testing::TestWithParam<Case> {};

// With PELLIX_RECORD_FROM naming a pellix binary (tests/print_output_hashes.sh
// sets it), each case prints its line of the table from that binary's runs
// instead of checking this build.
TEST_P(SameOutput, EveryOutputMatchesItsRecordedHash) {
  const Case& c = GetParam();
  if (const char* binary = std::getenv("PELLIX_RECORD_FROM")) {
    const std::vector<std::string> hashes = RunAndHash(binary, c);
    std::string line = std::string("RECORD     {\"") + c.name + "\", {";
    for (int i = 0; i < OutputCount; i++) line += std::string(i ? ", " : "") + "\"" + hashes[i] + "\"";
    std::printf("%s}},\n", line.c_str());
    return;
  }
  const char* const renew =
      "\nIf the change is meant to change the program's output, renew the recorded hashes: "
      "tests/print_output_hashes.sh build/pellix prints the table RecordedOutputs of "
      "tests/e2e/same_output_test.cpp.";
  const Recorded* recorded = FindRecorded(c.name);
  ASSERT_NE(recorded, nullptr) << c.name << " has no recorded hashes." << renew;
  const std::vector<std::string> hashes = RunAndHash(PELLIX_BINARY, c);
  for (int i = 0; i < OutputCount; i++) {
    EXPECT_EQ(hashes[i], recorded->hashes[i])
        << c.name << ": the " << OutputNames[i] << " is not what the recorded build made." << renew;
  }
}

INSTANTIATE_TEST_SUITE_P(CarriedCartridges, SameOutput, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
