#include "sound/step_synth.h"

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int FinePoints = 32;         // kernel points per output sample
constexpr double HarmonicCount = 4096;  // the closed-form sum runs over this many harmonics
constexpr int KernelBias = 16384;      // unscaled blocks are stored around this value
// The kernel before it is built into a table: the most fine points it has.
constexpr int MaxHalfKernel = (StepSynth::MaxWidth - 2) * 16;

// Used when the volume is set before any treble was: a gentle roll-off.
constexpr TrebleEq DefaultTreble{-8.87, 8800, 44100};

}  // namespace

StepSynth::StepSynth(int width_taps, int phase_count) : width(width_taps), phases(phase_count) {
  if (width < 2) width = 2;
  if (width > MaxWidth) width = MaxWidth;
  width &= ~1;
  if (phases < 2) phases = 2;
  if (phases > MaxPhases) phases = MaxPhases;
  phases &= ~1;
}

// Builds the unscaled kernel blocks: a band-limited impulse with the treble
// roll-off, given in closed form as a sum of HarmonicCount cosines, sampled at
// 32 fine points per output sample; each tap is that impulse summed over one
// sample (a step integrated over the sample), for phases/2 + 1 sub-sample
// offsets. The other half of the phases are mirror images (scale_table).
void StepSynth::set_treble_eq(const TrebleEq& new_eq) {
  if (!needs_eq && new_eq == eq) return;
  needs_eq = false;
  eq = new_eq;

  const int w = width, r = phases;
  const double eq_rate = eq.eq_rate > 0 ? eq.eq_rate : 44100;
  double rolloff = std::pow(10.0, eq.treble_db * 0.05);
  if (rolloff < 5e-6) rolloff = 5e-6;
  const double q = 44100.0 / eq_rate;
  double cut = 2.0 * eq.cutoff_hz / eq_rate;
  if (q * 0.95 <= cut || cut >= 0.95) {
    cut = 0.5;
    rolloff = 1.0;
  }

  const double M = HarmonicCount;
  const double n = cut * M;
  const double b = std::pow(rolloff, 1.0 / (M * q - n));
  const double pn = std::pow(b, n);
  const double s = 1.0 / pn;
  const double P = std::pow(b, M) * s;
  const double X = pn * s;

  const int half = (w - 2) * 16;
  float v[MaxHalfKernel];
  double sum = 0;
  for (int j = 0; j < half; j++) {
    const double theta = (2 * j + 1) * Pi * 3.814697265625e-06;
    const double c = std::cos(theta);
    const double d = 2 - 2 * c;
    const double e = 1 - 2 * b * c + b * b;
    double value = ((1 - c - std::cos(n * theta) + std::cos((n - 1) * theta)) * e +
                    d * (b * P * std::cos((M - 1) * theta) - P * std::cos(M * theta) -
                         b * X * std::cos((n - 1) * theta) + X * std::cos(n * theta))) /
                   (e * d);
    if (w > 12) {
      const double window = std::cos(M * theta * 0.03333333333333333);
      value *= window * window;
    }
    v[j] = static_cast<float>(value);
    sum += value;
  }

  // The kernel is symmetric about -0.5: point m < 0 is point -m-1.
  auto K = [&](int m) -> float {
    if (m >= 0) return m < half ? v[m] : 0.0f;
    const int mirrored = -m - 1;
    return mirrored < half ? v[mirrored] : 0.0f;
  };

  const int step = FinePoints / r;
  const int o0 = r > 1 ? 32 : 16;
  for (int p = 0; p <= r / 2; p++) {
    const int o = o0 - p * step;
    for (int k = -w / 2; k < w / 2; k++) {
      const int top = FinePoints * k + o + 31;
      long double box = 0;
      for (int i = 0; i < FinePoints; i++) box += K(top - i);
      const long double scaled = box * KernelBias / sum + (KernelBias + 0.5L);
      scratch[p * w + k + w / 2] = static_cast<uint16_t>(static_cast<long>(std::floor(scaled)));
    }
  }

  if (volume_unit >= 0) {
    const double unit = volume_unit;
    volume_unit = -1.0;
    set_volume_unit(unit);
  }
}

void StepSynth::set_volume_unit(double unit) {
  if (unit == volume_unit) return;
  if (needs_eq) set_treble_eq(DefaultTreble);
  volume_unit = unit;
  const long u = static_cast<long>(std::floor(unit * 65536.0 + 0.5));
  kernel_offset = static_cast<uint32_t>(u) * 65537u;
  scale_table(static_cast<uint16_t>(u));
}

// Scales the blocks to the volume unit, fills in the mirrored phases and the
// odd-position rows. Every row ends up summing to (width + 1) x u: width
// entries of bias u plus a step of height u.
void StepSynth::scale_table(uint16_t u16) {
  const int w = width, r = phases;
  const int64_t u = u16;
  for (int b = 0; b <= r / 2; b++) {
    int64_t err = u;
    for (int j = 0; j < w; j++) {
      const int64_t raw = static_cast<int64_t>(scratch[b * w + j]) * u + (u + 1) * KernelBias;
      table[b * w + j] = static_cast<uint16_t>(raw >> 15);
      err += u - table[b * w + j];
    }
    // Rounding leaves the block a little off; the centre tap takes the rest.
    table[b * w + w / 2 - 1] = static_cast<uint16_t>(table[b * w + w / 2 - 1] + err);
  }

  const int c = (r / 2 + 1) * w;
  const int n = (r / 2 - 1) * w - 1;
  if (r > 2) {
    // Blocks r/2+1 .. r-1 are blocks r/2-1 .. 1 backwards, one entry later.
    for (int m = 0; m < n; m++) table[c + m] = table[c - w - 2 - m];
    table[c + n] = u16;
    table[c + n + 1] = u16;
  } else {
    table[c + n] = u16;
  }

  // Odd sample positions: the same rows, one entry (one sample) later.
  for (int k = r * w - 1; k >= 1; k--) table[r * w + k] = table[k - 1];
  table[r * w] = u16;
}
