// SPDX-License-Identifier: GPL-3.0-or-later
// The run's history on every bundled game: stepping back retraces each step, rewinding equals the
// straight run, run back and last write land where the forward run says.
#include "run/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <bitset>
#include <map>
#include <optional>

#include "app/headless_host.h"
#include "app/headless_runner.h"
#include "machine/romset.h"
#include "run/run.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

std::vector<std::string> BundledDescriptions() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(TIRVANE_BIN_DIR))
    if (entry.path().extension() == ".ini") paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

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
  RunHistory history{run, MachineStateCodec(run)};
  bool started = false;

 private:
  HeadlessHost host_;
  ScopedHost scope_;
};

TEST(History, SteppingBackRetracesEveryStepAcrossAFrameEnd) {
  constexpr int Steps = 10000;
  for (const std::string& path : BundledDescriptions()) {
    HistoryRun m(path);
    ASSERT_TRUE(m.started) << path;
    for (int i = 0; i < 40; ++i) m.run.RunPass();
    // Start about 5,000 instructions before a frame ends, so the steps cross it and its interrupt.
    uint32_t frameLength = 0;
    for (const uint64_t frame = m.Here().Frame; m.Here().Frame == frame; ++frameLength) m.Step();
    for (uint32_t i = 0; i + 5000 < frameLength; ++i) m.Step();

    std::vector<uint64_t> hashes;
    const uint64_t firstFrame = m.Here().Frame;
    for (int i = 0; i < Steps; ++i) {
      hashes.push_back(MachineStateHash(m.run));
      m.Step();
    }
    EXPECT_GT(m.Here().Frame, firstFrame) << path;
    int i = Steps - 1;
    while (i >= 0 && m.history.StepBack() && MachineStateHash(m.run) == hashes[i]) --i;
    EXPECT_EQ(i, -1) << path << ": step back went wrong " << Steps - 1 - i << " steps back";
  }
}

TEST(History, RewindingEqualsTheStraightRunWithKeysHeld) {
  for (const std::string& path : BundledDescriptions()) {
    HeadlessOptions straight;
    straight.Description = path;
    straight.Frames = 200;
    std::string error;
    straight.Keys = *ParseKeyRanges("150-250:Left+1+Ctrl", error);
    straight.Actions = {{TimeTravelAction::StateHash, 0}};
    HeadlessOptions rewound = straight;
    rewound.Frames = 300;
    rewound.Actions = {{TimeTravelAction::Rewind, 100}, {TimeTravelAction::StateHash, 0}};

    const HeadlessResult a = RunHeadlessJob(straight), b = RunHeadlessJob(rewound);
    ASSERT_TRUE(a.Ok && b.Ok) << path;
    EXPECT_EQ(a.ActionLines, b.ActionLines) << path;
    EXPECT_EQ(a.Picture.Pixels, b.Picture.Pixels) << path;
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

}  // namespace
}  // namespace tirvane
