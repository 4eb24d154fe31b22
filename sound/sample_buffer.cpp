#include "sound/sample_buffer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "machine/state.h"

namespace {

void FillSilence(uint16_t* entries, long count) {
  for (long i = 0; i < count; i++) entries[i] = SampleBias;
}

}  // namespace

SampleBuffer::~SampleBuffer() { std::free(samples); }

const char* SampleBuffer::set_sample_rate(long rate, int length_ms_wanted) {
  if (rate <= 0) return "Bad sample rate";  // nothing could be played, and the length would divide by it
  long new_size = MaxBufferSamples;
  if (length_ms_wanted != 0) {
    new_size = (rate * (length_ms_wanted + 1) + 999) / 1000;
    if (new_size > MaxBufferSamples) new_size = MaxBufferSamples;
  }
  if (new_size != size) {
    std::free(samples);
    samples = nullptr;
    size = 0;
    offset = 0;
    const long entries = new_size + BufferExtraEntries;
    void* memory = new_size >= 0 ? std::malloc(static_cast<size_t>(entries) * sizeof(uint16_t)) : nullptr;
    if (!memory) return "Out of memory";
    samples = static_cast<uint16_t*>(memory);
    // clear() fills all but the last two entries; keep those defined too.
    FillSilence(samples, entries);
  }
  size = new_size;
  sample_rate = rate;
  length_ms = size * 1000 / rate - 1;
  if (clock_rate != 0) factor = clock_rate_factor(clock_rate);
  set_bass_frequency(bass_freq);
  clear();
  return nullptr;
}

uint32_t SampleBuffer::clock_rate_factor(long rate) const {
  const double ratio = static_cast<double>(sample_rate) / static_cast<double>(rate);
  return static_cast<uint32_t>(std::floor(ratio * 65536.0 + 0.5));
}

void SampleBuffer::set_clock_rate(long rate) {
  clock_rate = rate;
  factor = clock_rate_factor(rate);
}

void SampleBuffer::set_bass_frequency(int freq) {
  bass_freq = freq;
  if (freq == 0) {
    bass_shift = 31;  // no high-pass at all
    return;
  }
  // log2 through the natural logarithm; the shift gives a corner near freq.
  int shift = static_cast<int>(std::floor(std::log(0.124 * sample_rate / freq) * 1.442695041)) + 1;
  if (shift < 0) shift = 0;
  if (shift > 24) shift = 24;
  bass_shift = shift;
}

void SampleBuffer::clear() {
  offset = 0;
  reader_accum = 0;
  if (samples) FillSilence(samples, size + KernelTailEntries);
}

// Past the finished samples only the kernel tails of the latest changes
// can differ from silence: the entries remove_samples moves along.
long SampleBuffer::entries_in_use() const {
  if (!samples) return 0;
  const long in_use = static_cast<long>(offset >> 16) + KernelTailEntries + 1;
  return in_use < size + BufferExtraEntries ? in_use : size + BufferExtraEntries;
}

long SampleBuffer::entries_saved() const {
  long used = entries_in_use();
  while (used > 0 && samples[used - 1] == SampleBias) used--;
  return used;
}

// A frame adds about 740 samples and the hand-off takes them once 1024 are
// ready; a position beyond half the buffer cannot come from a run, and
// would let the next frames write past its end. Entries past the saved ones
// are silence.
template <class State>
void SampleBuffer::walk(State& s) {
  const long was_in_use = entries_in_use();
  int32_t rate = static_cast<int32_t>(sample_rate);
  s.i32(rate);
  s.require(rate == sample_rate);
  s.u32(offset);
  s.i32(reader_accum);
  s.require(!samples || (offset >> 16) <= static_cast<uint32_t>(size / 2));
  int32_t used = static_cast<int32_t>(entries_saved());
  s.number(used, 0, static_cast<int32_t>(entries_in_use()));
  if (used > 0) s.u16s(samples, static_cast<size_t>(used));
  if constexpr (State::Loading) {
    if (was_in_use > used) FillSilence(samples + used, was_in_use - used);
  }
}

template void SampleBuffer::walk(StateWriter& s);
template void SampleBuffer::walk(StateReader& s);

void SampleBuffer::remove_samples(long count) {
  if (count == 0) return;
  offset -= static_cast<uint32_t>(count) << 16;
  const long remain = static_cast<long>(offset >> 16) + KernelTailEntries + 1;
  std::memmove(samples, samples + count, static_cast<size_t>(remain) * sizeof(uint16_t));
  FillSilence(samples + remain, count);
}
