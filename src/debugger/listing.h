// SPDX-License-Identifier: GPL-3.0-or-later
// Walking a listing that starts anywhere in the 64 KB: the disassembly pane scrolls both ways, and
// Z80 code cannot be decoded backwards, so the way up is found by decoding forwards from further back.
#pragma once

#include <cstdint>

namespace tirvane {

// The start of the instruction that ends at address, chosen so that decoding from well before it
// runs in step with address; address - 1 when nothing does (data, or the start of memory).
uint16_t PreviousInstruction(const uint8_t* memory, uint16_t address);

// Where a listing starts that shows address after `lines` earlier instructions (fewer near 0000).
uint16_t ListingStartBefore(const uint8_t* memory, uint16_t address, int lines);

}  // namespace tirvane
