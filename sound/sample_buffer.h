// One channel of band-limited output samples, kept as a difference signal.
//
// The synths add step kernels into the entries; reading integrates them back
// into a level (see StereoMixBuffer). Each entry is an unsigned 16-bit value
// biased by SampleBias, which stands for zero, so that kernels can add and
// subtract in both directions. Entries 2i and 2i+1 form one little-endian
// 32-bit word and a kernel updates a whole word with one addition.
#pragma once
#include <cstdint>

class StateWriter;
class StateReader;

constexpr uint16_t SampleBias = 0x7F7F;      // 32639, the entry value of silence
constexpr long MaxBufferSamples = 65448;     // largest capacity of a buffer
constexpr int BufferExtraEntries = 26;       // room for kernel tails past the end
constexpr int KernelTailEntries = 24;        // entries past the finished ones that hold tails

class SampleBuffer {
 public:
  SampleBuffer() = default;
  ~SampleBuffer();
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;

  // Sets the output rate and the capacity (length_ms 0: the largest one).
  // Returns null, or "Out of memory" with the buffer left empty.
  const char* set_sample_rate(long rate, int length_ms);
  void set_clock_rate(long rate);
  // Output samples per input clock in 16.16 fixed point.
  uint32_t clock_rate_factor(long rate) const;
  // Corner of the reader's high-pass; 0 turns it off.
  void set_bass_frequency(int freq);
  void clear();
  // Moves the frame's time 0 to the end of a frame of that many clocks.
  void end_frame(int time) { offset += static_cast<uint32_t>(time) * factor; }
  // Drops count finished samples from the front; the tails move along.
  void remove_samples(long count);

  // The buffer's part of a machine state: its position, the reader's level
  // and every entry up to the last one that is not silence (the finished
  // samples not yet read and the kernel tails after them). The rate must
  // be the one the buffer has now.
  template <class State>
  void walk(State& s);
  // The entries that may differ from silence: the finished samples and the
  // tails after them.
  long entries_in_use() const;
  // The entries a state holds: those in use up to the last that is not
  // silence.
  long entries_saved() const;

  // The 16.16 buffer position of a time (in clocks) within the current frame.
  uint32_t resampled_time(int time) const { return static_cast<uint32_t>(time) * factor + offset; }
  // Finished samples that can be read: none while the buffer has no memory,
  // and never more than it holds.
  long samples_ready() const {
    const long ready = static_cast<long>(offset >> 16);
    return samples ? (ready < size ? ready : size) : 0;
  }

  uint32_t factor = 0xFFFFFFFFu;
  uint32_t offset = 0;
  uint16_t* samples = nullptr;
  long size = 0;
  int32_t reader_accum = 0;
  int bass_shift = 0;
  long sample_rate = 44100;
  long clock_rate = 0;
  int bass_freq = 16;
  long length_ms = 0;
};
