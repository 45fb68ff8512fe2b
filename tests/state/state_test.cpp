// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "drivers/home_computer.h"
#include "run/machine_state.h"
#include "run/run.h"
#include "run/state_file.h"
#include "support/bundled_descriptions.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

class StateTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunControls(); }
  void TearDown() override {
    ResetRunControls();
    if (run_.Running()) run_.Stop();
    run_.RunLoop();
  }
  void Start(const std::string& path) {
    if (run_.Running()) {
      run_.Stop();
      run_.RunLoop();
    }
    ResetRunControls();
    ASSERT_TRUE(run_.Start(path).Ok) << path;
  }
  // Debug mode with the breakpoints on: one instruction a pass, the hook asked at marked addresses.
  void Steps(int count) {
    DebugMode = true;
    BreakpointsEnabled = true;
    for (int i = 0; i < count; ++i) run_.RunPass();
    DebugMode = false;
    BreakpointsEnabled = false;
  }
  uint64_t Hash() {
    MachineState state;
    CaptureMachineState(run_, state);
    return state.Hash();
  }

  HeadlessHost host_{std::string(TIRVANE_BIN_DIR) + "/"};
  ScopedHost scope_{host_};
  EmulationRun run_;
  std::bitset<65536> marks_;
  int hits_ = 0;
};

TEST_F(StateTest, SaveInTheMiddleOfDebugStepsResumesBitIdenticalOnEveryBoard) {
  // Each debug step redraws the screen; under the sanitizers a fifth of the steps after the save
  // keeps the test within its time limit, and the whole frames after them still run.
#ifdef TIRVANE_SANITIZED
  constexpr int After = 1000;
#else
  constexpr int After = 5000;
#endif
  marks_[0x0038] = marks_[0x0066] = true;
  run_.BreakpointMarks = &marks_;
  run_.BreakpointCheck = [this] { ++hits_; };
  for (const std::string& path : BundledDescriptions()) {
    SCOPED_TRACE(path);
    Start(path);
    for (int frame = 0; frame < 5; ++frame) run_.RunPass();
    Steps(777);
    MachineState saved;
    CaptureMachineState(run_, saved);
    const std::vector<uint8_t> file = EncodeStateFile(run_, saved);
    const int hitsBefore = hits_;
    Steps(After);
    for (int frame = 0; frame < 3; ++frame) run_.RunPass();
    const uint64_t straight = Hash();
    const int straightHits = hits_ - hitsBefore;

    Start(path);  // a fresh machine, as in a new process
    MachineState loaded;
    ASSERT_TRUE(DecodeStateFile(file, run_, loaded).Ok);
    ASSERT_TRUE(RestoreMachineState(run_, loaded));
    EXPECT_EQ(loaded.Hash(), saved.Hash());
    hits_ = 0;
    Steps(After);
    for (int frame = 0; frame < 3; ++frame) run_.RunPass();
    EXPECT_EQ(Hash(), straight);
    EXPECT_EQ(hits_, straightHits);
  }
}

TEST_F(StateTest, BadFilesAreRefusedWithTheirReasonAndLeaveTheMachineAlone) {
  const std::string galaxian = std::string(TIRVANE_BIN_DIR) + "/galaxian_demo.ini";
  Start(std::string(TIRVANE_BIN_DIR) + "/invaders_demo.ini");
  MachineState state;
  CaptureMachineState(run_, state);
  const std::vector<uint8_t> otherDriver = EncodeStateFile(run_, state);
  Start(galaxian);
  run_.RunPass();
  CaptureMachineState(run_, state);
  const std::vector<uint8_t> good = EncodeStateFile(run_, state);
  run_.RunPass();
  const uint64_t before = Hash();

  auto changed = [&good](size_t at, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[at] = value;
    return bytes;
  };
  auto resealed = [](std::vector<uint8_t> bytes) {
    const uint64_t sum = HashBytes(std::span(bytes).first(bytes.size() - 8));
    for (int i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = static_cast<uint8_t>(sum >> (8 * i));
    return bytes;
  };
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
    const char* Reason;
  };
  const Case cases[] = {
      {"empty", {}, "not a save state"},
      {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 100), "damaged or cut short"},
      {"damaged payload", changed(good.size() - 50, good[good.size() - 50] ^ 1), "checksum"},
      {"another version", resealed(changed(8, 0xEE)), "format version 238"},
      {"another driver", otherDriver, "INVADERS driver"},
      {"other ROMs", resealed(changed(8 + 4 + 2 + 8 + 2 + 17, good[8 + 4 + 2 + 8 + 2 + 17] ^ 1)), "other ROMs"},
  };
  for (const Case& c : cases) {
    MachineState out;
    const StateFileCheck check = DecodeStateFile(c.Bytes, run_, out);
    EXPECT_FALSE(check.Ok) << c.What;
    EXPECT_NE(check.Message.find(c.Reason), std::string::npos) << c.What << ": " << check.Message;
  }
  EXPECT_EQ(Hash(), before);
  EXPECT_TRUE(DecodeStateFile(good, run_, state).Ok);
}

// A checksum guards against damage only: a crafted state must not hand the frame loop or the
// drawing bounds they trust.
TEST_F(StateTest, CraftedStatesWithUnsoundBoundsAreRefused) {
  Start(std::string(TIRVANE_BIN_DIR) + "/galaxian_demo.ini");
  run_.RunPass();
  MachineState good;
  CaptureMachineState(run_, good);
  const uint32_t frameLength = ActiveContext->FrameLength;
  ActiveContext->FrameLength = 0x5A5A5A5A;
  MachineState marked;
  CaptureMachineState(run_, marked);
  ActiveContext->FrameLength = frameLength;
  const size_t frameLengthAt = static_cast<size_t>(
      std::mismatch(good.Bytes().begin(), good.Bytes().end(), marked.Bytes().begin()).first - good.Bytes().begin());
  const size_t geometryAt = good.Bytes().size() - 33;  // width, height, x, y; the dirty flag; two counters

  struct Case {
    const char* What;
    size_t At;
    int32_t Value;
  };
  const Case cases[] = {
      {"no frame length", frameLengthAt, 0},        {"endless frame", frameLengthAt, 0x7FFFFFFF},
      {"no width", geometryAt, 0},                  {"wider than the bitmap", geometryAt, 257},
      {"taller than the bitmap", geometryAt + 4, 289}, {"left of the bitmap", geometryAt + 8, -1},
      {"below the bitmap", geometryAt + 12, 288},
  };
  const uint64_t before = Hash();
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(good.Bytes().begin(), good.Bytes().end());
    std::memcpy(bytes.data() + c.At, &c.Value, sizeof c.Value);
    MachineState crafted;
    crafted.Assign(bytes);
    EXPECT_FALSE(RestoreMachineState(run_, crafted)) << c.What;
  }
  EXPECT_EQ(Hash(), before);
  EXPECT_TRUE(RestoreMachineState(run_, good));
}

// The rewind's case: a state restored into the machine that ran on from it. Anything a board kept
// outside its record (the deck's place on a tape, the loader's counters, the border) would make the
// second run differ. The tape plays into the ROM's loader rather than loading at once, and the
// state is taken in the middle of a block.
TEST_F(StateTest, RestoringMidTapeIntoTheRunningMachineRepeatsTheLoad) {
  Start(std::string(TIRVANE_BIN_DIR) + "/opense_basic.ini");
  SpectrumTape.Instant = false;
  ASSERT_TRUE(run_.LoadFile(std::string(TIRVANE_BIN_DIR) + "/roms/spectrum/tapetest.tap").Ok);
  int frame = 0;
  while (!SpectrumTape.Playing() && ++frame < 400) run_.RunPass();
  for (int k = 0; k < 60; ++k) run_.RunPass();
  ASSERT_TRUE(SpectrumTape.Playing());
  MachineState saved;
  CaptureMachineState(run_, saved);
  for (int k = 0; k < 150; ++k) run_.RunPass();
  const uint64_t straight = Hash();
  const size_t straightBlock = SpectrumTape.Next;

  ASSERT_TRUE(RestoreMachineState(run_, saved));
  EXPECT_EQ(Hash(), saved.Hash());
  for (int k = 0; k < 150; ++k) run_.RunPass();
  EXPECT_EQ(Hash(), straight);
  EXPECT_EQ(SpectrumTape.Next, straightBlock);
  SpectrumTape.Instant = true;
}

// A sound PROM that cannot be read is the start's notice for the view, not a message from the
// board, and the game runs on without sound.
TEST_F(StateTest, MissingSoundPromIsTheStartsNoticeAndTheGameRuns) {
  std::ifstream in(std::string(TIRVANE_BIN_DIR) + "/pacman_sound_demo.ini");
  std::string text{std::istreambuf_iterator<char>(in), {}};
  const size_t at = text.find("roms/pacman/waves.prom");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 22, "roms/pacman/missing.prom");
  const std::string ini = ::testing::TempDir() + "tirvane_missing_prom.ini";
  std::ofstream(ini) << text;

  const StartResult started = run_.Start(ini);
  ASSERT_TRUE(started.Ok) << started.Message;
  EXPECT_EQ(started.Notice, "Failed loading the sound PROM (256 bytes):\r" + host_.programFolder() +
                                "roms/pacman/missing.prom\rThe game runs silent.");
  EXPECT_TRUE(host_.Messages.empty());
  for (int k = 0; k < 5; ++k) run_.RunPass();
  EXPECT_TRUE(run_.Running());
  EXPECT_EQ(run_.FramesRun(), 5u);
  std::filesystem::remove(ini);
}

}  // namespace
}  // namespace tirvane
