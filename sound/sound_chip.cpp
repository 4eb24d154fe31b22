#include "sound/sound_chip.h"

namespace {

constexpr int MasterVolume = 0xFF24;  // low 3 bits: volume of all channels
constexpr int Routing = 0xFF25;       // bit i: channel i right; bit i+4: left
constexpr int Power = 0xFF26;         // bit 7 on; reads give the channel status
constexpr int WavePattern = 0xFF30;
constexpr int LargestAmplitude = 15 * 7 * 2;  // volume x master volume x 2
// How far the center level moves per master-volume step when no channel
// is sounding.
constexpr int SilentVolumeStep = 30;

}  // namespace

SoundChip::SoundChip() : channels{&square1, &square2, &wave, &noise} {
  square1.synth = &square_synth;
  square2.synth = &square_synth;
  wave.synth = &other_synth;
  noise.synth = &other_synth;
  square1.has_sweep = true;
  set_volume(1.0);
  reset();
}

void SoundChip::set_outputs(SampleBuffer* center, SampleBuffer* left, SampleBuffer* right) {
  for (SoundChannel* channel : channels) channel->set_outputs(center, left, right);
}

void SoundChip::set_volume(double v) {
  const double unit = v * 0.15 * (1.0 / LargestAmplitude);
  square_synth.set_volume_unit(unit);
  other_synth.set_volume_unit(unit);
}

void SoundChip::reset() {
  next_frame_time = 0;
  last_time = 0;
  frame_count = 0;
  stereo_found = false;
  square1.reset();
  square2.reset();
  wave.reset();
  noise.reset();
  for (uint8_t& r : regs) r = 0;
}

void SoundChip::run_until(int end_time) {
  if (end_time == last_time) return;
  for (;;) {
    const int t = next_frame_time < end_time ? next_frame_time : end_time;
    for (SoundChannel* channel : channels) {
      if (!channel->output) continue;
      if (channel->output != channel->outputs[3]) stereo_found = true;
      channel->run(last_time, t);
    }
    last_time = t;
    if (t == end_time) return;

    // Frame sequencer: lengths at 256 Hz, envelopes at 64 Hz, sweep at 128 Hz.
    next_frame_time += FrameSequencerPeriod;
    for (SoundChannel* channel : channels) channel->clock_length();
    frame_count = (frame_count + 1) & 3;
    if (frame_count == 0) {
      square1.clock_envelope();
      square2.clock_envelope();
      noise.clock_envelope();
    }
    if (frame_count & 1) square1.clock_sweep();
  }
}

bool SoundChip::end_frame(int end_time) {
  if (last_time < end_time) run_until(end_time);
  next_frame_time -= end_time;  // the sequencer's phase carries over
  last_time -= end_time;
  const bool stereo = stereo_found;
  stereo_found = false;
  return stereo;
}

void SoundChip::write_register(int time, int address, int data) {
  const unsigned r = static_cast<unsigned>(address - SoundFirstRegister);
  if (r >= SoundRegisterCount) return;
  run_until(time);
  regs[r] = static_cast<uint8_t>(data);

  if (address < MasterVolume) {
    channels[r / 5]->write(r % 5, data);
  } else if (address == MasterVolume) {
    write_master_volume(time, data);
  } else if (address == Routing || address == Power) {
    write_routing(time);
  } else if (address >= WavePattern) {
    const int i = (address & 0xF) * 2;
    wave.samples[i] = static_cast<uint8_t>((data >> 4) & 0xF);
    wave.samples[i + 1] = static_cast<uint8_t>(data & 0x0F);
  }
}

// Rescales the level every sounding channel holds now, so the change is heard
// at once and not only at each channel's next edge.
void SoundChip::write_master_volume(int time, int data) {
  const int new_volume = data & 7;
  const int old_volume = square1.global_volume;  // all channels hold the same
  if (new_volume == old_volume) return;

  int sounding = 0;
  for (SoundChannel* channel : channels) {
    if (channel->enabled && channel->last_amp != 0) {
      const int new_amp = channel->global_volume ? new_volume * channel->last_amp / channel->global_volume : 0;
      if (channel->output) {
        square_synth.add_delta(channel->output->resampled_time(time), new_amp - channel->last_amp,
                               channel->output);
      }
      channel->last_amp = new_amp;
    }
    if (channel->enabled) sounding |= channel->volume;
    channel->global_volume = new_volume;
  }
  // With every channel silent the master volume alone moves the level.
  SampleBuffer* center = square1.outputs[3];
  if (sounding == 0 && center) {
    square_synth.add_delta(center->resampled_time(time), (new_volume - old_volume) * SilentVolumeStep, center);
  }
}

// Power off disables every channel and routes it nowhere; a channel that
// changes buffers leaves its old one at zero and enters the new one from zero.
void SoundChip::write_routing(int time) {
  const bool power = (regs[Power - SoundFirstRegister] >> 7) & 1;
  const int bits = power ? regs[Routing - SoundFirstRegister] : 0;
  for (int i = 0; i < SoundChannelCount; i++) {
    SoundChannel* channel = channels[i];
    channel->enabled = channel->enabled && power;
    const int s = bits >> i;
    const int select = ((s >> 3) & 2) | (s & 1);  // 0 none, 1 right, 2 left, 3 center
    SampleBuffer* old_output = channel->output;
    channel->output_select = select;
    channel->output = channel->outputs[select];
    if (channel->output != old_output && channel->last_amp != 0) {
      if (old_output) {
        square_synth.add_delta(old_output->resampled_time(time), -channel->last_amp, old_output);
      }
      channel->last_amp = 0;
    }
  }
}

int SoundChip::read_register(int time, int address) {
  const unsigned r = static_cast<unsigned>(address - SoundFirstRegister);
  if (r >= SoundRegisterCount) return 0xFF;  // not a sound register
  run_until(time);
  int value = regs[r];
  if (address == Power) {
    value &= 0xF0;
    for (int i = 0; i < SoundChannelCount; i++) {
      if (channels[i]->playing()) value |= 1 << i;
    }
  }
  return value;
}
