// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/debugger_link.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QToolButton>

#include "app/ui/game_screen.h"
#include "app/ui/main_window.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/workspace.h"

namespace tirvane {

namespace {

std::function<std::optional<std::string>()> hooksAsk(TfrmEmulator& window, Debugger& debugger) {
  return [&window, &debugger] {
    return debugger.AskBreakpointAddress(&window, window.sbAddBreak->mapTo(&window, QPoint(0, 0)));
  };
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

  DebuggerHooks& hooks = window.Debugger;
  hooks.SpritesClick = [&window, &debugger] { debugger.SpritesClick(window.Run.Driver().SpriteSetsRoutine); };
  hooks.DisasmClick = [&window, &debugger] { debugger.DisasmClick(&window, window.frmGameScreen); };
  hooks.DiscardDisassembly = [&debugger] { debugger.DiscardDisassembly(); };
  hooks.DebugSwitch = [&window, &debugger](bool on) { debugger.DebugSwitch(on, &window); };
  hooks.AskBreakpointAddress = hooksAsk(window, debugger);

  // The main window has no control of its own for the character tiles: the Sprites button's
  // context menu offers them.
  auto* charSets = new QAction("Char Sets", window.sbSprites);
  window.sbSprites->addAction(charSets);
  window.sbSprites->setContextMenuPolicy(Qt::ActionsContextMenu);
  QObject::connect(charSets, &QAction::triggered, &window,
                   [&window, &debugger] { debugger.CharSetsClick(&window); });

  // The "Debug" box's context menu switches between the workspace and the classic windows.
  auto* classic = new QAction("Classic windows", window.cbDebug);
  classic->setCheckable(true);
  classic->setChecked(debugger.Classic());
  window.cbDebug->addAction(classic);
  window.cbDebug->setContextMenuPolicy(Qt::ActionsContextMenu);
  QObject::connect(classic, &QAction::toggled, &window, [&debugger](bool on) {
    debugger.SetClassic(on);
    QSettings().setValue("debugger/classicWindows", on);
  });
  debugger.Workspace->ClassicChosen = [classic](bool on) { classic->setChecked(on); };
}

}  // namespace tirvane
