// SPDX-License-Identifier: GPL-3.0-or-later
// A captured machine differs from one captured a few frames earlier in a few hundred bytes: the
// history keeps most of its states as the XOR against a full one, with the unchanged runs elided.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tirvane {

// Appends to out the difference of current against base (any sizes; a missing base byte reads 0).
void EncodeStateDelta(std::span<const uint8_t> base, std::span<const uint8_t> current, std::vector<uint8_t>& out);
// Rebuilds into out the state EncodeStateDelta saw as current. False for a malformed delta, with
// out left unspecified.
bool DecodeStateDelta(std::span<const uint8_t> base, std::span<const uint8_t> delta, std::vector<uint8_t>& out);

}  // namespace tirvane
