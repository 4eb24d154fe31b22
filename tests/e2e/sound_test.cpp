// What a user hears, measured: a cartridge that plays known tones and the
// music of a real game, captured with --wav in headless runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "sound/signal_measure.h"
#include "support/cartridge_image.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

constexpr uint64_t FrameAdvance = 70224u * 345u;  // 16.16 output pairs per frame
constexpr int BlockPairs = 1024;
constexpr double WavRate = 22050;

// A 32 KiB cartridge without a controller that sets up the sound registers
// once and then loops for ever. Each write is `ld a, value; ldh (reg), a`.
std::vector<uint8_t> ToneCartridge(const std::vector<std::pair<int, int>>& writes) {
  std::vector<uint8_t> rom(0x8000, 0x00);
  const uint8_t entry[] = {0x00, 0xC3, 0x50, 0x01};  // nop; jp 0x0150
  std::copy(entry, entry + 4, rom.begin() + 0x100);
  const char title[] = "TONE";
  std::copy(title, title + 4, rom.begin() + 0x134);
  size_t pc = 0x150;
  for (const auto& [reg, value] : writes) {
    rom[pc++] = 0x3E;
    rom[pc++] = static_cast<uint8_t>(value);
    rom[pc++] = 0xE0;
    rom[pc++] = static_cast<uint8_t>(reg & 0xFF);
  }
  rom[pc++] = 0x18;  // jr -2: stay here
  rom[pc++] = 0xFE;
  GiveValidHeader(rom);
  return rom;
}

// Square 1 at frequency value 1750 (439.8 Hz on the console), duty 50 %,
// volume 15, heard on both sides.
std::vector<uint8_t> A440Cartridge() {
  return ToneCartridge({{0xFF26, 0x80}, {0xFF24, 0x77}, {0xFF25, 0x11}, {0xFF10, 0x00}, {0xFF11, 0x80},
                        {0xFF12, 0xF0}, {0xFF13, 1750 & 0xFF}, {0xFF14, 0x80 | (1750 >> 8)}});
}

// Square 1 (439.8 Hz) on the left only, square 2 at value 1899 (879.7 Hz) on
// the right only.
std::vector<uint8_t> StereoCartridge() {
  return ToneCartridge({{0xFF26, 0x80}, {0xFF24, 0x77}, {0xFF25, 0x12}, {0xFF10, 0x00}, {0xFF11, 0x80},
                        {0xFF12, 0xF0}, {0xFF13, 1750 & 0xFF}, {0xFF14, 0x80 | (1750 >> 8)}, {0xFF16, 0x80},
                        {0xFF17, 0xF0}, {0xFF18, 1899 & 0xFF}, {0xFF19, 0x80 | (1899 >> 8)}});
}

struct Wav {
  unsigned format = 0, channels = 0, bits = 0;
  uint32_t rate = 0, riff_size = 0, data_size = 0;
  size_t file_size = 0;
  std::vector<int16_t> values;
};

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
unsigned Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

Wav ReadWav(const std::string& path) {
  const std::vector<uint8_t> b = ReadFileBytes(path);
  Wav w;
  w.file_size = b.size();
  if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " || std::string(b.begin() + 36, b.begin() + 40) != "data")
    return w;
  w.riff_size = Get32(b, 4);
  w.format = Get16(b, 20);
  w.channels = Get16(b, 22);
  w.rate = Get32(b, 24);
  w.bits = Get16(b, 34);
  w.data_size = Get32(b, 40);
  for (size_t i = 44; i + 1 < b.size(); i += 2) w.values.push_back(static_cast<int16_t>(Get16(b, i)));
  return w;
}

// Every block a run of n frames hands off: one whenever 1024 pairs are ready.
uint32_t ExpectedDataBytes(int frames) { return static_cast<uint32_t>((frames * FrameAdvance >> 16) / BlockPairs) * 4096; }

// Runs the cartridge headless for the frames with --wav and reads the file.
Wav CaptureRun(const std::string& name, const std::vector<uint8_t>& rom, int frames) {
  const std::string dir = MakeTempDir(name);
  WriteFileBytes(dir + "/tone.gb", rom);
  const RunResult r =
      RunPellix({"--headless", "--frames", std::to_string(frames), "--wav", dir + "/out.wav", dir + "/tone.gb"}, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return ReadWav(dir + "/out.wav");
}

}  // namespace

TEST(Sound, ToneCartridgeGivesAWavOfItsPitchAtASteadyLevel) {
  const int frames = 300;  // 5 s
  const Wav wav = CaptureRun("sound-a440", A440Cartridge(), frames);
  EXPECT_EQ(wav.format, 1u) << "PCM";
  EXPECT_EQ(wav.channels, 2u);
  EXPECT_EQ(wav.rate, 22050u);
  EXPECT_EQ(wav.bits, 16u);
  EXPECT_EQ(wav.data_size, ExpectedDataBytes(frames)) << "every block of 2048 values the run handed off";
  EXPECT_EQ(wav.riff_size, wav.data_size + 36);
  ASSERT_EQ(wav.file_size, wav.data_size + 44u);

  // The console plays 131072 / (2048 - 1750) = 439.8 Hz in its own time; it
  // makes 22080 pairs a second of that, so at 22050 Hz the file plays 439.2 Hz.
  const double expected = 131072.0 / 298 * WavRate / PairsPerEmulatedSecond(345);
  const size_t skip = 2000;  // the trigger's first moments
  EXPECT_NEAR(MeasurePitch(wav.values, 0, WavRate, skip), expected, 0.3) << "left";
  EXPECT_NEAR(MeasurePitch(wav.values, 1, WavRate, skip), expected, 0.3) << "right";

  // Each edge is a step of 2 x 15 x 7 units of 47: 9870, which the output's
  // high-pass lets through at its start and then takes back toward 0.
  const int peak = PeakLevel(wav.values, 0, skip);
  EXPECT_GT(peak, 6000);
  EXPECT_LT(peak, 9870);
  const size_t half = wav.values.size() / 4;
  const int first_half = PeakLevel(wav.values, 0, skip, static_cast<long>(half));
  const int second_half = PeakLevel(wav.values, 0, half);
  EXPECT_NEAR(first_half, second_half, 0.02 * peak) << "the level holds with no envelope";
  for (size_t i = 0; i < wav.values.size(); i += 2) ASSERT_EQ(wav.values[i], wav.values[i + 1]) << "mono tone";
}

TEST(Sound, StereoCartridgeKeepsEachToneOnItsSide) {
  const Wav wav = CaptureRun("sound-stereo", StereoCartridge(), 300);
  ASSERT_GT(wav.values.size(), 2u * 100000);
  const double scale = WavRate / PairsPerEmulatedSecond(345);
  EXPECT_NEAR(MeasurePitch(wav.values, 0, WavRate, 2000), 131072.0 / 298 * scale, 0.3) << "left: square 1";
  EXPECT_NEAR(MeasurePitch(wav.values, 1, WavRate, 2000), 131072.0 / 149 * scale, 0.6) << "right: square 2";
}

TEST(Sound, GameMusicIsHeardAndDoesNotClip) {
  const std::string dir = MakeTempDir("sound-geometrix");
  const int frames = 1800;  // 30 s of the title music
  const std::string game = CopyCartridgeInto(RomPath("homebrew/geometrix.gbc"), dir);
  const RunResult r =
      RunPellix({"--headless", "--frames", std::to_string(frames), "--wav", dir + "/music.wav", game}, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const Wav wav = ReadWav(dir + "/music.wav");
  // The sound lasts as long as the machine ran: the game's switches of the
  // LCD make some frames longer than 17556 cycles.
  ASSERT_EQ(wav.data_size % 4096, 0u) << "whole blocks";
  ASSERT_GE(wav.data_size, ExpectedDataBytes(frames));
  ASSERT_LE(wav.data_size, ExpectedDataBytes(frames) * 1.01);

  long clipped = 0;
  for (int16_t v : wav.values) clipped += v == 32767 || v == -32768;
  EXPECT_EQ(clipped, 0) << "no value at the limits";
  const int peak = std::max(PeakLevel(wav.values, 0), PeakLevel(wav.values, 1));
  EXPECT_LT(peak, 30000) << "headroom left";

  // Heard all along: every 2-second stretch after the first 5 s has sound,
  // and the music changes (the stretches differ).
  const size_t stretch = 2 * 22050;
  std::vector<double> levels;
  for (size_t from = 5 * 22050; (from + stretch) * 2 <= wav.values.size(); from += stretch) {
    const std::vector<int16_t> part(wav.values.begin() + 2 * from, wav.values.begin() + 2 * (from + stretch));
    levels.push_back(RmsLevel(part, 0));
    EXPECT_GT(levels.back(), 300) << "music at " << from / 22050 << " s";
  }
  ASSERT_GE(levels.size(), 10u);
  const auto [lo, hi] = std::minmax_element(levels.begin(), levels.end());
  EXPECT_GT(*hi - *lo, 50) << "the level moves with the music";
}

TEST(Sound, AnUnwritableCaptureFileEndsTheRunWithAMessage) {
  const std::string dir = MakeTempDir("sound-bad-wav");
  WriteFileBytes(dir + "/tone.gb", A440Cartridge());
  const RunResult r =
      RunPellix({"--headless", "--frames", "10", "--wav", dir + "/missing/out.wav", dir + "/tone.gb"}, dir);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("missing/out.wav"), std::string::npos) << "the message names the file: " << r.err;
}

namespace {

struct WindowedRun {
  int exit_code = -1;
  std::string errors;
  Wav wav;
};

// Runs the tone cartridge in a window for the frames, with the given
// allegro.cfg (empty: none, Allegro's defaults), and captures it with --wav.
// Returns false, with nothing checked, when the program could not reach the
// X server at all (a server of a parallel test can vanish under it).
bool TryRunInWindow(const std::string& name, const std::string& allegro_config, int frames, WindowedRun& result) {
  XvfbServer x;
  EXPECT_TRUE(x.ok()) << "Xvfb did not start";
  if (!x.ok()) return true;
  const std::string dir = MakeTempDir(name);
  WriteFileBytes(dir + "/tone.gb", A440Cartridge());
  std::map<std::string, std::string> env = x.env();
  if (!allegro_config.empty()) {
    WriteFileBytes(dir + "/allegro.cfg", std::vector<uint8_t>(allegro_config.begin(), allegro_config.end()));
  }
  env["ALLEGRO"] = dir;  // where Allegro looks for allegro.cfg (none: the defaults)
  BackgroundRun run =
      StartPellix({"--frames", std::to_string(frames), "--wav", dir + "/out.wav", dir + "/tone.gb"}, dir, env);
  const std::string window = FindWindow(x, 20);
  if (window.empty()) {
    WaitForExit(run, 1, result.exit_code);
    result.errors = ReadErrors(run);
    if (result.errors.find("cannot start the display") != std::string::npos) return false;
    ADD_FAILURE() << "no window; the program said: " << result.errors;
    return true;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  HoldKey(x, window, "Return", 0.1);
  EXPECT_TRUE(WaitForExit(run, 60, result.exit_code)) << "the run must end by itself, never stuck on the stream";
  result.errors = ReadErrors(run);
  result.wav = ReadWav(dir + "/out.wav");
  return true;
}

WindowedRun RunInWindow(const std::string& name, const std::string& allegro_config, int frames) {
  WindowedRun result;
  for (int attempt = 0; attempt < 3; attempt++) {
    result = WindowedRun{};
    if (TryRunInWindow(name, allegro_config, frames, result)) return result;
  }
  ADD_FAILURE() << "the program never reached an X server: " << result.errors;
  return result;
}

// The lines of the text that contain the phrase.
int CountLines(const std::string& text, const std::string& phrase) {
  int n = 0;
  for (size_t at = text.find(phrase); at != std::string::npos; at = text.find(phrase, at + 1)) n++;
  return n;
}

}  // namespace

// This machine has no sound card: Allegro installs its null driver, whose
// stream would never free a buffer. The run says so once and goes on silent,
// paced by the frame clock alone.
TEST(SoundWindow, WithoutASoundCardTheRunSaysSoOnceAndGoesOnSilent) {
  const int frames = 180;
  const WindowedRun run = RunInWindow("sound-no-card", "", frames);
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(CountLines(run.errors, "no audio device; running without sound"), 1) << run.errors;
  EXPECT_EQ(CountLines(run.errors, "running without sound"), 1) << "one line only: " << run.errors;
  EXPECT_EQ(run.wav.data_size, ExpectedDataBytes(frames)) << "the capture still gets every block";
}

// ALSA's null device plays a stream without a sound card: the hand-off fills
// real stream buffers, waiting for each, and the run still ends by itself.
TEST(SoundWindow, AStreamThatPlaysTakesEveryBlock) {
  const int frames = 300;
  const WindowedRun run = RunInWindow("sound-alsa-null", "[sound]\nalsa_device = null\nalsa_fragsize = 441\n", frames);
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(CountLines(run.errors, "running without sound"), 0) << "the stream opened and played: " << run.errors;
  EXPECT_EQ(run.wav.data_size, ExpectedDataBytes(frames));
  EXPECT_NEAR(MeasurePitch(run.wav.values, 0, WavRate, 2000), 131072.0 / 298 * WavRate / PairsPerEmulatedSecond(345),
              0.3);
}
