// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/debugger_link.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>

#include "app/ui/game_screen.h"
#include "app/ui/main_window.h"
#include "app/ui/settings.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/disasm_window.h"

namespace tirvane {

void ConnectDebugger(TfrmEmulator& window, Debugger& debugger) {
  debugger.Attach(window.Run, window.Breakpoints());
  // Ticking the box runs its click handler, which switches the debugger on.
  debugger.TickDebug = [&window] { window.cbDebug->setChecked(true); };
  debugger.frmDebug->Closed = [&window] { window.cbDebug->setChecked(false); };

  DebuggerHooks& hooks = window.Debugger;
  hooks.SpritesClick = [&window, &debugger] { debugger.SpritesClick(window.Run.Driver().SpriteSetsRoutine); };
  hooks.DisasmClick = [&window, &debugger] { debugger.DisasmClick(&window, window.frmGameScreen); };
  hooks.DiscardDisassembly = [&debugger] { debugger.DiscardDisassembly(); };
  hooks.DebugSwitch = [&window, &debugger](bool on) { debugger.DebugSwitch(on, &window); };
  hooks.AskBreakpointAddress = [&window, &debugger] {
    return debugger.AskBreakpointAddress(&window, window.sbAddBreak->mapTo(&window, QPoint(0, 0)));
  };

  hooks.CharSetsClick = [&window, &debugger] { debugger.CharSetsClick(&window); };
  RememberPlace(*debugger.frmDebug, &window);
  RememberPlace(*debugger.frmDisasm, &window);
}

}  // namespace tirvane
