#include "sound/stream_output.h"

#include "sound/sound_system.h"

void StartSound(bool) { Sound.set_sample_rate(SynthSampleRate); }
bool OpenWavCapture(const char*) { return true; }
bool CloseWavCapture() { return true; }
void sound_frame_end() { Sound.end_frame(); }
