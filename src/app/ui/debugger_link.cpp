// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/debugger_link.h"

#include <QAction>
#include <QStyle>
#include <bitset>
#include <memory>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QTimer>
#include <QDockWidget>
#include <QToolBar>
#include <QToolButton>
#include <utility>

#include "app/ui/game_screen.h"
#include "app/ui/main_window.h"
#include "app/ui/settings.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/workspace.h"
#include "debugger/ui/disasm_window.h"
#include "debugger/ui/history_pane.h"
#include "debugger/debug_engine.h"

namespace tirvane {

namespace {

std::function<std::optional<std::string>()> hooksAsk(TfrmEmulator& window, Debugger& debugger) {
  return [&window, &debugger] {
    return debugger.AskBreakpointAddress(&window, window.sbAddBreak->mapTo(&window, QPoint(0, 0)));
  };
}

// While the workspace shows the picture as a pane, the game screen window stands aside, also when
// a game start shows it; it comes back where it stood once the pane closes, if a game still runs.
class GameScreenDocking : public QObject {
 public:
  explicit GameScreenDocking(TfrmGameScreen& screen) : QObject(&screen), screen_(screen) {
    screen.installEventFilter(this);
  }

  void SetDocked(bool docked) {
    docked_ = docked;
    if (docked) {
      StandAside();
    } else if (std::exchange(aside_, false) && !screen_.MayClose) {
      screen_.show();
      screen_.move(place_);
    }
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    // After the show has finished, so whoever showed the window sees no difference.
    if (event->type() == QEvent::Show && docked_)
      QTimer::singleShot(0, this, [this] {
        if (docked_) StandAside();
      });
    return false;
  }

 private:
  void StandAside() {
    if (!screen_.isVisible()) return;
    if (screen_.isFullScreen()) screen_.SetFullScreen(false);
    place_ = screen_.pos();
    aside_ = true;
    screen_.hide();
  }

  TfrmGameScreen& screen_;
  bool docked_ = false;
  bool aside_ = false;
  QPoint place_;
};

// The history pane docks in the workspace, and its two moves join the run toolbar after the steps.
void ConnectHistory(TfrmEmulator& window, Debugger& debugger) {
  DebuggerWorkspace& workspace = *debugger.Workspace;
  auto* pane = new HistoryPane;
  pane->SetHistory(&window.History);
  pane->Pause = [&workspace] { workspace.PauseAction->trigger(); };
  pane->Stops = [&window]() -> const std::bitset<0x10000>* {
    return window.Run.BreakpointMarks != nullptr && BreakpointsEnabled ? window.Run.BreakpointMarks : nullptr;
  };
  pane->Engine = [&debugger] { return debugger.Engine(); };
  pane->Moved = [&window, &workspace] {
    window.RestartRate();
    if (window.Run.RefreshRegisters) window.Run.RefreshRegisters();
    workspace.Refresh();
  };
  pane->Report = [&workspace](const QString& text) { workspace.ShowMessage(text); };
  auto* dock = new QDockWidget("History", &workspace);
  dock->setObjectName("dockHistory");
  dock->setWidget(pane);
  workspace.AddPane(dock, workspace.StopsDock);
  if (auto* bar = workspace.findChild<QToolBar*>("toolbarRun")) {
    auto* back = new QAction(workspace.style()->standardIcon(QStyle::SP_MediaSeekBackward), "Step back", &workspace);
    back->setObjectName("actStepBack");
    QObject::connect(back, &QAction::triggered, pane, &HistoryPane::StepBack);
    auto* runBack = new QAction(workspace.style()->standardIcon(QStyle::SP_MediaSkipBackward), "Run back", &workspace);
    runBack->setObjectName("actRunBack");
    QObject::connect(runBack, &QAction::triggered, pane, &HistoryPane::RunBack);
    bar->insertActions(workspace.LoadSymbolsAction, {back, runBack});
  }
}

}  // namespace

void ConnectDebugger(TfrmEmulator& window, Debugger& debugger) {
  debugger.Attach(window.Run, window.Breakpoints());
  // Ticking the box runs its click handler, which switches the debugger on.
  debugger.TickDebug = [&window] { window.cbDebug->setChecked(true); };
  debugger.UntickDebug = [&window] { window.cbDebug->setChecked(false); };
  debugger.GameScreen = window.frmGameScreen;

  BreakpointControls& breakpoints = debugger.Breakpoints();
  breakpoints.Ask = hooksAsk(window, debugger);
  breakpoints.Add = [&window](const std::string& text) { window.AddBreakpoint(text); };
  breakpoints.Remove = [&window](int index) {
    window.cbBreak->setCurrentIndex(index);
    window.sbDelBreakClick();
  };
  breakpoints.Enabled = [] { return BreakpointsEnabled; };
  breakpoints.SetEnabled = [&window](bool on) { window.cbBreakPoint->setChecked(on); };
  debugger.frmDebug->Closed = [&window] { window.cbDebug->setChecked(false); };

  DebuggerHooks& hooks = window.Debugger;
  hooks.SpritesClick = [&window, &debugger] { debugger.SpritesClick(window.Run.Driver().SpriteSetsRoutine); };
  hooks.DisasmClick = [&window, &debugger] { debugger.DisasmClick(&window, window.frmGameScreen); };
  hooks.DiscardDisassembly = [&debugger] { debugger.DiscardDisassembly(); };
  hooks.DebugSwitch = [&window, &debugger](bool on) { debugger.DebugSwitch(on, &window); };
  hooks.AskBreakpointAddress = hooksAsk(window, debugger);
  hooks.GameStarted = [&debugger](const std::string& path) { debugger.GameStarted(path); };
  hooks.SetPaused = [&debugger](bool paused) {
    debugger.frmDebug->SetState(paused ? DebugStateKind::Paused : DebugStateKind::Running);
  };

  hooks.CharSetsClick = [&window, &debugger] { debugger.CharSetsClick(&window); };
  RememberPlace(*debugger.frmDebug, &window);
  RememberPlace(*debugger.frmDisasm, &window);

  // The "Debug" box's context menu switches between the workspace and the classic windows.
  if (const auto settings = OpenSettings())
    debugger.SetClassic(settings->value("debugger/classicWindows", false).toBool());
  auto* classic = new QAction("Classic windows", window.cbDebug);
  classic->setCheckable(true);
  classic->setChecked(debugger.Classic());
  window.cbDebug->addAction(classic);
  window.cbDebug->setContextMenuPolicy(Qt::ActionsContextMenu);
  QObject::connect(classic, &QAction::toggled, &window, [&debugger](bool on) {
    debugger.SetClassic(on);
    if (const auto settings = OpenSettings()) settings->setValue("debugger/classicWindows", on);
  });
  ConnectHistory(window, debugger);
  debugger.Workspace->Settings = [] { return OpenSettings(); };
  debugger.Workspace->ClassicChosen = [classic](bool on) { classic->setChecked(on); };
  auto* docking = new GameScreenDocking(*window.frmGameScreen);
  debugger.Workspace->GameScreenDocked = [docking](bool docked) { docking->SetDocked(docked); };
}

}  // namespace tirvane
