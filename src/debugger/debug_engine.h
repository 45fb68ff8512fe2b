// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger's engine, without windows: stepping over and out, running to an address or to the
// next frame or interrupt, watchpoints, conditional breakpoints with hit counts, the trace and the
// symbols. The windows, the headless runner and automation all drive a run through it.
//
// It attaches to a run as the run's DebugPath: while it has work (a command under way, an enabled
// watchpoint or conditional breakpoint, the trace recording), the run's passes come here; otherwise
// free run is untouched. Passes run at most one frame, pumping the host between frames as the run's
// own cases do, so the windows stay live during a long step over. Everything stops the same way:
// DebugState becomes Paused and OnStop hears why.
//
// Plain breakpoints (the run's BreakpointMarks and BreakpointCheck hook, while "Break" is ticked)
// are checked here too, so the engine has work while they are on: the hook tells the user and
// pauses, and the machine stands at the breakpoint, its instruction not yet run; resuming runs it
// without firing again.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "run/run.h"
#include "debugger/conditional_breakpoints.h"
#include "debugger/symbols.h"
#include "debugger/trace.h"
#include "debugger/watchpoints.h"

namespace tirvane {

enum class StopReason : uint8_t {
  StepDone,    // a step or run-to command finished
  Breakpoint,  // a conditional breakpoint reached its hit count
  Watchpoint,
};

struct StopReport {
  StopReason Reason = StopReason::StepDone;
  uint16_t PC = 0;  // the next instruction to run
  int Index = -1;   // the breakpoint or watchpoint, in its list
  std::optional<WatchHit> Hit;
  std::string Message;  // what the user is told; empty when a step simply finished
};

class DebugEngine final : public DebugPath {
 public:
  // Becomes run.Debugger; the destructor detaches. The run must outlive the engine.
  explicit DebugEngine(EmulationRun& run);
  ~DebugEngine() override;
  DebugEngine(const DebugEngine&) = delete;
  DebugEngine& operator=(const DebugEngine&) = delete;

  // Commands. Each sets DebugState to Running and works over the passes that follow, from the
  // instruction at PC, which never triggers a breakpoint itself; a new command replaces the old.
  enum class Command : uint8_t { None, StepInto, StepOver, StepOut, RunTo, NextFrame, Interrupt, RunToMarks };
  // One instruction.
  void StepInto();
  // A CALL, RST or DJNZ runs until the instruction after it is next with the stack back where it
  // was (recursion and loops included); a HALT runs until an interrupt is taken, stopping at the
  // handler's first instruction; a repeating block instruction runs to the next instruction;
  // anything else is StepInto.
  void StepOver();
  // Runs until a return takes the stack above where it is now: the routine has returned to its caller.
  void StepOut();
  // Runs until PC is address (whatever the stack).
  void RunTo(uint16_t address);
  // Runs until PC is at an address marked in marks, a list the caller keeps (automation's plain
  // breakpoints); the stop is a StepDone. marks must stay alive while the command is pending. With
  // checkFirst the instruction at PC is checked too: the caller resumes a run it broke off itself
  // rather than leaving a stop.
  void RunToMarks(const std::bitset<0x10000>& marks, bool checkFirst = false);
  // Runs until the current frame ends: stops at the first instruction of the next.
  void RunToNextFrame();
  // Drops any command and runs (F5), or pauses (F6).
  void Run();
  void Pause();
  Command Pending() const { return command_; }

  WatchpointList Watchpoints;
  ConditionalBreakpointList Breakpoints;
  SymbolTable Symbols;
  // Recorded while TraceEnabled and DebugMode is on, or in any mode with TraceOutsideDebugMode
  // (automation, whose runs are whole frames).
  TraceBuffer Trace;
  bool TraceEnabled = false;
  bool TraceOutsideDebugMode = false;
  bool Recording() const { return TraceSink || (TraceEnabled && (DebugMode || TraceOutsideDebugMode)); }
  // Called with every instruction's entry while set, whatever the mode (the headless --trace).
  std::function<void(const TraceEntry&)> TraceSink;

  // Told of every stop after DebugState has become Paused (the windows refresh, tick Debug, show
  // Message).
  std::function<void(const StopReport&)> OnStop;
  const std::optional<StopReport>& LastStop() const { return lastStop_; }
  void ClearLastStop() { lastStop_.reset(); }

  // DebugPath
  bool Active() const override;
  void Pass(EmulationRun& run) override;

 private:
  enum class Check : uint8_t { Go, Stopped, PlainHit };
  void Begin(Command command);
  Check CheckBefore(EmulationRun& run, Z80Context& z);
  bool EveryInstruction(const EmulationRun& run) const;
  void StepTraced(EmulationRun& run, Z80Context& z) {
    if (!Recording()) {
      run.StepCounted();
      return;
    }
    Trace.Before(z, z.MemoryImage);
    run.StepCounted();
    Trace.After(z);
    if (TraceSink) TraceSink(Trace.Last());
  }
  // The Original processor runs the instruction after an enabling EI inside the EI, so PC never
  // rests on it: a stop due there (a breakpoint, the command's target, StepOut's return) is made
  // right after it, saying so. Clears the core's note of it either way.
  bool InlineStop(EmulationRun& run, Z80Context& z);
  // True when a watchpoint hit stopped the run.
  bool TakeWatchHit(EmulationRun& run, Z80Context& z);
  // After a frame ended inside a stretch: the commands that end there, else pacing and pumping.
  void FrameEnded(EmulationRun& run, Z80Context& z);
  void DebugModeStep(EmulationRun& run, Z80Context& z);
  void FastStretch(EmulationRun& run, Z80Context& z);
  void PreciseStretch(EmulationRun& run, Z80Context& z);
  void Stop(EmulationRun& run, StopReport report);
  static void WatchHitStops(void* engine);

  EmulationRun& run_;
  Command command_ = Command::None;
  uint16_t target_ = 0;
  const std::bitset<0x10000>* marks_ = nullptr;
  uint16_t stack_ = 0;  // SP when the command began
  std::optional<uint16_t> resumeAt_;  // the instruction the run resumes from: no breakpoint fires there
  std::bitset<0x10000> stops_;
  std::optional<StopReport> lastStop_;
};


}  // namespace tirvane
