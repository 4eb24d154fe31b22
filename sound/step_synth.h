// Band-limited steps: adds, for each change of a channel's level, a
// pre-computed step kernel into a SampleBuffer at the change's sub-sample
// position.
//
// The kernel table holds 64 rows of width entries: rows 0-31 are the 32
// sub-sample phases of a step at an even sample position, rows 32-63 the same
// kernels delayed by one sample for odd positions, so that every row starts
// on a whole 32-bit word of the buffer. Every entry carries a bias of one
// volume unit u, which add_delta takes off again through kernel_offset.
#pragma once
#include <cstdint>
#include <cstring>

#include "sound/sample_buffer.h"

// The treble roll-off the kernel is built with.
struct TrebleEq {
  double treble_db = 0.0;  // gain at the top of the band, in dB (negative rolls off)
  int cutoff_hz = 0;       // where the roll-off starts
  int eq_rate = 44100;     // the rate the two figures above refer to

  bool operator==(const TrebleEq& other) const {
    return treble_db == other.treble_db && cutoff_hz == other.cutoff_hz && eq_rate == other.eq_rate;
  }
};

class StepSynth {
 public:
  static constexpr int MaxWidth = 16;
  static constexpr int MaxPhases = 32;

  // width: kernel taps (even, at most MaxWidth); phases: sub-sample steps
  // (even, 2..MaxPhases). The kernel is built on the first set_volume_unit.
  StepSynth(int width, int phases);

  void set_treble_eq(const TrebleEq& eq);
  void set_volume_unit(double unit);

  // Adds a step of height delta x unit at the 16.16 position pos. The
  // position's sample plus about 18 entries must lie inside the buffer.
  inline void add_delta(uint32_t pos, int delta, SampleBuffer* buffer) const;

  // Calls body with a StepKernel for this synth and the buffer: a channel
  // that adds many steps in a loop keeps the table, the bias and the
  // buffer's entries in locals instead of reading them again after every
  // step it writes.
  template <class Body>
  void with_kernel(SampleBuffer* buffer, Body&& body) const;

  uint16_t table[2 * MaxPhases * MaxWidth] = {};
  uint16_t scratch[(MaxPhases / 2 + 1) * MaxWidth] = {};
  TrebleEq eq;
  double volume_unit = -1.0;
  int width;
  int phases;
  int fine_bits = 0;
  bool needs_eq = true;
  uint32_t kernel_offset = 0;

 private:
  void scale_table(uint16_t u);
};

// A synth's rows and bias with the entries of one buffer. Width is the
// kernel's taps, or 0 for any width (the one given at run time).
//
// Kernels of every width end on the same entry, about 12 samples after the
// position: a kernel of width w starts 12 - w/2 entries after the position's
// word, that is (12 - w/2) / 2 words on.
template <int Width>
struct StepKernel {
  const uint16_t* table;
  uint32_t kernel_offset;
  uint16_t* samples;
  int width;

  void add(uint32_t pos, int delta) const {
    const int w = Width ? Width : width;
    const uint16_t* row = table + ((pos >> 11) & 63) * w;
    uint16_t* out = samples + 2 * ((pos >> 17) + (12 - w / 2) / 2);
    const uint32_t d = static_cast<uint32_t>(delta);
    const uint32_t bias = d * kernel_offset;
    for (int k = 0; k < w / 2; k++) {
      uint32_t word, kernel;
      std::memcpy(&word, out + 2 * k, 4);
      std::memcpy(&kernel, row + 2 * k, 4);
      word += d * kernel - bias;
      std::memcpy(out + 2 * k, &word, 4);
    }
  }
};

template <class Body>
void StepSynth::with_kernel(SampleBuffer* buffer, Body&& body) const {
  if (width == 12) body(StepKernel<12>{table, kernel_offset, buffer->samples, 12});
  else if (width == 8) body(StepKernel<8>{table, kernel_offset, buffer->samples, 8});
  else body(StepKernel<0>{table, kernel_offset, buffer->samples, width});
}

inline void StepSynth::add_delta(uint32_t pos, int delta, SampleBuffer* buffer) const {
  with_kernel(buffer, [&](const auto& kernel) { kernel.add(pos, delta); });
}
