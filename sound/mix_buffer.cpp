#include "sound/mix_buffer.h"

#include <cstring>

#include "machine/state.h"

namespace {

// The reader's integrator holds the level x 32768.
constexpr int AccumShift = 15;

// The reader works through the buffers in blocks of this many samples: the
// integrators, each a chain where every sample waits for the one before,
// run first on their own, then the clamping and the interleaving of the
// whole block, which has no such chain and goes several samples at a time.
constexpr long MixBlock = 256;

// Clamps to 16 bits: too high gives 32767, too low -32768.
inline int32_t Clamp16(int32_t v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

// One step of the reader: the accumulator leaks toward 0 (the high-pass) and
// takes the next difference entry. Done in unsigned arithmetic so that an
// extreme level wraps instead of being undefined.
inline uint32_t Integrate(uint32_t accum, int shift, uint16_t entry) {
  const uint32_t difference = (uint32_t{entry} << AccumShift) - (uint32_t{SampleBias} << AccumShift);
  return accum + difference - static_cast<uint32_t>(static_cast<int32_t>(accum) >> shift);
}

// A left and a right value as the two halves of one little-endian 32-bit
// word (the sample buffers count on that order too).
inline void StorePair(int16_t* out, int32_t left, int32_t right) {
  const uint32_t pair = (static_cast<uint32_t>(left) & 0xFFFF) | (static_cast<uint32_t>(right) << 16);
  std::memcpy(out, &pair, sizeof pair);
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

// The three buffers always stand at the same place: they take the same
// frames and give up the same samples (read_samples takes the count from
// the centre's and removes it from all three).
template <class State>
void StereoMixBuffer::walk(State& s) {
  s.flag(stereo_added);
  s.flag(was_stereo);
  for (SampleBuffer& buf : bufs) buf.walk(s);
  s.require(bufs[1].offset == bufs[0].offset && bufs[2].offset == bufs[0].offset);
}

template void StereoMixBuffer::walk(StateWriter& s);
template void StereoMixBuffer::walk(StateReader& s);

void StereoMixBuffer::mix_mono(int16_t* out, long pairs) {
  SampleBuffer& center = bufs[0];
  uint32_t a = static_cast<uint32_t>(center.reader_accum);
  const int shift = center.bass_shift;
  const uint16_t* in = center.samples;
  int32_t levels[MixBlock];
  for (long first = 0; first < pairs; first += MixBlock) {
    const long n = pairs - first < MixBlock ? pairs - first : MixBlock;
    for (long i = 0; i < n; i++) {
      levels[i] = static_cast<int32_t>(a) >> AccumShift;
      a = Integrate(a, shift, in[first + i]);
    }
    for (long i = 0; i < n; i++) {
      const int32_t v = Clamp16(levels[i]);
      StorePair(out + 2 * (first + i), v, v);
    }
  }
  center.reader_accum = static_cast<int32_t>(a);
}

void StereoMixBuffer::mix_stereo(int16_t* out, long pairs) {
  uint32_t a = static_cast<uint32_t>(bufs[0].reader_accum);
  uint32_t l = static_cast<uint32_t>(bufs[1].reader_accum);
  uint32_t r = static_cast<uint32_t>(bufs[2].reader_accum);
  const int shift = bufs[0].bass_shift;
  const uint16_t* center = bufs[0].samples;
  const uint16_t* left = bufs[1].samples;
  const uint16_t* right = bufs[2].samples;
  int32_t center_levels[MixBlock], left_levels[MixBlock], right_levels[MixBlock];
  for (long first = 0; first < pairs; first += MixBlock) {
    const long n = pairs - first < MixBlock ? pairs - first : MixBlock;
    for (long i = 0; i < n; i++) {
      center_levels[i] = static_cast<int32_t>(a) >> AccumShift;
      left_levels[i] = static_cast<int32_t>(l) >> AccumShift;
      right_levels[i] = static_cast<int32_t>(r) >> AccumShift;
      a = Integrate(a, shift, center[first + i]);
      l = Integrate(l, shift, left[first + i]);
      r = Integrate(r, shift, right[first + i]);
    }
    for (long i = 0; i < n; i++) {
      const int32_t c = center_levels[i];
      StorePair(out + 2 * (first + i), Clamp16(c + left_levels[i]), Clamp16(c + right_levels[i]));
    }
  }
  bufs[0].reader_accum = static_cast<int32_t>(a);
  bufs[1].reader_accum = static_cast<int32_t>(l);
  bufs[2].reader_accum = static_cast<int32_t>(r);
}
