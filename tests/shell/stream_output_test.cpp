// The hand-off of finished blocks to the audio stream and the WAV capture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/clock.h"
#include "sound/signal_measure.h"
#include "sound/sound_system.h"
#include "shell/config.h"
#include "shell/stream_output.h"
#include "shell/wav_writer.h"
#include "shell_machine.h"
#include "support/run.h"

namespace {

constexpr uint32_t FrameAdvance = 70224u * 345u;  // 16.16 pairs one frame adds

// A stream that records what it is handed. It can refuse a number of
// requests first, or all of them.
struct FakeStream : StreamTarget {
  std::vector<uint16_t> buffer = std::vector<uint16_t>(StreamBufferValues, 0x1234);
  std::vector<uint16_t> played;
  int gets = 0, frees = 0, pauses = 0;
  int refusals = 0;
  bool dead = false;

  uint16_t* get_buffer() override {
    gets++;
    if (dead) return nullptr;
    if (refusals > 0) {
      refusals--;
      return nullptr;
    }
    return buffer.data();
  }
  void free_buffer() override {
    frees++;
    played.insert(played.end(), buffer.begin(), buffer.end());
  }
  void pause() override { pauses++; }
};

// The machine as after start-up in a headless run: the sound system set up,
// no stream, no capture.
void StartHeadless() {
  ResetShellMachine();
  StartSound(false);
}

// Puts the next frame's end at exactly `pairs` finished pairs.
void FinishedPairsAfterNextFrame(uint32_t pairs) {
  for (SampleBuffer& buf : m.sound.buffer.bufs) buf.offset = (pairs << 16) - FrameAdvance;
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
unsigned Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

}  // namespace

TEST(StreamHandOff, TheFirstBlockLeavesAtTheEndOfTheThirdFrame) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  EndVideoFrame();
  EndVideoFrame();
  EXPECT_EQ(stream.gets, 0) << "two frames hold about 739 pairs, 1024 are needed";
  EndVideoFrame();
  EXPECT_EQ(stream.gets, 1);
  EXPECT_EQ(stream.frees, 1) << "three frames hold about 1109 pairs: one block";
  EXPECT_EQ(SoundBlocksHandedOff(), 1);
  EXPECT_EQ(m.sound.buffer.samples_available(), 2 * ((3 * FrameAdvance) >> 16) - StreamBufferValues);
}

TEST(StreamHandOff, ALongFrameHandsOffEveryWholeBlock) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  const unsigned longest = MaxSoundFrameClocks / NormalClocksPerCycle;  // four video frames: about 1477 pairs
  EndVideoFrame(longest);                        // the LCD held a frame up
  EXPECT_EQ(stream.frees, 1) << "about 1477 pairs: one block";
  EndVideoFrame(longest);
  EXPECT_EQ(stream.frees, 2) << "about 1929 pairs waiting: one more block";
  EndVideoFrame(longest);
  EXPECT_EQ(stream.frees, 4) << "about 2382 pairs waiting: two blocks at once";
  EXPECT_LT(m.sound.buffer.samples_available(), StreamBufferValues);
}

TEST(StreamHandOff, AFrameEndBelowAWholeBlockLeavesTheStreamUntouched) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  // Values come in pairs: 2046 is the most that can be waiting below 2048.
  FinishedPairsAfterNextFrame(1023);
  EndVideoFrame();
  EXPECT_EQ(m.sound.buffer.samples_available(), 2046);
  EXPECT_EQ(stream.gets, 0);
  EXPECT_EQ(stream.frees, 0);
  EXPECT_EQ(stream.buffer[0], 0x1234) << "nothing written";

  FinishedPairsAfterNextFrame(1024);
  EndVideoFrame();
  EXPECT_EQ(stream.frees, 1) << "2048 values make a block";
  EXPECT_EQ(m.sound.buffer.samples_available(), 0);
}

TEST(StreamHandOff, SignedValuesReachTheStreamWithTheTopBitInverted) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  for (int i = 0; i < 3; i++) EndVideoFrame();
  ASSERT_EQ(stream.played.size(), 2048u);
  for (size_t i = 0; i < stream.played.size(); i++) {
    ASSERT_EQ(stream.played[i], 32768) << "silence (0) reaches the stream as 32768, value " << i;
  }

  for (int sign : {1, -1}) {
    StartHeadless();
    FakeStream loud;
    SetStreamTarget(&loud);
    m.sound.buffer.set_bass_frequency(0);  // no high-pass: the level holds
    SampleBuffer* center = &m.sound.buffer.bufs[0];
    for (int k = 0; k < 4; k++) {
      m.sound.chip.square_synth.add_delta(center->resampled_time(k * 6000), sign * 250, center);
    }
    for (int i = 0; i < 3; i++) EndVideoFrame();
    ASSERT_EQ(loud.played.size(), 2048u);
    const uint16_t expected = sign > 0 ? 65535 : 0;
    for (size_t i = 2 * 200; i < loud.played.size(); i++) {
      ASSERT_EQ(loud.played[i], expected) << (sign > 0 ? "32767 reaches the stream as 65535"
                                                       : "-32768 reaches the stream as 0")
                                          << ", value " << i;
    }
  }
}

TEST(StreamHandOff, WaitsForAFreeBufferAndPausesBetweenAttempts) {
  StartHeadless();
  FakeStream stream;
  stream.refusals = 3;
  SetStreamTarget(&stream);
  for (int i = 0; i < 3; i++) EndVideoFrame();
  EXPECT_EQ(stream.gets, 4);
  EXPECT_EQ(stream.pauses, 3) << "one pause before each new attempt";
  EXPECT_EQ(stream.frees, 1);
}

TEST(StreamHandOff, AStreamThatNeverFreesABufferIsGivenUp) {
  StartHeadless();
  FakeStream stream;
  stream.dead = true;
  SetStreamTarget(&stream);
  SetStreamStallLimit(0.05);
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; i++) EndVideoFrame();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("running without sound"), std::string::npos) << "one line tells the user: " << err;
  EXPECT_EQ(stream.frees, 0);
  EXPECT_EQ(SoundBlocksHandedOff(), 1) << "the block still leaves the buffer";
  const int gets = stream.gets;
  for (int i = 0; i < 30; i++) EndVideoFrame();
  EXPECT_EQ(stream.gets, gets) << "the stream is not asked again";
  EXPECT_EQ(SoundBlocksHandedOff(), 1 + (33 * FrameAdvance >> 16) / 1024 - 1);
}

TEST(StreamHandOff, WithoutAStreamTheBufferIsStillDrained) {
  StartHeadless();
  for (int i = 0; i < 600; i++) EndVideoFrame();  // 10 s: more than the buffer holds
  EXPECT_EQ(SoundBlocksHandedOff(), static_cast<long>((600ull * FrameAdvance >> 16) / 1024));
  EXPECT_LT(m.sound.buffer.samples_available(), StreamBufferValues);
}

TEST(WavCapture, EveryBlockGoesIntoTheFileAsThePlayerGetsIt) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  const std::string path = MakeTempDir("wav_capture") + "/out.wav";
  ASSERT_TRUE(OpenWavCapture(path.c_str()));
  SampleBuffer* center = &m.sound.buffer.bufs[0];
  m.sound.chip.square_synth.add_delta(center->resampled_time(1000), 100, center);
  for (int i = 0; i < 20; i++) EndVideoFrame();
  ASSERT_TRUE(CloseWavCapture());

  const std::vector<uint8_t> wav = ReadFileBytes(path);
  const long blocks = SoundBlocksHandedOff();
  ASSERT_EQ(blocks, 7);
  ASSERT_EQ(wav.size(), 44u + blocks * 4096);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(Get32(wav, 4), wav.size() - 8);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Get32(wav, 16), 16u);
  EXPECT_EQ(Get16(wav, 20), 1u) << "PCM";
  EXPECT_EQ(Get16(wav, 22), 2u) << "two channels";
  EXPECT_EQ(Get32(wav, 24), 22050u);
  EXPECT_EQ(Get32(wav, 28), 22050u * 4);
  EXPECT_EQ(Get16(wav, 32), 4u);
  EXPECT_EQ(Get16(wav, 34), 16u);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  EXPECT_EQ(Get32(wav, 40), blocks * 4096u);
  ASSERT_EQ(stream.played.size(), static_cast<size_t>(blocks * 2048));
  bool heard = false;
  for (size_t i = 0; i < stream.played.size(); i++) {
    const uint16_t value = static_cast<uint16_t>(Get16(wav, 44 + 2 * i));
    ASSERT_EQ(value ^ 0x8000, stream.played[i]) << "value " << i << " as the stream got it";
    heard |= value != 0;
  }
  EXPECT_TRUE(heard) << "the step is in the file";
}

// A 440 Hz square at full volume: [sound] volume = 50 in the
// configuration file halves it in the stream, the mute silences it, and
// the capture keeps the machine's own level throughout.
TEST(StreamVolume, TheVolumeSettingScalesAToneInTheStreamButNotInTheCapture) {
  StartHeadless();
  FakeStream stream;
  SetStreamTarget(&stream);
  const std::string dir = MakeTempDir("stream_volume");
  const std::string config = "[sound]\nvolume = 50\n";
  WriteFileBytes(dir + "/pellix.cfg", std::vector<uint8_t>(config.begin(), config.end()));
  DisplayMode video;
  LoadConfiguration((dir + "/pellix.cfg").c_str(), video);
  ASSERT_EQ(SoundVolume, 50);
  ASSERT_TRUE(OpenWavCapture((dir + "/tone.wav").c_str()));
  for (const auto& [address, value] : {std::pair{0xFF25, 0x11}, {0xFF10, 0x00}, {0xFF11, 0x80}, {0xFF12, 0xF0},
                                       {0xFF13, 1750 & 0xFF}, {0xFF14, 0x80 | (1750 >> 8)}})
    m.sound.write_register(MachineClock(m), address, value);
  for (int i = 0; i < 30; i++) EndVideoFrame();
  const size_t loud = stream.played.size();
  SoundMuted = true;
  for (int i = 0; i < 12; i++) EndVideoFrame();
  ASSERT_TRUE(CloseWavCapture());

  std::vector<int16_t> played, captured;
  for (uint16_t value : stream.played) played.push_back(static_cast<int16_t>(value ^ 0x8000));
  const std::vector<uint8_t> wav = ReadFileBytes(dir + "/tone.wav");
  for (size_t at = 44; at + 1 < wav.size(); at += 2) captured.push_back(static_cast<int16_t>(Get16(wav, at)));
  ASSERT_EQ(captured.size(), played.size());
  // In pairs: the loud part past its first two blocks (the tone's start), and
  // the muted part past its first block (the easing).
  const size_t from = StreamBufferValues, loud_end = loud / 2, muted_from = loud_end + StreamBufferValues / 2;
  const int full = PeakLevel(captured, 0, from, static_cast<long>(loud_end));
  const int half = PeakLevel(played, 0, from, static_cast<long>(loud_end));
  ASSERT_GT(full, 1000) << "the tone is heard in the capture";
  EXPECT_NEAR(half, full / 2, full / 100) << "volume 50: half the level in the stream";
  EXPECT_EQ(PeakLevel(played, 0, muted_from), 0) << "muted: silence after one block of easing";
  EXPECT_GT(PeakLevel(captured, 0, muted_from), 1000) << "the capture goes on at full level";
}

TEST(WavCapture, FailuresAreReported) {
  WavWriter writer;
  EXPECT_FALSE(writer.open((MakeTempDir("wav_fail") + "/no/such/folder/x.wav").c_str(), 22050, 2));
  ASSERT_TRUE(writer.open("/dev/full", 22050, 2));
  std::vector<int16_t> values(65536, 7);
  writer.write(values.data(), static_cast<long>(values.size()));
  EXPECT_FALSE(writer.close()) << "a full disk is a failed capture";

  const std::string path = MakeTempDir("wav_empty") + "/empty.wav";
  ASSERT_TRUE(writer.open(path.c_str(), 22050, 2));
  EXPECT_TRUE(writer.close());
  const std::vector<uint8_t> wav = ReadFileBytes(path);
  ASSERT_EQ(wav.size(), 44u) << "a run too short for one block gives a valid empty file";
  EXPECT_EQ(Get32(wav, 4), 36u);
  EXPECT_EQ(Get32(wav, 40), 0u);
}
