// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring captured sound: pitch from rising zero crossings, level, energy at one frequency.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

namespace tirvane::testing {

constexpr double SampleRate = 48000.0;

// Frequency from the rising zero crossings (interpolated between samples) over the whole span; a
// crossing counts only after the signal has been below -threshold and at least 10 samples after the
// last one, so the ringing of a band-limited edge is not taken for a period.
inline double MeasurePitch(std::span<const int16_t> s, int threshold = 200) {
  double first = -1, last = -1;
  int crossings = 0;
  bool armed = false;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] < -threshold) armed = true;
    if (armed && s[i - 1] < 0 && s[i] >= 0 && (last < 0 || static_cast<double>(i) - last > 10)) {
      const double t = (i - 1) + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]);
      if (first < 0) first = t;
      last = t;
      ++crossings;
      armed = false;
    }
  }
  return crossings < 2 ? 0 : (crossings - 1) * SampleRate / (last - first);
}

inline double Rms(std::span<const int16_t> s) {
  double sum = 0;
  for (int16_t v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / s.size());
}

// Amplitude of one frequency (Goertzel), in sample units.
inline double Magnitude(std::span<const int16_t> s, double frequency) {
  const double w = 2 * 3.14159265358979323846 * frequency / SampleRate;
  double re = 0, im = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    re += s[i] * std::cos(w * i);
    im -= s[i] * std::sin(w * i);
  }
  return 2 * std::hypot(re, im) / s.size();
}

}  // namespace tirvane::testing
