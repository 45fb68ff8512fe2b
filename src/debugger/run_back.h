// SPDX-License-Identifier: GPL-3.0-or-later
// Run back with everything that stops a forward run: plain breakpoints, conditional ones whose
// condition holds, and watchpoint hits.
#pragma once

#include <bitset>

#include "debugger/debug_engine.h"
#include "run/history.h"

namespace tirvane {

enum class RunBackStop : uint8_t { Breakpoint, Condition, Watchpoint, StartOfHistory };

// plain: the plain breakpoints in force, or null. engine may be null (no debugger attached).
RunBackStop RunBackToStop(RunHistory& history, DebugEngine* engine, const std::bitset<0x10000>* plain);

}  // namespace tirvane
