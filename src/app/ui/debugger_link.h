// SPDX-License-Identifier: GPL-3.0-or-later
// Plugs the debugger's windows into the main window's debugger controls and the run's hooks.
#pragma once

namespace tirvane {

class Debugger;
class TfrmEmulator;

// Both must outlive the connection; the main window's breakpoint list is the one the run checks.
void ConnectDebugger(TfrmEmulator& window, Debugger& debugger);

}  // namespace tirvane
