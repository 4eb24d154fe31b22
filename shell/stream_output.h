// The hand-off of finished samples to the audio stream (and to a WAV capture).
#pragma once
#include <cstdint>

constexpr int SoundEnabled = 1;
constexpr long StreamRate = 44100;       // 16-bit values per second in the stream
constexpr int StreamBufferValues = 2048;
// A stream that takes no buffer for this long is not playing: the run then
// goes on without it.
constexpr double StreamStallSeconds = 2.0;

// Sets up the sound system and opens the audio stream. A run without a usable
// audio device (or a headless run) stays silent. Call after the sound driver
// was installed (windowed) or without it (headless: open_stream false).
void StartSound(bool open_stream);

// Starts writing every handed-off block into a WAV file. False on failure.
bool OpenWavCapture(const char* path);
// Fills in the header sizes and closes the file. False on a write failure.
bool CloseWavCapture();

// Once per video frame, after the machine has ended its sound frame: hands
// every whole block of StreamBufferValues values that is ready in the
// machine's buffer to the stream (waiting for a free stream buffer) and to
// the capture.
void HandOffSound();

// Pause and fast-forward silence the stream: the sound fades out over a few
// milliseconds and the stream is fed silence without waiting; once the
// silence is lifted, the sound fades back in, so neither edge clicks. The
// WAV capture still gets every block the machine makes.
void SetStreamSilenced(bool silenced);
// Hands the stream one block of silence if it has a free buffer, never
// waiting: once per frame while the machine stands still.
void FeedSilentStream();
// After a reset of the machine: the sound still playing fades out while the
// new sound fades in, instead of jumping from one to the other.
void SoundRestarted();

// The stream's loudness in percent of the machine's sound (--volume, volume
// = under [sound] in the configuration file, the volume keys), and whether
// it is muted. A change is eased in over the next block's first
// milliseconds, so that it does not click. The WAV capture always gets the
// machine's own level.
constexpr int FullVolume = 100;
extern int SoundVolume;
extern bool SoundMuted;

// Where the hand-off puts its blocks: the Allegro stream, or a stand-in.
class StreamTarget {
 public:
  virtual ~StreamTarget() = default;
  // The next free buffer of StreamBufferValues unsigned values, or null.
  virtual uint16_t* get_buffer() = 0;
  // Hands the buffer last returned by get_buffer to the player.
  virtual void free_buffer() = 0;
  // Waits a moment before the next get_buffer, without keeping the core busy.
  virtual void pause() = 0;
};

// Replaces the stream (null: none; the hand-off then only feeds the capture).
void SetStreamTarget(StreamTarget* target);
// How long a wait for a free buffer may last before the stream is given up.
void SetStreamStallLimit(double seconds);
// Blocks handed off since the start (or the last reset).
long SoundBlocksHandedOff();
// Back to the program-start state: sound system reset, no stream, no
// capture, no blocks counted.
void ResetSoundOutput();
