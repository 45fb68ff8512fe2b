// SPDX-License-Identifier: GPL-3.0-or-later
// Our sound demos run headless; the pitch of every note in the capture must be within 0.5% of what
// the hardware's formula gives, volumes must keep their ratios, and silence must be silent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "../devices/signal.h"
#include "app/headless_runner.h"
#include "devices/sound_mixer.h"
#include "devices/tone_generator.h"
#include "devices/wave_sound_generator.h"
#include "temp_folder.h"

namespace tirvane::testing {
namespace {

constexpr double Tolerance = 0.005;

struct Capture {
  std::vector<int16_t> Sound;
  double Clock = 0;  // T-states per second the sound's time is counted in
};

Capture RunDemo(const char* description, int frames) {
  HeadlessOptions options;
  options.Description = std::string(TIRVANE_BIN_DIR) + "/" + description;
  options.Frames = frames;
  options.WavPath = "unused";
  HeadlessResult result = RunHeadlessJob(options);
  EXPECT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Messages.empty());
  return {std::move(result.Sound), static_cast<double>(FrameSound.FrameCycles()) * SampleRate /
                                       static_cast<double>(FrameSound.FrameSamples())};
}

// Stretches louder than the threshold, 10 ms windows at a time; the middle three fifths of each,
// clear of its attack and of the fade after it.
std::vector<std::span<const int16_t>> Notes(const std::vector<int16_t>& s) {
  constexpr size_t Window = 480;
  std::vector<std::span<const int16_t>> notes;
  size_t start = 0;
  bool inNote = false;
  for (size_t w = 0; w + Window <= s.size(); w += Window) {
    const bool loud = Rms(std::span(s).subspan(w, Window)) > 100;
    if (loud && !inNote) start = w;
    if (!loud && inNote) {
      const size_t length = w - start;
      notes.push_back(std::span(s).subspan(start + length / 5, length * 3 / 5));
    }
    inNote = loud;
  }
  return notes;
}

void ExpectPitch(std::span<const int16_t> note, double expected, const std::string& what) {
  const double measured = MeasurePitch(note);
  EXPECT_NEAR(measured, expected, expected * Tolerance) << what;
  std::printf("%-28s expected %9.3f Hz  measured %9.3f Hz  error %+.3f%%\n", what.c_str(), expected, measured,
              100 * (measured - expected) / expected);
}

TEST(SoundCapture, BeeperScaleMatchesItsDelayLoops) {
  const Capture c = RunDemo("beeper_demo.ini", 250);
  const auto notes = Notes(c.Sound);
  constexpr int Counts[] = {125, 111, 98, 92, 82, 73, 64, 60, 98};
  ASSERT_EQ(notes.size(), std::size(Counts));
  for (size_t n = 0; n < notes.size(); ++n)
    ExpectPitch(notes[n], c.Clock / (2.0 * (13 * Counts[n] + 46)), "beeper note " + std::to_string(n));
  // The last note is the same pitch on the quieter line.
  EXPECT_NEAR(Rms(notes[8]) / Rms(notes[2]), 0.1, 0.02);
  EXPECT_EQ(Rms(std::span(c.Sound).last(4800)), 0);  // halted: silence
}

TEST(SoundCapture, ToneGeneratorNotesChordAndNoise) {
  const Capture c = RunDemo("coleco_sound_demo.ini", 200);
  const auto notes = Notes(c.Sound);
  ASSERT_EQ(notes.size(), 7u);
  constexpr int Dividers[] = {214, 170, 143};
  for (int n = 0; n < 3; ++n)
    ExpectPitch(notes[n], ToneGenerator::ColecoClock / (32.0 * Dividers[n]), "tone channel " + std::to_string(n));
  // The chord holds all three notes at once.
  for (int divider : Dividers)
    EXPECT_GT(Magnitude(notes[3], ToneGenerator::ColecoClock / (32.0 * divider)), 1000) << divider;
  EXPECT_NEAR(Rms(notes[4]) / Rms(notes[0]), std::pow(10.0, -12 / 20.0), 0.02);
  // Periodic noise repeats every 15 shifts at clock / 2048.
  EXPECT_GT(Rms(notes[5]), 1000);
  ExpectPitch(notes[6], ToneGenerator::ColecoClock / 2048.0 / 15, "periodic noise");
  EXPECT_EQ(Rms(std::span(c.Sound).last(4800)), 0);
}

TEST(SoundCapture, WaveGeneratorPlaysEveryWaveformAndVoice) {
  const Capture c = RunDemo("pacman_sound_demo.ini", 260);
  const auto notes = Notes(c.Sound);
  ASSERT_EQ(notes.size(), 11u);
  const double a = 0x12C6 * WaveSoundGenerator::SampleRate / (1 << 20);
  for (int n = 0; n < 9; ++n) ExpectPitch(notes[n], a, "waveform " + std::to_string(n % 8));
  EXPECT_NEAR(Rms(notes[8]) / Rms(notes[0]), 5.0 / 15, 0.02);
  ExpectPitch(notes[9], 0x1C00 * WaveSoundGenerator::SampleRate / (1 << 20), "second voice");
  ExpectPitch(notes[10], 0x2580 * WaveSoundGenerator::SampleRate / (1 << 20), "third voice");
}

TEST(SoundCapture, SilentBoardsYieldSilenceFrameForFrame) {
  const Capture c = RunDemo("pacman_demo.ini", 30);  // no PROM named
  EXPECT_EQ(c.Sound.size(), 30u * 800);
  EXPECT_EQ(Rms(c.Sound), 0);
}

// A state saved mid-note and loaded into a fresh run goes on with the same sound: the devices'
// registers, counters and phases travel in the board's record. Only the output filter starts
// afresh, so the first 100 ms after the load are left out.
TEST(SoundCapture, SavedStateResumesTheSoundWhereItStopped) {
  struct Case {
    const char* description;
    int half;
  };
  for (const Case c : {Case{"beeper_demo.ini", 40}, Case{"coleco_sound_demo.ini", 30},
                       Case{"pacman_sound_demo.ini", 30}}) {
    TempFolder folder;
    HeadlessOptions options;
    options.Description = std::string(TIRVANE_BIN_DIR) + "/" + c.description;
    options.Frames = 2 * c.half;
    options.WavPath = "unused";
    const HeadlessResult straight = RunHeadlessJob(options);
    options.Frames = c.half;
    options.SaveState = folder.Folder() + "half.state";
    ASSERT_TRUE(RunHeadlessJob(options).Ok) << c.description;
    options.SaveState.reset();
    options.LoadState = folder.Folder() + "half.state";
    const HeadlessResult resumed = RunHeadlessJob(options);
    ASSERT_TRUE(resumed.Ok) << resumed.Error;
    const auto expected = std::span(straight.Sound).last(resumed.Sound.size()).subspan(4800);
    const auto actual = std::span(resumed.Sound).subspan(4800);
    EXPECT_GT(Rms(expected), 1000) << c.description << ": a note plays across the save";
    int worst = 0;
    for (size_t i = 0; i < actual.size(); ++i) worst = std::max(worst, std::abs(actual[i] - expected[i]));
    EXPECT_LE(worst, 2) << c.description;
  }
}

TEST(SoundCapture, WavFileHoldsTheSameBytesEveryRun) {
  TempFolder folder;
  auto write = [&](const std::string& name) {
    const std::string path = folder.Folder() + name;
    const std::vector<std::string> args = {std::string(TIRVANE_BIN_DIR) + "/coleco_sound_demo.ini", "--frames",
                                           "40", "--wav", path};
    std::ostringstream out, err;
    EXPECT_EQ(RunHeadless(args, out, err), 0) << err.str();
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const std::string first = write("a.wav");
  ASSERT_EQ(first.size(), 44u + 40 * 800 * 2);
  EXPECT_EQ(first.substr(0, 4), "RIFF");
  EXPECT_EQ(first.substr(8, 8), "WAVEfmt ");
  auto little = [&first](size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(first[at + i]);
    return value;
  };
  struct Field {
    size_t At;
    int Bytes;
    uint32_t Value;
  };
  // RIFF size, format size, PCM, mono, rate, byte rate, frame size, bits, data size.
  const Field fields[] = {{4, 4, 36 + 40 * 800 * 2}, {16, 4, 16}, {20, 2, 1}, {22, 2, 1}, {24, 4, 48000},
                          {28, 4, 96000},            {32, 2, 2},  {34, 2, 16}, {40, 4, 40 * 800 * 2}};
  for (const Field& f : fields) EXPECT_EQ(little(f.At, f.Bytes), f.Value) << "at byte " << f.At;
  EXPECT_EQ(first, write("b.wav"));

  std::ostringstream out, err;
  const std::vector<std::string> bad = {std::string(TIRVANE_BIN_DIR) + "/coleco_sound_demo.ini", "--wav",
                                        folder.Folder() + "missing/x.wav"};
  EXPECT_EQ(RunHeadless(bad, out, err), 1);
  EXPECT_NE(err.str().find("cannot create"), std::string::npos);
}

}  // namespace
}  // namespace tirvane::testing
