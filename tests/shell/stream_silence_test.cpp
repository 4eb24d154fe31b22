// Pause, fast-forward and reset break the sound: the stream fades instead
// of jumping, is fed silence without waiting, and gets no stale sound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "machine/clock.h"
#include "sound/sound_system.h"
#include "shell/stream_output.h"
#include "shell_machine.h"

namespace {

// A stream that takes every buffer, or none when full.
struct RecordingStream : StreamTarget {
  std::vector<uint16_t> buffer = std::vector<uint16_t>(StreamBufferValues);
  std::vector<int> played;  // signed values, left and right alternating
  bool full = false;
  int pauses = 0;

  uint16_t* get_buffer() override { return full ? nullptr : buffer.data(); }
  void free_buffer() override {
    for (uint16_t v : buffer) played.push_back(static_cast<int16_t>(v ^ 0x8000));
  }
  void pause() override { pauses++; }
};

// A steady level in the sound buffers: one step up, no high-pass.
void StartLoud(RecordingStream& stream) {
  ResetShellMachine();
  StartSound(false);
  SetStreamTarget(&stream);
  m.sound.buffer.set_bass_frequency(0);
  SampleBuffer* center = &m.sound.buffer.bufs[0];
  m.sound.chip.square_synth.add_delta(center->resampled_time(0), 100, center);
}

// The largest change between neighbouring values of one side from `from` on.
int LargestJump(const std::vector<int>& values, size_t from) {
  int largest = 0;
  for (size_t i = from + 2; i < values.size(); i++) largest = std::max(largest, std::abs(values[i] - values[i - 2]));
  return largest;
}

}  // namespace

TEST(StreamSilence, PauseFadesOutFeedsSilenceAndFadesBackIn) {
  RecordingStream stream;
  StartLoud(stream);
  for (int i = 0; i < 12; i++) EndVideoFrame();
  ASSERT_FALSE(stream.played.empty());
  const int level = stream.played.back();
  ASSERT_GT(level, 1000) << "a steady, audible level to fade from";
  const size_t before = stream.played.size();

  SetStreamSilenced(true);  // pause: the machine stops, the front end feeds the stream
  for (int i = 0; i < 5; i++) FeedSilentStream();
  ASSERT_EQ(stream.played.size(), before + 5 * StreamBufferValues);
  EXPECT_LE(LargestJump(stream.played, before - 2), level / 100) << "the level slides to 0, no click";
  EXPECT_EQ(stream.played.back(), 0);
  EXPECT_EQ(stream.played[before + StreamBufferValues], 0) << "silence after the fade";

  SetStreamSilenced(false);
  const size_t resumed = stream.played.size();
  for (int i = 0; i < 12; i++) EndVideoFrame();
  ASSERT_GT(stream.played.size(), resumed);
  EXPECT_LE(LargestJump(stream.played, resumed - 2), level / 100) << "the sound slides back in";
  EXPECT_EQ(stream.played.back(), level) << "and plays at its level again";
  EXPECT_EQ(stream.pauses, 0);
}

// While fast-forwarding the machine's blocks are skipped: the stream gets
// silence when it has room and the run never waits for it; the capture
// still gets every block.
TEST(StreamSilence, FastForwardNeverWaitsForTheStream) {
  RecordingStream stream;
  StartLoud(stream);
  for (int i = 0; i < 12; i++) EndVideoFrame();
  SetStreamSilenced(true);
  stream.full = true;
  const long blocks = SoundBlocksHandedOff();
  for (int i = 0; i < 60; i++) EndVideoFrame();
  EXPECT_EQ(stream.pauses, 0) << "no wait for a full stream";
  EXPECT_GT(SoundBlocksHandedOff(), blocks + 15) << "the blocks still leave the buffer";
  stream.full = false;
  const size_t before = stream.played.size();
  for (int i = 0; i < 6; i++) EndVideoFrame();
  ASSERT_GT(stream.played.size(), before);
  for (size_t i = before + StreamBufferValues; i < stream.played.size(); i++)
    ASSERT_EQ(stream.played[i], 0) << "silence, not the machine's sound, at value " << i;
}

// A reset: the old sound fades out while the new one fades in.
TEST(StreamSilence, ResetCrossFades) {
  RecordingStream stream;
  StartLoud(stream);
  for (int i = 0; i < 12; i++) EndVideoFrame();
  const int level = stream.played.back();
  const size_t before = stream.played.size();
  m.sound.reset(SoundNow(m));  // what the machine's reset does to the sound: silence from now on
  SoundRestarted();
  for (int i = 0; i < 6; i++) EndVideoFrame();
  ASSERT_GT(stream.played.size(), before);
  EXPECT_LE(LargestJump(stream.played, before - 2), level / 100) << "no jump to the new sound";
  EXPECT_EQ(stream.played.back(), 0);
}
