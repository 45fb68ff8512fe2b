// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/ay_chip.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tirvane {

namespace {

// Bits each register holds; reads return only these.
constexpr uint8_t RegisterMasks[16] = {0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0x1F, 0xFF,
                                       0x1F, 0x1F, 0x1F, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF};

const std::array<int32_t, 16> VolumeTable = [] {
  std::array<int32_t, 16> table{};
  for (int v = 1; v < 16; ++v)
    table[v] = static_cast<int32_t>(std::lround(AyChip::ChannelFullScale * std::pow(2.0, (v - 15) / 2.0)));
  return table;
}();

// Ticks a free-running counter through n ticks; returns how many times it reached 0 and reloaded.
uint32_t RunCounter(uint32_t& counter, uint32_t period, uint32_t n) {
  if (counter > n) {
    counter -= n;
    return 0;
  }
  n -= counter;
  counter = period - n % period;
  return 1 + n / period;
}

}  // namespace

int32_t AyChip::Volume(uint8_t level) { return VolumeTable[level & 15]; }

void AyChip::Reset(uint32_t inputClock) {
  *this = AyChip{};
  PortAInput = 0xFF;
  NoiseShift = NoiseSeed;
  for (uint16_t& c : ToneCounter) c = 1;
  NoiseCounter = 2;
  EnvelopeCounter = 2;
  if (inputClock != 0)
    TickLength = static_cast<uint32_t>(
        (uint64_t{SoundMixer::OutputRate} * 8 * SoundMixer::TimeUnit + inputClock / 2) / inputClock);
}

uint8_t AyChip::ReadData() const {
  const unsigned r = Address & 0x0F;
  if (r == PortA && !(Registers[Mixer] & 0x40)) return PortAInput;
  return Registers[r];
}

void AyChip::StepEnvelope() {
  if (EnvelopeHolding) return;
  if (++EnvelopeStep < 16) return;
  const uint8_t shape = Registers[EnvelopeShape];
  EnvelopeStep = 15;
  if (!(shape & 0x08)) {  // shapes 0-7: one ramp, then 0
    EnvelopeHolding = 1;
    EnvelopeRising = 0;
  } else if (shape & 0x01) {  // hold at the ramp's end, or at its opposite with alternate
    EnvelopeHolding = 1;
    EnvelopeRising ^= (shape >> 1) & 1;
  } else {
    if (shape & 0x02) EnvelopeRising ^= 1;
    EnvelopeStep = 0;
  }
}

int32_t AyChip::LevelAt(unsigned noise) const {
  const uint8_t mix = Registers[Mixer];
  int32_t level = 0;
  for (int c = 0; c < Channels; ++c) {
    const unsigned tone = ToneOutput[c] | ((mix >> c) & 1);
    const unsigned gate = noise | ((mix >> (c + 3)) & 1);
    if (!(tone & gate)) continue;
    const uint8_t amplitude = Registers[LevelA + c];
    level += Volume((amplitude & 0x10) ? EnvelopeLevel() : amplitude & 0x0F);
  }
  return level;
}

// The feedback of the next 14 shifts comes from bits the register already holds (bits 0-13 and
// 3-16), so up to 14 shifts are one step.
void AyChip::ShiftNoise(uint32_t count) {
  uint32_t s = NoiseShift;
  for (; count >= 14; count -= 14) s = (s >> 14) | ((s ^ (s >> 3)) & 0x3FFF) << 3;
  if (count != 0) s = (s >> count) | ((s ^ (s >> 3)) & ((1u << count) - 1)) << (17 - count);
  NoiseShift = s;
}

// Between two tone or envelope events the output takes one of two levels, by the noise bit alone,
// so a shift costs a test and only a change of the bit reaches the mixer.
void AyChip::RunNoise(uint32_t& counter, uint32_t period, uint32_t base, uint32_t n, SoundMixer& mixer) {
  if (counter > n) {
    counter -= n;
    return;
  }
  const int32_t quiet = LevelAt(0), loud = LevelAt(1);
  uint32_t at = counter;
  if (quiet == loud) {
    const uint32_t shifts = 1 + (n - at) / period;
    ShiftNoise(shifts);
    at += shifts * period;
  } else {
    const uint32_t start = Time + (base - 1) * TickLength;
    for (; at <= n; at += period) {
      const uint32_t before = NoiseShift;
      ShiftNoise();
      if (!((NoiseShift ^ before) & 1)) continue;
      const int32_t level = (NoiseShift & 1) ? loud : quiet;
      mixer.AddStep(start + at * TickLength, level - Level);
      Level = level;
    }
  }
  counter = at - n;
}

// Jumps from tone or envelope event to event, the noise running in its own loop between them. A
// counter whose output nobody hears (a tone gated off or at level 0, noise no channel takes, an
// envelope no channel follows) sits out and is run in bulk at the end, so a silent or sparse chip
// costs a few operations a frame.
void AyChip::Advance(uint32_t ticks, SoundMixer* mixer) {
  const uint8_t mix = Registers[Mixer];
  bool toneLive[Channels];
  bool noiseLive = false, envelopeLive = false;
  for (int c = 0; c < Channels; ++c) {
    const uint8_t amplitude = Registers[LevelA + c];
    const bool heard = mixer != nullptr && (amplitude & 0x1F) != 0;
    toneLive[c] = heard && !(mix & (1 << c));
    noiseLive = noiseLive || (heard && !(mix & (8 << c)));
    envelopeLive = envelopeLive || (heard && (amplitude & 0x10) && !EnvelopeHolding);
  }
  uint32_t tone[Channels] = {ToneCounter[0], ToneCounter[1], ToneCounter[2]};
  const uint32_t tonePeriod[Channels] = {TonePeriod(0), TonePeriod(1), TonePeriod(2)};
  uint32_t noise = NoiseCounter;
  const uint32_t noisePeriod = NoiseTicks();
  uint32_t envelope = EnvelopeCounter;
  const uint32_t envelopePeriod = EnvelopeTicks();
  constexpr uint32_t Never = 0xFFFFFFFF;

  uint32_t done = 0;
  if (toneLive[0] || toneLive[1] || toneLive[2] || noiseLive || envelopeLive) {
    for (;;) {
      uint32_t step = Never;
      for (int c = 0; c < Channels; ++c)
        if (toneLive[c]) step = std::min(step, tone[c]);
      if (envelopeLive) step = std::min(step, envelope);
      // The noise's shifts up to and including the event's tick come first; the event's own level
      // then sees the noise as it is there.
      if (noiseLive) RunNoise(noise, noisePeriod, done, std::min(step, ticks - done), *mixer);
      if (step > ticks - done) break;
      done += step;
      for (int c = 0; c < Channels; ++c) {
        if (!toneLive[c]) continue;
        tone[c] -= step;
        if (tone[c] == 0) {
          tone[c] = tonePeriod[c];
          ToneOutput[c] ^= 1;
        }
      }
      if (envelopeLive && (envelope -= step) == 0) {
        envelope = envelopePeriod;
        StepEnvelope();
        envelopeLive = !EnvelopeHolding;
      }
      const int32_t level = CurrentLevel();
      if (level != Level) {
        mixer->AddStep(Time + (done - 1) * TickLength, level - Level);
        Level = level;
      }
    }
  }
  const uint32_t rest = ticks - done;
  for (int c = 0; c < Channels; ++c) {
    if (toneLive[c])
      tone[c] -= rest;
    else
      ToneOutput[c] ^= RunCounter(tone[c], tonePeriod[c], ticks) & 1;
    ToneCounter[c] = static_cast<uint16_t>(tone[c]);
  }
  if (!noiseLive) ShiftNoise(RunCounter(noise, noisePeriod, ticks));
  NoiseCounter = static_cast<uint16_t>(noise);
  if (envelopeLive) {
    envelope -= rest;
  } else if (EnvelopeHolding) {
    RunCounter(envelope, envelopePeriod, ticks);
  } else {
    for (uint32_t k = RunCounter(envelope, envelopePeriod, ticks); k != 0 && !EnvelopeHolding; --k)
      StepEnvelope();
  }
  EnvelopeCounter = envelope;
}

void AyChip::RunUntil(uint32_t time, SoundMixer& mixer) {
  if (TickLength == 0 || Time >= time) return;  // never reset: no clock, no sound
  const uint32_t ticks = (time - Time + TickLength - 1) / TickLength;
  Advance(ticks, mixer.Enabled() ? &mixer : nullptr);
  Time += ticks * TickLength;
}

void AyChip::WriteData(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
  const uint32_t time = mixer.TimeOfCycle(cycle);
  RunUntil(time, mixer);
  const unsigned r = Address & 0x0F;
  Registers[r] = value & RegisterMasks[r];
  if (r <= ToneCoarseA + 4) {
    const int c = static_cast<int>(r / 2);
    ToneCounter[c] = static_cast<uint16_t>(std::min<uint32_t>(ToneCounter[c], TonePeriod(c)));
  } else if (r == NoisePeriod) {
    NoiseCounter = static_cast<uint16_t>(std::min<uint32_t>(NoiseCounter, NoiseTicks()));
  } else if (r == EnvelopeFine || r == EnvelopeCoarse) {
    EnvelopeCounter = std::min(EnvelopeCounter, EnvelopeTicks());
  } else if (r == EnvelopeShape) {  // every write starts the shape afresh
    EnvelopeStep = 0;
    EnvelopeRising = (value >> 2) & 1;
    EnvelopeHolding = 0;
    EnvelopeCounter = EnvelopeTicks();
  }
  const int32_t level = CurrentLevel();
  if (level != Level) {
    mixer.AddStep(time, level - Level);
    Level = level;
  }
}

void AyChip::EndFrame(SoundMixer& mixer) {
  const uint32_t frame = mixer.FrameSamples() * SoundMixer::TimeUnit;
  RunUntil(frame, mixer);
  Time = Time >= frame ? Time - frame : 0;
}

}  // namespace tirvane
