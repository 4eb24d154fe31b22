// The hand-off of finished samples to the audio stream (and to a WAV capture).
#pragma once

constexpr int SoundEnabled = 1;
constexpr long SynthSampleRate = 22050;  // stereo pairs per second in the buffers
constexpr long StreamRate = 44100;       // 16-bit values per second in the stream
constexpr int StreamBufferValues = 2048;

// Sets up the sound system and opens the audio stream. A run without a usable
// audio device (or a headless run) stays silent. Call after the sound driver
// was installed (windowed) or without it (headless: open_stream false).
void StartSound(bool open_stream);

// Starts writing every handed-off block into a WAV file. False on failure.
bool OpenWavCapture(const char* path);
// Fills in the header sizes and closes the file. False on a write failure.
bool CloseWavCapture();

void sound_frame_end();
