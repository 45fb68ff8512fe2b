// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/debug_engine.h"

#include "debugger/stepping.h"
#include "text/text.h"
#include "video/host.h"

namespace tirvane {

namespace {

void Pump() { CurrentHost().pumpMessages(); }

}  // namespace

DebugEngine::DebugEngine(EmulationRun& run) : run_(run) {
  run_.Debugger = this;
  Watchpoints.OnHit = &DebugEngine::WatchHitStops;
  Watchpoints.OnHitContext = this;
}

DebugEngine::~DebugEngine() {
  if (run_.Debugger == this) run_.Debugger = nullptr;
}

// Inside an instruction: every address becomes a stop, so the core's loop ends before the next one.
void DebugEngine::WatchHitStops(void* engine) { static_cast<DebugEngine*>(engine)->stops_.set(); }

// Plain breakpoints come here too, so that one on an instruction run inside an EI is not passed over.
bool DebugEngine::Active() const {
  return command_ != Command::None || Watchpoints.AnyEnabled() || Breakpoints.AnyEnabled() || Recording() ||
         (BreakpointsEnabled && run_.BreakpointCheck);
}

namespace {

std::string InlineStopMessage(uint16_t address) {
  return "Stopped after the instruction at " + FormatHex(address, 4) +
         "h: it ran inside the EI before it, which runs the next instruction with itself.";
}

}  // namespace

bool DebugEngine::InlineStop(EmulationRun& run, Z80Context& z) {
  if (z.InlineRan == 0) return false;
  z.InlineRan = 0;
  const uint16_t at = z.InlineAddress;
  const bool target = ((command_ == Command::StepOver && z.SP.w >= stack_) || command_ == Command::RunTo) && at == target_;
  const bool commandDone = target || (command_ == Command::RunToMarks && (*marks_)[at]) ||
                           (command_ == Command::StepOut && IsReturn(z.MemoryImage, at) && z.SP.w > stack_);
  const int index = commandDone ? -1 : Breakpoints.Check(at, z, z.MemoryImage);
  const bool plain = BreakpointsEnabled && run.BreakpointCheck && (run.BreakpointMarks == nullptr || (*run.BreakpointMarks)[at]);
  if (!commandDone && index < 0 && !plain) return false;
  Watchpoints.Disarm(z);
  Stop(run, {index >= 0 ? StopReason::Breakpoint : StopReason::StepDone, z.PC.w, index, std::nullopt, InlineStopMessage(at)});
  return true;
}

void DebugEngine::Begin(Command command) {
  const Z80Context& z = *ActiveContext;
  command_ = command;
  stack_ = z.SP.w;
  resumeAt_ = z.PC.w;
  DebugState = DebugStateKind::Running;
}

void DebugEngine::StepInto() { Begin(Command::StepInto); }

void DebugEngine::StepOver() {
  const Z80Context& z = *ActiveContext;
  if (z.MemoryImage == nullptr) return;
  const StepOverPlan plan = PlanStepOver(z.MemoryImage, z.PC.w);
  switch (plan.What) {
    case StepOverPlan::Kind::Single: Begin(Command::StepInto); break;
    case StepOverPlan::Kind::RunTo:
      Begin(Command::StepOver);
      target_ = plan.Target;
      break;
    case StepOverPlan::Kind::Interrupt: Begin(Command::Interrupt); break;
  }
}

void DebugEngine::StepOut() { Begin(Command::StepOut); }

void DebugEngine::RunTo(uint16_t address) {
  Begin(Command::RunTo);
  target_ = address;
}

void DebugEngine::RunToMarks(const std::bitset<0x10000>& marks, bool checkFirst) {
  Begin(Command::RunToMarks);
  marks_ = &marks;
  if (checkFirst) resumeAt_.reset();
}

void DebugEngine::RunToNextFrame() { Begin(Command::NextFrame); }

void DebugEngine::Run() {
  Begin(Command::None);
}

void DebugEngine::Pause() {
  command_ = Command::None;
  DebugState = DebugStateKind::Paused;
}

void DebugEngine::Stop(EmulationRun& run, StopReport report) {
  Z80Context& z = *ActiveContext;
  Watchpoints.Disarm(z);  // what the windows read after a stop must not count as accesses
  command_ = Command::None;
  DebugState = DebugStateKind::Paused;
  resumeAt_ = z.PC.w;
  report.PC = z.PC.w;
  lastStop_ = report;
  if (DebugMode) {
    if (run.RefreshRegisters) run.RefreshRegisters();
    if (run.Running()) run.DebugRedrawNow();
  }
  if (OnStop) OnStop(report);
}

DebugEngine::Check DebugEngine::CheckBefore(EmulationRun& run, Z80Context& z) {
  const uint16_t pc = z.PC.w;
  if (resumeAt_) {
    const bool resuming = *resumeAt_ == pc;
    resumeAt_.reset();
    if (resuming) return Check::Go;
  }
  if ((command_ == Command::StepOver && pc == target_ && z.SP.w >= stack_) ||
      (command_ == Command::RunTo && pc == target_) || (command_ == Command::RunToMarks && (*marks_)[pc])) {
    Stop(run, {});
    return Check::Stopped;
  }
  if (const int index = Breakpoints.Check(pc, z, z.MemoryImage); index >= 0) {
    Stop(run, {StopReason::Breakpoint, pc, index, std::nullopt, ConditionalBreakpointMessage(Breakpoints.At(index))});
    return Check::Stopped;
  }
  if (BreakpointsEnabled && run.BreakpointCheck && (run.BreakpointMarks == nullptr || (*run.BreakpointMarks)[pc])) {
    Watchpoints.Disarm(z);
    run.BreakpointCheck();
    // The machine stands here; whatever resumes it runs this instruction without a second hit.
    resumeAt_ = pc;
    return Check::PlainHit;
  }
  return Check::Go;
}

bool DebugEngine::EveryInstruction(const EmulationRun& run) const {
  return Recording() || command_ == Command::StepInto || command_ == Command::StepOut ||
         (BreakpointsEnabled && run.BreakpointCheck && run.BreakpointMarks == nullptr);
}

bool DebugEngine::TakeWatchHit(EmulationRun& run, Z80Context& z) {
  if (!Watchpoints.HitPending()) return false;
  Watchpoints.Disarm(z);
  const WatchHit hit = *Watchpoints.TakeHit();
  Stop(run, {StopReason::Watchpoint, z.PC.w, hit.Index, hit, WatchHitMessage(Watchpoints.At(hit.Index), hit)});
  return true;
}

void DebugEngine::FrameEnded(EmulationRun& run, Z80Context& z) {
  if (command_ == Command::NextFrame || (command_ == Command::Interrupt && z.Halted == 0)) {
    Stop(run, {});
    return;
  }
  run.PaceFrame();
  Pump();
}

void DebugEngine::Pass(EmulationRun& run) {
  Z80Context& z = *ActiveContext;
  // The classic Step button asks for one instruction in Debug mode; it overrides a command.
  if (DebugState == DebugStateKind::Step) command_ = Command::None;
  // With the trace on (the workspace, whose panes read the machine on their own timer), Debug mode
  // runs on a frame a pass, every instruction checked and recorded: an instruction a pass, with the
  // host pumped after each, could not keep up with the game.
  if (DebugMode && command_ == Command::None && !(TraceEnabled && DebugState == DebugStateKind::Running))
    DebugModeStep(run, z);
  else if (EveryInstruction(run))
    PreciseStretch(run, z);
  else
    FastStretch(run, z);
}

// The run's debug case, one instruction per pass, with the checks and the trace around it. Each
// check is skipped whole when it has nothing to look at: with only the trace on, a pass costs little
// more than the run's own.
void DebugEngine::DebugModeStep(EmulationRun& run, Z80Context& z) {
  if (DebugState == DebugStateKind::Step) {
    resumeAt_.reset();  // the user asked for this instruction: nothing before it stops it
  } else if ((resumeAt_ || Breakpoints.AnyEnabled() || (BreakpointsEnabled && run.BreakpointCheck)) &&
             CheckBefore(run, z) != Check::Go) {
    return;
  }
  if (run.RefreshRegisters) run.RefreshRegisters();
  if (StopRequested) return;  // a hook may pump, and a Stop there takes the screen away
  const uint64_t frames = run.FramesRun();
  const bool watching = Watchpoints.AnyEnabled();
  if (watching) Watchpoints.Arm(z);
  z.InlineRan = 0;
  StepTraced(run, z);
  if (watching) Watchpoints.Disarm(z);
  if (DebugState == DebugStateKind::Step) DebugState = DebugStateKind::Paused;
  if (StopRequested) return;
  if (Watchpoints.HitPending() && TakeWatchHit(run, z)) return;
  if (DebugState == DebugStateKind::Running && InlineStop(run, z)) return;
  run.DebugRedrawNow();
  if (run.FramesRun() != frames && DebugState == DebugStateKind::Running) run.PaceFrame();
  Pump();
}

// Instruction by instruction to the frame's end or a stop: for the trace and StepOut.
void DebugEngine::PreciseStretch(EmulationRun& run, Z80Context& z) {
  const uint64_t frames = run.FramesRun();
  Watchpoints.Arm(z);
  while (!StopRequested) {
    if (CheckBefore(run, z) != Check::Go) {  // a plain hit too: the next pass decides
      Watchpoints.Disarm(z);
      return;
    }
    const bool returning = command_ == Command::StepOut && IsReturn(z.MemoryImage, z.PC.w);
    z.InlineRan = 0;
    StepTraced(run, z);
    if (TakeWatchHit(run, z)) return;
    if (command_ != Command::StepInto && InlineStop(run, z)) return;
    if (command_ == Command::StepInto || (returning && z.SP.w > stack_) ||
        (command_ == Command::Interrupt && z.Halted == 0)) {
      Watchpoints.Disarm(z);
      Stop(run, {});
      return;
    }
    if (run.FramesRun() != frames) {
      Watchpoints.Disarm(z);
      FrameEnded(run, z);
      return;
    }
  }
  Watchpoints.Disarm(z);
}

// The core's own loop between marked addresses: breakpoints, the command's target, and, after a
// watchpoint hit, every address.
void DebugEngine::FastStretch(EmulationRun& run, Z80Context& z) {
  stops_ = Breakpoints.Marks();
  if (BreakpointsEnabled && run.BreakpointCheck && run.BreakpointMarks) stops_ |= *run.BreakpointMarks;
  if (command_ == Command::StepOver || command_ == Command::RunTo) stops_.set(target_);
  if (command_ == Command::RunToMarks) stops_ |= *marks_;

  if (stops_[z.PC.w] && CheckBefore(run, z) != Check::Go) return;
  resumeAt_.reset();
  Watchpoints.Arm(z);
  while (!StopRequested) {
    z.InlineRan = 0;
    const bool stopped = run.RunUntilCounted(stops_);
    if (TakeWatchHit(run, z)) return;
    if (InlineStop(run, z)) return;
    if (!stopped) {
      Watchpoints.Disarm(z);
      FrameEnded(run, z);
      return;
    }
    if (CheckBefore(run, z) != Check::Go) {
      Watchpoints.Disarm(z);
      return;
    }
  }
  Watchpoints.Disarm(z);
}

}  // namespace tirvane
