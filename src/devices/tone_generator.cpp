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
    if (FlipFlop[c]) level += Volume(Attenuation[c]);
  if (Shift & 1) level += Volume(Attenuation[NoiseChannel]);
  return level;
}

// Jumps from one flip-flop toggle to the next rather than tick by tick: between toggles nothing
// the output shows can change. Without Noise the noise counter sits out of the loop (the caller
// runs its shifts in bulk): muted, it changes nothing heard, and at its fastest it would be most of
// the events.
template <bool Noise>
void ToneGenerator::RunEvents(uint32_t ticks, SoundMixer& mixer) {
  constexpr int Live = Noise ? 4 : 3;
  const bool noiseFromTone = (NoiseControl & 3) == 3;
  const uint32_t noisePeriod = NoiseShiftPeriod();
  // The state in locals: the mixer's stores could otherwise alias it and force a reload per event.
  uint32_t counter[4] = {Counter[0], Counter[1], Counter[2], Counter[3]};
  uint32_t reload[3];
  for (int c = 0; c < ToneChannels; ++c) reload[c] = Divider[c] == 0 ? 1024 : Divider[c];
  int32_t volume[4];
  for (int c = 0; c < 4; ++c) volume[c] = Volume(Attenuation[c]);
  uint32_t flip[3] = {FlipFlop[0], FlipFlop[1], FlipFlop[2]};
  uint32_t shift = Shift;
  const bool white = (NoiseControl & 4) != 0;
  auto shiftNoise = [&shift, white] {
    const uint32_t feedback = white ? ((shift ^ (shift >> 1)) & 1) : (shift & 1);
    shift = (shift >> 1) | (feedback << 14);
  };
  int32_t last = Level;
  const uint32_t start = Time;
  uint32_t done = 0;
  for (;;) {
    uint32_t step = std::min(std::min(counter[0], counter[1]), counter[2]);
    if constexpr (Noise) step = std::min(step, counter[3]);
    if (done + step > ticks) break;
    done += step;
    for (int c = 0; c < Live; ++c) counter[c] -= step;
    for (int c = 0; c < ToneChannels; ++c) {
      if (counter[c] != 0) continue;
      flip[c] ^= 1;
      counter[c] = reload[c];
      // At rate 3 the noise shifts on the third tone's rising edge instead of its own counter.
      if (c == 2 && flip[c] && noiseFromTone) shiftNoise();
    }
    if (Noise && counter[NoiseChannel] == 0) {
      counter[NoiseChannel] = noisePeriod;
      shiftNoise();
    }
    const int32_t level = (flip[0] ? volume[0] : 0) + (flip[1] ? volume[1] : 0) + (flip[2] ? volume[2] : 0) +
                          ((shift & 1) ? volume[3] : 0);
    if (level != last) {
      mixer.AddStep(start + (done - 1) * TickLength, level - last);
      last = level;
    }
  }
  const uint32_t rest = ticks - done;
  for (int c = 0; c < Live; ++c) Counter[c] = static_cast<uint16_t>(counter[c] - rest);
  for (int c = 0; c < ToneChannels; ++c) FlipFlop[c] = static_cast<uint8_t>(flip[c]);
  Shift = static_cast<uint16_t>(shift);
  Level = last;
}

void ToneGenerator::RunUntil(uint32_t time, SoundMixer& mixer) {
  if (TickLength == 0 || Time >= time) return;  // never reset: no clock, no sound
  const uint32_t ticks = (time - Time + TickLength - 1) / TickLength;
  if (!mixer.Enabled()) {
    Time += ticks * TickLength;
    return;
  }
  if ((NoiseControl & 3) == 3) {
    RunEvents<false>(ticks, mixer);  // the third tone shifts the noise; its own counter idles
  } else if (Attenuation[NoiseChannel] != 15) {
    RunEvents<true>(ticks, mixer);
  } else {
    RunEvents<false>(ticks, mixer);
    if (Counter[NoiseChannel] > ticks) {
      Counter[NoiseChannel] = static_cast<uint16_t>(Counter[NoiseChannel] - ticks);
    } else {
      const uint32_t period = NoiseShiftPeriod();
      const uint32_t after = ticks - Counter[NoiseChannel];
      uint32_t shift = Shift;
      const bool white = (NoiseControl & 4) != 0;
      for (uint32_t k = 1 + after / period; k != 0; --k)
        shift = (shift >> 1) | ((white ? ((shift ^ (shift >> 1)) & 1) : (shift & 1)) << 14);
      Shift = static_cast<uint16_t>(shift);
      Counter[NoiseChannel] = static_cast<uint16_t>(period - after % period);
    }
  }
  Time += ticks * TickLength;
}

void ToneGenerator::Write(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
  const uint32_t time = mixer.TimeOfCycle(cycle);
  RunUntil(time, mixer);
  if (value & 0x80) Latched = (value >> 4) & 7;
  // Masked again: a restored state may carry any value.
  const int channel = (Latched & 7) >> 1;
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
