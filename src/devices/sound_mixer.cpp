// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/sound_mixer.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tirvane {

SoundMixer FrameSound;

alignas(16) float SoundMixer::Taps[KernelPhases][KernelWidth];
alignas(16) float SoundMixer::AlignedTaps[4][KernelPhases][AlignedWidth];

namespace {

// A windowed sinc cut off at 20 kHz, sampled at each sub-sample phase and scaled to sum to 1 so
// that a step of 1 settles at exactly 1; in output units, so a step costs no scaling.
const bool TapsReady = [] {
  constexpr int Width = SoundMixer::KernelWidth;
  constexpr double Pi = 3.14159265358979323846;
  constexpr double Cutoff = 20000.0 / SoundMixer::OutputRate;  // in cycles per sample
  for (int phase = 0; phase < SoundMixer::KernelPhases; ++phase) {
    double sum = 0;
    double taps[Width];
    for (int k = 0; k < Width; ++k) {
      const double x = k - (Width / 2 - 1) - static_cast<double>(phase) / SoundMixer::KernelPhases;
      const double sinc = x == 0 ? 2 * Cutoff : std::sin(2 * Pi * Cutoff * x) / (Pi * x);
      const double w = (x + Width / 2.0) / Width;  // 0..1 across the kernel
      const double window = 0.42 - 0.5 * std::cos(2 * Pi * w) + 0.08 * std::cos(4 * Pi * w);
      taps[k] = sinc * window;
      sum += taps[k];
    }
    for (int k = 0; k < Width; ++k) SoundMixer::Taps[phase][k] = static_cast<float>(taps[k] / sum);
    for (int shift = 0; shift < 4; ++shift)
      for (int k = 0; k < Width; ++k) SoundMixer::AlignedTaps[shift][phase][k + shift] = SoundMixer::Taps[phase][k];
  }
  return true;
}();

// One source at full scale comes out at about a third of the 16-bit range, so a few together fit.
constexpr float OutputScale = 12000.0f / SoundMixer::FullScale;
// A one-pole DC blocker (about 20 Hz): a level held by a silent source decays to 0.
constexpr float DcPole = 0.9974f;

}  // namespace

void SoundMixer::Configure(int framesPerSecond, uint32_t frameCycles) {
  framesPerSecond_ = std::max(1, framesPerSecond);
  frameCycles_ = std::max<uint32_t>(1, frameCycles);
  Reset();
}

void SoundMixer::Reset() {
  frameSamples_ = static_cast<uint32_t>(OutputRate / framesPerSecond_);
  sampleRemainder_ = 0;
  deltas_.assign(OutputRate / framesPerSecond_ + 1 + AlignedWidth, 0.0f);
  output_ = 0;
  stepped_ = false;
  pending_.clear();
  StartFrame();
}

void SoundMixer::StartFrame() {
  timePerCycle_ = (static_cast<uint64_t>(frameSamples_) << 32) / frameCycles_;
}

void SoundMixer::EndFrame() {
  if (!enabled_) return;
  const uint32_t n = frameSamples_;
  const size_t first = pending_.size();
  pending_.resize(first + n);
  int16_t* out = pending_.data() + first;
  if (!stepped_ && output_ == 0) {
    NextFrame();
    return;  // the samples are already 0
  }
  const float* deltas = deltas_.data();
  // The running sum of the deltas is the signal; its difference is the deltas themselves, so the
  // DC blocker y[i] = x[i] - x[i-1] + p y[i-1] is a leaky running sum of the deltas.
  float y = output_;
  uint32_t i = 0;
#if defined(__SSE2__)
  // Four samples a step, the leak spread across the lanes in two shifted multiply-adds, so only one
  // multiply-add a step waits for the step before.
  constexpr float P = DcPole, P2 = P * P, P3 = P2 * P, P4 = P2 * P2;
  const __m128 p1 = _mm_set1_ps(P), p2 = _mm_set1_ps(P2), powers = _mm_setr_ps(P, P2, P3, P4);
  const __m128 scale = _mm_set1_ps(OutputScale);
  __m128 carry = _mm_set1_ps(y);
  for (; i + 4 <= n; i += 4) {
    __m128 x = _mm_loadu_ps(deltas + i);
    x = _mm_add_ps(x, _mm_mul_ps(p1, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(x), 4))));
    x = _mm_add_ps(x, _mm_mul_ps(p2, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(x), 8))));
    x = _mm_add_ps(x, _mm_mul_ps(powers, carry));
    carry = _mm_shuffle_ps(x, x, 0xFF);
    const __m128i whole = _mm_cvttps_epi32(_mm_mul_ps(x, scale));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(whole, whole));
  }
  y = _mm_cvtss_f32(carry);
#endif
  for (; i < n; ++i) {
    y = deltas[i] + DcPole * y;
    out[i] = static_cast<int16_t>(std::clamp(y * OutputScale, -32768.0f, 32767.0f));
  }
  // A decayed level ends at 0, never in the denormal range where each operation is slow.
  output_ = std::fabs(y) < 1.0f ? 0.0f : y;
  // The tail moves to the start.
  std::copy(deltas_.begin() + n, deltas_.begin() + n + KernelWidth, deltas_.begin());
  std::fill(deltas_.begin() + KernelWidth, deltas_.end(), 0.0f);
  stepped_ = std::any_of(deltas_.begin(), deltas_.begin() + KernelWidth, [](float d) { return d != 0.0f; });
  NextFrame();
}

// The next frame's length absorbs the fraction of a sample.
void SoundMixer::NextFrame() {
  sampleRemainder_ += static_cast<uint32_t>(OutputRate % framesPerSecond_);
  frameSamples_ = static_cast<uint32_t>(OutputRate / framesPerSecond_);
  if (sampleRemainder_ >= static_cast<uint32_t>(framesPerSecond_)) {
    sampleRemainder_ -= static_cast<uint32_t>(framesPerSecond_);
    ++frameSamples_;
  }
  StartFrame();
}

}  // namespace tirvane
