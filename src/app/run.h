// The emulation run without windows: the Start and Stop sequences, one pass of the main loop,
// Reset and Cartridge. The desktop program and the headless runner drive the same run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "drivers/driver.h"

namespace tirvane {

enum class DebugStateKind { Running, Paused, Step };

// Run state read by the main loop at every pass.
extern bool StopRequested;           // true while no run is active or a stop has been asked for
extern DebugStateKind DebugState;    // set by the register window's buttons
extern bool DebugMode;               // the "Debug" check box
extern bool BreakpointsEnabled;      // the "Break" check box

struct StartResult {
  bool Ok = false;
  std::string Message;  // exact text for the message box when !Ok
};

class EmulationRun {
 public:
  EmulationRun();
  ~EmulationRun();

  // The Start sequence from the description file to a machine ready to run (the palette and the
  // screen bitmap included); sets StopRequested false on success. Failures leave the run stopped.
  StartResult Start(const std::string& descriptionPath);
  // One pass of the main loop, in the priority paused, debug, breakpoints, free run.
  void RunPass();
  // Passes until StopRequested; then the driver's StopRoutine, once.
  void RunLoop();
  // The run's part of the Stop sequence: StopRequested, FreeGameDescription, FreeScreenBitmap.
  void Stop();
  void Reset();
  void Cartridge();

  bool LoopActive() const { return loopActive_; }
  bool Running() const { return !StopRequested; }
  const MachineDriver& Driver() const { return driver_; }

  // Hooks the debugger fills: called in the debug and breakpoint cases of the loop.
  std::function<void()> BreakpointCheck;
  std::function<void()> RefreshRegisters;
  // Called when a redraw-and-present would be visible (debug case); the window may defer it.
  std::function<void()> DebugRedraw;

  // Speed limit: when set, the free-run and breakpoint cases pace frames to FrameRate().
  bool LimitSpeed = false;
  int FrameRate() const;  // 50 for SPECTRUM, else 60

  // Live figures for the status bar and the headless runner.
  uint64_t FramesRun() const { return frames_; }
  uint64_t CyclesRun() const { return cycles_; }

  // Drivers that exist only in tests are looked up after the table.
  static void SetExtraDrivers(std::span<const DriverInfo> drivers);

 private:
  MachineDriver driver_{};
  std::unique_ptr<uint8_t[]> graphicsRegion_;
  bool loopActive_ = false;
  uint64_t frames_ = 0;
  uint64_t cycles_ = 0;
};

}  // namespace tirvane
