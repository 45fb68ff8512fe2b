// SPDX-License-Identifier: GPL-3.0-or-later
// Typing on the SPECTRUM is paced by its system ROM's own keyboard records, which every ROM of the
// 48K family keeps at the same addresses: two key sets at 5C00h, each the key's main code (FFh: the
// set is free) and a count of frames until it is let go; FLAGS (5C3Bh) bit 5, set when the keyboard
// routine files a new key and cleared when the editor takes it; the edit line from E_LINE (5C59h)
// to WORKSP (5C61h), a lone Return and its end marker while BASIC waits for a new line; and FLAGX
// (5C71h) bit 5, set while an INPUT statement edits its answer at WORKSP.
#pragma once

#include "drivers/driver.h"

namespace tirvane {

extern const TypingSigns RomKeyboardSigns;

}  // namespace tirvane
