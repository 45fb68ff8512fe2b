// SPDX-License-Identifier: GPL-3.0-or-later
// Input bytes built from a board's key table: each held key clears (active low) or sets (active
// high) its mask. A key may own several bits, and several keys may share one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/host.h"

namespace tirvane {

struct KeyBit {
  VirtualKey Key;
  uint8_t Mask;
};

template <size_t N>
uint8_t ActiveLowInput(uint8_t idle, const KeyBit (&keys)[N]) {
  uint8_t value = idle;
  for (const KeyBit& k : keys)
    if (KeyHeld(k.Key)) value &= static_cast<uint8_t>(~k.Mask);
  return value;
}

}  // namespace tirvane
