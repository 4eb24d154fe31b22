// The frame's samples handed to the front end.
#pragma once

// Sizes the machine's sound buffers for the rate the core announces
// (DefaultSampleRate). False, with the reason logged, when they cannot be
// had: the game then runs silent.
bool StartSoundOutput();

// Hands every sample the frame made to the front end's batch callback, as
// 16-bit stereo pairs at DefaultSampleRate. A stopped machine makes none:
// the front end gets a frame of silence instead, which keeps its pace.
void SendSound(bool frame_ran);
