#include "sound/stream_output.h"

#include <allegro.h>

#include <chrono>
#include <cstdio>

#include "sound/sound_system.h"
#include "sound/wav_writer.h"

namespace {

constexpr int StreamBits = 16;
constexpr int StreamMono = 0;  // left and right values simply alternate
constexpr int StreamVolume = 127;
constexpr int StreamPan = 127;
constexpr int CaptureChannels = 2;
constexpr uint16_t SignFlip = 0x8000;  // signed to the stream's unsigned values

class AllegroStream : public StreamTarget {
 public:
  explicit AllegroStream(AUDIOSTREAM* stream) : stream_(stream) {}
  uint16_t* get_buffer() override { return static_cast<uint16_t*>(get_audio_stream_buffer(stream_)); }
  void free_buffer() override { free_audio_stream_buffer(stream_); }
  void pause() override { rest(1); }

 private:
  AUDIOSTREAM* stream_;
};

StreamTarget* Target = nullptr;
double StallLimit = StreamStallSeconds;
long BlocksHandedOff = 0;
int16_t Transfer[StreamBufferValues];
WavWriter Capture;

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

void StartSound(bool open_stream) {
  if (const char* error = Sound.set_sample_rate(SynthSampleRate)) {
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

bool OpenWavCapture(const char* path) { return Capture.open(path, SynthSampleRate, CaptureChannels); }

bool CloseWavCapture() { return Capture.close(); }

void sound_frame_end() {
  if (!SoundEnabled) return;
  Sound.end_frame();
  if (Sound.buffer.samples_available() < StreamBufferValues) return;

  uint16_t* out = Target ? WaitForStreamBuffer() : nullptr;
  // Read even with nowhere to play: the buffer must not fill up.
  Sound.buffer.read_samples(Transfer, StreamBufferValues);
  if (out) {
    for (int i = 0; i < StreamBufferValues; i++) out[i] = static_cast<uint16_t>(Transfer[i]) ^ SignFlip;
    Target->free_buffer();
  }
  if (Capture.is_open()) Capture.write(Transfer, StreamBufferValues);
  BlocksHandedOff++;
}

void SetStreamTarget(StreamTarget* target) { Target = target; }

void SetStreamStallLimit(double seconds) { StallLimit = seconds; }

long SoundBlocksHandedOff() { return BlocksHandedOff; }

void ResetSoundOutput() {
  Sound.reset();
  Target = nullptr;
  StallLimit = StreamStallSeconds;
  BlocksHandedOff = 0;
  Capture.close();
}
