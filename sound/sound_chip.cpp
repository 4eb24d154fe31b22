#include "sound/sound_chip.h"

#include "machine/state.h"

namespace {

constexpr int MasterVolume = 0xFF24;  // low 3 bits: volume of all channels
constexpr int Routing = 0xFF25;       // bit i: channel i right; bit i+4: left
constexpr int Power = 0xFF26;         // bit 7 on; reads give the channel status
constexpr int WavePattern = 0xFF30;
constexpr int PowerBit = 0x80;
constexpr int StartupMasterVolume = 7;
constexpr int LargestAmplitude = 15 * 7 * 2;  // volume x master volume x 2
// How far the center level moves per master-volume step when no channel
// is sounding.
constexpr int SilentVolumeStep = 30;

// The latest time within a frame: the longest frame (four video frames)
// plus one sequencer period.
constexpr int LatestTime = 4 * 70224 + FrameSequencerPeriod;

// What a read adds to the stored value of each register up to 0xFF2F: the
// bits that cannot be read (write-only or unused) read 1. The status
// register's channel bits and power bit are added by the read itself.
constexpr uint8_t ReadMask[WavePattern - SoundFirstRegister] = {
    0x80, 0x3F, 0x00, 0xFF, 0xBF,  // square 1
    0xFF, 0x3F, 0x00, 0xFF, 0xBF,  // square 2 (no register 0)
    0x7F, 0xFF, 0x9F, 0xFF, 0xBF,  // wave
    0xFF, 0xFF, 0x00, 0x00, 0xBF,  // noise (no register 0)
    0x00, 0x00, 0x70,              // master volume, routing, status
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // nothing there
};

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
  next_frame_time = FrameSequencerPeriod;
  sequencer_step = 0;
  last_time = 0;
  powered = false;
  stereo_found = false;
  square1.reset();
  square2.reset();
  wave.reset();
  noise.reset();
  for (uint8_t& r : regs) r = 0;
  // The output's level 0 stands for silence at the master volume that the
  // console's start-up writes, so that write moves nothing (no click at the
  // start of every run); the register itself reads 0 until written.
  for (SoundChannel* channel : channels) channel->global_volume = StartupMasterVolume;
}

// The sequencer's next step lies within a period of where the chip stands.
// The wave channel plays the pattern from its registers, unpacked again on
// a load.
template <class State>
void SoundChip::walk(State& s) {
  s.number(next_frame_time, 0, LatestTime);
  s.number(sequencer_step, 0, FrameSequencerSteps - 1);
  s.number(last_time, 0, LatestTime);
  s.require(next_frame_time >= last_time && next_frame_time <= last_time + FrameSequencerPeriod);
  s.flag(powered);
  s.flag(stereo_found);
  s.bytes(regs, sizeof regs);
  square1.walk(s);
  square2.walk(s);
  wave.walk(s);
  noise.walk(s);
  if constexpr (State::Loading) {
    for (int byte = 0; byte < WaveSamples / 2; byte++) {
      const uint8_t data = regs[WavePattern - SoundFirstRegister + byte];
      wave.samples[2 * byte] = static_cast<uint8_t>(data >> 4);
      wave.samples[2 * byte + 1] = static_cast<uint8_t>(data & 0x0F);
    }
  }
}

template void SoundChip::walk(StateWriter& s);
template void SoundChip::walk(StateReader& s);

// The channels run up to each sequencer step that can change what they
// play; the other steps only move counters, and the channels' runs go on
// past them in one piece (a run cut in two adds exactly what one run adds).
void SoundChip::run_until(int end_time) {
  if (end_time <= last_time) return;
  for (;;) {
    if (next_frame_time < end_time && !(powered && step_is_heard())) {
      next_frame_time += FrameSequencerPeriod;
      if (powered) step_sequencer();
      continue;
    }
    const int t = next_frame_time < end_time ? next_frame_time : end_time;
    for (SoundChannel* channel : channels) {
      if (!channel->output) continue;
      if (channel->output != channel->outputs[3]) stereo_found = true;
      channel->run(last_time, t);
    }
    if (!wave.output) wave.advance_unheard(last_time, t);  // its position shows through the pattern
    last_time = t;
    if (t == end_time) return;
    next_frame_time += FrameSequencerPeriod;
    if (powered) step_sequencer();
  }
}

// A square or the noise channel is at its volume in the waveform's high
// part (the duty's first steps; the shift register's low bit at 0), at 0 in
// the low part; the wave channel gives its sample, shifted by its level.
int SoundChip::output_level(int time, int index) {
  run_until(time);
  switch (index) {
    case 0: case 1: {
      const SquareChannel& square = index == 0 ? square1 : square2;
      return square.enabled && square.phase < square.duty ? square.volume : 0;
    }
    case 2:
      return wave.enabled && wave.volume ? wave.samples[wave.wave_pos] >> wave.volume_shift : 0;
    default:
      return noise.enabled && !(noise.lfsr & 1) ? noise.volume : 0;
  }
}

void SoundChip::counter_cleared(int time, bool bit_was_set) {
  run_until(time);
  if (bit_was_set && powered) step_sequencer();
  next_frame_time = time + FrameSequencerPeriod;
}

// Whether the next step can change a channel's level or pitch: a length
// that runs out, a sweep or an envelope whose timer runs out.
bool SoundChip::step_is_heard() const {
  const int step = sequencer_step;
  if ((step & 1) == 0) {
    for (const SoundChannel* channel : channels) {
      if (channel->length_enabled && channel->length == 1) return true;
    }
  }
  if ((step == 2 || step == 6) && square1.sweep_timer <= 1) return true;
  return step == 7 && (square1.env_timer <= 1 || square2.env_timer <= 1 || noise.env_timer <= 1);
}

// Eight steps at 512 Hz: lengths on the even steps, the sweep on 2 and 6,
// the envelopes on 7.
void SoundChip::step_sequencer() {
  const int step = sequencer_step;
  sequencer_step = (step + 1) & (FrameSequencerSteps - 1);
  if ((step & 1) == 0) {
    for (SoundChannel* channel : channels) channel->clock_length();
  }
  if (step == 2 || step == 6) square1.clock_sweep();
  if (step == 7) {
    square1.clock_envelope();
    square2.clock_envelope();
    noise.clock_envelope();
  }
  const bool lengths_next = (sequencer_step & 1) == 0;
  for (SoundChannel* channel : channels) channel->length_step_next = lengths_next;
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
  if (address >= WavePattern) {
    write_wave_pattern(address, data);
  } else if (address == Power) {
    write_power(time, data);
  } else if (powered && address <= Routing) {  // while off, the registers ignore writes
    regs[r] = static_cast<uint8_t>(data);
    if (address < MasterVolume) {
      channels[r / 5]->write(r % 5, data);
    } else if (address == MasterVolume) {
      write_master_volume(time, data);
    } else {
      write_routing(time);
    }
  }
}

int SoundChip::read_register(int time, int address) {
  const unsigned r = static_cast<unsigned>(address - SoundFirstRegister);
  if (r >= SoundRegisterCount) return 0xFF;  // not a sound register
  if (address < Power) return regs[r] | ReadMask[r];  // nothing in them changes with time
  if (address > Power && address < WavePattern) return 0xFF;
  run_until(time);
  if (address >= WavePattern) {
    const int byte = wave.enabled ? wave.current_byte() : address - WavePattern;
    return regs[WavePattern - SoundFirstRegister + byte];
  }
  int value = ReadMask[r] | (powered ? PowerBit : 0);
  for (int i = 0; i < SoundChannelCount; i++) {
    if (channels[i]->playing()) value |= 1 << i;
  }
  return value;
}

// The pattern is reachable with the sound on or off. While the wave channel
// plays, a write lands in the byte it reads now.
void SoundChip::write_wave_pattern(int address, int data) {
  const int byte = wave.enabled ? wave.current_byte() : address - WavePattern;
  regs[WavePattern - SoundFirstRegister + byte] = static_cast<uint8_t>(data);
  wave.samples[2 * byte] = static_cast<uint8_t>((data >> 4) & 0xF);
  wave.samples[2 * byte + 1] = static_cast<uint8_t>(data & 0x0F);
}

// Power off clears every register up to the routing (the lengths too) and
// turns every channel off; the wave pattern stays. Power on makes the frame
// sequencer's next step its step 0; the steps keep their times.
void SoundChip::write_power(int time, int data) {
  const bool on = data & PowerBit;
  if (on == powered) return;
  powered = on;
  regs[Power - SoundFirstRegister] = static_cast<uint8_t>(on ? PowerBit : 0);
  if (on) {
    sequencer_step = 0;
    for (SoundChannel* channel : channels) channel->length_step_next = true;
    return;
  }
  for (int r = 0; r < Power - SoundFirstRegister; r++) regs[r] = 0;
  square1.clear_registers();
  square2.clear_registers();
  wave.clear_registers();
  noise.clear_registers();
  write_master_volume(time, 0);
  write_routing(time);
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

// Power off routes every channel nowhere; a channel that changes buffers
// leaves its old one at zero and enters the new one from zero.
void SoundChip::write_routing(int time) {
  const int bits = powered ? regs[Routing - SoundFirstRegister] : 0;
  for (int i = 0; i < SoundChannelCount; i++) {
    SoundChannel* channel = channels[i];
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
