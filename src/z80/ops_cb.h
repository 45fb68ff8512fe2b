// SPDX-License-Identifier: GPL-3.0-or-later
// The CB page (rotates, shifts, BIT, RES, SET) and the DD CB / FD CB page built on it, as one
// template per opcode. Included by the tables and the frame loop.
#pragma once

#include "z80/alu.h"
#include "z80/ops.h"

namespace tirvane::z80ops {

// Opcode fields: x = bits 7-6 (shift, BIT, RES, SET), y = bits 5-3 (operation or bit), k = bits 2-0.
template <int Op, class A>
[[gnu::always_inline]] inline void cbOnMemory(A& c, uint16_t address) {
  Z80Context& z = c.z;
  constexpr int x = Op >> 6, y = (Op >> 3) & 7;
  const uint8_t v = readByte(c, address);
  if constexpr (x == 0)
    writeByte(c, address, shift8<y>(z, v));
  else if constexpr (x == 1)
    testBit<y>(z, v);
  else if constexpr (x == 2)
    writeByte(c, address, static_cast<uint8_t>(v & ~(1 << y)));
  else
    writeByte(c, address, static_cast<uint8_t>(v | (1 << y)));
}

template <int Op, class A>
[[gnu::always_inline]] inline void cbOp(A& c) {
  Z80Context& z = c.z;
  constexpr int x = Op >> 6, y = (Op >> 3) & 7, k = Op & 7;
  if constexpr (k == 6) {
    cbOnMemory<Op>(c, z.HL.w);
  } else {
    uint8_t& r = reg8<UseHL, k>(z);
    if constexpr (x == 0)
      r = shift8<y>(z, r);
    else if constexpr (x == 1)
      testBit<y>(z, r);
    else if constexpr (x == 2)
      r = static_cast<uint8_t>(r & ~(1 << y));
    else
      r = static_cast<uint8_t>(r | (1 << y));
  }
}

// DD CB d op: the (IX+d) forms work on memory; RLC with a register code rotates memory and copies
// the result into the register; every other register code is the plain CB instruction and leaves
// memory alone.
template <int Op, class A>
[[gnu::always_inline]] inline void indexedCbOp(A& c, uint16_t address) {
  Z80Context& z = c.z;
  constexpr int k = Op & 7;
  if constexpr (k == 6) {
    cbOnMemory<Op>(c, address);
  } else if constexpr (Op < 0x08) {
    const uint8_t r = shift8<0>(z, readByte(c, address));
    writeByte(c, address, r);
    reg8<UseHL, k>(z) = r;
  } else {
    cbOp<Op>(c);
  }
}

}  // namespace tirvane::z80ops
