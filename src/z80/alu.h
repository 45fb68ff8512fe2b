// SPDX-License-Identifier: GPL-3.0-or-later
// Arithmetic, logic, rotate and shift operations with their flag rules, shared by the handler files.
// Bits 5 and 3 of F are 0 after every result computed here; only INC, DEC, DAA and NEG carry the
// result's bits 5 and 3, through their tables.
#pragma once

#include <cstdint>

#include "z80/flags.h"
#include "z80/z80.h"

namespace tirvane::z80ops {

// The eight accumulator operations in opcode order: ADD, ADC, SUB, SBC, AND, XOR, OR, CP.
template <int Op>
[[gnu::always_inline]] inline void alu8(Z80Context& z, uint8_t v) {
  const unsigned a = z.AF.h;
  if constexpr (Op == 0 || Op == 1) {
    const unsigned r = a + v + (Op == 1 ? (z.AF.l & FlagC) : 0);
    z.AF.l = static_cast<uint8_t>(SzFlags[r & 0xFF] | ((a ^ v ^ r) & FlagH) |
                                  ((~(a ^ v) & (a ^ r) & 0x80) >> 5) | (r >> 8));
    z.AF.h = static_cast<uint8_t>(r);
  } else if constexpr (Op == 2 || Op == 3 || Op == 7) {
    const unsigned r = a - v - (Op == 3 ? (z.AF.l & FlagC) : 0);
    z.AF.l = static_cast<uint8_t>(SzFlags[r & 0xFF] | ((a ^ v ^ r) & FlagH) |
                                  (((a ^ v) & (a ^ r) & 0x80) >> 5) | FlagN | ((r >> 8) & FlagC));
    if constexpr (Op != 7) z.AF.h = static_cast<uint8_t>(r);
  } else if constexpr (Op == 4) {
    z.AF.h = static_cast<uint8_t>(a & v);
    z.AF.l = SzpFlags[z.AF.h] | FlagH;
  } else if constexpr (Op == 5) {
    z.AF.h = static_cast<uint8_t>(a ^ v);
    z.AF.l = SzpFlags[z.AF.h];
  } else {
    z.AF.h = static_cast<uint8_t>(a | v);
    z.AF.l = SzpFlags[z.AF.h];
  }
}

// C, UD5 and UD3 survive an 8-bit INC or DEC; the table's bits are ORed onto them.
[[gnu::always_inline]] inline uint8_t inc8(Z80Context& z, uint8_t v) {
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagC | FlagUD5 | FlagUD3)) | IncFlags[v]);
  return static_cast<uint8_t>(v + 1);
}

[[gnu::always_inline]] inline uint8_t dec8(Z80Context& z, uint8_t v) {
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagC | FlagUD5 | FlagUD3)) | DecFlags[v]);
  return static_cast<uint8_t>(v - 1);
}

// The eight CB rotates and shifts in opcode order: RLC, RRC, RL, RR, SLA, SRA, SLL, SRL.
template <int Op>
[[gnu::always_inline]] inline uint8_t shift8(Z80Context& z, uint8_t v) {
  const unsigned oldCarry = z.AF.l & FlagC;
  unsigned r;
  unsigned carry;
  if constexpr (Op == 0) {
    carry = v >> 7;
    r = (v << 1) | carry;
  } else if constexpr (Op == 1) {
    carry = v & 1;
    r = (v >> 1) | (carry << 7);
  } else if constexpr (Op == 2) {
    carry = v >> 7;
    r = (v << 1) | oldCarry;
  } else if constexpr (Op == 3) {
    carry = v & 1;
    r = (v >> 1) | (oldCarry << 7);
  } else if constexpr (Op == 4) {
    carry = v >> 7;
    r = v << 1;
  } else if constexpr (Op == 5) {
    carry = v & 1;
    r = (v >> 1) | (v & 0x80);
  } else if constexpr (Op == 6) {
    carry = v >> 7;
    r = (v << 1) | 1;
  } else {
    carry = v & 1;
    r = v >> 1;
  }
  const auto result = static_cast<uint8_t>(r);
  z.AF.l = static_cast<uint8_t>(SzpFlags[result] | carry);
  return result;
}

// BIT keeps S, UD5, UD3, P/V and C; only Z, H and N follow the tested bit.
template <int Bit>
[[gnu::always_inline]] inline void testBit(Z80Context& z, uint8_t v) {
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagS | FlagUD5 | FlagUD3 | FlagPV | FlagC)) | FlagH |
                                ((v >> Bit) & 1 ? 0 : FlagZ));
}

inline uint16_t addWord(Z80Context& z, uint16_t a, uint16_t v) {
  const unsigned r = unsigned{a} + v;
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) |
                                (((a ^ v ^ r) >> 8) & FlagH) | (r >> 16));
  return static_cast<uint16_t>(r);
}

inline uint16_t adcWord(Z80Context& z, uint16_t a, uint16_t v) {
  const unsigned r = unsigned{a} + v + (z.AF.l & FlagC);
  z.AF.l =
      static_cast<uint8_t>(((r >> 8) & FlagS) | ((r & 0xFFFF) == 0 ? FlagZ : 0) |
                           (((a ^ v ^ r) >> 8) & FlagH) | ((~(a ^ v) & (a ^ r) & 0x8000) >> 13) | (r >> 16));
  return static_cast<uint16_t>(r);
}

inline uint16_t sbcWord(Z80Context& z, uint16_t a, uint16_t v) {
  const unsigned r = unsigned{a} - v - (z.AF.l & FlagC);
  z.AF.l = static_cast<uint8_t>(((r >> 8) & FlagS) | ((r & 0xFFFF) == 0 ? FlagZ : 0) |
                                (((a ^ v ^ r) >> 8) & FlagH) | (((a ^ v) & (a ^ r) & 0x8000) >> 13) | FlagN |
                                ((r >> 16) & FlagC));
  return static_cast<uint16_t>(r);
}

}  // namespace tirvane::z80ops
