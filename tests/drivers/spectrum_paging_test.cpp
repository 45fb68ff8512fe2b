// SPDX-License-Identifier: GPL-3.0-or-later
// The SPECTRUM 128K through the headless runner: our paging test ROM, our ROM 0 handing over to
// BASIC, the sound chip demo heard at its registers' pitch, and 128K snapshots saved and loaded.
#include "drivers/spectrum_paging.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../app/temp_folder.h"
#include "../devices/signal.h"
#include "app/headless_runner.h"
#include "devices/ay_chip.h"
#include "devices/sound_mixer.h"
#include "drivers/home_computer.h"
#include "machine/romset.h"

namespace tirvane {
namespace {

std::string BinPath(const std::string& name) { return std::string(TIRVANE_BIN_DIR) + "/" + name; }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

HeadlessResult RunFor(const std::string& description, int frames) {
  HeadlessOptions options;
  options.Description = BinPath(description);
  options.Frames = frames;
  return RunHeadlessJob(options);
}

TEST(Spectrum128, EveryPageKeepsItsMarkerAndTheLockHoldsThePort) {
  const HeadlessResult result = RunFor("paging_test.ini", 5);
  ASSERT_TRUE(result.Ok) << result.Error;
  for (unsigned page = 0; page < PageCount; ++page) {
    EXPECT_EQ(SpectrumState.Pages[page][0x3FFF], 0xA0 + page) << "page " << page;
    EXPECT_EQ(SpectrumState.Pages[2][0x100 + page], 0xA0 + page) << "read back from page " << page;
  }
  // Pages 5 and 2 at C000h are the same memory as at 4000h and 8000h.
  EXPECT_EQ(SpectrumState.Pages[5][0], 0xA5);
  EXPECT_EQ(SpectrumState.Pages[2][0], 0xA2);
  EXPECT_EQ(MemoryImage[0x8000], 0xA2);
  // Locked with page 1 in and the second screen: the write after the lock changed nothing.
  EXPECT_EQ(SpectrumState.Port7FFD, 0x29);
  EXPECT_EQ(SpectrumState.Pages[2][0x108], 0xA1);
  EXPECT_EQ(MemoryImage[0xFFFF], 0xA1);
  // The second screen is shown: all red ink, where the normal screen is black.
  ASSERT_EQ(result.Picture.Pixels.size(), 256u * 192);
  size_t red = 0;
  for (uint8_t pixel : result.Picture.Pixels) red += pixel == 10 + 2;
  EXPECT_EQ(red, result.Picture.Pixels.size());
}

// The runner's page-qualified dump reads a page that is not the one paged in, and its register
// line tells the paging port's state.
TEST(Spectrum128, RunnerDumpsAPageByNumberAndShowsThePort) {
  HeadlessOptions options;
  options.Description = BinPath("paging_test.ini");
  options.Frames = 5;
  options.DumpPath = "unused";
  options.Registers = true;
  for (const auto& [range, first] :
       {std::pair{"7:D800-D801", 0x0A}, std::pair{"3:FFFF-FFFF", 0xA3}, std::pair{"FFFF-FFFF", 0xA1}}) {
    options.DumpRange = range;
    const HeadlessResult result = RunHeadlessJob(options);
    ASSERT_TRUE(result.Ok) << result.Error;
    ASSERT_FALSE(result.Dump.empty()) << range;
    EXPECT_EQ(result.Dump[0], first) << range;
    EXPECT_NE(result.RegistersLine.find("7FFD=29 (RAM 1 at C000, ROM 0, screen 7, locked)"),
              std::string::npos);
  }
  options.Description = BinPath("beeper_demo.ini");
  options.DumpRange = "5:C000-C001";
  EXPECT_FALSE(RunHeadlessJob(options).Ok) << "a 48K has no pages";
}

TEST(Spectrum128, OwnRomZeroHandsOverToBasicWithRomOneIn) {
  const HeadlessResult result = RunFor("spectrum_128k.ini", 120);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(SpectrumState.Port7FFD, Rom1Bit);
  // The ROM at 0000h is BASIC's, not ours.
  EXPECT_NE(std::string(reinterpret_cast<const char*>(MemoryImage + 0x68), 7), "TIRVANE");
  // BASIC's start-up left the paging variable and its neighbours as ROM 0 wrote them.
  const uint8_t expected[] = {0x10, 0xCF, 0xFF, 12, 0, 0, 0, 0, 80};
  for (size_t n = 0; n < std::size(expected); ++n) EXPECT_EQ(MemoryImage[0x5B5C + n], expected[n]) << n;
}

// The middle three fifths of each stretch louder than the threshold, 10 ms windows at a time.
std::vector<std::span<const int16_t>> Notes(const std::vector<int16_t>& s) {
  constexpr size_t Window = 480;
  std::vector<std::span<const int16_t>> notes;
  size_t start = 0;
  bool inNote = false;
  for (size_t w = 0; w + Window <= s.size(); w += Window) {
    const bool loud = testing::Rms(std::span(s).subspan(w, Window)) > 100;
    if (loud && !inNote) start = w;
    if (!loud && inNote) notes.push_back(std::span(s).subspan(start + (w - start) / 5, (w - start) * 3 / 5));
    inNote = loud;
  }
  return notes;
}

// The same demo as ROM 0 of the 128K and as the 48K's ROM with the chip added: pitch within 0.1%
// of clock / (16 TP) for the tones and of clock / (512 EP) and clock / (256 EP) for the triangle
// and sawtooth envelopes; the level steps by their table's ratios.
TEST(Spectrum128, SoundChipDemoPlaysItsRegistersPitch) {
  for (const char* description : {"ay_demo_128k.ini", "ay_demo_48k.ini"}) {
    HeadlessOptions options;
    options.Description = BinPath(description);
    options.Frames = 170;
    options.WavPath = "unused";
    const HeadlessResult result = RunHeadlessJob(options);
    ASSERT_TRUE(result.Ok) << result.Error;
    const auto notes = Notes(result.Sound);
    ASSERT_EQ(notes.size(), 8u) << description;
    constexpr double Clock = AyChip::Clock128;
    const double expected[] = {Clock / (16 * 284), Clock / (16 * 213), Clock / (16 * 1000), 0, 0,
                               Clock / (512 * 10), Clock / (256 * 10)};
    for (size_t n = 0; n < std::size(expected); ++n) {
      if (expected[n] == 0) continue;
      const double measured = testing::MeasurePitch(notes[n]);
      EXPECT_NEAR(measured, expected[n], expected[n] * 0.001) << description << " note " << n;
      std::printf("%s note %zu: expected %.3f Hz, measured %.3f Hz\n", description, n, expected[n], measured);
    }
    EXPECT_NEAR(testing::Rms(notes[3]) / testing::Rms(notes[0]), 0.5, 0.01) << description;
    EXPECT_NEAR(testing::Rms(notes[4]) / testing::Rms(notes[0]), 0.25, 0.01) << description;
    EXPECT_GT(testing::Rms(notes[7]), 1000) << description << ": noise";
    EXPECT_EQ(testing::Rms(std::span(result.Sound).last(4800)), 0) << description;
  }
}

// A snapshot of the paging test taken after frame 5 and loaded back after frame 5 of a second run
// leaves frame 6 exactly as a run straight through, in each format; with the sound chip's registers
// set and loaded into a machine that ran BASIC, it gives back the same file (".sna" has no chip).
TEST(Spectrum128, SnapshotSavedAndLoadedBackLeavesTheSameState) {
  testing::TempFolder folder;
  for (const char* extension : {".sna", ".z80", ".szx"}) {
    SCOPED_TRACE(extension);
    const HeadlessResult first = RunFor("paging_test.ini", 5);
    ASSERT_TRUE(first.Ok) << first.Error;
    const std::string path = folder.Folder() + "paging" + extension;
    ASSERT_EQ(SaveSpectrumSnapshot(path), "");
    const HeadlessResult straight = RunFor("paging_test.ini", 6);

    HeadlessOptions options;
    options.Description = BinPath("paging_test.ini");
    options.Frames = 6;
    options.LoadFile = path;
    options.LoadAfterFrame = 5;
    const HeadlessResult reloaded = RunHeadlessJob(options);
    ASSERT_TRUE(reloaded.Ok) << reloaded.Error;
    EXPECT_EQ(reloaded.StateHash, straight.StateHash);

    ASSERT_TRUE(RunFor("paging_test.ini", 5).Ok);
    AyChip& ay = SpectrumState.Ay;
    for (uint8_t r = 0; r < 14; ++r) {
      ay.WriteAddress(r);
      ay.WriteData(static_cast<uint8_t>(r * 3 + 1), 0, FrameSound);
    }
    ay.WriteAddress(AyChip::Mixer);
    ASSERT_EQ(SaveSpectrumSnapshot(path), "");
    const std::vector<uint8_t> saved = ReadAll(path);
    options.Description = BinPath("spectrum_128k.ini");
    options.Frames = options.LoadAfterFrame = 60;
    const HeadlessResult elsewhere = RunHeadlessJob(options);
    ASSERT_TRUE(elsewhere.Ok) << elsewhere.Error;
    const std::string again = folder.Folder() + "again" + extension;
    ASSERT_EQ(SaveSpectrumSnapshot(again), "");
    EXPECT_EQ(ReadAll(again), saved);
    EXPECT_EQ(elsewhere.Picture.Pixels, first.Picture.Pixels);
  }
}

TEST(Spectrum128, SnapshotOfTheWrongShapeIsRefusedWithNothingChanged) {
  ASSERT_TRUE(RunFor("paging_test.ini", 5).Ok);
  std::vector<uint8_t> file = Save128Snapshot();
  const std::vector<uint8_t> before = file;
  struct Case {
    size_t size;
    uint8_t port;
  };
  // The long form holds page 5 or 2 twice; a short file with either paged in, or a long one
  // without, does not add up; other lengths are not 128K snapshots at all.
  for (const Case c : {Case{Snapshot128Size, 0x05}, Case{Snapshot128LongSize, 0x01},
                       Case{Snapshot128Size - 1, 0x01}, Case{49179, 0x01}}) {
    std::vector<uint8_t> bad = file;
    bad.resize(c.size, 0x55);
    if (bad.size() > 49181) bad[49181] = c.port;
    EXPECT_FALSE(Load128Snapshot(bad).empty()) << c.size;
    EXPECT_EQ(Save128Snapshot(), before) << c.size;
  }
}

}  // namespace
}  // namespace tirvane
