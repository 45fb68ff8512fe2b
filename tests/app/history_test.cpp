// SPDX-License-Identifier: GPL-3.0-or-later
// The run's history on every bundled game: stepping back retraces each step, rewinding equals the
// straight run, run back and last write land where the forward run says.
#include "run/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <bitset>
#include <cctype>
#include <map>
#include <optional>
#include <random>

#include "app/headless_host.h"
#include "app/headless_runner.h"
#include "debugger/run_back.h"
#include "machine/romset.h"
#include "run/run.h"
#include "support/test_driver.h"
#include "support/bundled_descriptions.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

// A bundled game started with a history, on the headless host.
class HistoryRun {
 public:
  explicit HistoryRun(const std::string& description) : host_(FolderOf(description)), scope_(host_) {
    ResetRunControls();
    run.History = &history;
    started = run.Start(description).Ok;
  }
  ~HistoryRun() {
    run.Stop();
    run.RunLoop();
  }
  void Step() {
    history.BeforeExecute();
    run.ExecuteStep();
  }
  HistoryPoint Here() const { return history.Current(); }

  EmulationRun run;
  RunHistory history{run};
  bool started = false;

 private:
  HeadlessHost host_;
  ScopedHost scope_;
};

// Records the hash before each of 10,000 steps (1,000 under the sanitizers) that cross a frame's end
// and its interrupt, then steps back through all of them; the text says how far back the first
// mismatch was.
std::string StepBackMismatch(HistoryRun& m) {
#ifdef TIRVANE_SANITIZED
  constexpr int Steps = 1000;
#else
  constexpr int Steps = 10000;
#endif
  for (int i = 0; i < 40; ++i) m.run.RunPass();
  // Start half the steps before a frame ends.
  uint32_t frameLength = 0;
  for (const uint64_t frame = m.Here().Frame; m.Here().Frame == frame && frameLength < 1'000'000; ++frameLength)
    m.Step();
  if (frameLength == 1'000'000) return "a frame never ended";
  for (uint32_t i = 0; i + Steps / 2 < frameLength; ++i) m.Step();

  std::vector<uint64_t> hashes;
  const uint64_t firstFrame = m.Here().Frame;
  for (int i = 0; i < Steps; ++i) {
    hashes.push_back(MachineStateHash(m.run));
    m.Step();
  }
  if (m.Here().Frame == firstFrame) return "the steps never crossed a frame's end";
  int i = Steps - 1;
  while (i >= 0 && m.history.StepBack() && MachineStateHash(m.run) == hashes[i]) --i;
  return i == -1 ? "" : "step back went wrong " + std::to_string(Steps - 1 - i) + " steps back";
}

// One test per game, so that each has its own time limit.
class HistoryOnEveryGame : public testing::TestWithParam<std::string> {};

TEST_P(HistoryOnEveryGame, SteppingBackRetracesEveryStep) {
  HistoryRun m(GetParam());
  ASSERT_TRUE(m.started);
  EXPECT_EQ(StepBackMismatch(m), "");
}

INSTANTIATE_TEST_SUITE_P(Bundled, HistoryOnEveryGame, testing::ValuesIn(BundledDescriptions()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = std::filesystem::path(info.param).stem().string();
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Random bytes as the program of a board with no handlers: whatever mix of instructions, interrupt
// modes, HALTs and block instructions they make, stepping back retraces them.
TEST(History, SteppingBackRetracesRandomPrograms) {
  EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
  testdriver::TempFolder folder("history");
  std::mt19937 random(17);
  for (int program = 0; program < 4; ++program) {
    std::vector<uint8_t> bytes(0x4000);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    testdriver::WriteFile(folder.path() / "random.bin", bytes);
    const std::string ini = folder / "random.ini";
    testdriver::WriteText(ini, "#driver=TESTBARE\n#maxrom=4000\n#framecycles=2710\n0000~random.bin\n");
    HistoryRun m(ini);
    ASSERT_TRUE(m.started) << program;
    EXPECT_EQ(StepBackMismatch(m), "") << "program " << program;
  }
}

// In one run, so that what a board keeps across runs (a frame counter) is the same on both sides.
TEST(History, RewindingEqualsTheStraightRunWithKeysHeld) {
  for (const std::string& path : BundledDescriptions()) {
    HistoryRun m(path);
    ASSERT_TRUE(m.started) << path;
    uint64_t straight = 0;
    std::vector<uint8_t> picture;
    for (int frame = 1; frame <= 300; ++frame) {
      KeyState.fill(0);
      // Held across the frame rewound to, and changed within the rewound stretch.
      if (frame >= 150 && frame < 250) KeyState[static_cast<int>(VirtualKey::Left)] = 1;
      if (frame >= 196 && frame < 230) KeyState[static_cast<int>(VirtualKey::Ctrl)] = 1;
      m.run.RunPass();
      if (frame == 200) straight = MachineStateHash(m.run), picture.assign(Screen->Pixels.begin(), Screen->Pixels.end());
    }
    ASSERT_TRUE(m.history.RewindFrames(100)) << path;
    EXPECT_EQ(MachineStateHash(m.run), straight) << path;
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), Screen->Pixels.begin())) << path;
    // From within a frame, one frame back is that frame's start.
    const HistoryPoint frameStart = m.Here();
    m.Step();
    m.Step();
    ASSERT_TRUE(m.history.RewindFrames(1)) << path;
    EXPECT_EQ(m.Here(), frameStart) << path;
  }
}

TEST(History, RunBackAndLastWriteLandWhereTheForwardRunSaw) {
  HistoryRun m(std::string(TIRVANE_BIN_DIR) + "/pacman_demo.ini");
  ASSERT_TRUE(m.started);
  for (int i = 0; i < 20; ++i) m.run.RunPass();
  // Forward: where each address was last the next instruction, and where a RAM byte last changed.
  std::map<uint16_t, HistoryPoint> lastAt;
  std::optional<HistoryPoint> lastChange;
  const uint16_t watched = 0x4C00;
  for (int i = 0; i < 30000; ++i) {
    lastAt[ActiveContext->PC.w] = m.Here();
    const HistoryPoint before = m.Here();
    const uint8_t value = MemoryImage[watched];
    m.Step();
    if (MemoryImage[watched] != value) lastChange = before;
  }
  const HistoryPoint end = m.Here();
  ASSERT_TRUE(lastChange) << "the demo's RAM byte never changed";

  const auto written = m.history.LastWrite(watched);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, *lastChange);
  EXPECT_EQ(m.Here(), *lastChange);

  ASSERT_TRUE(m.history.GoTo(end));
  const uint16_t target = lastAt.begin()->first;
  std::bitset<0x10000> stops;
  stops[target] = true;
  EXPECT_EQ(m.history.RunBack(stops), RunHistory::SearchResult::Found);
  EXPECT_EQ(m.Here(), lastAt[target]);
  EXPECT_EQ(ActiveContext->PC.w, target);

  stops.reset();
  EXPECT_EQ(m.history.RunBack(stops), RunHistory::SearchResult::StartOfHistory);
  EXPECT_EQ(m.Here(), *m.history.Oldest());
}

// Run back lands where the engine's forward run last stopped before the current point.
TEST(History, RunBackStopsWhereTheEngineStoppedForward) {
  struct Case {
    const char* name;
    RunBackStop stop;
  };
  for (const Case& c : {Case{"watchpoint", RunBackStop::Watchpoint}, Case{"condition", RunBackStop::Condition}}) {
    HistoryRun m(std::string(TIRVANE_BIN_DIR) + "/pacman_demo.ini");
    ASSERT_TRUE(m.started);
    DebugEngine engine(m.run);
    for (int i = 0; i < 20; ++i) m.run.RunPass();
    if (c.stop == RunBackStop::Watchpoint) {
      engine.Watchpoints.Add({WatchSpace::Memory, 0x4C00, 0x4C00, WatchWrite, {}, true});
    } else {
      ConditionError error;
      char where[8];
      std::snprintf(where, sizeof where, "%04X", ActiveContext->PC.w);
      ASSERT_TRUE(engine.Breakpoints.Add(where, "A = " + std::to_string(ActiveContext->AF.h), 1, nullptr, error));
      m.Step();  // the instruction resumed from never stops
    }
    auto runToStop = [&] {
      engine.Run();
      for (int i = 0; i < 300 && DebugState != DebugStateKind::Paused; ++i) m.run.RunPass();
      return DebugState == DebugStateKind::Paused;
    };
    ASSERT_TRUE(runToStop()) << c.name;
    const HistoryPoint first = m.Here();
    ASSERT_TRUE(runToStop()) << c.name;
    EXPECT_EQ(RunBackToStop(m.history, &engine, nullptr), c.stop) << c.name;
    EXPECT_EQ(m.Here(), first) << c.name;
    EXPECT_FALSE(engine.Watchpoints.HitPending()) << c.name;
    EXPECT_EQ(RunBackToStop(m.history, nullptr, nullptr), RunBackStop::StartOfHistory) << c.name;
  }
}

// Run back stops only where a breakpoint's condition held, not at its latest pass.
TEST(History, RunBackPassesByABreakpointWhoseConditionFails) {
  EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
  testdriver::TempFolder folder("runback");
  // LD HL,0; then INC HL; JR back to it.
  testdriver::WriteFile(folder.path() / "p.bin", {0x21, 0x00, 0x00, 0x23, 0x18, 0xFD});
  const std::string ini = folder / "p.ini";
  testdriver::WriteText(ini, "#driver=TESTBARE\n#maxrom=4000\n#framecycles=2710\n0000~p.bin\n");
  HistoryRun m(ini);
  ASSERT_TRUE(m.started);
  DebugEngine engine(m.run);
  ConditionError error;
  ASSERT_TRUE(engine.Breakpoints.Add("0003", "L & 3 = 0", 1, nullptr, error)) << error.Text();
  for (int i = 0; i < 38; ++i) m.Step();  // the last pass at 0003h had L = 18
  ASSERT_EQ(ActiveContext->HL.l, 19);
  EXPECT_EQ(RunBackToStop(m.history, &engine, nullptr), RunBackStop::Condition);
  EXPECT_EQ(ActiveContext->PC.w, 0x0003);
  EXPECT_EQ(ActiveContext->HL.l, 16);
}

TEST(History, LastWriteFindsAWriteOfTheValueAlreadyThere) {
  EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
  testdriver::TempFolder folder("lastwrite");
  // LD A,5; LD (8000h),A twice; then JR $.
  testdriver::WriteFile(folder.path() / "p.bin", {0x3E, 0x05, 0x32, 0x00, 0x80, 0x32, 0x00, 0x80, 0x18, 0xFE});
  const std::string ini = folder / "p.ini";
  testdriver::WriteText(ini, "#driver=TESTBARE\n#maxrom=4000\n#framecycles=2710\n0000~p.bin\n");
  HistoryRun m(ini);
  ASSERT_TRUE(m.started);
  std::optional<HistoryPoint> second;
  for (int i = 0; i < 50; ++i) {
    if (ActiveContext->PC.w == 0x0005) second = m.Here();
    m.Step();
  }
  ASSERT_TRUE(second);
  EXPECT_EQ(m.history.LastWrite(0x8000), second);
  EXPECT_EQ(ActiveContext->PC.w, 0x0005);
}

}  // namespace
}  // namespace tirvane
