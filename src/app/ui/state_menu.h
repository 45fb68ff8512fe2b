// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen's save-state items: "Save state" and "Load state" with nine slots each (a slot
// shows when it was saved), "Save state as…" and "Load state from…". Slot files live in the
// "states" folder beside the program, named after the description. Insert saves to slot 1 and Home
// loads it: no driver reads either as a game key.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace tirvane {

class EmulationRun;

// Adds the items to screen's context menu. afterLoad runs after every successful load, so the
// debugger's windows can show the loaded state at once.
void AddStateMenus(QWidget& screen, EmulationRun& run, std::function<void()> afterLoad);

// The file of a slot (1-9) for the running game.
std::string StateSlotPath(const EmulationRun& run, int slot);

}  // namespace tirvane
