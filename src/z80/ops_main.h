// SPDX-License-Identifier: GPL-3.0-or-later
// The main page as one template per opcode; X selects whether HL, IX or IY plays the HL role, so the
// DD and FD pages are instantiations of the same code. Included by the tables and the frame loop.
#pragma once

#include <utility>

#include "z80/alu.h"
#include "z80/ops.h"

namespace tirvane::z80ops {

// Condition codes in opcode order: NZ, Z, NC, C, PO, PE, P, M.
template <int Cc>
[[gnu::always_inline]] inline bool condition(const Z80Context& z) {
  constexpr uint8_t Masks[4] = {FlagZ, FlagC, FlagPV, FlagS};
  return ((z.AF.l & Masks[Cc >> 1]) != 0) == ((Cc & 1) != 0);
}

template <class A>
[[gnu::always_inline]] inline void relativeJump(A& c, int8_t e) {
  c.pc = static_cast<uint16_t>(c.pc + e);
}

// The four accumulator rotates keep S, Z, UD5, UD3 and P/V and clear H and N.
[[gnu::always_inline]] inline void rotateA(Z80Context& z, unsigned result, unsigned carry) {
  z.AF.h = static_cast<uint8_t>(result);
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) | carry);
}

// Opcode fields: x = bits 7-6, y = bits 5-3, k = bits 2-0, p = bits 5-4, q = bit 3.
template <int X, int Op, class A>
[[gnu::always_inline]] inline void mainOp(A& c) {
  Z80Context& z = c.z;
  constexpr int x = Op >> 6, y = (Op >> 3) & 7, k = Op & 7, p = y >> 1, q = y & 1;
  [[maybe_unused]] uint8_t& a = z.AF.h;
  [[maybe_unused]] uint8_t& f = z.AF.l;

  if constexpr (Op == 0x76) {
    // HALT stays on its own opcode so that each later step executes it again.
    z.Halted = 1;
    --c.pc;
  } else if constexpr (x == 1) {
    // LD r,r'. Beside (IX+d), H and L keep their own meaning.
    if constexpr (y == 6) {
      const uint16_t address = memoryOperand<X>(c);
      writeByte(c, address, reg8<UseHL, k>(z));
    } else if constexpr (k == 6) {
      const uint16_t address = memoryOperand<X>(c);
      reg8<UseHL, y>(z) = readByte(c, address);
    } else {
      reg8<X, y>(z) = reg8<X, k>(z);
    }
  } else if constexpr (x == 2) {
    // The DD and FD forms of the H and L operands here still use H and L.
    if constexpr (k == 6)
      alu8<y>(z, readByte(c, memoryOperand<X>(c)));
    else
      alu8<y>(z, reg8<UseHL, k>(z));
  } else if constexpr (x == 0) {
    if constexpr (k == 0) {
      if constexpr (y == 1) {
        std::swap(z.AF.w, z.AltAF.w);
      } else if constexpr (y == 2) {
        const auto e = static_cast<int8_t>(fetch(c));
        if (--z.BC.h != 0) {
          relativeJump(c, e);
          c.taken(TakenJump);
        }
      } else if constexpr (y == 3) {
        relativeJump(c, static_cast<int8_t>(fetch(c)));
      } else if constexpr (y >= 4) {
        const auto e = static_cast<int8_t>(fetch(c));
        if (condition<y - 4>(z)) {
          relativeJump(c, e);
          c.taken(TakenJump);
        }
      }  // y == 0: NOP
    } else if constexpr (k == 1) {
      if constexpr (q == 0) {
        pairSP<X, p>(z).w = fetchWord(c);
      } else {
        RegisterPair& hl = indexPair<X>(z);
        hl.w = addWord(z, hl.w, pairSP<X, p>(z).w);
      }
    } else if constexpr (k == 2) {
      if constexpr (Op == 0x02)
        writeByte(c, z.BC.w, a);
      else if constexpr (Op == 0x12)
        writeByte(c, z.DE.w, a);
      else if constexpr (Op == 0x22)
        writeWord(c, fetchWord(c), indexPair<X>(z).w);
      else if constexpr (Op == 0x32)
        writeByte(c, fetchWord(c), a);
      else if constexpr (Op == 0x0A)
        a = readByte(c, z.BC.w);
      else if constexpr (Op == 0x1A)
        a = readByte(c, z.DE.w);
      else if constexpr (Op == 0x2A)
        indexPair<X>(z).w = readWord(c, fetchWord(c));
      else
        a = readByte(c, fetchWord(c));
    } else if constexpr (k == 3) {
      if constexpr (q == 0)
        ++pairSP<X, p>(z).w;
      else
        --pairSP<X, p>(z).w;
    } else if constexpr (k == 4 || k == 5) {
      if constexpr (y == 6) {
        const uint16_t address = memoryOperand<X>(c);
        const uint8_t v = readByte(c, address);
        writeByte(c, address, k == 4 ? inc8(z, v) : dec8(z, v));
      } else {
        uint8_t& r = reg8<X, y>(z);
        r = k == 4 ? inc8(z, r) : dec8(z, r);
      }
    } else if constexpr (k == 6) {
      if constexpr (y == 6) {
        const uint16_t address = memoryOperand<X>(c);  // the displacement comes before n
        writeByte(c, address, fetch(c));
      } else {
        reg8<X, y>(z) = fetch(c);
      }
    } else {
      const unsigned v = a;
      const unsigned oldCarry = f & FlagC;
      if constexpr (y == 0) {
        rotateA(z, (v << 1) | (v >> 7), v >> 7);
      } else if constexpr (y == 1) {
        rotateA(z, (v >> 1) | (v << 7), v & 1);
      } else if constexpr (y == 2) {
        rotateA(z, (v << 1) | oldCarry, v >> 7);
      } else if constexpr (y == 3) {
        rotateA(z, (v >> 1) | (oldCarry << 7), v & 1);
      } else if constexpr (y == 4) {
        const unsigned k3 = ((f >> 2) & 4) | (f & (FlagN | FlagC));  // H * 4 + N * 2 + C
        z.AF.w = DaaTable[k3 << 8 | v];
      } else if constexpr (y == 5) {
        a = static_cast<uint8_t>(~v);
        f |= FlagH | FlagN;
      } else if constexpr (y == 6) {
        f = static_cast<uint8_t>((f & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) | FlagC);
      } else {
        f = static_cast<uint8_t>((f & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) | (oldCarry ? FlagH : 0) |
                                 (oldCarry ^ FlagC));
      }
    }
  } else {  // x == 3
    if constexpr (k == 0) {
      if (condition<y>(z)) {
        c.taken(TakenReturn);
        c.pc = pop(c);
      }
    } else if constexpr (k == 1) {
      if constexpr (q == 0) {
        if constexpr (p == 3)
          z.AF.w = pop(c);
        else
          pairSP<X, p>(z).w = pop(c);
      } else if constexpr (p == 0) {
        c.pc = pop(c);
      } else if constexpr (p == 1) {
        std::swap(z.BC.w, z.AltBC.w);
        std::swap(z.DE.w, z.AltDE.w);
        std::swap(z.HL.w, z.AltHL.w);
      } else if constexpr (p == 2) {
        c.pc = indexPair<X>(z).w;
      } else {
        z.SP.w = indexPair<X>(z).w;
      }
    } else if constexpr (k == 2) {
      const uint16_t target = fetchWord(c);
      if (condition<y>(z)) c.pc = target;
    } else if constexpr (k == 3) {
      if constexpr (y == 0) {
        c.pc = fetchWord(c);
      } else if constexpr (y == 2) {
        const uint8_t port = fetch(c);
        portOut(c, port, a, a);
      } else if constexpr (y == 3) {
        const uint8_t port = fetch(c);
        a = portIn(c, port, a);
      } else if constexpr (y == 4) {
        RegisterPair& hl = indexPair<X>(z);
        const uint8_t low = readByte(c, z.SP.w);
        const uint8_t high = readByte(c, static_cast<uint16_t>(z.SP.w + 1));
        writeByte(c, z.SP.w, hl.l);
        writeByte(c, static_cast<uint16_t>(z.SP.w + 1), hl.h);
        hl.w = static_cast<uint16_t>(high << 8 | low);
      } else if constexpr (y == 5) {
        std::swap(z.DE.w, indexPair<X>(z).w);
      } else if constexpr (y == 6) {
        z.IFF1 = 0;
        z.IFF2 = 0;
      } else if constexpr (y == 7) {
        callOnRecord(c, &enableInterrupts);
      }  // y == 1 is the CB prefix, placed in the tables directly
    } else if constexpr (k == 4) {
      const uint16_t target = fetchWord(c);
      if (condition<y>(z)) {
        c.taken(TakenCall);
        push(c, c.pc);
        c.pc = target;
      }
    } else if constexpr (k == 5) {
      if constexpr (q == 0) {
        push(c, p == 3 ? z.AF.w : pairSP<X, p>(z).w);
      } else if constexpr (p == 0) {
        const uint16_t target = fetchWord(c);
        push(c, c.pc);
        c.pc = target;
      }  // p 1 to 3 are the DD, ED and FD prefixes, placed in the tables directly
    } else if constexpr (k == 6) {
      alu8<y>(z, fetch(c));
    } else {
      push(c, c.pc);
      c.pc = static_cast<uint16_t>(y * 8);
    }
  }
}

// Opcodes whose DD and FD forms differ from the unprefixed instruction: HL as a pair, (HL) as an
// operand, and H or L beside another register or an immediate.
constexpr bool involvesIndex(int op) {
  constexpr uint8_t Listed[] = {0x09, 0x19, 0x29, 0x39, 0x21, 0x22, 0x23, 0x2A, 0x2B, 0x24, 0x25, 0x26,
                                0x2C, 0x2D, 0x2E, 0x34, 0x35, 0x36, 0xE1, 0xE3, 0xE5, 0xE9, 0xEB, 0xF9};
  for (uint8_t listed : Listed)
    if (listed == op) return true;
  if (op >= 0x40 && op < 0x80 && op != 0x76) {
    const int dst = (op >> 3) & 7, src = op & 7;
    return dst == 4 || dst == 5 || dst == 6 || src == 4 || src == 5 || src == 6;
  }
  return op >= 0x80 && op < 0xC0 && (op & 7) == 6;
}

}  // namespace tirvane::z80ops
