// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/run_back.h"

#include "z80/z80.h"

namespace tirvane {

RunBackStop RunBackToStop(RunHistory& history, DebugEngine* engine, const std::bitset<0x10000>* plain) {
  RunBackStop why = RunBackStop::StartOfHistory;
  Z80Context& z = *ActiveContext;
  // Hit counts are left out: they count a forward run's passes, which going back does not repeat.
  auto conditionHolds = [&](uint16_t pc) {
    if (engine == nullptr || !engine->Breakpoints.Marks()[pc]) return false;
    for (int i = 0; i < engine->Breakpoints.Count(); ++i) {
      const ConditionalBreakpoint& b = engine->Breakpoints.At(i);
      if (b.Enabled && b.Address == pc && b.When.Evaluate(z, z.MemoryImage)) return true;
    }
    return false;
  };
  WatchpointList* watch = engine != nullptr && engine->Watchpoints.AnyEnabled() ? &engine->Watchpoints : nullptr;
  auto stopHere = [&] {
    // A hit during replay only marks the point: nothing pending may stop the run afterwards.
    if (watch != nullptr && watch->TakeHit()) {
      why = RunBackStop::Watchpoint;
      return true;
    }
    const uint16_t pc = z.PC.w;
    if (plain != nullptr && (*plain)[pc]) {
      why = RunBackStop::Breakpoint;
      return true;
    }
    if (conditionHolds(pc)) {
      why = RunBackStop::Condition;
      return true;
    }
    return false;
  };
  // The engine's own reaction to a hit (stopping its stretch) has no place in a replay.
  void (*onHit)(void*) = watch != nullptr ? watch->OnHit : nullptr;
  auto replaying = [&](bool on) {
    if (watch == nullptr) return;
    if (on) {
      watch->OnHit = nullptr;
      watch->Arm(z);
      watch->TakeHit();
    } else {
      watch->Disarm(z);
      watch->TakeHit();
      watch->OnHit = onHit;
    }
  };
  const auto result = history.RunBack(stopHere, replaying);
  return result == RunHistory::SearchResult::Found ? why : RunBackStop::StartOfHistory;
}

}  // namespace tirvane
