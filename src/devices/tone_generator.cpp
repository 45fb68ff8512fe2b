// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/tone_generator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tirvane {

namespace {

// 2 dB a step; the last step is off.
const std::array<float, 16> VolumeTable = [] {
  std::array<float, 16> table{};
  for (int a = 0; a < 15; ++a) table[a] = static_cast<float>(std::pow(10.0, -0.1 * a));
  return table;
}();

}  // namespace

float ToneGenerator::Volume(uint8_t attenuation) { return VolumeTable[attenuation & 15]; }

void ToneGenerator::Reset(uint32_t inputClock) {
  *this = ToneGenerator{};
  InputClock = inputClock;
  std::fill(std::begin(Attenuation), std::end(Attenuation), uint8_t{15});
  std::fill(std::begin(Counter), std::end(Counter), uint16_t{1});
  Shift = NoiseSeed;
}

uint16_t ToneGenerator::NoisePeriod() const { return static_cast<uint16_t>(16 << std::min(NoiseControl & 3, 2)); }

void ToneGenerator::ShiftNoise() {
  const unsigned feedback = (NoiseControl & 4) ? ((Shift ^ (Shift >> 1)) & 1) : (Shift & 1);
  Shift = static_cast<uint16_t>((Shift >> 1) | (feedback << 14));
}

float ToneGenerator::CurrentLevel() const {
  float level = 0;
  for (int c = 0; c < ToneChannels; ++c)
    if (FlipFlop[c]) level += Volume(Attenuation[c]);
  if (Shift & 1) level += Volume(Attenuation[NoiseChannel]);
  return level;
}

void ToneGenerator::RunUntil(double time, SoundMixer& mixer) {
  if (InputClock == 0) return;  // never reset: no clock, no sound
  if (!mixer.Enabled()) {
    Time = std::max(Time, time);
    return;
  }
  const double tick = SoundMixer::OutputRate * 16.0 / InputClock;  // in output samples
  for (;;) {
    const uint16_t step = *std::min_element(std::begin(Counter), std::end(Counter));
    const double eventTime = Time + (step - 1) * tick;
    if (eventTime >= time) {
      const auto ticks = static_cast<uint16_t>(std::max(0.0, std::ceil((time - Time) / tick)));
      for (uint16_t& counter : Counter) counter = static_cast<uint16_t>(counter - ticks);
      Time += ticks * tick;
      return;
    }
    for (uint16_t& counter : Counter) counter = static_cast<uint16_t>(counter - step);
    Time += step * tick;
    for (int c = 0; c < ToneChannels; ++c) {
      if (Counter[c] != 0) continue;
      FlipFlop[c] ^= 1;
      Counter[c] = Divider[c] == 0 ? 1024 : Divider[c];
      // At rate 3 the noise shifts on the third tone's rising edge instead of its own counter.
      if (c == 2 && FlipFlop[c] && (NoiseControl & 3) == 3) ShiftNoise();
    }
    if (Counter[NoiseChannel] == 0) {
      FlipFlop[NoiseChannel] ^= 1;
      Counter[NoiseChannel] = NoisePeriod();
      if (FlipFlop[NoiseChannel] && (NoiseControl & 3) != 3) ShiftNoise();
    }
    const float level = CurrentLevel();
    if (level != Level) {
      mixer.AddStep(static_cast<uint64_t>(eventTime * SoundMixer::TimeUnit), level - Level);
      Level = level;
    }
  }
}

void ToneGenerator::Write(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
  const double time = static_cast<double>(mixer.TimeOfCycle(cycle)) / SoundMixer::TimeUnit;
  RunUntil(time, mixer);
  if (value & 0x80) Latched = (value >> 4) & 7;
  const int channel = Latched >> 1;
  if (Latched & 1) {
    Attenuation[channel] = value & 0x0F;
  } else if (channel == NoiseChannel) {
    NoiseControl = value & 7;
    Shift = NoiseSeed;
  } else if (value & 0x80) {
    Divider[channel] = static_cast<uint16_t>((Divider[channel] & 0x3F0) | (value & 0x0F));
  } else {
    Divider[channel] = static_cast<uint16_t>((Divider[channel] & 0x00F) | (value & 0x3F) << 4);
  }
  const float level = CurrentLevel();
  if (level != Level) {
    mixer.AddStep(static_cast<uint64_t>(std::max(time, 0.0) * SoundMixer::TimeUnit), level - Level);
    Level = level;
  }
}

void ToneGenerator::EndFrame(SoundMixer& mixer) {
  const double frame = mixer.FrameSamples();
  RunUntil(frame, mixer);
  Time -= frame;
}

}  // namespace tirvane
