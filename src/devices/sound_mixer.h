// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's sound: every source hands over the changes of its output level at the times they
// happen, and each change becomes a band-limited step in one 48 kHz mono signal. A level switched
// at 3.5 MHz (a beeper) or a square wave far above 24 kHz therefore folds no alias back into the
// audible band, and no source needs its own resampler.
#pragma once

#include <cstdint>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tirvane {

class SoundMixer {
 public:
  static constexpr int OutputRate = 48000;
  // Times are in 1/TimeUnit of an output sample from the start of the frame.
  static constexpr uint32_t TimeUnit = 1u << 16;
  // Levels are integers, so a device's state holds no floating point; one source at full volume.
  static constexpr int32_t FullScale = 1 << 15;
  static constexpr int KernelWidth = 16;
  static constexpr int KernelPhases = 64;

  // Ready for steps before any Configure: a device written before the run configures the mixer
  // must not reach outside its buffer.
  SoundMixer() { Reset(); }

  // Frames run at framesPerSecond, each lasting frameCycles T-states of the processor.
  void Configure(int framesPerSecond, uint32_t frameCycles);
  // Back to silence, with no samples pending.
  void Reset();
  // Off: sources skip their sound and frames yield no samples (for measuring what sound costs).
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }

  uint32_t FrameCycles() const { return frameCycles_; }
  // Output samples of the frame in progress (whole; the fraction is carried to the next frame).
  uint32_t FrameSamples() const { return frameSamples_; }
  // The time of a T-state of the frame in progress, in 1/TimeUnit of an output sample.
  uint32_t TimeOfCycle(uint32_t cycle) const {
    return static_cast<uint32_t>((static_cast<uint64_t>(cycle) * timePerCycle_) >> 16);
  }

  // A windowed sinc per sub-sample phase, each phase summing to 1: its running sum is a step of the
  // delta's size.
  static float Taps[KernelPhases][KernelWidth];
  // The same kernels moved 0-3 samples into a span of whole four-sample groups, so a step reads and
  // writes the buffer only in aligned groups. Steps a sample or two apart (a fast noise) then
  // overlap in whole groups, which the processor forwards from store to load, not in part, which
  // would wait for each store to complete.
  static constexpr int AlignedWidth = KernelWidth + 4;
  alignas(16) static float AlignedTaps[4][KernelPhases][AlignedWidth];

  // A source's level changes by delta at the given time of the frame in progress.
  void AddStep(uint32_t time, int32_t delta) {
    if (!enabled_ || delta == 0) return;
    const uint32_t whole = time >> 16;
    // A step late in the frame (a write in the last instruction's overshoot) lands at the frame's end.
    const uint32_t start = whole < frameSamples_ ? whole : frameSamples_;
    const float* taps = AlignedTaps[start & 3][(time & (TimeUnit - 1)) >> 10];
    float* out = deltas_.data() + (start & ~3u);
    const auto d = static_cast<float>(delta);
#if defined(__SSE2__)
    // Four taps an instruction: the compiler cannot prove the buffer and the taps apart.
    const __m128 d4 = _mm_set1_ps(d);
    for (int k = 0; k < AlignedWidth; k += 4)
      _mm_storeu_ps(out + k, _mm_add_ps(_mm_loadu_ps(out + k), _mm_mul_ps(d4, _mm_load_ps(taps + k))));
#else
    for (int k = 0; k < AlignedWidth; ++k) out[k] += d * taps[k];
#endif
    stepped_ = true;
  }

  // Closes the frame: its samples join the pending ones, and the next frame begins.
  void EndFrame();
  // The samples made since the last call, oldest first; the caller empties the vector.
  std::vector<int16_t>& Pending() { return pending_; }

 private:
  void StartFrame();
  void NextFrame();

  int framesPerSecond_ = 60;
  uint32_t frameCycles_ = 50000;
  uint32_t frameSamples_ = 800;
  uint64_t timePerCycle_ = 0;     // output samples per T-state, 32 fraction bits
  uint32_t sampleRemainder_ = 0;  // of OutputRate / framesPerSecond, carried between frames
  // Differences of the output; a step spreads over KernelWidth of them, so the frame's tail reaches
  // into the next frame. The allocator puts it on a 16-byte boundary, so the groups are aligned.
  std::vector<float> deltas_;
  float output_ = 0;  // the DC blocker's last output
  // A step reached the frame's deltas; without one, and with the output settled at 0, the frame is
  // silence and needs no filtering.
  bool stepped_ = false;
  std::vector<int16_t> pending_;
  bool enabled_ = true;
};

// The one mixer the boards' sound devices render into; the run configures it at every Start.
extern SoundMixer FrameSound;

}  // namespace tirvane
