// SPDX-License-Identifier: GPL-3.0-or-later
// The one reading of an address for every view (the panes' "Go to" fields, the dialogs, the
// automation server's tools, the runner's options). The README's "Addresses" section tells users.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "z80/z80.h"

namespace tirvane {

// A label's address, for when symbols are loaded; empty when the name is unknown.
using LabelLookup = std::function<std::optional<uint16_t>(std::string_view name)>;

// Nothing for text that names no address. In order:
//  - "$BEEF", "#BEEF", "0xBEEF", "0BEEFh" (a digit first) are always hexadecimal numbers;
//  - given the registers, a register pair's name (PC SP HL DE BC IX IY AF, any case);
//  - a loaded label, so after "BEEF EQU 01234H" the text BEEF means 1234;
//  - hexadecimal digits with an optional trailing h, 0000 to FFFF.
std::optional<uint16_t> ReadAddress(std::string_view text, const Z80Context* registers,
                                    const LabelLookup& labels = {});
// ReadAddress with the machine's registers.
std::optional<uint16_t> ResolveLocation(std::string_view text, const Z80Context& z,
                                        const LabelLookup& labels = {});

}  // namespace tirvane
