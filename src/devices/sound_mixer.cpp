// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/sound_mixer.h"

#include <algorithm>
#include <cmath>

namespace tirvane {

SoundMixer FrameSound;

float SoundMixer::Taps[KernelPhases][KernelWidth];

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
  deltas_.assign(OutputRate / framesPerSecond_ + 1 + KernelWidth, 0.0f);
  level_ = lastIn_ = lastOut_ = 0;
  pending_.clear();
  StartFrame();
}

void SoundMixer::StartFrame() {
  timePerCycle_ = (static_cast<uint64_t>(frameSamples_) << 32) / frameCycles_;
}

void SoundMixer::EndFrame() {
  if (!enabled_) return;
  const size_t first = pending_.size();
  pending_.resize(first + frameSamples_);
  int16_t* out = pending_.data() + first;
  float level = level_, lastIn = lastIn_, lastOut = lastOut_;
  for (uint32_t i = 0; i < frameSamples_; ++i) {
    level += deltas_[i];
    const float y = level - lastIn + DcPole * lastOut;
    lastIn = level;
    lastOut = y;
    out[i] = static_cast<int16_t>(std::lrint(std::clamp(y * OutputScale, -32768.0f, 32767.0f)));
  }
  level_ = level, lastIn_ = lastIn, lastOut_ = lastOut;
  // The tail moves to the start; the next frame's length absorbs the fraction of a sample.
  const uint32_t done = frameSamples_;
  std::copy(deltas_.begin() + done, deltas_.begin() + done + KernelWidth, deltas_.begin());
  std::fill(deltas_.begin() + KernelWidth, deltas_.end(), 0.0f);
  sampleRemainder_ += static_cast<uint32_t>(OutputRate % framesPerSecond_);
  frameSamples_ = static_cast<uint32_t>(OutputRate / framesPerSecond_);
  if (sampleRemainder_ >= static_cast<uint32_t>(framesPerSecond_)) {
    sampleRemainder_ -= static_cast<uint32_t>(framesPerSecond_);
    ++frameSamples_;
  }
  StartFrame();
}

}  // namespace tirvane
