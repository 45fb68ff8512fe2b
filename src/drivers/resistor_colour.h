// SPDX-License-Identifier: GPL-3.0-or-later
// Colour PROM bytes turned into RGB through the common three-resistor network: bits 0-2 red,
// bits 3-5 green, bits 6-7 blue, each bit a fixed share of full brightness.
#pragma once

#include <cstdint>

#include "video/screen.h"

namespace tirvane {

constexpr Rgb ResistorColour(uint8_t v) {
  auto bit = [v](int n) { return (v >> n) & 1; };
  return Rgb{static_cast<uint8_t>(0x21 * bit(0) + 0x47 * bit(1) + 0x97 * bit(2)),
             static_cast<uint8_t>(0x21 * bit(3) + 0x47 * bit(4) + 0x97 * bit(5)),
             static_cast<uint8_t>(0x47 * bit(6) + 0x97 * bit(7))};
}

}  // namespace tirvane
