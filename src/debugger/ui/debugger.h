// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger as the rest of the program sees it: it creates the debugger's windows and answers
// the run loop's hooks and the main window's debugger controls.
//
// In Debug mode the loop asks for a register refresh and a redraw after every instruction. The
// registers are captured every time, but the register window, the driver's DrawRoutine and the
// picture run at most once per display refresh, and at once whenever the machine pauses, so what
// the user sees is what an unthrottled loop would show.
#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "debugger/breakpoints.h"
#include "debugger/registers.h"
#include "debugger/ui/list_panes.h"
#include "drivers/driver.h"
#include "run/run_controls.h"

class QWidget;

namespace tirvane {

class EmulationRun;
class TfrmAddWatch;
class TfrmBreakPoint;
class TfrmCharSet;
class TfrmDebug;
class TfrmDisasm;
class TfrmProgress;
class TfrmSpriteSet;
class DebuggerWorkspace;
class DebugEngine;

class Debugger {
 public:
  // The windows belong to owner (the main window): they stay above it and close with it. The
  // debugger must go before its owner, which would otherwise delete the windows a second time.
  explicit Debugger(QWidget* owner = nullptr);
  ~Debugger();
  Debugger(const Debugger&) = delete;
  Debugger& operator=(const Debugger&) = delete;

  // Fills the run's BreakpointCheck, RefreshRegisters and DebugRedraw hooks; the check reads
  // breakpoints, the main window's list, which must outlive the attachment.
  void Attach(EmulationRun& run, const BreakpointList& breakpoints);
  void Detach();
  // The engine behind the workspace's steps, stops, trace and symbols; null while detached.
  DebugEngine* Engine() { return engine_.get(); }
  // A game started: its labels are the ones in NAME.sym beside its description, if there is one.
  void GameStarted(const std::string& descriptionPath);

  // The run loop's hooks.
  void BreakpointCheck();
  void RefreshRegisters();
  void DebugRedraw();

  // The main window's controls. tickDebug must tick the "Debug" box as a click would (switching the
  // debugger on when it was off).
  std::function<void()> TickDebug;
  void DebugSwitch(bool on, const QWidget* mainWindow);
  // The add-breakpoint dialog at the add button (its offset in the main window, plus 8 pixels).
  std::optional<std::string> AskBreakpointAddress(const QWidget* mainWindow, QPoint addButtonOffset);
  // A set viewer when the driver names its sets, else the character viewer on the sprite tiles.
  void SpritesClick(SpriteSetsFn spriteSets);
  // The character viewer on the character tiles, near the main window.
  void CharSetsClick(const QWidget* mainWindow);
  void DisasmClick(const QWidget* mainWindow, const QWidget* gameScreen);
  void DiscardDisassembly();

  // Created in the program's window order after the main window and the game screen.
  std::unique_ptr<TfrmAddWatch> frmAddWatch;  // made first: the register window holds it
  std::unique_ptr<TfrmDebug> frmDebug;
  std::unique_ptr<TfrmCharSet> frmCharSet;
  std::unique_ptr<TfrmBreakPoint> frmBreakPoint;
  std::unique_ptr<TfrmDisasm> frmDisasm;
  std::unique_ptr<TfrmProgress> frmProgress;
  std::unique_ptr<TfrmSpriteSet> frmSpriteSet;

  // The "Debugger" workspace, or with classic windows the separate small windows as they always
  // were. Classic is the default, so a debugger made without the program's settings behaves as the
  // program always did; the program chooses from the user's settings.
  std::unique_ptr<DebuggerWorkspace> Workspace;
  bool Classic() const { return classic_; }
  // Switches at once: the open debugger moves from one face to the other.
  void SetClassic(bool classic);
  // How the breakpoint pane reaches the main window's list and "Break" box.
  BreakpointControls& Breakpoints() { return breakpointControls_; }
  // Unticks the main window's "Debug" box; the workspace's close button uses it.
  std::function<void()> UntickDebug;
  // Where the workspace opens the first time: beside the game screen.
  const QWidget* GameScreen = nullptr;

  // Redraws deferred since the last one shown; tests and the benchmark read them.
  bool RedrawPending() const { return redrawPending_; }

 private:
  void ShowNow();
  void ShowWorkspace();
  // Beside the game screen, else below the main window, else where the screen has room.
  void PlaceWorkspace();
  void EnsureDebugMode();
  // Runs an engine command from where the machine stands, in Debug mode.
  void Command(const std::function<void(DebugEngine&)>& command);
  void Stopped(const std::string& message);

  QWidget* owner_;
  const QWidget* mainWindow_ = nullptr;
  bool classic_ = true;
  BreakpointControls breakpointControls_;

  RunControls& controls_ = Controls();
  EmulationRun* run_ = nullptr;
  std::unique_ptr<DebugEngine> engine_;
  const BreakpointList* breakpoints_ = nullptr;
  BreakpointHitActions hitActions_;
  RepaintPacer pacer_;
  bool redrawPending_ = false;
};

}  // namespace tirvane
