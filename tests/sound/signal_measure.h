// Measuring sound the way an ear would: pitch from the zero crossings, level
// from the peaks. Shared by the unit tests and the end-to-end tests.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

// The largest magnitude of one channel (0 left, 1 right) of interleaved
// values, from pair first to pair end (end -1: to the last pair).
inline int PeakLevel(const std::vector<int16_t>& values, int channel, size_t first = 0, long end = -1) {
  const size_t pairs = end < 0 ? values.size() / 2 : static_cast<size_t>(end);
  int peak = 0;
  for (size_t i = first; i < pairs; i++) peak = std::max(peak, std::abs(static_cast<int>(values[2 * i + channel])));
  return peak;
}

inline double RmsLevel(const std::vector<int16_t>& values, int channel, size_t first = 0) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = first; i < values.size() / 2; i++, n++) sum += double(values[2 * i + channel]) * values[2 * i + channel];
  return n ? std::sqrt(sum / n) : 0;
}

// Frequency in Hz of a periodic signal: rising passes through the middle
// (with a hysteresis of a quarter of the peak, so ripple near zero is not
// counted), averaged from the first to the last one. 0 if fewer than two.
inline double MeasurePitch(const std::vector<int16_t>& values, int channel, double pairs_per_second,
                           size_t first = 0) {
  const int peak = PeakLevel(values, channel, first);
  if (peak == 0) return 0;
  const int threshold = peak / 4;
  bool low = false;
  long first_rise = -1, last_rise = -1, rises = 0;
  for (size_t i = first; i < values.size() / 2; i++) {
    const int v = values[2 * i + channel];
    if (v < -threshold) {
      low = true;
    } else if (low && v > threshold) {
      low = false;
      if (first_rise < 0) first_rise = static_cast<long>(i);
      last_rise = static_cast<long>(i);
      rises++;
    }
  }
  if (rises < 2) return 0;
  return (rises - 1) * pairs_per_second / double(last_rise - first_rise);
}

// Output pairs per second of emulated time: 16.16 pairs per clock x clocks.
inline double PairsPerEmulatedSecond(uint32_t factor) { return 4194304.0 * factor / 65536.0; }
