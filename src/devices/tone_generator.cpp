// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/tone_generator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tirvane {

namespace {

// 2 dB a step; the last step is off.
const std::array<int32_t, 16> VolumeTable = [] {
  std::array<int32_t, 16> table{};
  for (int a = 0; a < 15; ++a) table[a] = static_cast<int32_t>(std::lround(SoundMixer::FullScale * std::pow(10.0, -0.1 * a)));
  return table;
}();

}  // namespace

int32_t ToneGenerator::Volume(uint8_t attenuation) { return VolumeTable[attenuation & 15]; }

void ToneGenerator::Reset(uint32_t inputClock) {
  *this = ToneGenerator{};
  InputClock = inputClock;
  if (inputClock != 0)
    TickLength = static_cast<uint32_t>((uint64_t{SoundMixer::OutputRate} * 16 * SoundMixer::TimeUnit + inputClock / 2) / inputClock);
  std::fill(std::begin(Attenuation), std::end(Attenuation), uint8_t{15});
  std::fill(std::begin(Counter), std::end(Counter), uint16_t{1});
  Shift = NoiseSeed;
}

int32_t ToneGenerator::CurrentLevel() const {
  int32_t level = 0;
  for (int c = 0; c < ToneChannels; ++c)
    if (FlipFlop[c]) level += VolumeTable[Attenuation[c]];
  if (Shift & 1) level += VolumeTable[Attenuation[NoiseChannel]];
  return level;
}

// Jumps from one flip-flop toggle to the next rather than tick by tick: between toggles nothing
// the output shows can change.
void ToneGenerator::RunUntil(uint32_t time, SoundMixer& mixer) {
  if (TickLength == 0 || Time >= time) return;  // never reset: no clock, no sound
  const uint32_t ticksLeft = (time - Time + TickLength - 1) / TickLength;
  if (!mixer.Enabled()) {
    Time += ticksLeft * TickLength;
    return;
  }
  uint32_t done = 0;
  // At rate 3 the noise shifts on the third tone's rising edge instead of its own counter.
  const bool noiseFromTone = (NoiseControl & 3) == 3;
  const auto noisePeriod = static_cast<uint16_t>(16 << std::min(NoiseControl & 3, 2));
  for (;;) {
    const uint16_t step = std::min(std::min(Counter[0], Counter[1]), std::min(Counter[2], Counter[3]));
    if (done + step > ticksLeft) break;
    done += step;
    for (uint16_t& counter : Counter) counter = static_cast<uint16_t>(counter - step);
    for (int c = 0; c < ToneChannels; ++c) {
      if (Counter[c] != 0) continue;
      FlipFlop[c] ^= 1;
      Counter[c] = Divider[c] == 0 ? 1024 : Divider[c];
      if (c == 2 && FlipFlop[c] && noiseFromTone) ShiftNoise();
    }
    if (Counter[NoiseChannel] == 0) {
      FlipFlop[NoiseChannel] ^= 1;
      Counter[NoiseChannel] = noisePeriod;
      if (FlipFlop[NoiseChannel] && !noiseFromTone) ShiftNoise();
    }
    const int32_t level = CurrentLevel();
    if (level != Level) {
      mixer.AddStep(Time + (done - 1) * TickLength, level - Level);
      Level = level;
    }
  }
  const auto rest = static_cast<uint16_t>(ticksLeft - done);
  for (uint16_t& counter : Counter) counter = static_cast<uint16_t>(counter - rest);
  Time += ticksLeft * TickLength;
}

void ToneGenerator::Write(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
  const uint32_t time = mixer.TimeOfCycle(cycle);
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
  const int32_t level = CurrentLevel();
  if (level != Level) {
    mixer.AddStep(time, level - Level);
    Level = level;
  }
}

void ToneGenerator::EndFrame(SoundMixer& mixer) {
  const uint32_t frame = mixer.FrameSamples() * SoundMixer::TimeUnit;
  RunUntil(frame, mixer);
  Time = Time >= frame ? Time - frame : 0;
}

}  // namespace tirvane
