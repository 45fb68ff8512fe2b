// SPDX-License-Identifier: GPL-3.0-or-later
// The three-voice programmable sound generator of the 128K home computer: three square-wave tones
// with 12-bit periods, one noise source from a 17-bit shift register, an envelope generator of 16
// steps with 16 shapes, a mixer that gates tone and noise per channel, a 4-bit logarithmic level
// (or the envelope) per channel and an 8-bit I/O port. Sixteen registers, reached by latching a
// register number and then reading or writing data; the board decides which ports do which.
//
// All counters run at the input clock / 8 ("ticks"):
//   tone      output flips every TP ticks          square wave at clock / (16 TP), TP 0 counts as 1
//   noise     register shifts every 2 NP ticks     clock / (16 NP), NP 0 counts as 1
//   envelope  one of 16 steps every 2 EP ticks     a ramp lasts 256 EP / clock, EP 0 counts as 1
#pragma once

#include <cstdint>

#include "devices/sound_mixer.h"

namespace tirvane {

struct AyChip {
  static constexpr uint32_t Clock128 = 1773450;  // the 128K's processor clock / 2
  static constexpr int Channels = 3;
  static constexpr uint32_t NoiseSeed = 1;
  // The three channels at full level together reach one and a half of the mixer's full scale.
  static constexpr int32_t ChannelFullScale = SoundMixer::FullScale / 2;

  enum Register : uint8_t {
    ToneFineA = 0,
    ToneCoarseA = 1,
    NoisePeriod = 6,
    Mixer = 7,
    LevelA = 8,
    EnvelopeFine = 11,
    EnvelopeCoarse = 12,
    EnvelopeShape = 13,
    PortA = 14,
    PortB = 15,
  };

  uint8_t Registers[16];  // as written, unused bits cleared
  uint8_t Address;        // the latched register number
  uint8_t ToneOutput[Channels];
  uint8_t EnvelopeStep;    // 0-15 within the ramp
  uint8_t EnvelopeRising;  // the ramp in progress climbs
  uint8_t EnvelopeHolding;
  uint8_t PortAInput;              // what the port's pins read as an input; FFh with nothing attached
  uint16_t ToneCounter[Channels];  // ticks until each tone flips
  uint16_t NoiseCounter;           // ticks until the next shift
  uint32_t NoiseShift;
  uint32_t EnvelopeCounter;  // ticks until the next envelope step
  uint32_t TickLength;       // one tick in the mixer's time units
  uint32_t Time;             // the mixer's time of the next tick within the frame
  int32_t Level;             // the sum last handed to the mixer

  // Registers cleared, every channel silent, as after the chip's reset line.
  void Reset(uint32_t inputClock);
  void WriteAddress(uint8_t value) { Address = value & 0x0F; }
  // A data byte at the given T-state of the frame.
  void WriteData(uint8_t value, uint32_t cycle, SoundMixer& mixer);
  uint8_t ReadData() const;
  // Runs the chip to the frame's end; call before the mixer closes the frame.
  void EndFrame(SoundMixer& mixer);

  // Amplitude of one channel at a 4-bit level: 3 dB a step, 0 silent.
  static int32_t Volume(uint8_t level);
  uint8_t EnvelopeLevel() const {
    return static_cast<uint8_t>(EnvelopeRising ? EnvelopeStep : 15 - EnvelopeStep);
  }
  uint32_t TonePeriod(int channel) const {
    const uint32_t p = Registers[2 * channel] | (Registers[2 * channel + 1] & 0x0F) << 8;
    return p == 0 ? 1 : p;
  }
  uint32_t NoiseTicks() const { return 2u * (Registers[NoisePeriod] == 0 ? 1 : Registers[NoisePeriod]); }
  uint32_t EnvelopeTicks() const {
    const uint32_t p = Registers[EnvelopeFine] | Registers[EnvelopeCoarse] << 8;
    return 2u * (p == 0 ? 1 : p);
  }

 private:
  void RunUntil(uint32_t time, SoundMixer& mixer);
  // Runs the counters for ticks ticks; steps go to the mixer when one is given.
  void Advance(uint32_t ticks, SoundMixer* mixer);
  void ShiftNoise() { NoiseShift = (NoiseShift >> 1) | (((NoiseShift ^ (NoiseShift >> 3)) & 1) << 16); }
  void ShiftNoise(uint32_t count);
  // Runs the noise over ticks (base, base + n] with the tones and the envelope held, the output at
  // quiet or loud by the noise bit; counter is the ticks until its next shift.
  void RunNoise(uint32_t& counter, uint32_t period, uint32_t base, uint32_t n, int32_t quiet, int32_t loud,
                SoundMixer& mixer);
  void StepEnvelope();
  // The channels' sum with the noise output at noise (0 or 1).
  int32_t LevelAt(unsigned noise) const;
  int32_t CurrentLevel() const { return LevelAt(NoiseShift & 1); }
};

}  // namespace tirvane
