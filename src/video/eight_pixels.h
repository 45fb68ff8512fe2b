// SPDX-License-Identifier: GPL-3.0-or-later
// One byte of a one-bit-per-pixel screen turned into eight palette indices at once, for the
// screens whose hardware shifts out bytes most significant bit first (SPECTRUM, COLECO).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace tirvane {

// Byte k of entry v is FFh when bit 7 - k of v is set. The host is little-endian (as the register
// pairs already assume), so byte 0 lands on the leftmost pixel.
inline constexpr auto SpreadBits = [] {
  std::array<uint64_t, 256> masks{};
  for (int v = 0; v < 256; ++v)
    for (int k = 0; k < 8; ++k)
      if (v & (0x80 >> k)) masks[v] |= uint64_t{0xFF} << (8 * k);
  return masks;
}();

// Writes pixels[0..7]: ink where bits has a 1, paper where it has a 0.
inline void PutEightPixels(uint8_t* pixels, uint8_t bits, uint8_t ink, uint8_t paper) {
  constexpr uint64_t EveryByte = 0x0101010101010101ull;
  const uint64_t eight = (paper * EveryByte) ^ (((ink ^ paper) * EveryByte) & SpreadBits[bits]);
  std::memcpy(pixels, &eight, sizeof eight);
}

}  // namespace tirvane
