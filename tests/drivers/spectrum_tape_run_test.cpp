// SPDX-License-Identifier: GPL-3.0-or-later
// The SPECTRUM ("#model=48") loading people's files end to end through the headless runner: our
// tape made by pasmo (a BASIC loader and a code block) loaded with LOAD "" typed into OpenSE BASIC,
// then the running machine saved as a snapshot and loaded into a fresh one.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/headless_runner.h"
#include "drivers/home_computer.h"
#include "drivers/spectrum_tape.h"
#include "machine/romset.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

std::string BinPath(const std::string& name) { return std::string(TIRVANE_BIN_DIR) + "/" + name; }

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr int LoadedByFrame = 500;

HeadlessOptions LoadTapeTest() {
  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  options.LoadFile = BinPath("roms/spectrum/tapetest.tap");
  options.Frames = LoadedByFrame;
  options.Registers = true;
  options.DumpPath = "-";
  return options;
}

TEST(SpectrumTapeRun, PasmoTapeLoadsThroughTheRomAndRuns) {
  const TapeReadResult tape = ReadTap(ReadFile(BinPath("roms/spectrum/tapetest.tap")), "tapetest.tap");
  ASSERT_TRUE(tape.Ok) << tape.Message;
  ASSERT_EQ(tape.Read.Blocks.size(), 4u) << "loader header and program, code header and code";
  const std::vector<uint8_t>& code = tape.Read.Blocks[3].Data;

  const HeadlessResult result = RunHeadlessJob(LoadTapeTest());
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Messages.empty()) << result.Messages.front();
  ASSERT_EQ(result.Dump.size(), 0x10000u);
  EXPECT_EQ(result.Dump[0x5B00], 1) << "the code started; " << result.RegistersLine;
  EXPECT_GT(result.Dump[0x5B01] | result.Dump[0x5B02] << 8, 10) << "and counts frames";
  // The code block's bytes (between flag and checksum) are at 8000h as the tape holds them.
  EXPECT_TRUE(std::equal(code.begin() + 1, code.end() - 1, result.Dump.begin() + 0x8000));
  EXPECT_TRUE(SpectrumTape.AtEnd());
}

TEST(SpectrumTapeRun, SavedSnapshotsLoadIntoAnIdenticalMachine) {
  for (const char* name : {"saved.z80", "saved.szx"}) {
    const std::string path = ::testing::TempDir() + name;
    HeadlessOptions save = LoadTapeTest();
    save.SaveSnapshot = path;
    const HeadlessResult saved = RunHeadlessJob(save);
    ASSERT_TRUE(saved.Ok) << saved.Error;
    ASSERT_EQ(saved.Dump[0x5B00], 1);

    HeadlessOptions load;
    load.Description = BinPath("opense_basic.ini");
    load.LoadFile = path;
    load.LoadAfterFrame = 1;
    load.Frames = 1;
    load.Registers = true;
    load.DumpPath = "-";
    const HeadlessResult loaded = RunHeadlessJob(load);
    ASSERT_TRUE(loaded.Ok) << loaded.Error;
    EXPECT_TRUE(loaded.Messages.empty());
    EXPECT_EQ(loaded.RegistersLine, saved.RegistersLine) << name;
    EXPECT_TRUE(std::equal(saved.Dump.begin() + 0x4000, saved.Dump.end(), loaded.Dump.begin() + 0x4000)) << name;
    std::remove(path.c_str());
  }
}

TEST(SpectrumTapeRun, DamagedTapeLeavesTheRunningMachineAlone) {
  const std::string path = ::testing::TempDir() + "damaged.tap";
  std::vector<uint8_t> bytes = ReadFile(BinPath("roms/spectrum/tapetest.tap"));
  bytes.resize(bytes.size() - 100);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  options.Frames = 150;
  options.DumpPath = "-";
  const HeadlessResult before = RunHeadlessJob(options);
  options.LoadFile = path;
  options.LoadAfterFrame = 149;
  const HeadlessResult after = RunHeadlessJob(options);
  ASSERT_EQ(after.Messages.size(), 1u);
  EXPECT_NE(after.Messages[0].find("Block 4 says"), std::string::npos) << after.Messages[0];
  EXPECT_EQ(before.Dump, after.Dump);
  std::remove(path.c_str());
}

// The same program as a ".tzx": the loader and the code's header as standard blocks (loaded at
// once), the code as a turbo-speed block (the ROM's timings but a shorter pilot), which the ROM
// reads from the EAR signal as the tape plays. The machine ends as the ".tap" left it.
TEST(SpectrumTapeRun, TzxWithATurboBlockPlaysIntoTheRomLoader) {
  const std::vector<uint8_t> tap = ReadFile(BinPath("roms/spectrum/tapetest.tap"));
  const TapeReadResult read = ReadTap(tap, "tapetest.tap");
  ASSERT_TRUE(read.Ok);
  std::vector<uint8_t> tzx = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20, 0x30, 4, 't', 'e', 's', 't'};
  for (size_t k = 0; k < read.Read.Blocks.size(); ++k) {
    const std::vector<uint8_t>& data = read.Read.Blocks[k].Data;
    const auto size = static_cast<uint32_t>(data.size());
    if (k < 3) {
      tzx.insert(tzx.end(), {0x10, 0xE8, 0x03, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
    } else {
      tzx.insert(tzx.end(), {0x11, 0x78, 0x08, 0x9B, 0x02, 0xDF, 0x02, 0x57, 0x03, 0xAE, 0x06, 0xB8, 0x0B, 8, 0xE8, 0x03,
                             static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0});
    }
    tzx.insert(tzx.end(), data.begin(), data.end());
  }
  const std::string path = ::testing::TempDir() + "tapetest.tzx";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tzx.data()), static_cast<std::streamsize>(tzx.size()));

  HeadlessOptions options = LoadTapeTest();
  options.LoadFile = path;
  options.Frames = 1700;
  const HeadlessResult played = RunHeadlessJob(options);
  ASSERT_TRUE(played.Ok) << played.Error;
  EXPECT_EQ(played.Dump[0x5B00], 1) << played.RegistersLine;
  const std::vector<uint8_t>& code = read.Read.Blocks[3].Data;
  EXPECT_TRUE(std::equal(code.begin() + 1, code.end() - 1, played.Dump.begin() + 0x8000));
  EXPECT_FALSE(SpectrumTape.Playing()) << "stopped once the loader stopped reading";
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tirvane
