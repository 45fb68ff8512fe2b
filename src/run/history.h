// SPDX-License-Identifier: GPL-3.0-or-later
// The history of a run: enough to stand again on any instruction of the recent past. Captured
// states every few frames plus a log of the keys the machine saw; going back restores the nearest
// earlier state and replays forward to the point, so the past is exact, not approximated.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "run/machine_state.h"
#include "video/host.h"

namespace tirvane {

class EmulationRun;

// A point of the run: the frame (counted from Start) and the instructions already run in it, as the
// core counts them (each repetition of a block instruction is one). Frame boundaries are
// Instruction 0.
struct HistoryPoint {
  uint64_t Frame = 0;
  uint32_t Instruction = 0;
  auto operator<=>(const HistoryPoint&) const = default;
};

class RunHistory {
 public:
  explicit RunHistory(EmulationRun& run);

  // Emulated seconds kept, 10 to 600.
  void SetLength(int seconds);
  int Length() const { return seconds_; }
  bool Enabled = true;

  // A new history starting at the current point (Start, Reset, a loaded state).
  void Begin();
  void Clear();
  // Something outside the program changed the machine (a cartridge, an edited byte or register):
  // replay cannot reproduce it, so the history holds a state taken right after it.
  void MarkOutsideChange();
  // Called by the run before it executes from the current point: logs the keys the machine will
  // see, drops an abandoned future, and captures a state when one is due.
  void BeforeExecute();

  HistoryPoint Current() const;
  std::optional<HistoryPoint> Oldest() const;
  HistoryPoint Newest() const { return newest_; }
  bool Empty() const { return blocks_.empty(); }

  // Puts the machine exactly as it was at target (Oldest() <= target <= Newest()), the picture and
  // the keys held then included.
  bool GoTo(HistoryPoint target);
  // Undoes one instruction; false at the start of the history.
  bool StepBack();
  // Goes back whole frames, stopping at the start of the history; false when already there.
  bool RewindFrames(uint64_t frames);

  enum class SearchResult { Found, StartOfHistory };
  // Back to the most recent earlier point where PC is marked in stops (where a forward run with
  // those breakpoints would have stopped), or to the start of the history.
  SearchResult RunBack(const std::bitset<0x10000>& stops);
  // The point just before the most recent earlier instruction that changed the byte at address;
  // nothing when none did within the history.
  std::optional<HistoryPoint> LastWrite(uint16_t address);

  size_t MemoryBytes() const;

 private:
  struct Keyframe {
    HistoryPoint Point;
    std::vector<uint8_t> Delta;  // against the block's full image; empty for the first
  };
  // A full image and the keyframes encoded against it; dropped whole when it falls out of the
  // kept length.
  struct Block {
    std::vector<uint8_t> Full;
    std::vector<Keyframe> Keyframes;
  };
  struct KeyEvent {
    HistoryPoint Point;
    std::array<uint8_t, VirtualKeyCount> Keys;
  };

  void Capture();
  void DropFutureAfter(HistoryPoint point);
  void DropOld();
  // Restores the latest keyframe at or before target; false when there is none.
  bool RestoreKeyframeBefore(HistoryPoint target, HistoryPoint& restored);
  // From the restored point on to target, applying logged keys; onStep sees each point before its
  // instruction runs and may stop the replay by returning false.
  void ReplayTo(HistoryPoint from, HistoryPoint target, const std::function<bool(HistoryPoint)>& onStep);
  // The point before the last instruction that ends at or before target.
  std::optional<HistoryPoint> PointBefore(HistoryPoint target);
  template <typename Fn>
  void Quietly(Fn&& work);

  // States taken while replaying instruction by instruction, so that stepping back again and again
  // replays a few hundred instructions instead of whole frames. Valid until the run goes on.
  struct Checkpoint {
    HistoryPoint Point;
    MachineState Image;
  };
  void DropCheckpoints();
  void TakeCheckpoint(HistoryPoint point);

  EmulationRun& run_;
  std::vector<Checkpoint> checkpoints_;  // in point order
  std::vector<MachineState> spare_;
  int seconds_ = 60;
  std::vector<Block> blocks_;
  std::vector<KeyEvent> events_;
  std::array<uint8_t, VirtualKeyCount> loggedKeys_{};
  HistoryPoint newest_{};
  bool travelled_ = false;  // the machine stands in the past; going on drops the future
  MachineState state_;  // the capture being stored, or the delta being restored
  std::vector<uint8_t> scratch_;
};

// The hash of the whole running machine (a MachineState capture): equal hashes, equal machines.
uint64_t MachineStateHash(const EmulationRun& run);

}  // namespace tirvane
