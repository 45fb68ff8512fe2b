// SPDX-License-Identifier: GPL-3.0-or-later
// Flag tables: every flag result that is not a one-line expression of the operands is looked up here.
// All of them are built at compile time from the flag rules, so there is no start-up cost and no
// generator script.
#pragma once

#include <array>
#include <cstdint>

#include "z80/z80.h"

namespace tirvane {

namespace flagrules {

constexpr bool evenParity(unsigned v) {
  v &= 0xFF;
  v ^= v >> 4;
  v ^= v >> 2;
  v ^= v >> 1;
  return (v & 1) == 0;
}

constexpr uint8_t signZero(uint8_t r) { return static_cast<uint8_t>((r & FlagS) | (r == 0 ? FlagZ : 0)); }
constexpr uint8_t bits53(uint8_t r) { return r & (FlagUD5 | FlagUD3); }

}  // namespace flagrules

// Indexed by the operand before an 8-bit INC. C is 0 here; the instruction keeps the old C, UD5, UD3.
inline constexpr std::array<uint8_t, 256> IncFlags = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned x = 0; x < 256; ++x) {
    const auto r = static_cast<uint8_t>(x + 1);
    t[x] = flagrules::signZero(r) | flagrules::bits53(r) | ((x & 0x0F) == 0x0F ? FlagH : 0) |
           (x == 0x7F ? FlagPV : 0);
  }
  return t;
}();

// Indexed by the operand before an 8-bit DEC.
inline constexpr std::array<uint8_t, 256> DecFlags = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned x = 0; x < 256; ++x) {
    const auto r = static_cast<uint8_t>(x - 1);
    t[x] = flagrules::signZero(r) | flagrules::bits53(r) | ((x & 0x0F) == 0 ? FlagH : 0) |
           (x == 0x80 ? FlagPV : 0) | FlagN;
  }
  return t;
}();

// Indexed by A; each entry is the new AF (A in the high byte), so NEG is one load and one store.
inline constexpr std::array<uint16_t, 256> NegTable = [] {
  std::array<uint16_t, 256> t{};
  for (unsigned a = 0; a < 256; ++a) {
    const auto r = static_cast<uint8_t>(0 - a);
    const uint8_t f = flagrules::signZero(r) | flagrules::bits53(r) | ((a & 0x0F) != 0 ? FlagH : 0) |
                      (a == 0x80 ? FlagPV : 0) | FlagN | (a != 0 ? FlagC : 0);
    t[a] = static_cast<uint16_t>(r << 8 | f);
  }
  return t;
}();

// Indexed by k * 256 + A with k = H * 4 + N * 2 + C; each entry is the new AF.
inline constexpr std::array<uint16_t, 2048> DaaTable = [] {
  std::array<uint16_t, 2048> t{};
  for (unsigned k = 0; k < 8; ++k) {
    const bool h = k & 4, n = k & 2, c = k & 1;
    for (unsigned a = 0; a < 256; ++a) {
      const unsigned low = a & 0x0F;
      unsigned correction = 0;
      if (h || low > 9) correction |= 0x06;
      const bool carry = c || a > 0x99;
      if (carry) correction |= 0x60;
      const auto r = static_cast<uint8_t>(n ? a - correction : a + correction);
      const bool halfCarry = n ? (h && low < 6) : (low > 9);
      const uint8_t f = flagrules::signZero(r) | flagrules::bits53(r) | (halfCarry ? FlagH : 0) |
                        (flagrules::evenParity(r) ? FlagPV : 0) | (n ? FlagN : 0) | (carry ? FlagC : 0);
      t[k * 256 + a] = static_cast<uint16_t>(r << 8 | f);
    }
  }
  return t;
}();

// S and Z of a byte result; bits 5 and 3 stay 0 as the arithmetic rules give them.
inline constexpr std::array<uint8_t, 256> SzFlags = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v) t[v] = flagrules::signZero(static_cast<uint8_t>(v));
  return t;
}();

// S, Z and parity of a byte result.
inline constexpr std::array<uint8_t, 256> SzpFlags = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v)
    t[v] = flagrules::signZero(static_cast<uint8_t>(v)) | (flagrules::evenParity(v) ? FlagPV : 0);
  return t;
}();

}  // namespace tirvane
