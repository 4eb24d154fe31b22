#include "libretro/front_end.h"

#include <cstdarg>
#include <cstdio>

#include "libretro/options.h"

retro_environment_t Environment = nullptr;
retro_video_refresh_t VideoRefresh = nullptr;
retro_audio_sample_batch_t AudioSampleBatch = nullptr;
retro_input_poll_t InputPoll = nullptr;
retro_input_state_t InputState = nullptr;

namespace {

constexpr unsigned MessageFrames = 240;  // four seconds on the screen
retro_log_printf_t FrontEndLog = nullptr;

}  // namespace

bool Ask(unsigned command, void* data) { return Environment && Environment(command, data); }

void Log(retro_log_level level, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (FrontEndLog) FrontEndLog(level, "[PELLIX] %s\n", line);
  else std::fprintf(stderr, "pellix: %s\n", line);
}

void TellPlayer(const char* text) {
  Log(RETRO_LOG_WARN, "%s", text);
  retro_message message{text, MessageFrames};
  Ask(RETRO_ENVIRONMENT_SET_MESSAGE, &message);
}

RETRO_API void retro_set_environment(retro_environment_t environment) {
  Environment = environment;
  retro_log_callback log{};
  FrontEndLog = Ask(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &log) ? log.log : nullptr;
  DeclareOptions();
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t refresh) { VideoRefresh = refresh; }
// The samples go out a frame at a time, never one pair at a time.
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t batch) { AudioSampleBatch = batch; }
RETRO_API void retro_set_input_poll(retro_input_poll_t poll) { InputPoll = poll; }
RETRO_API void retro_set_input_state(retro_input_state_t state) { InputState = state; }
