// SPDX-License-Identifier: GPL-3.0-or-later
// A driver that reaches into the debugger: the layer check must refuse it.
#include "debugger/symbols.h"
