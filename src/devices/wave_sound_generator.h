// SPDX-License-Identifier: GPL-3.0-or-later
// The three-voice wave sound generator: 32 nibble registers hold, per voice, a waveform number, a
// frequency (20 bits for the first voice, 16 for the other two, whose lowest nibble is 0) and a
// 4-bit volume; an enable latch mutes all three. Every 1/96,000 s each voice adds its frequency to
// a 20-bit accumulator whose top 5 bits index 32 four-bit samples of its waveform in a 256-byte
// PROM, so a voice sounds at frequency * 96,000 / 2^20 Hz.
#pragma once

#include <cstdint>

#include "devices/sound_mixer.h"

namespace tirvane {

struct WaveSoundGenerator {
  static constexpr double SampleRate = 96000.0;
  static constexpr int Voices = 3;
  static constexpr int RegisterCount = 32;
  static constexpr int PromSize = 256;
  // One sample lasts half an output sample.
  static constexpr uint32_t SampleLength = SoundMixer::TimeUnit / 2;

  uint8_t Registers[RegisterCount];  // low nibbles, in bus order from the first register
  uint32_t Accumulator[Voices];
  uint32_t Enabled;
  uint32_t Time;  // the mixer's time of the next sample within the frame
  int32_t Level;  // the sum last handed to the mixer

  // Register writes and the enable latch, at a T-state of the frame. waves is the 256-byte PROM,
  // or null for a board without one: then the generator stays silent.
  void Write(int index, uint8_t value, uint32_t cycle, const uint8_t* waves, SoundMixer& mixer);
  void Enable(bool on, uint32_t cycle, const uint8_t* waves, SoundMixer& mixer);
  void EndFrame(const uint8_t* waves, SoundMixer& mixer);

  uint32_t Frequency(int voice) const;
  uint8_t Waveform(int voice) const { return Registers[voice * 5 + 5] & 7; }
  uint8_t Volume(int voice) const { return Registers[0x15 + voice * 5] & 0x0F; }

 private:
  void RunUntil(uint32_t time, const uint8_t* waves, SoundMixer& mixer);
  void Settle(uint32_t time, const uint8_t* waves, SoundMixer& mixer);
};

}  // namespace tirvane
