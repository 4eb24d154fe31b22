#include "shell/stream_output.h"

#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "shell/lost_display.h"
#include "shell/run_control.h"
#include "shell/wav_writer.h"

namespace {

constexpr int StreamBits = 16;
constexpr int StreamMono = 0;  // left and right values simply alternate
constexpr int StreamVolume = 127;
constexpr int StreamPan = 127;
constexpr int CaptureChannels = 2;
constexpr uint16_t SignFlip = 0x8000;  // signed to the stream's unsigned values
constexpr int FadePairs = 256;         // 11.6 ms: long enough not to click, short enough not to be heard

class AllegroStream : public StreamTarget {
 public:
  explicit AllegroStream(AUDIOSTREAM* stream) : stream_(stream) {}
  // The sound driver shares the window system's background thread.
  uint16_t* get_buffer() override {
    const OutsideTheMachine driver;
    return static_cast<uint16_t*>(get_audio_stream_buffer(stream_));
  }
  void free_buffer() override {
    const OutsideTheMachine driver;
    free_audio_stream_buffer(stream_);
  }
  void pause() override {
    const OutsideTheMachine driver;
    rest(1);
  }

 private:
  AUDIOSTREAM* stream_;
};

StreamTarget* Target = nullptr;
double StallLimit = StreamStallSeconds;
long BlocksHandedOff = 0;
int16_t Transfer[StreamBufferValues];
WavWriter Capture;

// The edges of a silence or a reset. The stream's level must never jump:
// what follows a break fades in from 0, and the last value played (left,
// right) fades out from where it stood.
bool Silenced = false;
bool FadeInNext = false;
bool FadeOutNext = false;
int16_t LastPlayed[2] = {0, 0};
int PlayedGain = FullVolume;  // the loudness the last block ended at

// Writes a block of values (null: silence) into a stream buffer at the
// chosen loudness, with the fades of a break and of a change of loudness
// over its first FadePairs pairs.
void Play(uint16_t* out, const int16_t* values) {
  const int gain = SoundMuted ? 0 : std::clamp(SoundVolume, 0, FullVolume);
  for (int i = 0; i < StreamBufferValues; i++) {
    const int pair = i / 2;
    const int now = pair < FadePairs ? PlayedGain + (gain - PlayedGain) * pair / FadePairs : gain;
    int v = values ? values[i] * now / FullVolume : 0;
    if (pair < FadePairs) {
      if (FadeInNext) v = v * pair / FadePairs;
      if (FadeOutNext) v += LastPlayed[i & 1] * (FadePairs - pair) / FadePairs;
      v = std::clamp(v, -32768, 32767);
    }
    out[i] = static_cast<uint16_t>(v) ^ SignFlip;
  }
  LastPlayed[0] = static_cast<int16_t>(out[StreamBufferValues - 2] ^ SignFlip);
  LastPlayed[1] = static_cast<int16_t>(out[StreamBufferValues - 1] ^ SignFlip);
  FadeInNext = FadeOutNext = false;
  PlayedGain = gain;
}

// Waits until the stream has a free buffer. A stream that takes none for
// StallLimit seconds cannot be playing: the run goes on without it.
uint16_t* WaitForStreamBuffer() {
  uint16_t* out = Target->get_buffer();
  if (out) return out;
  const auto started = std::chrono::steady_clock::now();
  for (;;) {
    Target->pause();
    out = Target->get_buffer();
    if (out) return out;
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (waited > StallLimit) {
      std::fprintf(stderr, "pellix: the audio stream stopped playing; running without sound\n");
      Target = nullptr;
      return nullptr;
    }
  }
}

}  // namespace

int SoundVolume = FullVolume;
bool SoundMuted = false;

void StartSound(bool open_stream) {
  if (const char* error = TheMachine().SetSampleRate(DefaultSampleRate)) {
    std::fprintf(stderr, "pellix: sound: %s; running without sound\n", error);
    return;
  }
  if (!open_stream) return;
  // The null driver takes a stream but never plays it: after two buffers it
  // has none free for ever.
  if (!digi_driver || digi_driver->id == DIGI_NONE) {
    std::fprintf(stderr, "pellix: no audio device; running without sound\n");
    return;
  }
  AUDIOSTREAM* stream = play_audio_stream(StreamBufferValues, StreamBits, StreamMono, StreamRate, StreamVolume,
                                          StreamPan);
  if (!stream) {
    std::fprintf(stderr, "pellix: cannot open the audio stream; running without sound\n");
    return;
  }
  static AllegroStream allegro_stream(stream);
  Target = &allegro_stream;
}

bool OpenWavCapture(const char* path) { return Capture.open(path, DefaultSampleRate, CaptureChannels); }

bool CloseWavCapture() { return Capture.close(); }

void HandOffSound() {
  if (!SoundEnabled) return;
  // A long frame can fill more than one block.
  constexpr size_t BlockPairs = StreamBufferValues / 2;
  while (TheMachine().SamplesWaiting() >= BlockPairs) {
    uint16_t* out = Target && !Silenced ? WaitForStreamBuffer() : nullptr;
    // Read even with nowhere to play: the buffer must not fill up.
    TheMachine().TakeSamples(Transfer, BlockPairs);
    if (out) {
      Play(out, Transfer);
      Target->free_buffer();
    } else if (Silenced) {  // fast-forward: the machine's sound is skipped, without a wait
      FeedSilentStream();
    }
    if (Capture.is_open()) Capture.write(Transfer, StreamBufferValues);
    BlocksHandedOff++;
  }
}

void SetStreamSilenced(bool silenced) {
  if (silenced == Silenced) return;
  Silenced = silenced;
  FadeOutNext = FadeInNext = true;
}

void FeedSilentStream() {
  if (!Target || !Silenced) return;
  if (uint16_t* out = Target->get_buffer()) {
    Play(out, nullptr);
    Target->free_buffer();
  }
}

void SoundRestarted() { FadeOutNext = FadeInNext = true; }

void SetStreamTarget(StreamTarget* target) { Target = target; }

void SetStreamStallLimit(double seconds) { StallLimit = seconds; }

long SoundBlocksHandedOff() { return BlocksHandedOff; }

void ResetSoundOutput() {
  Target = nullptr;
  StallLimit = StreamStallSeconds;
  BlocksHandedOff = 0;
  Capture.close();
  Silenced = FadeInNext = FadeOutNext = false;
  LastPlayed[0] = LastPlayed[1] = 0;
  SoundVolume = PlayedGain = FullVolume;
  SoundMuted = false;
}
