// SPDX-License-Identifier: GPL-3.0-or-later
// The frame loop: RunFrame's instructions with the main, CB, DD, FD and DD CB / FD CB pages inlined,
// each handler dispatching the next instruction from its own end (GNU labels-as-values, supported by
// GCC and Clang). Every handler thus has its own indirect jump, which the host predicts far better
// than one shared dispatch point, and PC and CycleCount stay in registers (FrameAccess). The ED
// pages, rare in hot code, go through the same tables ExecuteOne uses.
//
// Decoding matches ExecuteOne byte for byte, including the bound on prefix chains.
//
// In the loop that stops at marked addresses, an enabling EI whose inline instruction (run inside
// it) sat at a marked address stops right after it, so no breakpoint is passed over silently.
#include <bitset>

#include "z80/ops_cb.h"
#include "z80/ops_main.h"

namespace tirvane::z80ops {

// clang-format off
#define Z80_ROW(h, M)                                                                                   \
  M(h##0) M(h##1) M(h##2) M(h##3) M(h##4) M(h##5) M(h##6) M(h##7) M(h##8) M(h##9) M(h##A) M(h##B) \
  M(h##C) M(h##D) M(h##E) M(h##F)
#define Z80_ALL_OPCODES(M)                                                                             \
  Z80_ROW(0, M) Z80_ROW(1, M) Z80_ROW(2, M) Z80_ROW(3, M) Z80_ROW(4, M) Z80_ROW(5, M) Z80_ROW(6, M) \
  Z80_ROW(7, M) Z80_ROW(8, M) Z80_ROW(9, M) Z80_ROW(A, M) Z80_ROW(B, M) Z80_ROW(C, M) Z80_ROW(D, M) \
  Z80_ROW(E, M) Z80_ROW(F, M)

#define Z80_MAIN_LABEL(n) &&main_##n,
#define Z80_CB_LABEL(n) &&cb_##n,
#define Z80_DD_LABEL(n) &&dd_##n,
#define Z80_FD_LABEL(n) &&fd_##n,
#define Z80_XCB_LABEL(n) &&xcb_##n,

#define Z80_DISPATCH          \
  ++z.R;                      \
  op = fetch(c);              \
  c.cycles += Tm.Main[op];    \
  goto* mainLabels[op]
#define Z80_NEXT                                                                     \
  if (c.cycles >= c.frameLength || ++executed >= MaxFrameInstructions) goto frameEnd; \
  if constexpr (WithStops) {                                                         \
    if ((*stops)[c.pc]) goto stopped;                                               \
    z.InstructionAddress = c.pc;                                                    \
  }                                                                                 \
  Z80_DISPATCH
// After an ED instruction: the repetitions a block instruction counted in the record join the local count.
#define Z80_NEXT_AFTER_ED                 \
  executed += z.FrameInstructions;        \
  z.FrameInstructions = 0;                \
  Z80_NEXT

#define Z80_MAIN_CASE(n)                                       \
  main_##n:                                                    \
  if constexpr (0x##n == 0xCB) {                               \
    goto cbPage;                                               \
  } else if constexpr (0x##n == 0xDD || 0x##n == 0xFD) {       \
    chain = 0;                                                 \
    goto* (0x##n == 0xDD ? &&ddPage : &&fdPage);               \
  } else if constexpr (0x##n == 0xED) {                        \
    callOnRecord(c, &edPrefix);                                \
    Z80_NEXT_AFTER_ED;                                         \
  } else {                                                     \
    mainOp<UseHL, 0x##n>(c);                                   \
    if constexpr (0x##n == 0xFB && WithStops) {                \
      if (z.InlineRan != 0 && (*stops)[z.InlineAddress] &&     \
          c.cycles < c.frameLength && executed + 1 < MaxFrameInstructions) { \
        ++executed;                                            \
        goto stopped;                                          \
      }                                                        \
    }                                                          \
    Z80_NEXT;                                                  \
  }

#define Z80_CB_CASE(n)        \
  cb_##n:                     \
  cbOp<0x##n>(c);             \
  Z80_NEXT;

// One page after DD (X = UseIX) or FD (UseIY). Opcodes that do not involve HL run the main page's
// handler, whose timing has already been added from the DD/FD table.
#define Z80_INDEX_CASE(prefix, X, edRoutine, cbLabel, n)              \
  prefix##_##n:                                                       \
  if constexpr (0x##n == 0xCB) {                                      \
    goto cbLabel;                                                     \
  } else if constexpr (0x##n == 0xDD || 0x##n == 0xFD) {              \
    if (chain == MaxPrefixChain) {                                    \
      --c.pc; /* the rest of the chain decodes as the next instruction */ \
      Z80_NEXT;                                                       \
    }                                                                 \
    ++chain;                                                          \
    goto* (0x##n == 0xDD ? &&ddPage : &&fdPage);                      \
  } else if constexpr (0x##n == 0xED) {                               \
    callOnRecord(c, &edRoutine);                                      \
    Z80_NEXT_AFTER_ED;                                                \
  } else if constexpr (involvesIndex(0x##n)) {                        \
    mainOp<X, 0x##n>(c);                                              \
    Z80_NEXT;                                                         \
  } else {                                                            \
    goto main_##n;                                                    \
  }
#define Z80_DD_CASE(n) Z80_INDEX_CASE(dd, UseIX, edAfterDdPrefix, ddCbPage, n)
#define Z80_FD_CASE(n) Z80_INDEX_CASE(fd, UseIY, edAfterFdPrefix, fdCbPage, n)

// DD CB d op and FD CB d op: the register forms other than RLC are the plain CB instructions.
#define Z80_XCB_CASE(n)                                   \
  xcb_##n:                                                \
  if constexpr (0x##n >= 0x08 && (0x##n & 7) != 6) {      \
    goto cb_##n;                                          \
  } else {                                                \
    indexedCbOp<0x##n>(c, indexedAddress);                \
    Z80_NEXT;                                             \
  }

// clang-format on

// A template so that the branches the opcode rules out are never instantiated, and so that the
// frame loop and the loop that stops at marked addresses are two loops, neither testing for the other.
// Exact timing is a third instantiation for the same reason: its tables are constants of the loop.
// Returns true when it stopped before an instruction at a marked address.
template <bool WithStops, bool Exact>
bool frameLoop(Z80Context& z, const std::bitset<0x10000>* stops) {
  constexpr const TimingTables& Tm = Exact ? ExactTimingTables : DefaultTimingTables;
  static const void* const mainLabels[256] = {Z80_ALL_OPCODES(Z80_MAIN_LABEL)};
  static const void* const cbLabels[256] = {Z80_ALL_OPCODES(Z80_CB_LABEL)};
  static const void* const ddLabels[256] = {Z80_ALL_OPCODES(Z80_DD_LABEL)};
  static const void* const fdLabels[256] = {Z80_ALL_OPCODES(Z80_FD_LABEL)};
  static const void* const indexedCbLabels[256] = {Z80_ALL_OPCODES(Z80_XCB_LABEL)};
  FrameAccess<Exact> c(z);
  uint32_t executed = WithStops ? z.FrameInstructions : 0;
  // From here the record holds only the repetitions of block instructions, joined to executed after
  // every ED instruction.
  z.FrameInstructions = 0;
  int chain = 0;
  uint16_t indexedAddress = 0;
  uint8_t op;

  if constexpr (WithStops) z.InstructionAddress = c.pc;
  Z80_DISPATCH;

cbPage:
  op = fetch(c);
  c.cycles += Tm.CB[op];
  goto* cbLabels[op];
ddPage:
  op = fetch(c);
  c.cycles += Tm.DDFD[op];
  goto* ddLabels[op];
fdPage:
  op = fetch(c);
  c.cycles += Tm.DDFD[op];
  goto* fdLabels[op];
ddCbPage:
  indexedAddress = static_cast<uint16_t>(z.IX.w + static_cast<int8_t>(fetch(c)));
  op = fetch(c);
  c.cycles += Tm.IndexedCB[op];
  goto* indexedCbLabels[op];
fdCbPage:
  indexedAddress = static_cast<uint16_t>(z.IY.w + static_cast<int8_t>(fetch(c)));
  op = fetch(c);
  c.cycles += Tm.IndexedCB[op];
  goto* indexedCbLabels[op];

  Z80_ALL_OPCODES(Z80_MAIN_CASE)
  Z80_ALL_OPCODES(Z80_CB_CASE)
  Z80_ALL_OPCODES(Z80_DD_CASE)
  Z80_ALL_OPCODES(Z80_FD_CASE)
  Z80_ALL_OPCODES(Z80_XCB_CASE)

frameEnd:
  c.store();
  return false;
stopped:
  c.store();
  z.FrameInstructions = executed;
  return true;
}

// Runs instructions until CycleCount reaches FrameLength or MaxFrameInstructions have run; at least
// one always runs.
void runFrameLoop(Z80Context& z) {
  if (z.ExactTiming != 0)
    frameLoop<false, true>(z, nullptr);
  else
    frameLoop<false, false>(z, nullptr);
}

bool runFrameLoopUntil(Z80Context& z, const std::bitset<0x10000>& stops) {
  return z.ExactTiming != 0 ? frameLoop<true, true>(z, &stops) : frameLoop<true, false>(z, &stops);
}

}  // namespace tirvane::z80ops
