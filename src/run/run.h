// SPDX-License-Identifier: GPL-3.0-or-later
// The emulation run without windows: the Start and Stop sequences, one pass of the main loop,
// Reset and Cartridge. The desktop program and the headless runner drive the same run.
#pragma once

#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "drivers/driver.h"
#include "run/key_typer.h"

namespace tirvane {

// The T-states a frame may last (a description's #framecycles=, a saved state).
constexpr uint32_t MinFrameLength = 1000;
constexpr uint32_t MaxFrameLength = 800000;

class RunHistory;

enum class DebugStateKind { Running, Paused, Step };

class EmulationRun;

// The debugger's own path through the loop, for what the plain cases cannot do (stepping over and
// out, watchpoints, conditional breakpoints, the trace). Kept apart so that free run with nothing
// set never looks at it beyond one test per pass.
class DebugPath {
 public:
  virtual ~DebugPath() = default;
  // While true, every pass that is not paused is handed to Pass.
  virtual bool Active() const = 0;
  virtual void Pass(EmulationRun& run) = 0;
};

// Run state read by the main loop at every pass.
extern bool StopRequested;         // true while no run is active or a stop has been asked for
extern DebugStateKind DebugState;  // set by the register window's buttons
extern bool DebugMode;             // the "Debug" check box
extern bool BreakpointsEnabled;    // the "Break" check box
extern bool RewindHeld;            // the rewind key is down: passes play the history backwards

// No key held and the debugger off: where a run that no window steers starts (the headless runner,
// benchmarks, tests).
void ResetRunControls();

struct StartResult {
  bool Ok = false;
  std::string Message;  // exact text for the message box when !Ok
  // When Ok: what the board had to do without (a sound PROM), for a message box; empty: nothing.
  std::string Notice;
};

class EmulationRun {
 public:
  EmulationRun();
  ~EmulationRun();
  EmulationRun(const EmulationRun&) = delete;
  EmulationRun& operator=(const EmulationRun&) = delete;

  // The Start sequence from the description file to a machine ready to run (the palette and the
  // screen bitmap included); sets StopRequested false on success. Failures leave the run stopped.
  // Refused while a loop is still active: a second run never nests inside the first.
  StartResult Start(const std::string& descriptionPath);
  // One pass of the main loop, in the priority paused, debug, breakpoints, free run.
  // In free run a pass is exactly one frame, so tools may drive the machine pass by pass.
  void RunPass();
  // Passes until StopRequested; then the driver's StopRoutine, once. Called after Stop without a
  // pass in between, it only finishes the run: that is how pass-driven tools end one.
  void RunLoop();
  // The run's part of the Stop sequence: StopRequested, FreeGameDescription, FreeScreenBitmap.
  void Stop();
  void Reset();
  // The Cartridge button: asks the host for a file of the board's kind (in the description's
  // cartridge folder), loads it and sets the current folder back to the program's. Cancelled: not
  // Ok, with no message. The view shows a refusal's message.
  LoadResult Cartridge();
  // Loads a file without asking, as the Cartridge button would; refused with the reason when no
  // run is active or the board loads no files.
  LoadResult LoadFile(const std::string& path);
  bool LoadsFiles() const { return Running() && row_ && row_->FileLoader && row_->LoadChoice; }
  // Types the text into the running machine key by key over the next frames, as fast as the machine
  // takes the keys, replacing what an earlier call had still to type. Returns the message counting
  // the characters this driver cannot type (empty when all can); nothing is typed when no run is
  // active.
  std::string TypeText(std::string_view utf8, const TypingPace& pace = {});
  bool Typing() const { return typer_.Busy(); }
  // Lets go of the keys and forgets what was still to be typed.
  void StopTyping() { typer_.Cancel(); }
  // Why the last text stopped before its end (the machine did not take a key); empty otherwise.
  const std::string& TypingStopMessage() const { return typer_.StopMessage(); }
  const KeyTyper& Typer() const { return typer_; }
  // DrawRoutine (if any), then PresentScreen: what the debug case shows after each step.
  void Redraw();

  bool LoopActive() const { return loopActive_; }
  bool Running() const { return !StopRequested; }
  const MachineDriver& Driver() const { return driver_; }
  // The driver table row and name of the running game (null and empty before the first Start).
  const DriverInfo* Row() const { return row_; }
  const std::string& DriverName() const { return driverName_; }
  // The checksum of the ROM files the running game loaded.
  uint64_t RomChecksum() const { return romChecksum_; }
  // The file name (without folder) of the running game's description.
  const std::string& DescriptionFile() const { return descriptionFile_; }

  // Hooks the debugger fills: called in the debug and breakpoint cases of the loop.
  std::function<void()> BreakpointCheck;
  // The addresses BreakpointCheck can hit. With them, the breakpoint case calls the hook only where
  // the program counter is marked and lets the core run on between those addresses; without them,
  // the hook runs before every instruction.
  const std::bitset<65536>* BreakpointMarks = nullptr;
  std::function<void()> RefreshRegisters;
  // Called instead of Redraw in the debug case when set; the window may defer the redraw.
  std::function<void()> DebugRedraw;
  // Not owned; see DebugPath.
  DebugPath* Debugger = nullptr;

  // The pieces a DebugPath builds its passes from. StepCounted runs one instruction and
  // RunUntilCounted runs on to a marked address (true) or through the frame's end (false), both
  // counting frames and T-states. DebugRedrawNow is the debug case's redraw (the hook or Redraw).
  void StepCounted();
  bool RunUntilCounted(const std::bitset<0x10000>& stops);
  void PaceFrame();
  void DebugRedrawNow();

  // Speed limit: when set, the free-run and breakpoint cases pace frames to FrameRate().
  bool LimitSpeed = false;
  int FrameRate() const;  // the driver row's rate

  // Receives the sound of every finished frame (48 kHz, 16-bit mono) after each pass; audible is
  // false when the samples must not be heard: speed not limited, Debug, paused or stepping.
  std::function<void(std::span<const int16_t> samples, bool audible)> SoundOut;
  // Live figures for the status bar and the headless runner, counted from the last Start.
  uint64_t FramesRun() const { return frames_; }
  uint64_t CyclesRun() const { return cycles_; }
  // A restored state brings its own figures.
  void SetCounters(uint64_t frames, uint64_t cycles) {
    frames_ = frames;
    cycles_ = cycles;
  }

  // One whole frame, or one instruction, with the figures counted: the free-run and debug cases'
  // own steps, through which the history replays the past exactly as it first ran.
  void ExecuteFrame();
  void ExecuteStep() { StepCounted(); }

  // When set, told before every pass that executes, and at Start, Reset, Stop and Cartridge.
  RunHistory* History = nullptr;

  // Drivers that exist only in tests are looked up after the table.
  static void SetExtraDrivers(std::span<const DriverInfo> drivers);

 private:
  StartResult Fail(std::string message);
  void RunPassFrames();
  void FrameDone();
  void FollowCaption();
  void DeliverSound();
  void FinishRun();

  MachineDriver driver_{};
  std::unique_ptr<uint8_t[]> graphicsRegion_;
  const DriverInfo* row_ = nullptr;
  std::string driverName_;
  uint64_t romChecksum_ = 0;
  std::string descriptionFile_;
  int frameRate_ = 60;
  bool installed_ = false;  // a driver is installed and its StopRoutine has not run yet
  bool loopActive_ = false;
  uint64_t frames_ = 0;
  uint64_t cycles_ = 0;
  KeyTyper typer_;
  std::chrono::steady_clock::time_point nextFrame_{};
  bool paceStarted_ = false;
  const char* captionSuffix_ = nullptr;  // what the caption shows after the title; null: the title
};

}  // namespace tirvane
