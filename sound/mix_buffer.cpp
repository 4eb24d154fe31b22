#include "sound/mix_buffer.h"

#include "memory/machine_state.h"

namespace {

// The reader's integrator holds the level x 32768.
constexpr int AccumShift = 15;

// Clamps to 16 bits: too high gives 32767, too low -32768.
inline int16_t Clamp16(int32_t v) {
  if (static_cast<int16_t>(v) != v) v = 0x7FFF - (v >> 24);
  return static_cast<int16_t>(v);
}

// One step of the reader: the accumulator leaks toward 0 (the high-pass) and
// takes the next difference entry. Done in unsigned arithmetic so that an
// extreme level wraps instead of being undefined.
inline int32_t Integrate(int32_t accum, int shift, uint16_t entry) {
  const uint32_t next = static_cast<uint32_t>(accum) - static_cast<uint32_t>(accum >> shift) +
                        static_cast<uint32_t>((static_cast<int32_t>(entry) - SampleBias) * 32768);
  return static_cast<int32_t>(next);
}

}  // namespace

StereoMixBuffer::StereoMixBuffer() : triple{&bufs[0], &bufs[1], &bufs[2]} { samples_per_frame = 2; }

BufferTriple StereoMixBuffer::channel_buffers(int) { return triple; }

const char* StereoMixBuffer::set_sample_rate(long rate, int ms) {
  for (SampleBuffer& buf : bufs) {
    if (const char* error = buf.set_sample_rate(rate, ms)) return error;
  }
  sample_rate = bufs[0].sample_rate;
  length_ms = bufs[0].length_ms;
  return nullptr;
}

void StereoMixBuffer::set_clock_rate(long rate) {
  for (SampleBuffer& buf : bufs) buf.set_clock_rate(rate);
}

void StereoMixBuffer::set_bass_frequency(int freq) {
  for (SampleBuffer& buf : bufs) buf.set_bass_frequency(freq);
}

void StereoMixBuffer::clear() {
  stereo_added = false;
  was_stereo = false;
  for (SampleBuffer& buf : bufs) buf.clear();
}

void StereoMixBuffer::end_frame(int time, bool stereo) {
  for (SampleBuffer& buf : bufs) buf.end_frame(time);
  stereo_added |= stereo;
}

long StereoMixBuffer::samples_available() const { return bufs[0].samples_ready() * 2; }

long StereoMixBuffer::read_samples(int16_t* out, long count) {
  long pairs = count >> 1;
  if (pairs > bufs[0].samples_ready()) pairs = bufs[0].samples_ready();
  if (pairs <= 0) return 0;

  if (stereo_added || was_stereo) {
    mix_stereo(out, pairs);
    for (SampleBuffer& buf : bufs) buf.remove_samples(pairs);
  } else {
    mix_mono(out, pairs);
    bufs[0].remove_samples(pairs);
    // Nothing was added to the sides; their positions follow the center.
    bufs[1].offset -= static_cast<uint32_t>(pairs) << 16;
    bufs[2].offset -= static_cast<uint32_t>(pairs) << 16;
  }
  // Once a stereo frame has been read out whole, the mix may go back to mono.
  if (bufs[0].offset < 0x10000) {
    was_stereo = stereo_added;
    stereo_added = false;
  }
  return pairs * 2;
}

void StereoMixBuffer::save(StateWriter& out) const {
  out.flag(stereo_added);
  out.flag(was_stereo);
  for (const SampleBuffer& buf : bufs) buf.save(out);
}

void StereoMixBuffer::load(StateReader& in) {
  stereo_added = in.flag();
  was_stereo = in.flag();
  for (SampleBuffer& buf : bufs) buf.load(in);
}

void StereoMixBuffer::mix_mono(int16_t* out, long pairs) {
  SampleBuffer& center = bufs[0];
  int32_t a = center.reader_accum;
  const int shift = center.bass_shift;
  const uint16_t* in = center.samples;
  for (long i = 0; i < pairs; i++) {
    const int16_t v = Clamp16(a >> AccumShift);
    out[2 * i] = v;
    out[2 * i + 1] = v;
    a = Integrate(a, shift, in[i]);
  }
  center.reader_accum = a;
}

void StereoMixBuffer::mix_stereo(int16_t* out, long pairs) {
  int32_t a = bufs[0].reader_accum, l = bufs[1].reader_accum, r = bufs[2].reader_accum;
  const int shift = bufs[0].bass_shift;
  const uint16_t* center = bufs[0].samples;
  const uint16_t* left = bufs[1].samples;
  const uint16_t* right = bufs[2].samples;
  for (long i = 0; i < pairs; i++) {
    const int32_t c = a >> AccumShift;
    out[2 * i] = Clamp16(c + (l >> AccumShift));
    out[2 * i + 1] = Clamp16(c + (r >> AccumShift));
    a = Integrate(a, shift, center[i]);
    l = Integrate(l, shift, left[i]);
    r = Integrate(r, shift, right[i]);
  }
  bufs[0].reader_accum = a;
  bufs[1].reader_accum = l;
  bufs[2].reader_accum = r;
}
