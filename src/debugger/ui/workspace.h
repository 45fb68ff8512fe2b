// SPDX-License-Identifier: GPL-3.0-or-later
// The "Debugger" workspace: one main window whose panes (disassembly, registers, watches, memory,
// breakpoints, tiles) dock, tab, float and close, with the run controls in a toolbar and on the
// keyboard. The arrangement is kept in the settings between launches; "Reset layout" brings back
// the first one. The panes read the machine on a display-rate timer, never from the run loop, so an
// open workspace costs the free run nothing but that timer.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

#include "debugger/debug_session.h"
#include "debugger/registers.h"
#include "debugger/ui/list_panes.h"

class QAction;
class QMenu;
class QDockWidget;
class QScrollArea;
class QSettings;
class QToolBar;

namespace tirvane {

class DebugEngine;
class DisassemblyPane;
class GamePane;
class MemoryPane;
class RegisterPane;
class StopPane;
class TracePane;
class TfrmAddWatch;
class TfrmDebug;

// Set on a window whose keys are its own, never the machine's, even during a run.
inline constexpr const char* KeepsKeysProperty = "keepsKeys";

// What the toolbar's actions do; an empty one leaves its action disabled.
struct RunCommands {
  std::function<void()> Run, Pause, StepInto, StepOver, StepOut, RunToNextFrame;
  std::function<void(uint16_t address)> RunTo;
  std::function<bool()> Paused;  // whether the panes should follow PC
  std::function<bool()> Running;  // whether a machine is there to refresh from
};

class DebuggerWorkspace : public QMainWindow {
  Q_OBJECT

 public:
  DebuggerWorkspace(TfrmDebug& registers, TfrmAddWatch* addWatch, const BreakpointControls& breakpoints,
                    RunCommands commands, std::function<void()> spriteSets, QWidget* parent = nullptr);
  ~DebuggerWorkspace() override;

  // Every open pane from the machine, now.
  void Refresh();
  // The engine of the attached run (its stops, trace and symbols); null when none is attached.
  void SetEngine(DebugEngine* engine);
  // Every edit of the panes goes through it; the debugger points it at the attached run.
  DebugSession Session;
  // Reads a symbol file into the engine, replacing the labels loaded before; a file of no known form
  // keeps them. The outcome goes to the status bar.
  void LoadSymbols(const QString& path);
  // New labels show in every pane.
  void SymbolsChanged();
  // One line in the status bar, e.g. why the machine stopped.
  void ShowMessage(const QString& text);
  // Why the machine stopped: in the status bar and at the head of the stop pane, in place of a
  // message box that would ask for a click at every hit.
  void ReportStop(const QString& text);
  // Where "Load symbols…" reads; empty for cancelled. Tests replace the file dialog here.
  std::function<QString()> AskSymbolPath;
  // The machine left a pause: later changes in memory are measured from here.
  void Resumed();
  // A game started or stopped: the panes show the new machine, or nothing, and the run and step
  // actions follow.
  void MachineChanged();
  // A pane made elsewhere (the history's) joins the others: in the View menu, under the run keys, and
  // tabbed beside besides in the first arrangement, so "Reset layout" brings it back too.
  void AddPane(QDockWidget* dock, QDockWidget* besides);
  // Pulls the window back inside the screen's free area, narrower or shorter where it must be.
  void KeepOnScreen();
  // Where "Reset layout" puts the window, as the first time it opened (beside the game screen).
  std::function<void()> PlaceFirstTime;
  // The first arrangement of the panes, as "Reset layout" restores it.
  void ResetLayout();
  void SaveLayout();
  bool HasSavedLayout() const;
  // Where the layout is kept between launches; without it (tests, benchmarks) nothing is kept.
  std::function<std::unique_ptr<QSettings>()> Settings;
  // The user closed the window.
  std::function<void()> Closed;
  // The "Classic windows" choice: the workspace hides and the separate windows take over.
  std::function<void(bool classic)> ClassicChosen;
  // The "Game screen" pane came into view (true) or left it with the pane closed or the workspace
  // gone (false): the separate game screen window makes way for it meanwhile.
  std::function<void(bool docked)> GameScreenDocked;

  DisassemblyPane* Disassembly;
  RegisterPane* Registers;
  WatchPane* Watches;
  MemoryPane* Memory;
  BreakpointPane* Breakpoints;
  TilePane* Tiles;
  StopPane* Stops;
  TracePane* Trace;
  GamePane* Game;
  QDockWidget *DisassemblyDock, *RegistersDock, *WatchesDock, *MemoryDock, *BreakpointsDock, *TilesDock;
  QDockWidget *StopsDock, *TraceDock, *GameDock;
  QAction *RunAction, *PauseAction, *StepIntoAction, *StepOverAction, *StepOutAction, *RunToCursorAction;
  QAction *RunToNextFrameAction, *LoadSymbolsAction;
  QAction *ToggleBreakpointAction, *GoToAction, *ResetLayoutAction, *ClassicAction;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QDockWidget* Dock(QWidget* pane, const QString& title, const char* name);
  void BuildActions();
  void GoToFocused();
  QList<QDockWidget*> Docks() const;
  void FitToolBar();
  // 0: every group in view; 1 and 2: fewer side by side, for a screen with little room.
  void Arrange(int crowding);
  void WholeTabNames();
  void TellGameDocked();
  bool Live() const;

  RunCommands commands_;
  QMenu *debugMenu_ = nullptr, *viewMenu_ = nullptr;
  QList<std::pair<QDockWidget*, QDockWidget*>> addedPanes_;  // the pane and the one it tabs beside
  DebugEngine* engine_ = nullptr;
  QToolBar* runBar_ = nullptr;
  QScrollArea* registersScroll_ = nullptr;
  QTimer refresh_;
  QByteArray firstState_;
  bool restored_ = false;
  bool gameDocked_ = false;
  RegisterSnapshot shownRegisters_;
};

}  // namespace tirvane
