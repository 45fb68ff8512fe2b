// SPDX-License-Identifier: GPL-3.0-or-later
// The four-channel programmable sound generator: three square-wave tones with 10-bit dividers, one
// noise channel from a 15-bit shift register, a 4-bit attenuator on each, written one byte at a
// time through a latch/data protocol. Its counters run at the input clock / 16; a tone of divider
// n sounds at clock / (32 n). The clock is the board's.
#pragma once

#include <algorithm>
#include <cstdint>

#include "devices/sound_mixer.h"

namespace tirvane {

struct ToneGenerator {
  static constexpr uint32_t ColecoClock = 3579545;
  static constexpr int ToneChannels = 3;
  static constexpr int NoiseChannel = 3;
  static constexpr uint16_t NoiseSeed = 0x4000;  // loaded by every write to the noise register

  uint16_t Divider[ToneChannels];  // 10 bits; 0 counts as 1024
  // Ticks left until each tone's flip-flop toggles, and until the noise register's next shift.
  uint16_t Counter[4];
  uint16_t Shift;
  uint8_t Attenuation[4];  // 2 dB steps, 15 = off
  uint8_t FlipFlop[4];  // the tones' outputs; the noise channel's is its register's bit 0, so [3] stays 0
  uint16_t NoiseControl;  // bit 2: white (1) or periodic (0); bits 1-0: shift rate
  uint16_t Latched;       // register the last latch byte named: channel * 2 + (1 for attenuation)
  uint32_t InputClock;    // Hz
  uint32_t TickLength;    // one counter tick in the mixer's time units
  uint32_t Time;          // the mixer's time of the next tick within the frame
  int32_t Level;          // the sum last handed to the mixer

  // Silent: every attenuator off, as a program's start-up leaves the chip.
  void Reset(uint32_t inputClock);
  // A byte from the processor at the given T-state of the frame.
  void Write(uint8_t value, uint32_t cycle, SoundMixer& mixer);
  // Runs the chip to the frame's end; call before the mixer closes the frame.
  void EndFrame(SoundMixer& mixer);

  // Amplitude of one channel at an attenuation; full scale is the mixer's.
  static int32_t Volume(uint8_t attenuation);
  // One step of the noise shift register.
  void ShiftNoise() {
    const unsigned feedback = (NoiseControl & 4) ? ((Shift ^ (Shift >> 1)) & 1) : (Shift & 1);
    Shift = static_cast<uint16_t>((Shift >> 1) | (feedback << 14));
  }

 private:
  // The noise's own flip-flop halves its counter's rate and shifts on its rising edge: one shift
  // every two periods of 16, 32 or 64 ticks.
  uint32_t NoiseShiftPeriod() const { return 32u << std::min(NoiseControl & 3, 2); }
  void RunUntil(uint32_t time, SoundMixer& mixer);
  template <bool Noise>
  void RunEvents(uint32_t ticks, SoundMixer& mixer);
  int32_t CurrentLevel() const;
};

}  // namespace tirvane
