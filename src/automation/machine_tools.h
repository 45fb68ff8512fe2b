// SPDX-License-Identifier: GPL-3.0-or-later
// The tools an automation client calls: one machine at a time, started from the descriptions of one
// folder and driven through the same run and breakpoint list the windows use. Every tool checks all
// of its arguments before it touches the machine, so a refused call changes nothing.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/headless_host.h"
#include "debugger/breakpoints.h"
#include "debugger/debug_engine.h"
#include "debugger/debug_session.h"
#include "run/history.h"
#include "run/run.h"
#include "video/host.h"

namespace tirvane {

// What a tool answers: MCP content items, and whether they describe a failure the caller can act on.
struct ToolOutcome {
  nlohmann::json Content = nlohmann::json::array();
  nlohmann::json Structured;  // the same answer as data, for tools with an output schema; else null
  bool IsError = false;
  bool Pending = false;  // the call runs frames: MachineTools::Continue carries it on
};

// Thrown by a tool before it changes anything; the message tells the caller what to send instead.
class ToolRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MachineTools;

// The arguments of one call, read against the tool's schema: unknown names and wrong types refuse.
class ToolArguments {
 public:
  ToolArguments(const nlohmann::json& object, const SymbolTable* symbols = nullptr,
                const Z80Context* registers = nullptr)
      : object_(object), symbols_(symbols), registers_(registers) {}
  bool Has(const char* name) const { return object_.contains(name); }
  // aboveHigh, when given, follows the refusal of a value above high (how to get what was asked).
  int64_t Integer(const char* name, int64_t low, int64_t high, std::optional<int64_t> fallback,
                  std::string_view aboveHigh = {}) const;
  // An integer, or text read as ParseAddress reads it: hexadecimal ("38", "0x38", "38h", "$38"), a
  // label of the loaded symbols, or a register pair's name.
  uint16_t Address(const char* name, std::optional<uint16_t> fallback = std::nullopt) const;
  std::string Text(const char* name, size_t maxLength,
                   std::optional<std::string> fallback = std::nullopt) const;
  bool IsText(const char* name) const;
  bool Flag(const char* name, bool fallback) const;
  std::vector<VirtualKey> Keys(const char* name) const;

 private:
  const nlohmann::json& Get(const char* name) const;
  const nlohmann::json& object_;
  const SymbolTable* symbols_;
  const Z80Context* registers_;
};

struct ToolEntry {
  const char* Name;
  const char* Description;
  nlohmann::json Schema;  // the inputSchema of tools/list
  bool NeedsMachine;      // refused while no game runs
  ToolOutcome (MachineTools::*Run)(const ToolArguments& args);
  // Runs with the engine's watchpoints and conditional breakpoints live, or edits them; every other
  // tool runs with them switched off, as frames for play ignore breakpoints.
  bool KeepsStops = false;
  bool ReadOnly = false;                  // changes neither the machine nor the debugger's settings
  nlohmann::json OutputSchema = nullptr;  // for tools whose answer is data
};

class MachineTools {
 public:
  // folder holds the descriptions (and the files they name); it ends with '/'. framesPerCall bounds
  // what one call may run, so every answer comes in bounded time.
  explicit MachineTools(std::string folder, int framesPerCall = DefaultFramesPerCall);
  static constexpr int DefaultFramesPerCall = 36000;  // ten minutes of a 60 Hz machine
  ~MachineTools();
  MachineTools(const MachineTools&) = delete;
  MachineTools& operator=(const MachineTools&) = delete;

  // The tools array of tools/list, built once.
  const nlohmann::json& List() const { return list_; }
  // nullopt when no tool has that name; refusals and failures come back as error outcomes. Runs the
  // call to its end.
  std::optional<ToolOutcome> Call(std::string_view name, const nlohmann::json& arguments);
  // As Call, but a call that runs frames comes back Pending after checking its arguments: Continue
  // runs it a slice at a time and Cancel ends it, both at frame boundaries.
  std::optional<ToolOutcome> Begin(std::string_view name, const nlohmann::json& arguments);
  bool CallUnderWay() const { return job_.has_value(); }
  // Frames the call under way has run, and the most it will run.
  uint64_t CallFramesDone() const;
  uint64_t CallFramesLimit() const { return job_ ? job_->Limit : 0; }
  // Runs up to passes more passes of the call under way; its outcome once it has ended.
  std::optional<ToolOutcome> Continue(int passes);
  // Ends the call under way where it stands (status repeats it); says where the machine stopped.
  std::string Cancel();

  // The machine left running between calls by "resume": the server runs one frame whenever no
  // message waits, paced to the machine's frame rate.
  bool FreeRunning() const { return freeRunning_; }
  std::chrono::steady_clock::time_point NextFrameDue() const { return nextFrame_; }
  void FreeRunFrame();

 private:
  ToolOutcome ListGames(const ToolArguments& args);
  ToolOutcome StartGame(const ToolArguments& args);
  ToolOutcome StopGame(const ToolArguments& args);
  ToolOutcome ResetMachine(const ToolArguments& args);
  ToolOutcome LoadFile(const ToolArguments& args);
  ToolOutcome RunFrames(const ToolArguments& args);
  ToolOutcome PressKeys(const ToolArguments& args);
  ToolOutcome ReleaseKeys(const ToolArguments& args);
  ToolOutcome TypeText(const ToolArguments& args);
  ToolOutcome Resume(const ToolArguments& args);
  ToolOutcome Pause(const ToolArguments& args);
  ToolOutcome Status(const ToolArguments& args);
  ToolOutcome GetRegisters(const ToolArguments& args);
  ToolOutcome SetRegisters(const ToolArguments& args);
  ToolOutcome ReadMemory(const ToolArguments& args);
  ToolOutcome WriteMemory(const ToolArguments& args);
  ToolOutcome DisassembleAt(const ToolArguments& args);
  ToolOutcome StepInto(const ToolArguments& args);
  ToolOutcome RunToBreakpoint(const ToolArguments& args);
  ToolOutcome StepOver(const ToolArguments& args);
  ToolOutcome StepOut(const ToolArguments& args);
  ToolOutcome RunToAddress(const ToolArguments& args);
  ToolOutcome LoadSymbols(const ToolArguments& args);
  ToolOutcome LookupLabel(const ToolArguments& args);
  ToolOutcome SetBreakpoint(const ToolArguments& args);
  ToolOutcome ClearBreakpoint(const ToolArguments& args);
  ToolOutcome ListBreakpoints(const ToolArguments& args);
  ToolOutcome SetWatchpoint(const ToolArguments& args);
  ToolOutcome ClearWatchpoint(const ToolArguments& args);
  ToolOutcome ListWatchpoints(const ToolArguments& args);
  ToolOutcome TraceLines(const ToolArguments& args);
  ToolOutcome SaveState(const ToolArguments& args);
  ToolOutcome LoadState(const ToolArguments& args);
  ToolOutcome StepBack(const ToolArguments& args);
  ToolOutcome Rewind(const ToolArguments& args);
  ToolOutcome RunBack(const ToolArguments& args);
  ToolOutcome LastWrite(const ToolArguments& args);
  ToolOutcome HistoryStatus(const ToolArguments& args);
  ToolOutcome Screenshot(const ToolArguments& args);
  ToolOutcome TileSetImage(const ToolArguments& args);

  // A call that runs frames: its tool sets it up, Continue runs passes until it ends.
  // No member initialisers: clang cannot tell a nested type with them is constructible before the
  // enclosing class is complete, which std::optional needs.
  struct FrameJob {
    std::string Tool;
    uint64_t Limit;  // passes it may run
    uint64_t Passes;
    uint64_t Start;                    // FramesRun when it began
    std::function<bool()> Reached;     // ends it before the limit; may be empty
    std::function<ToolOutcome()> End;  // tidies up and answers, cancelled or not
    std::shared_ptr<void> Stops;       // the stops switched off for it, back on when it ends
  };

  ToolOutcome RunInSlices(int limit, std::function<bool()> reached, std::function<ToolOutcome()> end);
  bool JobEnded() const;
  // Messages the machine raised during the call join its answer.
  ToolOutcome WithMessages(ToolOutcome outcome);

  bool Running() const { return run_.Running(); }
  void StopMachine();
  // Keys held by press_keys plus the extra ones, into KeyState.
  void HoldKeys(const std::vector<VirtualKey>& extra);
  std::string RegisterText() const;
  std::string Where() const;  // PC and the instruction there
  // Passes of the engine's command until it stops or maxFrames frames have run; paused either way.
  // goOn tells the caller how to carry on when the frame limit comes first.
  ToolOutcome RunEngineCommand(int maxFrames, const std::string& what, const std::string& goOn);
  // The refusal's advice for a frame count above the limit of one call.
  std::string CapText() const;
  int MaxFrames(const ToolArguments& args) const;
  // Ends the engine's command: its stop if it made one; DebugState back to Running, as the other
  // tools drive the run pass by pass.
  std::optional<StopReport> FinishEngineCommand();
  // What stopped a run to a breakpoint: a plain breakpoint, a conditional one or a watchpoint.
  std::string StopText(const StopReport& stop) const;
  // After a move through the history: the counters follow the machine, which stands paused there.
  ToolOutcome Travelled(std::string what);
  std::string PointText(HistoryPoint point) const;
  // A path as given, or relative to the descriptions' folder.
  std::string ToolPath(const ToolArguments& args) const;

  std::string folder_;
  int framesPerCall_;
  HeadlessHost host_;
  ScopedHost scope_;
  EmulationRun run_;
  BreakpointList breakpoints_;
  // Everything the tools run passes through the run, which records it here.
  RunHistory history_{run_};
  DebugEngine engine_{run_};  // inactive (free run untouched) while no command is under way
  DebugSession session_{&run_};  // every edit of memory and registers
  std::array<uint8_t, VirtualKeyCount> held_{};
  std::string gameTitle_;
  std::string gameFile_;
  uint64_t frames_ = 0;  // whole frames since the start, however they were run
  bool freeRunning_ = false;
  bool freeRunBegun_ = false;  // resume has run a frame: the next starts where that one ended
  std::string stopReason_;
  std::chrono::steady_clock::time_point nextFrame_{};
  std::vector<ToolEntry> entries_;
  nlohmann::json list_;
  std::optional<FrameJob> job_;
};

// Bytes as standard base64, for image content.
std::string Base64(const std::vector<uint8_t>& bytes);

}  // namespace tirvane
