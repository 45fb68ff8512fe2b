// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/wave_sound_generator.h"

#include <algorithm>

namespace tirvane {

namespace {

// A sample of 15 at volume 15 on one voice swings a little under full scale from the midpoint.
constexpr int32_t VoiceScale = SoundMixer::FullScale / (8 * 15);

}  // namespace

uint32_t WaveSoundGenerator::Frequency(int voice) const {
  // The first voice has five nibbles from bit 0; the others four from bit 4.
  const int first = 0x10 + voice * 5 + (voice == 0 ? 0 : 1);
  const int shift = voice == 0 ? 0 : 4;
  uint32_t f = 0;
  for (int i = first; i < 0x15 + voice * 5; ++i) f |= static_cast<uint32_t>(Registers[i] & 0x0F) << (shift + 4 * (i - first));
  return f;
}

void WaveSoundGenerator::RunUntil(uint32_t time, const uint8_t* waves, SoundMixer& mixer) {
  if (Time >= time) return;
  const uint32_t samples = (time - Time + SampleLength - 1) / SampleLength;
  uint32_t frequency[Voices];
  for (int v = 0; v < Voices; ++v) frequency[v] = Frequency(v);
  // Only voices with a volume are looked up; all three still turn, so each wave picks up where it
  // would have been.
  int heard[Voices];
  int count = 0;
  if (Enabled != 0 && waves != nullptr && mixer.Enabled())
    for (int v = 0; v < Voices; ++v)
      if (Volume(v) != 0) heard[count++] = v;
  if (count == 0) {
    for (int v = 0; v < Voices; ++v) Accumulator[v] = (Accumulator[v] + samples * frequency[v]) & 0xFFFFF;
    if (Level != 0) mixer.AddStep(Time, -Level);
    Level = 0;
    Time += samples * SampleLength;
    return;
  }
  // A voice's sample times its volume, centred on the waveform's midpoint, for each of the 32 steps.
  int32_t table[Voices][32];
  for (int i = 0; i < count; ++i) {
    const int v = heard[i];
    const uint8_t* wave = waves + Waveform(v) * 32;
    const int32_t volume = Volume(v) * VoiceScale;
    for (int k = 0; k < 32; ++k) table[i][k] = ((wave[k] & 0x0F) - 8) * volume;
  }
  uint32_t a[Voices] = {Accumulator[0], Accumulator[1], Accumulator[2]};
  int32_t last = Level;
  uint32_t t = Time;
  for (uint32_t n = 0; n < samples; ++n, t += SampleLength) {
    for (int v = 0; v < Voices; ++v) a[v] = (a[v] + frequency[v]) & 0xFFFFF;
    int32_t level = 0;
    for (int i = 0; i < count; ++i) level += table[i][a[heard[i]] >> 15];
    if (level != last) {
      mixer.AddStep(t, level - last);
      last = level;
    }
  }
  for (int v = 0; v < Voices; ++v) Accumulator[v] = a[v];
  Level = last;
  Time = t;
}

// After a change that may mute the output at once (the enable latch), the level follows it there.
void WaveSoundGenerator::Settle(uint32_t time, const uint8_t* waves, SoundMixer& mixer) {
  if (Enabled != 0 && waves != nullptr) return;
  mixer.AddStep(time, -Level);
  Level = 0;
}

void WaveSoundGenerator::Write(int index, uint8_t value, uint32_t cycle, const uint8_t* waves,
                               SoundMixer& mixer) {
  if (index < 0 || index >= RegisterCount) return;
  RunUntil(mixer.TimeOfCycle(cycle), waves, mixer);
  Registers[index] = value & 0x0F;
}

void WaveSoundGenerator::Enable(bool on, uint32_t cycle, const uint8_t* waves, SoundMixer& mixer) {
  const uint32_t time = mixer.TimeOfCycle(cycle);
  RunUntil(time, waves, mixer);
  Enabled = on ? 1 : 0;
  Settle(time, waves, mixer);
}

void WaveSoundGenerator::EndFrame(const uint8_t* waves, SoundMixer& mixer) {
  const uint32_t frame = mixer.FrameSamples() * SoundMixer::TimeUnit;
  RunUntil(frame, waves, mixer);
  Time = Time >= frame ? Time - frame : 0;
}

}  // namespace tirvane
