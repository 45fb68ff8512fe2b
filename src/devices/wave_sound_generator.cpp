// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/wave_sound_generator.h"

#include <algorithm>
#include <cmath>

namespace tirvane {

namespace {

constexpr double SampleSamples = SoundMixer::OutputRate / WaveSoundGenerator::SampleRate;
// One voice at full volume swings over about +-1.
constexpr float VoiceScale = 1.0f / (8 * 15);

}  // namespace

uint32_t WaveSoundGenerator::Frequency(int voice) const {
  // The first voice has five nibbles from bit 0; the others four from bit 4.
  const int first = 0x10 + voice * 5 + (voice == 0 ? 0 : 1);
  const int shift = voice == 0 ? 0 : 4;
  uint32_t f = 0;
  for (int i = first; i < 0x15 + voice * 5; ++i) f |= static_cast<uint32_t>(Registers[i] & 0x0F) << (shift + 4 * (i - first));
  return f;
}

void WaveSoundGenerator::RunUntil(double time, const uint8_t* waves, SoundMixer& mixer) {
  if (Time >= time) return;
  if (!mixer.Enabled()) {
    Time = time;
    return;
  }
  const auto samples = static_cast<uint32_t>(std::ceil((time - Time) / SampleSamples));
  const bool audible = Enabled != 0 && waves != nullptr;
  uint32_t frequency[Voices];
  const uint8_t* wave[Voices];
  float volume[Voices];
  for (int v = 0; v < Voices; ++v) {
    frequency[v] = Frequency(v);
    wave[v] = audible ? waves + Waveform(v) * 32 : nullptr;
    volume[v] = Volume(v) * VoiceScale;
  }
  for (uint32_t n = 0; n < samples; ++n) {
    float level = 0;
    for (int v = 0; v < Voices; ++v) {
      Accumulator[v] = (Accumulator[v] + frequency[v]) & 0xFFFFF;
      if (audible) level += static_cast<float>((wave[v][Accumulator[v] >> 15] & 0x0F) - 8) * volume[v];
    }
    if (level != Level) {
      mixer.AddStep(static_cast<uint64_t>(Time * SoundMixer::TimeUnit), level - Level);
      Level = level;
    }
    Time += SampleSamples;
  }
}

// After a change that may mute the output at once (volume, enable), the level follows it there.
void WaveSoundGenerator::Settle(double time, const uint8_t* waves, SoundMixer& mixer) {
  if (Enabled != 0 && waves != nullptr) return;
  if (Level != 0) {
    mixer.AddStep(static_cast<uint64_t>(std::max(time, 0.0) * SoundMixer::TimeUnit), -Level);
    Level = 0;
  }
}

void WaveSoundGenerator::Write(int index, uint8_t value, uint32_t cycle, const uint8_t* waves,
                               SoundMixer& mixer) {
  if (index < 0 || index >= RegisterCount) return;
  const double time = static_cast<double>(mixer.TimeOfCycle(cycle)) / SoundMixer::TimeUnit;
  RunUntil(time, waves, mixer);
  Registers[index] = value & 0x0F;
}

void WaveSoundGenerator::Enable(bool on, uint32_t cycle, const uint8_t* waves, SoundMixer& mixer) {
  const double time = static_cast<double>(mixer.TimeOfCycle(cycle)) / SoundMixer::TimeUnit;
  RunUntil(time, waves, mixer);
  Enabled = on ? 1 : 0;
  Settle(time, waves, mixer);
}

void WaveSoundGenerator::EndFrame(const uint8_t* waves, SoundMixer& mixer) {
  const double frame = mixer.FrameSamples();
  RunUntil(frame, waves, mixer);
  Time -= frame;
}

}  // namespace tirvane
