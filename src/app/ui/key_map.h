// SPDX-License-Identifier: GPL-3.0-or-later
// The PC keyboard as the machines see it: Qt key codes become the host's virtual keys.
#pragma once

#include <optional>

#include "video/host.h"

namespace tirvane {

// Shifted digit symbols of a US layout map back to their digit, so Shift+1 still holds "1".
std::optional<VirtualKey> VirtualKeyFromQtKey(int qtKey);
// The character key a shifted digit of a US layout types, held beside the digit.
std::optional<VirtualKey> ShiftedDigitSymbol(int qtKey);

}  // namespace tirvane
