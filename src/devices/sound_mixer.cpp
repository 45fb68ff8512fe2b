// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/sound_mixer.h"

#include <algorithm>
#include <cmath>

namespace tirvane {

SoundMixer FrameSound;

namespace {

constexpr int Width = 16;
constexpr int PhaseCount = 64;

// A windowed sinc cut off at 20 kHz, sampled at PhaseCount sub-sample offsets, each phase scaled to
// sum to 1 so that a step of 1 settles at exactly 1.
struct StepKernel {
  std::array<std::array<float, Width>, PhaseCount + 1> Taps{};
  StepKernel() {
    constexpr double Pi = 3.14159265358979323846;
    constexpr double Cutoff = 20000.0 / SoundMixer::OutputRate;  // in cycles per sample
    for (int phase = 0; phase <= PhaseCount; ++phase) {
      double sum = 0;
      std::array<double, Width> taps{};
      for (int k = 0; k < Width; ++k) {
        const double x = k - (Width / 2 - 1) - static_cast<double>(phase) / PhaseCount;
        const double sinc = x == 0 ? 2 * Cutoff : std::sin(2 * Pi * Cutoff * x) / (Pi * x);
        const double w = (x + Width / 2.0) / Width;  // 0..1 across the kernel
        const double window = 0.42 - 0.5 * std::cos(2 * Pi * w) + 0.08 * std::cos(4 * Pi * w);
        taps[k] = sinc * window;
        sum += taps[k];
      }
      for (int k = 0; k < Width; ++k) Taps[phase][k] = static_cast<float>(taps[k] / sum);
    }
  }
};

const StepKernel Kernel;

// Sources add up to a few units at full scale; this keeps the loudest sum inside 16 bits.
constexpr float OutputScale = 12000.0f;
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
  sampleRemainder_ = static_cast<uint32_t>(OutputRate % framesPerSecond_);
  deltas_.assign(frameSamples_ + 2 * Width, 0.0f);
  level_ = lastIn_ = lastOut_ = 0;
  pending_.clear();
}

void SoundMixer::AddStep(uint64_t time, float delta) {
  if (!enabled_) return;
  const uint64_t whole = time / TimeUnit;
  const auto phase = static_cast<uint32_t>((time % TimeUnit) * PhaseCount / TimeUnit);
  // A step late in the frame (a write in the last instruction's overshoot) lands at the frame's end.
  const size_t start = std::min<uint64_t>(whole, frameSamples_);
  const auto& taps = Kernel.Taps[phase];
  float* out = deltas_.data() + start;
  for (int k = 0; k < Width; ++k) out[k] += delta * taps[k];
}

void SoundMixer::EndFrame() {
  if (!enabled_) return;
  const size_t first = pending_.size();
  pending_.resize(first + frameSamples_);
  for (uint32_t i = 0; i < frameSamples_; ++i) {
    level_ += deltas_[i];
    const float out = level_ - lastIn_ + DcPole * lastOut_;
    lastIn_ = level_;
    lastOut_ = out;
    const float scaled = std::clamp(out * OutputScale, -32768.0f, 32767.0f);
    pending_[first + i] = static_cast<int16_t>(std::lrint(scaled));
  }
  // The tail moves to the start; the next frame's length absorbs the fraction of a sample.
  const uint32_t done = frameSamples_;
  sampleRemainder_ += static_cast<uint32_t>(OutputRate % framesPerSecond_);
  frameSamples_ = static_cast<uint32_t>(OutputRate / framesPerSecond_);
  if (sampleRemainder_ >= static_cast<uint32_t>(framesPerSecond_)) {
    sampleRemainder_ -= static_cast<uint32_t>(framesPerSecond_);
    ++frameSamples_;
  }
  const size_t keep = deltas_.size() - done;
  std::copy(deltas_.begin() + done, deltas_.end(), deltas_.begin());
  deltas_.resize(frameSamples_ + 2 * Width);
  std::fill(deltas_.begin() + static_cast<std::ptrdiff_t>(keep), deltas_.end(), 0.0f);
}

}  // namespace tirvane
