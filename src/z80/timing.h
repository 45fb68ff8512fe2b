// SPDX-License-Identifier: GPL-3.0-or-later
// Instruction timing in T-states. Every decoded opcode byte adds its entry before the instruction runs;
// the prefix bytes' own entries are 0, so an instruction costs the entry of the last table reached.
// Entries do not depend on the outcome: conditional forms cost the not-taken path, and a repeating
// block instruction costs its one entry however many iterations it runs.
// The Exact tables, chosen by a description, hold what the processor really spends; the handlers add
// the taken paths and the block repetitions on top of them.
#pragma once

#include <array>
#include <cstdint>

namespace tirvane {

// clang-format off
// First byte.
inline constexpr uint8_t TimingMain[256] = {
     4, 10,  7,  6,  4,  4,  7,  4,  4, 11,  7,  6,  4,  4,  7,  4,  // 0x
     8, 10,  7,  6,  4,  4,  7,  4,  7, 11,  7,  6,  4,  4,  7,  4,  // 1x
     7, 10, 16,  6,  4,  4,  7,  4,  7, 11, 16,  6,  4,  4,  7,  4,  // 2x
     7, 10, 13,  6, 11, 11, 10,  4,  7, 11, 13,  6,  4,  4,  7,  4,  // 3x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 4x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 5x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 6x
     7,  7,  7,  7,  7,  7,  4,  7,  4,  4,  4,  4,  4,  4,  7,  4,  // 7x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 8x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 9x
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // Ax
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // Bx
     5, 10, 10, 10, 10, 11,  7, 11,  5,  4, 10,  0, 10, 10,  7, 11,  // Cx
     5, 10, 10, 11, 10, 11,  7, 11,  5,  4, 10, 11, 10,  0,  7, 11,  // Dx
     5, 10, 10, 19, 10, 11,  7, 11,  5,  4, 10,  4, 10,  0,  7, 11,  // Ex
     5, 10, 10,  4, 10, 11,  7, 11,  5,  6, 10,  4, 10,  0,  7, 11,  // Fx
};

// Byte after CB.
inline constexpr uint8_t TimingCB[256] = {
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 0x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 1x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 2x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 3x
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 4x
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 5x
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 6x
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 7x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 8x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 9x
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Ax
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Bx
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Cx
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Dx
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Ex
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // Fx
};

// Byte after DD or FD.
inline constexpr uint8_t TimingDDFD[256] = {
     0,  0,  0,  0,  0,  0,  0,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 0x
     0,  0,  0,  0,  0,  0,  0,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 1x
     0, 14, 20, 10,  9,  9,  9,  0,  0, 15, 20, 10,  9,  9,  9,  0,  // 2x
     0,  0,  0,  0, 23, 23, 19,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 3x
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // 4x
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // 5x
     9,  9,  9,  9,  9,  9, 19,  9,  9,  9,  9,  9,  9,  9, 19,  9,  // 6x
    19, 19, 19, 19, 19, 19, 19, 19,  0,  0,  0,  0,  9,  9, 19,  0,  // 7x
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // 8x
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // 9x
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // Ax
     0,  0,  0,  0,  9,  9, 19,  0,  0,  0,  0,  0,  9,  9, 19,  0,  // Bx
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Cx
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Dx
     0, 14,  0, 23,  0, 15,  0,  0,  0,  8,  0,  0,  0,  0,  0,  0,  // Ex
     0,  0,  0,  0,  0,  0,  0,  0,  0, 10,  0,  0,  0,  0,  0,  0,  // Fx
};

// Byte after ED, DD ED or FD ED.
inline constexpr uint8_t TimingED[256] = {
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 0x
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 1x
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 2x
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 3x
    12, 12, 15, 20,  8,  8,  8,  9, 12, 12, 15, 20,  8,  8,  8,  9,  // 4x
    12, 12, 15, 20,  8,  8,  8,  9, 12, 12, 15, 20,  8,  8,  8,  9,  // 5x
    12, 12, 15, 20,  8,  8,  8, 18, 12, 12, 15, 20,  8,  8,  8, 18,  // 6x
    12, 12, 15, 20,  8,  8,  8,  0, 12, 12, 15, 20,  8,  8,  8,  0,  // 7x
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 8x
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 9x
    16, 16, 16, 16,  0,  0,  0,  0, 16, 16, 16, 16,  0,  0,  0,  0,  // Ax
    16, 16, 16, 16,  0,  0,  0,  0, 16, 16, 16, 16,  0,  0,  0,  0,  // Bx
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Cx
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Dx
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Ex
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // Fx
};

// Fourth byte of DD CB d op and FD CB d op.
inline constexpr uint8_t TimingIndexedCB[256] = {
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 0x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 1x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 2x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 3x
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 4x
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 5x
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 6x
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 7x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 8x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // 9x
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Ax
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Bx
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Cx
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Dx
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Ex
     0,  0,  0,  0,  0,  0, 23,  0,  0,  0,  0,  0,  0,  0, 23,  0,  // Fx
};
// clang-format on

namespace exact_timing {

using Table = std::array<uint8_t, 256>;

constexpr Table copy(const uint8_t (&from)[256]) {
  Table t{};
  for (int i = 0; i < 256; ++i) t[i] = from[i];
  return t;
}

// JR, RET and CALL, unconditional, are charged like their conditional forms above.
constexpr Table main() {
  Table t = copy(TimingMain);
  t[0x18] = 12;
  t[0xC9] = 10;
  t[0xCD] = 17;
  return t;
}

// A DD or FD prefix costs 4 on top of the instruction it modifies; the (IX+d) forms' entries above
// already are the real totals. DD CB leaves the whole count to the indexed CB table.
constexpr Table indexed() {
  const Table plain = main();
  Table t{};
  for (int i = 0; i < 256; ++i) t[i] = TimingDDFD[i] >= 19 ? TimingDDFD[i] : static_cast<uint8_t>(4 + plain[i]);
  t[0xCB] = 0;
  t[0x76] = static_cast<uint8_t>(4 + plain[0x76]);  // HALT sits among the (IX+d) loads
  return t;
}

// Undefined ED codes run as 8 T-state no-operations; the RETN/RETI mirrors cost what RETN does.
constexpr Table ed() {
  Table t = copy(TimingED);
  for (int i = 0; i < 256; ++i)
    if (t[i] == 0) t[i] = 8;
  for (int i = 0x45; i < 0x80; i += 8) t[i] = 14;
  return t;
}

constexpr Table indexedCb() {
  Table t{};
  for (int i = 0; i < 256; ++i) t[i] = (i >> 6) == 1 ? 20 : 23;
  return t;
}

}  // namespace exact_timing

inline constexpr exact_timing::Table TimingMainExact = exact_timing::main();
inline constexpr exact_timing::Table TimingDDFDExact = exact_timing::indexed();
inline constexpr exact_timing::Table TimingEDExact = exact_timing::ed();
inline constexpr exact_timing::Table TimingIndexedCBExact = exact_timing::indexedCb();

// Extra T-states of a taken conditional and of each repetition of a block instruction beyond its
// last, under exact timing.
inline constexpr uint8_t TakenJump = 5;    // JR cc, DJNZ
inline constexpr uint8_t TakenReturn = 6;  // RET cc
inline constexpr uint8_t TakenCall = 7;    // CALL cc
inline constexpr uint8_t BlockRepeat = 5;  // 21 against the last iteration's 16

// Interrupt acceptance under exact timing; mode 0 adds 2 to the cost of the instruction on the bus.
inline constexpr uint8_t NmiAcceptance = 11;
inline constexpr uint8_t Mode0Acceptance = 2;
inline constexpr uint8_t Mode1Acceptance = 13;
inline constexpr uint8_t Mode2Acceptance = 19;

// One set of tables for each way of counting; the CB page is the same in both.
struct TimingTables {
  const uint8_t* Main;
  const uint8_t* CB;
  const uint8_t* DDFD;
  const uint8_t* ED;
  const uint8_t* IndexedCB;
};
inline constexpr TimingTables DefaultTimingTables{TimingMain, TimingCB, TimingDDFD, TimingED, TimingIndexedCB};
inline constexpr TimingTables ExactTimingTables{TimingMainExact.data(), TimingCB, TimingDDFDExact.data(),
                                                TimingEDExact.data(), TimingIndexedCBExact.data()};

}  // namespace tirvane
