// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen's typing items: "Paste text" types the clipboard's text into the running machine
// key by key, and "Keyboard…" shows how the PC's keys map to the machine's.
#pragma once

#include <QString>

class QWidget;

namespace tirvane {

class EmulationRun;

void AddTypingMenu(QWidget& screen, EmulationRun& run);

// The keyboard help for the running game's driver (a general line when the driver has none).
QString KeyboardHelpText(const EmulationRun& run);

}  // namespace tirvane
