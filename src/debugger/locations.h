// SPDX-License-Identifier: GPL-3.0-or-later
// What a "Go to" field accepts: a register pair whose value is an address (PC, SP, HL, IX, IY, BC,
// DE), or a hexadecimal address written plainly, with a trailing h, a leading $ or 0x.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "z80/z80.h"

namespace tirvane {

// A label's address, for when symbols are loaded; empty when the name is unknown.
using LabelLookup = std::function<std::optional<uint16_t>(std::string_view name)>;

// Nothing for text that names no address; registers win over labels, labels over numbers, so a
// label spelt like a number ("BEEF") still reaches the label.
std::optional<uint16_t> ResolveLocation(std::string_view text, const Z80Context& z,
                                        const LabelLookup& labels = {});

}  // namespace tirvane
