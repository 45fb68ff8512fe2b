// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/history.h"

#include <algorithm>
#include <cstring>

#include "devices/sound_mixer.h"
#include "machine/romset.h"
#include "run/run.h"
#include "run/state_delta.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

// A state every 16 frames bounds a step back to replaying 16 frames (a few milliseconds on the
// slowest board) while keeping the recording's cost near 5% of free run; 16 to a block keeps the
// full images to one in 256 frames while each delta stays small.
constexpr uint64_t KeyframeInterval = 16;
constexpr size_t KeyframesPerBlock = 16;
// Checkpoints while stepping: one every 1,024 instructions (a step back then replays at most that
// many), at most 64 of them (about 10 MB, their buffers reused).
constexpr uint32_t CheckpointInterval = 1024;
constexpr size_t MaxCheckpoints = 64;

}  // namespace

RunHistory::RunHistory(EmulationRun& run) : run_(run) {}

void RunHistory::SetLength(int seconds) { seconds_ = std::clamp(seconds, 10, 600); }

HistoryPoint RunHistory::Current() const {
  return {run_.FramesRun(), ActiveContext ? ActiveContext->FrameInstructions : 0};
}

std::optional<HistoryPoint> RunHistory::Oldest() const {
  if (blocks_.empty()) return std::nullopt;
  return blocks_.front().Keyframes.front().Point;
}

void RunHistory::Clear() {
  DropCheckpoints();
  spare_.clear();
  blocks_.clear();
  events_.clear();
  travelled_ = false;
  newest_ = {};
}

void RunHistory::Begin() {
  Clear();
  if (!Enabled || !run_.Running()) return;
  newest_ = Current();
  loggedKeys_ = KeyState;
  Capture();
}

void RunHistory::MarkOutsideChange() {
  if (!Enabled || blocks_.empty()) return;
  if (travelled_) DropFutureAfter(Current());
  DropCheckpoints();
  travelled_ = false;
  newest_ = Current();
  // A state at this very point replaces whatever the history held for it.
  for (Block& block : blocks_)
    std::erase_if(block.Keyframes, [&](const Keyframe& k) { return k.Point >= newest_; });
  std::erase_if(blocks_, [](const Block& b) { return b.Keyframes.empty(); });
  Capture();
}

void RunHistory::BeforeExecute() {
  if (!Enabled || !run_.Running()) return;
  if (blocks_.empty()) {
    Begin();
    return;
  }
  const HistoryPoint point = Current();
  if (travelled_) {
    DropFutureAfter(point);
    travelled_ = false;
  }
  DropCheckpoints();
  newest_ = point;
  if (KeyState != loggedKeys_) {
    events_.push_back({point, KeyState});
    loggedKeys_ = KeyState;
  }
  const HistoryPoint last = blocks_.back().Keyframes.back().Point;
  if (point.Instruction == 0 && point.Frame >= last.Frame + KeyframeInterval) Capture();
}

void RunHistory::Capture() {
  const HistoryPoint point = Current();
  CaptureMachineState(run_, state_);
  const std::span<const uint8_t> image = state_.Bytes();
  if (blocks_.empty() || blocks_.back().Keyframes.size() >= KeyframesPerBlock ||
      blocks_.back().Full.size() != image.size()) {
    blocks_.push_back(Block{{image.begin(), image.end()}, {Keyframe{point, {}}}});
  } else {
    // Encoded into a buffer kept between captures, then copied once at its final size.
    scratch_.clear();
    EncodeStateDelta(blocks_.back().Full, image, scratch_);
    Keyframe keyframe{point, scratch_};
    blocks_.back().Keyframes.push_back(std::move(keyframe));
  }
  DropOld();
}

void RunHistory::DropOld() {
  const uint64_t kept = static_cast<uint64_t>(seconds_) * static_cast<uint64_t>(run_.FrameRate());
  while (blocks_.size() > 1 && blocks_[1].Keyframes.front().Point.Frame + kept <= newest_.Frame)
    blocks_.erase(blocks_.begin());
  if (blocks_.empty()) return;
  // Keys before the oldest state are in that state already.
  const HistoryPoint oldest = blocks_.front().Keyframes.front().Point;
  std::erase_if(events_, [&](const KeyEvent& e) { return e.Point < oldest; });
}

void RunHistory::DropFutureAfter(HistoryPoint point) {
  for (Block& block : blocks_)
    std::erase_if(block.Keyframes, [&](const Keyframe& k) { return k.Point > point; });
  std::erase_if(blocks_, [](const Block& b) { return b.Keyframes.empty(); });
  // Keys logged at the point itself are logged again when the run goes on from it.
  std::erase_if(events_, [&](const KeyEvent& e) { return e.Point >= point; });
  newest_ = point;
}

bool RunHistory::RestoreKeyframeBefore(HistoryPoint target, HistoryPoint& restored) {
  const Checkpoint* checkpoint = nullptr;
  for (const Checkpoint& c : checkpoints_)
    if (c.Point <= target) checkpoint = &c;
  for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
    for (auto k = block->Keyframes.rbegin(); k != block->Keyframes.rend(); ++k) {
      if (k->Point > target) continue;
      if (checkpoint && checkpoint->Point >= k->Point) {
        restored = checkpoint->Point;
        return RestoreMachineState(run_, checkpoint->Image);
      }
      bool ok;
      if (k->Delta.empty()) {
        state_.Assign(block->Full);
        ok = RestoreMachineState(run_, state_);
      } else {
        ok = DecodeStateDelta(block->Full, k->Delta, scratch_);
        if (ok) state_.Assign(scratch_);
        ok = ok && RestoreMachineState(run_, state_);
      }
      restored = k->Point;
      return ok;
    }
  }
  return false;
}

void RunHistory::ReplayTo(HistoryPoint from, HistoryPoint target,
                          const std::function<bool(HistoryPoint)>& onStep) {
  auto event = std::lower_bound(events_.begin(), events_.end(), from,
                                [](const KeyEvent& e, HistoryPoint p) { return e.Point < p; });
  HistoryPoint point = from;
  while (point < target && run_.Running()) {
    for (; event != events_.end() && event->Point <= point; ++event)
      if (event->Point == point) KeyState = event->Keys;
    if (onStep) {
      if (!onStep(point)) return;
      if (point.Instruction % CheckpointInterval == 0 && point.Instruction > 0) TakeCheckpoint(point);
    }
    const bool keysWithinFrame = event != events_.end() && event->Point.Frame == point.Frame;
    if (!onStep && point.Instruction == 0 && point.Frame < target.Frame && !keysWithinFrame) {
      run_.ExecuteFrame();
    } else {
      run_.ExecuteStep();
    }
    point = Current();
  }
}

void RunHistory::DropCheckpoints() {
  // Capturing into a buffer of the right size neither allocates nor clears it first.
  for (Checkpoint& c : checkpoints_) spare_.push_back(std::move(c.Image));
  checkpoints_.clear();
}

void RunHistory::TakeCheckpoint(HistoryPoint point) {
  auto at = std::lower_bound(checkpoints_.begin(), checkpoints_.end(), point,
                             [](const Checkpoint& c, HistoryPoint p) { return c.Point < p; });
  if (at != checkpoints_.end() && at->Point == point) return;
  if (checkpoints_.size() >= MaxCheckpoints) {
    DropCheckpoints();
    at = checkpoints_.end();
  }
  Checkpoint checkpoint{point, {}};
  if (!spare_.empty()) {
    checkpoint.Image = std::move(spare_.back());
    spare_.pop_back();
  }
  CaptureMachineState(run_, checkpoint.Image);
  checkpoints_.insert(at, std::move(checkpoint));
}

template <typename Fn>
void RunHistory::Quietly(Fn&& work) {
  // Replayed frames draw into the bitmap as they did the first time, but only the point reached
  // is shown, and their sound, heard once already, is dropped. The keys are the past's too; a
  // window puts back the ones a person holds now.
  Host& host = CurrentHost();
  SetHost(nullptr);
  const size_t heard = FrameSound.Pending().size();
  work();
  FrameSound.Pending().resize(heard);
  SetHost(&host);
}

bool RunHistory::GoTo(HistoryPoint target) {
  if (blocks_.empty() || !run_.Running()) return false;
  if (!travelled_) newest_ = std::max(newest_, Current());
  target = std::clamp(target, *Oldest(), newest_);
  bool ok = false;
  Quietly([&] {
    HistoryPoint restored;
    if (!RestoreKeyframeBefore(target, restored)) return;
    ReplayTo(restored, target, {});
    loggedKeys_ = KeyState;
    ok = true;
  });
  travelled_ = true;
  if (ok && Screen) PresentScreen();
  return ok;
}

std::optional<HistoryPoint> RunHistory::PointBefore(HistoryPoint target) {
  std::optional<HistoryPoint> before;
  Quietly([&] {
    HistoryPoint restored;
    const HistoryPoint justBefore =
        target.Instruction > 0 ? HistoryPoint{target.Frame, target.Instruction - 1}
                               : HistoryPoint{target.Frame - 1, UINT32_MAX};
    if (target.Frame == 0 && target.Instruction == 0) return;
    if (!RestoreKeyframeBefore(justBefore, restored)) return;
    // Whole frames up to the one that holds the answer, then instruction by instruction.
    const HistoryPoint stepFrom{justBefore.Frame, 0};
    ReplayTo(restored, std::max(restored, stepFrom), {});
    ReplayTo(Current(), target, [&](HistoryPoint p) {
      before = p;
      return true;
    });
  });
  return before;
}

bool RunHistory::StepBack() {
  if (blocks_.empty() || !run_.Running()) return false;
  if (!travelled_) newest_ = std::max(newest_, Current());
  const HistoryPoint here = Current();
  if (here <= *Oldest()) return false;
  const std::optional<HistoryPoint> before = PointBefore(here);
  return before && GoTo(*before);
}

bool RunHistory::RewindFrames(uint64_t frames) {
  if (blocks_.empty()) return false;
  const HistoryPoint here = Current();
  const HistoryPoint oldest = *Oldest();
  if (here <= oldest) return false;
  const uint64_t back = here.Instruction > 0 ? frames - 1 : frames;
  const HistoryPoint target{here.Frame > back ? here.Frame - back : 0, 0};
  return GoTo(std::max(target, oldest));
}

RunHistory::SearchResult RunHistory::RunBack(const std::bitset<0x10000>& stops) {
  if (blocks_.empty() || !run_.Running()) return SearchResult::StartOfHistory;
  if (!travelled_) newest_ = std::max(newest_, Current());
  HistoryPoint limit = Current();
  std::optional<HistoryPoint> found;
  std::vector<HistoryPoint> starts;
  for (const Block& block : blocks_)
    for (const Keyframe& k : block.Keyframes) starts.push_back(k.Point);
  Quietly([&] {
    for (auto start = starts.rbegin(); start != starts.rend() && !found; ++start) {
      if (*start >= limit) continue;
      HistoryPoint restored;
      if (!RestoreKeyframeBefore(*start, restored)) return;
      ReplayTo(restored, limit, [&](HistoryPoint p) {
        if (stops[ActiveContext->PC.w]) found = p;
        return true;
      });
      limit = restored;
    }
  });
  if (found) {
    GoTo(*found);
    return SearchResult::Found;
  }
  GoTo(*Oldest());
  return SearchResult::StartOfHistory;
}

std::optional<HistoryPoint> RunHistory::LastWrite(uint16_t address) {
  if (blocks_.empty() || !run_.Running()) return std::nullopt;
  if (!travelled_) newest_ = std::max(newest_, Current());
  HistoryPoint limit = Current();
  const HistoryPoint returnTo = limit;
  std::optional<HistoryPoint> found;
  std::vector<HistoryPoint> starts;
  for (const Block& block : blocks_)
    for (const Keyframe& k : block.Keyframes) starts.push_back(k.Point);
  Quietly([&] {
    for (auto start = starts.rbegin(); start != starts.rend() && !found; ++start) {
      if (*start >= limit) continue;
      HistoryPoint restored;
      if (!RestoreKeyframeBefore(*start, restored)) return;
      HistoryPoint previous = restored;
      uint8_t value = MemoryImage[address];
      ReplayTo(restored, limit, [&](HistoryPoint p) {
        if (MemoryImage[address] != value && p != restored) found = previous;
        value = MemoryImage[address];
        previous = p;
        return true;
      });
      if (MemoryImage[address] != value) found = previous;
      limit = restored;
    }
  });
  GoTo(found ? *found : returnTo);
  return found;
}

size_t RunHistory::MemoryBytes() const {
  size_t bytes = events_.capacity() * sizeof(KeyEvent);
  for (const Block& block : blocks_) {
    bytes += block.Full.capacity() + block.Keyframes.capacity() * sizeof(Keyframe);
    for (const Keyframe& k : block.Keyframes) bytes += k.Delta.capacity();
  }
  return bytes;
}

uint64_t MachineStateHash(const EmulationRun& run) {
  MachineState state;
  CaptureMachineState(run, state);
  return state.Hash();
}

}  // namespace tirvane
