// The main page and its DD and FD copies. One template describes each opcode; X selects whether HL,
// IX or IY plays the HL role, so the DD and FD tables are instantiations of the same code.
#include <cstddef>
#include <utility>

#include "z80/alu.h"
#include "z80/ops.h"

namespace tirvane::z80ops {
namespace {

// Condition codes in opcode order: NZ, Z, NC, C, PO, PE, P, M.
template <int Cc>
[[gnu::always_inline]] inline bool condition(const Z80Context& z) {
  constexpr uint8_t Masks[4] = {FlagZ, FlagC, FlagPV, FlagS};
  return ((z.AF.l & Masks[Cc >> 1]) != 0) == ((Cc & 1) != 0);
}

[[gnu::always_inline]] inline void relativeJump(Z80Context& z, int8_t e) {
  z.PC.w = static_cast<uint16_t>(z.PC.w + e);
}

// The four accumulator rotates keep S, Z, UD5, UD3 and P/V and clear H and N.
[[gnu::always_inline]] inline void rotateA(Z80Context& z, unsigned result, unsigned carry) {
  z.AF.h = static_cast<uint8_t>(result);
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) | carry);
}

// Opcode fields: x = bits 7-6, y = bits 5-3, k = bits 2-0, p = bits 5-4, q = bit 3.
template <int X, int Op>
void mainOp(Z80Context& z) {
  constexpr int x = Op >> 6, y = (Op >> 3) & 7, k = Op & 7, p = y >> 1, q = y & 1;
  [[maybe_unused]] uint8_t& a = z.AF.h;
  [[maybe_unused]] uint8_t& f = z.AF.l;

  if constexpr (Op == 0x76) {
    // HALT stays on its own opcode so that each later step executes it again.
    z.Halted = 1;
    --z.PC.w;
  } else if constexpr (x == 1) {
    // LD r,r'. Beside (IX+d), H and L keep their own meaning.
    if constexpr (y == 6) {
      const uint16_t address = memoryOperand<X>(z);
      writeByte(z, address, reg8<UseHL, k>(z));
    } else if constexpr (k == 6) {
      const uint16_t address = memoryOperand<X>(z);
      reg8<UseHL, y>(z) = readByte(z, address);
    } else {
      reg8<X, y>(z) = reg8<X, k>(z);
    }
  } else if constexpr (x == 2) {
    // The DD and FD forms of the H and L operands here still use H and L.
    if constexpr (k == 6) alu8<y>(z, readByte(z, memoryOperand<X>(z)));
    else alu8<y>(z, reg8<UseHL, k>(z));
  } else if constexpr (x == 0) {
    if constexpr (k == 0) {
      if constexpr (y == 1) {
        std::swap(z.AF.w, z.AltAF.w);
      } else if constexpr (y == 2) {
        const auto e = static_cast<int8_t>(fetch(z));
        if (--z.BC.h != 0) relativeJump(z, e);
      } else if constexpr (y == 3) {
        relativeJump(z, static_cast<int8_t>(fetch(z)));
      } else if constexpr (y >= 4) {
        const auto e = static_cast<int8_t>(fetch(z));
        if (condition<y - 4>(z)) relativeJump(z, e);
      }  // y == 0: NOP
    } else if constexpr (k == 1) {
      if constexpr (q == 0) {
        pairSP<X, p>(z).w = fetchWord(z);
      } else {
        RegisterPair& hl = indexPair<X>(z);
        hl.w = addWord(z, hl.w, pairSP<X, p>(z).w);
      }
    } else if constexpr (k == 2) {
      if constexpr (Op == 0x02) writeByte(z, z.BC.w, a);
      else if constexpr (Op == 0x12) writeByte(z, z.DE.w, a);
      else if constexpr (Op == 0x22) writeWord(z, fetchWord(z), indexPair<X>(z).w);
      else if constexpr (Op == 0x32) writeByte(z, fetchWord(z), a);
      else if constexpr (Op == 0x0A) a = readByte(z, z.BC.w);
      else if constexpr (Op == 0x1A) a = readByte(z, z.DE.w);
      else if constexpr (Op == 0x2A) indexPair<X>(z).w = readWord(z, fetchWord(z));
      else a = readByte(z, fetchWord(z));
    } else if constexpr (k == 3) {
      if constexpr (q == 0) ++pairSP<X, p>(z).w;
      else --pairSP<X, p>(z).w;
    } else if constexpr (k == 4 || k == 5) {
      if constexpr (y == 6) {
        const uint16_t address = memoryOperand<X>(z);
        const uint8_t v = readByte(z, address);
        writeByte(z, address, k == 4 ? inc8(z, v) : dec8(z, v));
      } else {
        uint8_t& r = reg8<X, y>(z);
        r = k == 4 ? inc8(z, r) : dec8(z, r);
      }
    } else if constexpr (k == 6) {
      if constexpr (y == 6) {
        const uint16_t address = memoryOperand<X>(z);  // the displacement comes before n
        writeByte(z, address, fetch(z));
      } else {
        reg8<X, y>(z) = fetch(z);
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
        f = static_cast<uint8_t>((f & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagPV)) |
                                 (oldCarry ? FlagH : 0) | (oldCarry ^ FlagC));
      }
    }
  } else {  // x == 3
    if constexpr (k == 0) {
      if (condition<y>(z)) z.PC.w = pop(z);
    } else if constexpr (k == 1) {
      if constexpr (q == 0) {
        if constexpr (p == 3) z.AF.w = pop(z);
        else pairSP<X, p>(z).w = pop(z);
      } else if constexpr (p == 0) {
        z.PC.w = pop(z);
      } else if constexpr (p == 1) {
        std::swap(z.BC.w, z.AltBC.w);
        std::swap(z.DE.w, z.AltDE.w);
        std::swap(z.HL.w, z.AltHL.w);
      } else if constexpr (p == 2) {
        z.PC.w = indexPair<X>(z).w;
      } else {
        z.SP.w = indexPair<X>(z).w;
      }
    } else if constexpr (k == 2) {
      const uint16_t target = fetchWord(z);
      if (condition<y>(z)) z.PC.w = target;
    } else if constexpr (k == 3) {
      if constexpr (y == 0) {
        z.PC.w = fetchWord(z);
      } else if constexpr (y == 2) {
        const uint8_t port = fetch(z);
        portOut(z, port, a);
      } else if constexpr (y == 3) {
        const uint8_t port = fetch(z);
        a = portIn(z, port, a);
      } else if constexpr (y == 4) {
        RegisterPair& hl = indexPair<X>(z);
        const uint8_t low = readByte(z, z.SP.w);
        const uint8_t high = readByte(z, static_cast<uint16_t>(z.SP.w + 1));
        writeByte(z, z.SP.w, hl.l);
        writeByte(z, static_cast<uint16_t>(z.SP.w + 1), hl.h);
        hl.w = static_cast<uint16_t>(high << 8 | low);
      } else if constexpr (y == 5) {
        std::swap(z.DE.w, indexPair<X>(z).w);
      } else if constexpr (y == 6) {
        z.IFF1 = 0;
        z.IFF2 = 0;
      } else if constexpr (y == 7) {
        enableInterrupts(z);
      }  // y == 1 is the CB prefix, placed in the tables directly
    } else if constexpr (k == 4) {
      const uint16_t target = fetchWord(z);
      if (condition<y>(z)) {
        push(z, z.PC.w);
        z.PC.w = target;
      }
    } else if constexpr (k == 5) {
      if constexpr (q == 0) {
        push(z, p == 3 ? z.AF.w : pairSP<X, p>(z).w);
      } else if constexpr (p == 0) {
        const uint16_t target = fetchWord(z);
        push(z, z.PC.w);
        z.PC.w = target;
      }  // p 1 to 3 are the DD, ED and FD prefixes, placed in the tables directly
    } else if constexpr (k == 6) {
      alu8<y>(z, fetch(z));
    } else {
      push(z, z.PC.w);
      z.PC.w = static_cast<uint16_t>(y * 8);
    }
  }
}

// DD and FD chains are decoded in this loop, never by nesting: the last prefix wins.
void indexChain(Z80Context& z, bool useIY) {
  for (int n = 0;; ++n) {
    const uint8_t op = fetch(z);
    z.CycleCount += TimingDDFD[op];
    if ((op | 0x20) == 0xFD) {  // DD or FD
      if (n == MaxPrefixChain) {
        --z.PC.w;  // the rest of the chain decodes as the next instruction
        return;
      }
      useIY = op == 0xFD;
      continue;
    }
    (useIY ? FdTable : DdTable)[op](z);
    return;
  }
}

void ddPrefix(Z80Context& z) { indexChain(z, false); }
void fdPrefix(Z80Context& z) { indexChain(z, true); }

// Opcodes whose DD and FD forms differ from the unprefixed instruction: HL as a pair, (HL) as an
// operand, and H or L beside another register or an immediate.
constexpr bool involvesIndex(int op) {
  switch (op) {
    case 0x09: case 0x19: case 0x29: case 0x39:
    case 0x21: case 0x22: case 0x23: case 0x2A: case 0x2B:
    case 0x24: case 0x25: case 0x26: case 0x2C: case 0x2D: case 0x2E:
    case 0x34: case 0x35: case 0x36:
    case 0xE1: case 0xE3: case 0xE5: case 0xE9: case 0xEB: case 0xF9:
      return true;
    default:
      break;
  }
  if (op >= 0x40 && op < 0x80 && op != 0x76) {
    const int dst = (op >> 3) & 7, src = op & 7;
    return dst == 4 || dst == 5 || dst == 6 || src == 4 || src == 5 || src == 6;
  }
  return op >= 0x80 && op < 0xC0 && (op & 7) == 6;
}

template <int X, int Op>
constexpr OpHandler tableEntry() {
  if constexpr (Op == 0xCB) return X == UseHL ? &cbPrefix : X == UseIX ? &ddCbPrefix : &fdCbPrefix;
  else if constexpr (Op == 0xED) return X == UseHL ? &edPrefix : X == UseIX ? &edAfterDdPrefix : &edAfterFdPrefix;
  else if constexpr (Op == 0xDD) return &ddPrefix;
  else if constexpr (Op == 0xFD) return &fdPrefix;
  else if constexpr (X != UseHL && !involvesIndex(Op)) return &mainOp<UseHL, Op>;
  else return &mainOp<X, Op>;
}

template <int X, std::size_t... Ops>
constexpr std::array<OpHandler, 256> buildTable(std::index_sequence<Ops...>) {
  return {tableEntry<X, static_cast<int>(Ops)>()...};
}

}  // namespace

const std::array<OpHandler, 256> MainTable = buildTable<UseHL>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> DdTable = buildTable<UseIX>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> FdTable = buildTable<UseIY>(std::make_index_sequence<256>{});

}  // namespace tirvane::z80ops
