// SPDX-License-Identifier: GPL-3.0-or-later
// The AY-3-8912 sound generator through its own operations, without a board. Periods and shapes
// as the General Instrument AY-3-8910/8912 data sheet gives them (tone clock / (16 TP), noise
// clock / (16 NP), a 16-step envelope ramp in 256 EP / clock, the shape table of register R13).
#include "devices/ay_chip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "signal.h"

namespace tirvane::testing {
namespace {

constexpr int Fps = 50;
constexpr uint32_t Cycles = 70908;  // the 128K's frame: its processor runs at twice the chip's clock
constexpr uint32_t CyclesPerTick = 16;

struct Rig {
  SoundMixer Mixer;
  AyChip Chip{};
  Rig() {
    Mixer.Configure(Fps, Cycles);
    Chip.Reset(AyChip::Clock128);
  }
  void Set(uint8_t r, uint8_t value, uint32_t cycle = 0) {
    Chip.WriteAddress(r);
    Chip.WriteData(value, cycle, Mixer);
  }
  // Runs the chip to a T-state of the frame by a write that changes nothing heard.
  void RunTo(uint32_t cycle) { Set(AyChip::PortB, 0, cycle); }
  std::vector<int16_t> Frames(int frames) {
    for (int f = 0; f < frames; ++f) {
      Chip.EndFrame(Mixer);
      Mixer.EndFrame();
    }
    return Mixer.Pending();
  }
};

TEST(AyChip, TonePeriodSetsThePitchOfEachChannel) {
  struct Case {
    int channel;
    uint16_t period;
  };
  for (const Case c : {Case{0, 284}, Case{1, 213}, Case{2, 1000}, Case{0, 0xFFF}, Case{1, 40}}) {
    Rig rig;
    rig.Set(AyChip::Mixer, static_cast<uint8_t>(0x3F & ~(1 << c.channel)));
    rig.Set(static_cast<uint8_t>(2 * c.channel), static_cast<uint8_t>(c.period));
    rig.Set(static_cast<uint8_t>(2 * c.channel + 1), static_cast<uint8_t>(c.period >> 8));
    rig.Set(static_cast<uint8_t>(AyChip::LevelA + c.channel), 15);
    const auto s = rig.Frames(40);
    const double expected = AyChip::Clock128 / (16.0 * c.period);
    EXPECT_NEAR(MeasurePitch(std::span(s).subspan(4800)), expected, expected * 0.001)
        << "channel " << c.channel << " period " << c.period;
  }
}

TEST(AyChip, LevelsStepThreeDecibelsDownToSilence) {
  EXPECT_EQ(AyChip::Volume(0), 0);
  EXPECT_EQ(AyChip::Volume(15), AyChip::ChannelFullScale);
  for (uint8_t v = 2; v < 16; ++v)
    EXPECT_NEAR(static_cast<double>(AyChip::Volume(v - 1)) / AyChip::Volume(v), 0.7071, 2e-3) << int{v};
}

// Each shape sampled in the middle of each step for three ramps: the letter is the level in hex.
TEST(AyChip, EnvelopeShapesFollowTheirFormAndPeriod) {
  const std::string Down = "FEDCBA9876543210", Up = "0123456789ABCDEF";
  const std::string Zero(16, '0'), Full(16, 'F');
  const std::string Forms[16] = {
      Down + Zero + Zero, Down + Zero + Zero, Down + Zero + Zero, Down + Zero + Zero,
      Up + Zero + Zero,   Up + Zero + Zero,   Up + Zero + Zero,   Up + Zero + Zero,
      Down + Down + Down, Down + Zero + Zero, Down + Up + Down,   Down + Full + Full,
      Up + Up + Up,       Up + Full + Full,   Up + Down + Up,     Up + Zero + Zero,
  };
  constexpr uint32_t Period = 6;
  constexpr uint32_t StepCycles = 2 * Period * CyclesPerTick;  // a ramp: 256 EP clocks = 16 steps
  for (uint8_t shape = 0; shape < 16; ++shape) {
    Rig rig;
    rig.Set(AyChip::EnvelopeFine, Period);
    rig.Set(AyChip::EnvelopeShape, shape);
    std::string seen;
    for (uint32_t step = 0; step < 48; ++step) {
      rig.RunTo(step * StepCycles + StepCycles / 2);
      seen += "0123456789ABCDEF"[rig.Chip.EnvelopeLevel()];
    }
    EXPECT_EQ(seen, Forms[shape]) << "shape " << int{shape};
  }
}

TEST(AyChip, NoiseShiftsOncePerSixteenClocksTimesItsPeriod) {
  for (uint8_t period : {1, 7, 31, 0}) {
    Rig rig;
    rig.Set(AyChip::NoisePeriod, period);
    constexpr int Frames = 8;
    uint32_t shifts = 0;
    for (int f = 0; f < Frames; ++f) {
      for (uint32_t cycle = 0; cycle < Cycles; cycle += CyclesPerTick) {
        const uint32_t before = rig.Chip.NoiseShift;
        rig.RunTo(cycle);
        shifts += rig.Chip.NoiseShift != before;
      }
      rig.Frames(1);
    }
    const double seconds = static_cast<double>(Frames) / Fps;
    const double expected = seconds * AyChip::Clock128 / (16.0 * (period == 0 ? 1 : period));
    EXPECT_NEAR(shifts, expected, expected * 0.002 + 1) << "period " << int{period};
  }
}

// The mixer gates each channel by its tone and noise enables; a channel with both off holds its
// level, which the output's DC filter takes away.
TEST(AyChip, MixerEnablesDecideWhatEachChannelSounds) {
  struct Case {
    uint8_t mixer;
    uint8_t levelA, levelB;
    bool heard;
    bool noisy;  // no steady pitch
  };
  const Case cases[] = {
      {0x3E, 15, 0, true, false},    // tone A
      {0x3D, 15, 0, false, false},   // tone B enabled, but only A has a level
      {0x3D, 0, 15, true, false},    // tone B
      {0x3F, 15, 15, false, false},  // everything off: a steady level
      {0x37, 15, 0, true, true},     // noise A
      {0x2F, 15, 0, false, false},   // noise B only, A off
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.Set(AyChip::ToneFineA, 100);
    rig.Set(2, 100);
    rig.Set(AyChip::NoisePeriod, 5);
    rig.Set(AyChip::Mixer, c.mixer);
    rig.Set(AyChip::LevelA, c.levelA);
    rig.Set(AyChip::LevelA + 1, c.levelB);
    const auto s = rig.Frames(30);
    const auto tail = std::span(s).subspan(9600);
    EXPECT_EQ(Rms(tail) > 1000, c.heard) << std::hex << int{c.mixer};
    if (c.heard && !c.noisy) {
      EXPECT_NEAR(MeasurePitch(tail), AyChip::Clock128 / 1600.0, 2.0) << std::hex << int{c.mixer};
    }
  }
}

TEST(AyChip, RegistersReadBackMaskedAndThePortReadsItsPins) {
  Rig rig;
  const uint8_t masks[16] = {0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0x1F, 0xFF,
                             0x1F, 0x1F, 0x1F, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF};
  for (uint8_t r = 0; r < 16; ++r) {
    rig.Set(r, 0xFF);
    rig.Chip.WriteAddress(r);
    if (r == AyChip::PortA) continue;
    EXPECT_EQ(rig.Chip.ReadData(), masks[r]) << int{r};
  }
  rig.Set(AyChip::PortA, 0x12);
  rig.Set(AyChip::Mixer, 0x3F);  // port A an input: the pins, nothing attached
  rig.Chip.WriteAddress(AyChip::PortA);
  EXPECT_EQ(rig.Chip.ReadData(), 0xFF);
  rig.Set(AyChip::Mixer, 0x7F);  // an output: what was written
  rig.Chip.WriteAddress(AyChip::PortA);
  EXPECT_EQ(rig.Chip.ReadData(), 0x12);
}

// The counters must come out the same whether the chip runs event by event (heard) or in bulk
// (unheard, or the mixer off): a channel muted for a while and heard again keeps its phase.
TEST(AyChip, BulkRunningKeepsEveryCounterInStep) {
  auto run = [](bool heard) {
    Rig rig;
    rig.Mixer.SetEnabled(heard);
    rig.Set(AyChip::Mixer, 0x30);
    rig.Set(AyChip::ToneFineA, 77);
    rig.Set(2, 190);
    rig.Set(4, 3);
    rig.Set(AyChip::NoisePeriod, 9);
    rig.Set(AyChip::EnvelopeFine, 3);
    rig.Set(AyChip::EnvelopeShape, 0x0A);
    for (uint8_t c = 0; c < 3; ++c) rig.Set(AyChip::LevelA + c, 0x10);
    for (uint32_t cycle = 1000; cycle < Cycles; cycle += 7919) rig.RunTo(cycle);
    rig.Frames(3);
    return rig.Chip;
  };
  const AyChip a = run(true), b = run(false);
  EXPECT_EQ(std::memcmp(a.ToneCounter, b.ToneCounter, sizeof a.ToneCounter), 0);
  EXPECT_EQ(std::memcmp(a.ToneOutput, b.ToneOutput, sizeof a.ToneOutput), 0);
  EXPECT_EQ(a.NoiseShift, b.NoiseShift);
  EXPECT_EQ(a.NoiseCounter, b.NoiseCounter);
  EXPECT_EQ(a.EnvelopeStep, b.EnvelopeStep);
  EXPECT_EQ(a.EnvelopeCounter, b.EnvelopeCounter);
}

// The chip runs from event to event with the noise in runs between them; where the frame is cut
// (by the processor's writes) must not change a sample: every tone, noise and envelope edge lands
// at its own tick either way.
TEST(AyChip, OutputDoesNotDependOnWhereTheFrameIsCut) {
  const uint8_t setups[][16] = {
      // three tones, envelope on A and C, noise at its fastest on every channel
      {200, 0, 150, 0, 95, 0, 1, 0x00, 0x10, 0x0C, 0x10, 40, 0, 0x0E, 0, 0},
      // noise alone on B; tones A and C, one of them at the shortest period
      {1, 0, 33, 1, 7, 0, 17, 0x2A, 0x0F, 0x1F, 0x09, 3, 0, 0x0A, 0, 0},
  };
  for (const auto& setup : setups) {
    auto run = [&setup](uint32_t cut) {
      Rig rig;
      for (uint8_t r = 0; r < 14; ++r) rig.Set(r, setup[r]);
      for (int frame = 0; frame < 3; ++frame) {
        if (cut != 0)
          for (uint32_t cycle = cut; cycle < Cycles; cycle += cut) rig.RunTo(cycle);
        rig.Frames(1);
      }
      return rig.Mixer.Pending();
    };
    const auto whole = run(0);
    EXPECT_GT(Rms(whole), 1000);
    for (uint32_t cut : {16u, 997u, 7919u}) EXPECT_EQ(run(cut), whole) << "cut every " << cut;
  }
}

}  // namespace
}  // namespace tirvane::testing
