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

// Every opcode has its labels; not every one is jumped to.
#pragma GCC diagnostic ignored "-Wunused-label"

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

// Each handler adds its own opcode's cost, a constant, before its body (the *Op_ labels): the
// prefix pages enter a body past the main page's cost, as the tables have always charged.
#define Z80_DISPATCH          \
  ++c.count;                  \
  op = fetch(c);              \
  goto* mainLabels[op]
// Under exact timing no instruction costs under 4 T-states, so one compare against the checkpoint
// (never later than the instruction budget allows) does for both bounds; the fixed tables have
// free instructions, so there the count is compared as well.
#define Z80_NEXT                                                              \
  if constexpr (Exact) {                                                      \
    if (c.cycles >= checkpoint) goto reachedCheckpoint;                       \
  } else {                                                                    \
    if (c.cycles >= c.frameLength || c.count >= countLimit) goto frameEnd;    \
  }                                                                           \
  if constexpr (WithStops) {                                                  \
    if (stopsAt(stopWords, c.pc)) goto stopped;                               \
    z.InstructionAddress = c.pc;                                              \
  }                                                                           \
  Z80_DISPATCH
// After an ED instruction: the repetitions a block instruction counted in the record join the count.
#define Z80_NEXT_AFTER_ED                                 \
  if (z.FrameInstructions != 0) {                         \
    extra += z.FrameInstructions;                         \
    z.FrameInstructions = 0;                              \
    countLimit = countLimitAfter(begun + extra);          \
  }                                                       \
  Z80_NEXT

#define Z80_MAIN_CASE(n)                                       \
  main_##n:                                                    \
  c.cycles += Tm.Main[0x##n];                                  \
  mainOp_##n:                                                  \
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
          c.cycles < c.frameLength && begun + extra + c.count < MaxFrameInstructions) { \
        goto stopped;                                          \
      }                                                        \
    }                                                          \
    Z80_NEXT;                                                  \
  }

#define Z80_CB_CASE(n)        \
  cb_##n:                     \
  c.cycles += Tm.CB[0x##n];   \
  cbOp_##n:                   \
  cbOp<0x##n>(c);             \
  Z80_NEXT;

// One page after DD (X = UseIX) or FD (UseIY). Opcodes that do not involve HL run the main page's
// body, charged from the DD/FD table alone.
#define Z80_INDEX_CASE(prefix, X, edRoutine, cbLabel, n)              \
  prefix##_##n:                                                       \
  c.cycles += Tm.DDFD[0x##n];                                         \
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
    goto mainOp_##n;                                                  \
  }
#define Z80_DD_CASE(n) Z80_INDEX_CASE(dd, UseIX, edAfterDdPrefix, ddCbPage, n)
#define Z80_FD_CASE(n) Z80_INDEX_CASE(fd, UseIY, edAfterFdPrefix, fdCbPage, n)

// DD CB d op and FD CB d op: the register forms other than RLC are the plain CB instructions.
#define Z80_XCB_CASE(n)                                   \
  xcb_##n:                                                \
  c.cycles += Tm.IndexedCB[0x##n];                        \
  if constexpr (0x##n >= 0x08 && (0x##n & 7) != 6) {      \
    goto cbOp_##n;                                        \
  } else {                                                \
    indexedCbOp<0x##n>(c, indexedAddress);                \
    Z80_NEXT;                                             \
  }

// clang-format on

// The frame loop's access object also counts the instructions it begins, which R follows: R is
// written to the record only when something outside the loop may look at it.
template <bool Exact>
struct LoopAccess : FrameAccess<Exact> {
  explicit LoopAccess(Z80Context& context) : FrameAccess<Exact>(context), rBase(context.R) {}
  void store() {
    FrameAccess<Exact>::store();
    this->z.R = static_cast<uint8_t>(rBase + count);
  }
  void load() {
    FrameAccess<Exact>::load();
    rBase = static_cast<uint8_t>(this->z.R - count);
  }

  uint32_t count = 0;
  uint8_t rBase;
};

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
  LoopAccess<Exact> c(z);
  [[maybe_unused]] const StopWord* const stopWords = reinterpret_cast<const StopWord*>(stops);
  // Instructions this frame had run before the loop began; from here the record holds only the
  // repetitions of block instructions, joined to extra after every ED instruction. The frame's
  // count is then begun + extra + c.count.
  const uint32_t begun = WithStops ? z.FrameInstructions : 0;
  uint32_t extra = 0;
  z.FrameInstructions = 0;
  [[maybe_unused]] uint32_t countLimit = countLimitAfter(begun + extra);
  // Exact timing: the cycle count at which the loop next compares both bounds.
  [[maybe_unused]] uint32_t checkpoint = 0;
  int chain = 0;
  uint16_t indexedAddress = 0;
  uint8_t op;

  if constexpr (Exact) checkpoint = checkpointAfter(c.cycles, c.frameLength, begun + extra);
  if constexpr (WithStops) z.InstructionAddress = c.pc;
  Z80_DISPATCH;

reachedCheckpoint:
  if constexpr (Exact) {
    if (c.cycles >= c.frameLength || begun + extra + c.count >= MaxFrameInstructions) goto frameEnd;
    checkpoint = checkpointAfter(c.cycles, c.frameLength, begun + extra + c.count);
    if constexpr (WithStops) {
      if (stopsAt(stopWords, c.pc)) goto stopped;
      z.InstructionAddress = c.pc;
    }
    Z80_DISPATCH;
  }
cbPage:
  op = fetch(c);
  goto* cbLabels[op];
ddPage:
  op = fetch(c);
  goto* ddLabels[op];
fdPage:
  op = fetch(c);
  goto* fdLabels[op];
ddCbPage:
  indexedAddress = static_cast<uint16_t>(z.IX.w + static_cast<int8_t>(fetch(c)));
  op = fetch(c);
  goto* indexedCbLabels[op];
fdCbPage:
  indexedAddress = static_cast<uint16_t>(z.IY.w + static_cast<int8_t>(fetch(c)));
  op = fetch(c);
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
  z.FrameInstructions = begun + extra + c.count;
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
