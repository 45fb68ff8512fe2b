// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/sound_mixer.h"

#include <gtest/gtest.h>

#include <vector>

#include "signal.h"

namespace tirvane::testing {
namespace {

// A square wave of the given frequency as steps at exact times, over the given frames.
std::vector<int16_t> SquareWave(double frequency, int frames) {
  SoundMixer mixer;
  mixer.Configure(50, 70000);
  double next = 0;
  int32_t level = 0;
  const double half = SampleRate / frequency / 2;
  for (int f = 0; f < frames; ++f) {
    for (; next < mixer.FrameSamples(); next += half) {
      const int32_t target = level == 0 ? SoundMixer::FullScale : 0;
      mixer.AddStep(static_cast<uint32_t>(next * SoundMixer::TimeUnit), target - level);
      level = target;
    }
    next -= mixer.FrameSamples();
    mixer.EndFrame();
  }
  return mixer.Pending();
}

TEST(SoundMixer, SquareWaveKeepsItsPitchAcrossFrames) {
  for (double frequency : {110.0, 1046.5, 4186.0}) {
    const auto s = SquareWave(frequency, 20);
    EXPECT_NEAR(MeasurePitch(std::span(s).subspan(4800)), frequency, frequency * 0.001) << frequency;
  }
}

// Sampled without band-limiting, the third harmonic of 17 kHz (51 kHz) would fold back to 3 kHz at
// a third of the fundamental's amplitude.
TEST(SoundMixer, HighToneFoldsNoAliasIntoTheAudibleBand) {
  const auto s = SquareWave(17000, 25);
  const auto tail = std::span(s).subspan(9600);
  const double fundamental = Magnitude(tail, 17000);
  EXPECT_GT(fundamental, 1000);
  EXPECT_LT(Magnitude(tail, 3000), fundamental / 100);
}

TEST(SoundMixer, FramesYieldTheirSamplesAndAHeldLevelFadesToSilence) {
  SoundMixer mixer;
  mixer.Configure(60, 50000);
  mixer.AddStep(mixer.TimeOfCycle(25000), SoundMixer::FullScale);  // halfway through the first frame
  for (int f = 0; f < 60; ++f) mixer.EndFrame();
  const auto& s = mixer.Pending();
  ASSERT_EQ(s.size(), 48000u);
  EXPECT_EQ(s[390], 0);  // before the step
  EXPECT_GT(s[420], 5000);
  EXPECT_EQ(Rms(std::span(s).last(4800)), 0);
}

}  // namespace
}  // namespace tirvane::testing
