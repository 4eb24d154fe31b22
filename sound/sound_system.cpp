#include "sound/sound_system.h"

SoundSystem Sound;

SoundSystem::SoundSystem() {}
SoundSystem::~SoundSystem() {}

void SoundSystem::write_register(int, int) { access_clock += 4; }
int SoundSystem::read_register(int) { access_clock += 4; return 0; }
void SoundSystem::end_frame() { access_clock = 0; }
const char* SoundSystem::set_sample_rate(long) { return nullptr; }
