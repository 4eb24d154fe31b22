// What the libretro front end gave the core: its callbacks, and the
// environment through which the core asks it for things and tells it
// about itself.
#pragma once
#include <libretro.h>

extern retro_environment_t Environment;
extern retro_video_refresh_t VideoRefresh;
extern retro_audio_sample_batch_t AudioSampleBatch;
extern retro_input_poll_t InputPoll;
extern retro_input_state_t InputState;

// One environment call; false when the front end does not know the command
// (or has not given the environment yet).
bool Ask(unsigned command, void* data);

// A line for the front end's log, or for stderr when it keeps none.
void Log(retro_log_level level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A message for the player, on the front end's screen for a few seconds,
// and in the log.
void TellPlayer(const char* text);
