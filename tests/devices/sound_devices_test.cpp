// SPDX-License-Identifier: GPL-3.0-or-later
// The beeper, the tone generator and the wave sound generator, each driven through its own
// operations into a mixer, without a board.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "devices/beeper.h"
#include "devices/tone_generator.h"
#include "devices/wave_sound_generator.h"
#include "signal.h"

namespace tirvane::testing {
namespace {

constexpr int Fps = 60;
constexpr uint32_t Cycles = 59736;

SoundMixer FreshMixer() {
  SoundMixer mixer;
  mixer.Configure(Fps, Cycles);
  return mixer;
}

// One frame with one write halfway through it.
std::vector<int16_t> BeeperCapture(uint8_t value) {
  SoundMixer mixer = FreshMixer();
  Beeper beeper{};
  beeper.Write(value, Cycles / 2, mixer);
  mixer.EndFrame();
  return mixer.Pending();
}

TEST(Beeper, EachLineStepsByItsOwnLevelAndOtherBitsDoNothing) {
  const auto speaker = BeeperCapture(0x10 | 0x07);
  const auto quiet = BeeperCapture(0x08 | 0xE0);
  EXPECT_EQ(speaker[390], 0);
  EXPECT_GT(speaker[420], 10000);
  EXPECT_NEAR(static_cast<double>(quiet[420]) / speaker[420], static_cast<double>(Beeper::QuietLevel) / Beeper::SpeakerLevel, 0.002);
  EXPECT_EQ(Rms(BeeperCapture(0xE7)), 0);
}

// A tone generator with the given writes at the frame's start, run for frames frames.
std::vector<int16_t> ToneCapture(std::initializer_list<uint8_t> writes, int frames) {
  SoundMixer mixer = FreshMixer();
  ToneGenerator chip{};
  chip.Reset(ToneGenerator::ColecoClock);
  for (uint8_t w : writes) chip.Write(w, 0, mixer);
  for (int f = 0; f < frames; ++f) {
    chip.EndFrame(mixer);
    mixer.EndFrame();
  }
  return mixer.Pending();
}

TEST(ToneGenerator, DividerSetsThePitchOfEachChannel) {
  struct Case {
    int channel;
    uint16_t divider;
  };
  for (const Case c : {Case{0, 214}, Case{1, 170}, Case{2, 1023}, Case{0, 0}, Case{2, 0x3F1}}) {
    const auto latch = static_cast<uint8_t>(0x80 | c.channel << 5 | (c.divider & 0x0F));
    const auto data = static_cast<uint8_t>((c.divider >> 4) & 0x3F);
    const auto volume = static_cast<uint8_t>(0x90 | c.channel << 5);
    const auto s = ToneCapture({latch, data, volume}, 30);
    const double expected = ToneGenerator::ColecoClock / (32.0 * (c.divider == 0 ? 1024 : c.divider));
    EXPECT_NEAR(MeasurePitch(std::span(s).subspan(4800)), expected, expected * 0.002)
        << "channel " << c.channel << " divider " << c.divider;
  }
}

TEST(ToneGenerator, AttenuationStepsTwoDecibelsDownToOff) {
  EXPECT_EQ(ToneGenerator::Volume(0), SoundMixer::FullScale);
  for (uint8_t a = 1; a < 15; ++a)
    EXPECT_NEAR(static_cast<double>(ToneGenerator::Volume(a)) / ToneGenerator::Volume(a - 1), 0.7943, 1e-3);
  EXPECT_EQ(ToneGenerator::Volume(15), 0);
  const auto loud = ToneCapture({0x80 | 0x06, 0x0D, 0x90}, 10);
  const auto quiet = ToneCapture({0x80 | 0x06, 0x0D, 0x96}, 10);
  const auto off = ToneCapture({0x80 | 0x06, 0x0D, 0x9F}, 10);
  EXPECT_NEAR(Rms(quiet) / Rms(loud), std::pow(10.0, -12 / 20.0), 0.01);
  EXPECT_EQ(Rms(off), 0);
}

TEST(ToneGenerator, DataByteGoesToTheLatchedRegister) {
  SoundMixer mixer = FreshMixer();
  ToneGenerator chip{};
  chip.Reset(ToneGenerator::ColecoClock);
  chip.Write(0xA5, 0, mixer);  // channel 1 tone, low nibble 5
  chip.Write(0x12, 0, mixer);  // its upper six bits
  chip.Write(0xD3, 0, mixer);  // channel 2 attenuation 3
  chip.Write(0x07, 0, mixer);  // a data byte now sets that attenuation
  EXPECT_EQ(chip.Divider[1], 0x125);
  EXPECT_EQ(chip.Attenuation[2], 7);
  chip.Write(0xA9, 0, mixer);  // a new low nibble keeps the upper bits
  EXPECT_EQ(chip.Divider[1], 0x129);
}

// A restored state may hold any bytes: the chip's fields stay within their tables.
TEST(ToneGenerator, OutOfRangeFieldsFromAStateStayInsideTheChip) {
  SoundMixer mixer = FreshMixer();
  ToneGenerator chip{};
  chip.Reset(ToneGenerator::ColecoClock);
  std::fill(std::begin(chip.Attenuation), std::end(chip.Attenuation), uint8_t{109});
  chip.Latched = 0xFFFF;  // a data byte would go to attenuation "32767"
  chip.Write(0x05, Cycles / 2, mixer);
  chip.EndFrame(mixer);
  EXPECT_EQ(chip.Attenuation[3], 5);
}

// From the seed back to the seed: 2^15 - 1 shifts for white noise (feedback from bits 0 and 1),
// 15 for periodic noise (bit 0 alone).
TEST(ToneGenerator, NoiseRegisterRepeatsAfterItsPeriod) {
  for (const auto [control, period] : {std::pair{0xE4, 32767}, std::pair{0xE0, 15}}) {
    SoundMixer mixer = FreshMixer();
    ToneGenerator chip{};
    chip.Reset(ToneGenerator::ColecoClock);
    chip.Write(static_cast<uint8_t>(control), 0, mixer);
    int shifts = 0;
    do {
      chip.ShiftNoise();
      ++shifts;
    } while (chip.Shift != ToneGenerator::NoiseSeed && shifts < 70000);
    EXPECT_EQ(shifts, period) << std::hex << control;
  }
}

TEST(WaveSoundGenerator, NibblesMakeEachVoicesFrequencyLowestFirst) {
  SoundMixer mixer = FreshMixer();
  WaveSoundGenerator chip{};
  const uint8_t writes[][2] = {{0x10, 6}, {0x11, 0xC}, {0x12, 2}, {0x13, 1}, {0x14, 0xF3},
                               {0x16, 1}, {0x17, 2},   {0x18, 3}, {0x19, 4}, {0x1B, 0xA},
                               {0x05, 0x0E}, {0x0A, 3}, {0x1A, 0x29}};
  for (const auto& w : writes) chip.Write(w[0], w[1], 0, nullptr, mixer);
  EXPECT_EQ(chip.Frequency(0), 0x312C6u);  // high nibbles of the bus byte are not stored
  EXPECT_EQ(chip.Frequency(1), 0x43210u);
  EXPECT_EQ(chip.Frequency(2), 0x000A0u);
  EXPECT_EQ(chip.Waveform(0), 6);
  EXPECT_EQ(chip.Waveform(1), 3);
  EXPECT_EQ(chip.Volume(1), 9);
}

std::vector<int16_t> WaveCapture(const uint8_t* prom, bool enable, uint8_t wave, int frames) {
  SoundMixer mixer = FreshMixer();
  WaveSoundGenerator chip{};
  const uint8_t writes[][2] = {{0x10, 6}, {0x11, 0xC}, {0x12, 2}, {0x13, 1}, {0x05, wave}, {0x15, 15}};
  for (const auto& w : writes) chip.Write(w[0], w[1], 0, prom, mixer);
  chip.Enable(enable, 0, prom, mixer);
  for (int f = 0; f < frames; ++f) {
    chip.EndFrame(prom, mixer);
    mixer.EndFrame();
  }
  return mixer.Pending();
}

TEST(WaveSoundGenerator, PlaysTheSelectedWaveformAtItsPitchOnlyWhenEnabledWithAProm) {
  std::array<uint8_t, WaveSoundGenerator::PromSize> prom{};
  for (int i = 0; i < 32; ++i) {
    prom[32 * 2 + i] = 8;                // waveform 2: flat at the midpoint
    prom[32 * 3 + i] = i < 16 ? 15 : 0;  // waveform 3: a square
  }
  const double expected = 0x12C6 * WaveSoundGenerator::SampleRate / (1 << 20);
  const auto s = WaveCapture(prom.data(), true, 3, 20);
  EXPECT_NEAR(MeasurePitch(std::span(s).subspan(4800)), expected, expected * 0.002);
  EXPECT_EQ(Rms(WaveCapture(prom.data(), true, 2, 10)), 0);  // waveform 2 is flat
  EXPECT_EQ(Rms(WaveCapture(prom.data(), false, 3, 10)), 0);
  EXPECT_EQ(Rms(WaveCapture(nullptr, true, 3, 10)), 0);
}

}  // namespace
}  // namespace tirvane::testing
