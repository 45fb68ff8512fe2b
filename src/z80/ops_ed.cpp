// SPDX-License-Identifier: GPL-3.0-or-later
// The ED page and its two copies after DD and FD, in which a few instructions use IX or IY for HL.
// Opcodes without a defined meaning consume their two bytes and do nothing.
#include <cstddef>
#include <utility>

#include "z80/alu.h"
#include "z80/ops.h"

namespace tirvane::z80ops {
namespace {

// The repetitions of a block instruction beyond the first count toward the frame's instruction bound
// (the entry points count the instruction itself). At 16 T-states however many iterations run, a loop
// of block instructions would otherwise put over a hundred million bus accesses into one frame.
inline void countRepetitions(Z80Context& z, uint32_t iterations) { z.FrameInstructions += iterations - 1; }

// Whether a block instruction goes on to its next iteration. Under exact timing each repetition is
// charged as it starts, so port writes inside the loop see their own T-state; at the frame's end the
// instruction stops with PC back on it and goes on in the next frame, as the processor's own
// re-execution of it would.
template <int X>
[[gnu::always_inline]] inline bool nextIteration(Z80Context& z) {
  if (z.ExactTiming == 0) return true;
  z.CycleCount += BlockRepeat;
  if (z.CycleCount >= z.FrameLength) {
    z.PC.w -= X == UseHL ? 2 : 3;
    return false;
  }
  z.CycleCount += TimingEDExact[0xB0];
  return true;
}

// LDI, LDD, LDIR, LDDR. All iterations run here: the instruction never re-executes itself.
template <int X, bool Down, bool Repeat>
void blockLoad(Z80Context& z) {
  ContextAccess c(z);
  RegisterPair& source = indexPair<X>(z);
  constexpr uint16_t Step = Down ? 0xFFFF : 1;
  uint32_t iterations = 0;
  do {
    writeByte(c, z.DE.w, readByte(c, source.w));
    source.w += Step;
    z.DE.w += Step;
    ++iterations;
  } while (--z.BC.w != 0 && Repeat && nextIteration<X>(z));
  countRepetitions(z, iterations);
  z.AF.l = static_cast<uint8_t>((z.AF.l & (FlagS | FlagZ | FlagUD5 | FlagUD3 | FlagC)) |
                                (z.BC.w != 0 ? FlagPV : 0));
}

// CPI, CPD, CPIR, CPDR. C is kept: a search loop must not lose the program's carry.
template <bool Down, bool Repeat>
void blockCompare(Z80Context& z) {
  ContextAccess c(z);
  constexpr uint16_t Step = Down ? 0xFFFF : 1;
  const unsigned a = z.AF.h;
  unsigned v;
  unsigned r;
  uint32_t iterations = 0;
  do {
    v = readByte(c, z.HL.w);
    r = (a - v) & 0xFF;
    z.HL.w += Step;
    ++iterations;
  } while (--z.BC.w != 0 && Repeat && r != 0 && nextIteration<UseHL>(z));
  countRepetitions(z, iterations);
  z.AF.l = static_cast<uint8_t>((z.AF.l & FlagC) | SzFlags[r] | ((a ^ v ^ r) & FlagH) | FlagN |
                                (z.BC.w != 0 ? FlagPV : 0));
}

// INI, IND, INIR, INDR, OUTI, OUTD, OTIR, OTDR. B = 0 at the start means 256 iterations.
template <bool Out, bool Down, bool Repeat>
void blockPort(Z80Context& z) {
  ContextAccess c(z);
  constexpr uint16_t Step = Down ? 0xFFFF : 1;
  uint32_t iterations = 0;
  do {
    if constexpr (Out)
      portOut(c, z.BC.l, readByte(c, z.HL.w), static_cast<uint8_t>(z.BC.h - 1));
    else
      writeByte(c, z.HL.w, portIn(c, z.BC.l, z.BC.h));
    z.HL.w += Step;
    ++iterations;
  } while (--z.BC.h != 0 && Repeat && nextIteration<UseHL>(z));
  countRepetitions(z, iterations);
  z.AF.l = static_cast<uint8_t>((z.AF.l & ~FlagZ) | FlagN | (z.BC.h == 0 ? FlagZ : 0));
}

// LD A,I and LD A,R: S and Z of the value, P/V = IFF2, C kept, everything else 0.
[[gnu::always_inline]] inline void loadAFromSpecial(Z80Context& z, uint8_t v) {
  z.AF.h = v;
  z.AF.l = static_cast<uint8_t>((z.AF.l & FlagC) | SzFlags[v] | (z.IFF2 != 0 ? FlagPV : 0));
}

// Opcode fields: x = bits 7-6, y = bits 5-3, k = bits 2-0, p = bits 5-4, q = bit 3.
template <int X, int Op>
void edOp(Z80Context& z) {
  ContextAccess c(z);
  constexpr int x = Op >> 6, y = (Op >> 3) & 7, k = Op & 7, p = y >> 1, q = y & 1;
  [[maybe_unused]] uint8_t& a = z.AF.h;
  [[maybe_unused]] uint8_t& f = z.AF.l;

  if constexpr (x == 1) {
    if constexpr (k == 0) {
      const uint8_t v = portIn(c, z.BC.l, z.BC.h);
      if constexpr (y == 6) {
        // The value lands in F, then the IN flag rule keeps its C, UD5 and UD3.
        f = static_cast<uint8_t>((v & (FlagUD5 | FlagUD3 | FlagC)) | SzpFlags[v]);
      } else {
        reg8<X, y>(z) = v;
        f = static_cast<uint8_t>((f & (FlagUD5 | FlagUD3 | FlagC)) | SzpFlags[v]);
      }
    } else if constexpr (k == 1) {
      if constexpr (y != 6) portOut(c, z.BC.l, reg8<X, y>(z), z.BC.h);
    } else if constexpr (k == 2) {
      RegisterPair& hl = indexPair<X>(z);
      if constexpr (q == 0)
        hl.w = sbcWord(z, hl.w, pairSP<X, p>(z).w);
      else
        hl.w = adcWord(z, hl.w, pairSP<X, p>(z).w);
    } else if constexpr (k == 3) {
      const uint16_t address = fetchWord(c);
      if constexpr (q == 0)
        writeWord(c, address, pairSP<X, p>(z).w);
      else
        pairSP<X, p>(z).w = readWord(c, address);
    } else if constexpr (k == 4) {
      if constexpr (y == 0) z.AF.w = NegTable[a];
    } else if constexpr (k == 5) {
      if constexpr (y == 0) {
        z.IFF1 = z.IFF2;
        z.PC.w = pop(c);
      } else if constexpr (y == 1) {
        z.PC.w = pop(c);
      }
    } else if constexpr (k == 6) {
      // Codes 0 to 3 in the order 46, 4E, 56, 5E; 66 to 7E repeat them.
      z.InterruptMode = y & 3;
    } else {
      if constexpr (y == 0) {
        z.I = a;
      } else if constexpr (y == 1) {
        z.R = a;
      } else if constexpr (y == 2) {
        loadAFromSpecial(z, z.I);
      } else if constexpr (y == 3) {
        loadAFromSpecial(z, z.R);
      } else if constexpr (y == 4 || y == 5) {
        const uint16_t address = memoryOperand<X>(c);
        const uint8_t v = readByte(c, address);
        if constexpr (y == 4) {  // RRD
          writeByte(c, address, static_cast<uint8_t>(a << 4 | v >> 4));
          a = static_cast<uint8_t>((a & 0xF0) | (v & 0x0F));
        } else {  // RLD
          writeByte(c, address, static_cast<uint8_t>(v << 4 | (a & 0x0F)));
          a = static_cast<uint8_t>((a & 0xF0) | v >> 4);
        }
        f = static_cast<uint8_t>((f & FlagC) | SzpFlags[a]);
      }
    }
  } else if constexpr (x == 2 && k <= 3 && y >= 4) {
    constexpr bool Down = y & 1, Repeat = y >= 6;
    if constexpr (k == 0)
      blockLoad<X, Down, Repeat>(z);
    else if constexpr (k == 1)
      blockCompare<Down, Repeat>(z);
    else
      blockPort<k == 3, Down, Repeat>(z);
  }
}

// ED chains (ED ED ...) decode in a loop: each further ED starts the same page again.
template <int X>
void edChain(Z80Context& z) {
  ContextAccess c(z);
  const auto& table = X == UseHL ? EdTable : X == UseIX ? EdAfterDdTable : EdAfterFdTable;
  for (int n = 0;; ++n) {
    const uint8_t op = fetch(c);
    z.CycleCount += timingOf(z).ED[op];
    if (op == 0xED) {
      if (n == MaxPrefixChain) {
        --z.PC.w;  // the rest of the chain decodes as the next instruction
        return;
      }
      continue;
    }
    table[op](z);
    return;
  }
}

// After DD or FD only these take IX or IY for HL; every other byte is the plain ED instruction.
constexpr bool involvesIndex(int op) {
  constexpr uint8_t Listed[] = {0x42, 0x52, 0x62, 0x72, 0x4A, 0x5A, 0x6A, 0x7A, 0x63, 0x6B,
                                0x60, 0x68, 0x61, 0x69, 0x67, 0x6F, 0xA0, 0xA8, 0xB0, 0xB8};
  for (uint8_t listed : Listed)
    if (listed == op) return true;
  return false;
}

template <int X, int Op>
constexpr OpHandler tableEntry() {
  if constexpr (Op == 0xED)
    return &edChain<X>;
  else if constexpr (X != UseHL && !involvesIndex(Op))
    return &edOp<UseHL, Op>;
  else
    return &edOp<X, Op>;
}

template <int X, std::size_t... Ops>
constexpr std::array<OpHandler, 256> buildTable(std::index_sequence<Ops...>) {
  return {tableEntry<X, static_cast<int>(Ops)>()...};
}

}  // namespace

const std::array<OpHandler, 256> EdTable = buildTable<UseHL>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> EdAfterDdTable = buildTable<UseIX>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> EdAfterFdTable = buildTable<UseIY>(std::make_index_sequence<256>{});

void edPrefix(Z80Context& z) { edChain<UseHL>(z); }
void edAfterDdPrefix(Z80Context& z) { edChain<UseIX>(z); }
void edAfterFdPrefix(Z80Context& z) { edChain<UseIY>(z); }

}  // namespace tirvane::z80ops
