// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/ay_chip.h"

#include <algorithm>
#include <array>
#include <bit>
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

// Between two tone or envelope events the output takes one of two levels, quiet or loud by the
// noise bit alone. The next 14 output bits are already in the register, so the shifts that change
// the bit are found 14 at a time from the register's neighbouring bits, and only they cost a step.
void AyChip::RunNoise(uint32_t& counter, uint32_t period, uint32_t base, uint32_t n, int32_t quiet, int32_t loud,
                      SoundMixer& mixer) {
  if (counter > n) {
    counter -= n;
    return;
  }
  const uint32_t shifts = 1 + (n - counter) / period;
  if (quiet == loud) {
    ShiftNoise(shifts);
  } else {
    uint32_t s = NoiseShift;
    const uint32_t apart = period * TickLength;
    uint32_t first = Time + (base + counter - 1) * TickLength;  // of the chunk's first shift
    for (uint32_t left = shifts; left != 0;) {
      const uint32_t k = std::min<uint32_t>(left, 14);
      // Bit j-1 set: shift j leaves a bit 0 other than the one before it.
      for (uint32_t changes = (s ^ (s >> 1)) & ((1u << k) - 1); changes != 0; changes &= changes - 1) {
        const int j = std::countr_zero(changes);
        const int32_t level = (s >> (j + 1)) & 1 ? loud : quiet;
        mixer.AddStep(first + static_cast<uint32_t>(j) * apart, level - Level);
        Level = level;
      }
      s = (s >> k) | ((s ^ (s >> 3)) & ((1u << k) - 1)) << (17 - k);
      first += k * apart;
      left -= k;
    }
    NoiseShift = s;
  }
  counter = counter + shifts * period - n;
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

  uint32_t done = 0;
  if (toneLive[0] || toneLive[1] || toneLive[2] || noiseLive || envelopeLive) {
    // The event loop runs without a branch per channel: a tone nobody hears counts from Far, beyond
    // any run, and each channel's gates are masks.
    constexpr uint32_t Far = 0x40000000;
    uint32_t live[Channels];
    int32_t toneOff[Channels], noiseOff[Channels];
    for (int c = 0; c < Channels; ++c) {
      live[c] = toneLive[c] ? tone[c] : Far;
      toneOff[c] = -((mix >> c) & 1);
      noiseOff[c] = -((mix >> (c + 3)) & 1);
    }
    // Each channel's amplitude, and the sum of the channels open with the noise bit at 0 and at 1.
    int32_t amplitude[Channels];
    const auto amplitudes = [&] {
      for (int c = 0; c < Channels; ++c) {
        const uint8_t a = Registers[LevelA + c];
        amplitude[c] = Volume((a & 0x10) ? EnvelopeLevel() : a & 0x0F);
      }
    };
    int32_t quiet = 0, loud = 0;
    const auto levels = [&] {
      quiet = loud = 0;
      for (int c = 0; c < Channels; ++c) {
        const int32_t open = amplitude[c] & (-static_cast<int32_t>(ToneOutput[c]) | toneOff[c]);
        loud += open;
        quiet += open & noiseOff[c];
      }
    };
    amplitudes();
    levels();
    uint32_t untilEnvelope = envelopeLive ? envelope : Far;
    for (;;) {
      const uint32_t step = std::min(std::min(live[0], live[1]), std::min(live[2], untilEnvelope));
      // The noise's shifts up to and including the event's tick come first; the event's own level
      // then sees the noise as it is there.
      const uint32_t span = std::min(step, ticks - done);
      if (noiseLive) {
        if (noise > span)
          noise -= span;
        else
          RunNoise(noise, noisePeriod, done, span, quiet, loud, *mixer);
      }
      if (step > ticks - done) break;
      done += step;
      for (int c = 0; c < Channels; ++c) {
        live[c] -= step;
        const uint32_t flips = live[c] == 0;
        ToneOutput[c] ^= static_cast<uint8_t>(flips);
        live[c] += flips * tonePeriod[c];
      }
      if ((untilEnvelope -= step) == 0) {
        untilEnvelope = envelopePeriod;
        StepEnvelope();
        if (EnvelopeHolding) {  // the counter stays where the step left it, as a counter no one hears
          envelope = envelopePeriod;
          envelopeLive = false;
          untilEnvelope = Far;
        }
        amplitudes();
      }
      levels();
      const int32_t level = (NoiseShift & 1) ? loud : quiet;
      if (level != Level) {
        mixer->AddStep(Time + (done - 1) * TickLength, level - Level);
        Level = level;
      }
    }
    for (int c = 0; c < Channels; ++c)
      if (toneLive[c]) tone[c] = live[c];
    if (envelopeLive) envelope = untilEnvelope;
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
