// SPDX-License-Identifier: GPL-3.0-or-later
// T-state accounting: an instruction costs the entry of the last table its decoding reached, the
// prefixes nothing, and the outcome (taken or not, iterations) does not matter. The entries
// themselves are checked against libz80ex, an independent Z80 implementation.
#include <gtest/gtest.h>
#include <z80ex/z80ex.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "test_machine.h"

namespace tirvane::testing {
namespace {

uint16_t costOf(std::initializer_list<uint8_t> bytes, void (*prepare)(Z80Context&) = nullptr) {
  TestMachine m;
  m.z.PC.w = 0x1000;
  m.z.SP.w = 0x8000;
  if (prepare) prepare(m.z);
  m.run(bytes);
  return m.z.CycleCount;
}

TEST(Timing, PlainInstructions) {
  EXPECT_EQ(costOf({0x00}), 4);
  EXPECT_EQ(costOf({0x01, 0x34, 0x12}), 10);
  EXPECT_EQ(costOf({0xE3}), 19);
  EXPECT_EQ(costOf({0xCB, 0x46}), 12);
  EXPECT_EQ(costOf({0xCB, 0x06}), 15);
  EXPECT_EQ(costOf({0xCB, 0x00}), 8);
}

TEST(Timing, IndexedInstructionsCostTheirLastTableEntryOnly) {
  EXPECT_EQ(costOf({0xDD, 0x21, 0x00, 0x00}), 14);
  EXPECT_EQ(costOf({0xDD, 0x09}), 15);
  EXPECT_EQ(costOf({0xDD, 0x34, 0x05}), 23);
  EXPECT_EQ(costOf({0xDD, 0x00}), 0);
  EXPECT_EQ(costOf({0xDD, 0x3E, 0x12}), 0);
  EXPECT_EQ(costOf({0xDD, 0xFD, 0xDD, 0x21, 0x00, 0x00}), 14);
  EXPECT_EQ(costOf({0xDD, 0xCB, 0x05, 0x46}), 20);
  EXPECT_EQ(costOf({0xDD, 0xCB, 0x05, 0x06}), 23);
  EXPECT_EQ(costOf({0xDD, 0xCB, 0x05, 0x00}), 0);
}

TEST(Timing, EdInstructions) {
  EXPECT_EQ(costOf({0xED, 0xB0}, [](Z80Context& z) { z.BC.w = 1; }), 16);
  EXPECT_EQ(costOf({0xED, 0xB0}, [](Z80Context& z) { z.BC.w = 300; }), 16);
  EXPECT_EQ(costOf({0xED, 0x44}), 8);
  EXPECT_EQ(costOf({0xED, 0x4C}), 8);
  EXPECT_EQ(costOf({0xED, 0x00}), 0);
  EXPECT_EQ(costOf({0xED, 0x77}), 0);
  EXPECT_EQ(costOf({0xDD, 0xED, 0x4A}), 15);
}

TEST(Timing, OutcomeDoesNotChangeTheCost) {
  auto zeroSet = [](Z80Context& z) { z.AF.l = FlagZ; };
  EXPECT_EQ(costOf({0xC9}), 4);
  EXPECT_EQ(costOf({0xC0}), 5);           // RET NZ, not taken
  EXPECT_EQ(costOf({0xC8}, zeroSet), 5);  // RET Z, taken
  EXPECT_EQ(costOf({0xCD, 0x00, 0x20}), 10);
  EXPECT_EQ(costOf({0xCC, 0x00, 0x20}, zeroSet), 10);
  EXPECT_EQ(costOf({0x20, 0x10}), 7);
  EXPECT_EQ(costOf({0x10, 0x10}, [](Z80Context& z) { z.BC.h = 5; }), 8);
}

TEST(Timing, PrefixedHaltCostsOnceThenPlainHalts) {
  TestMachine m;
  m.load(0x0000, {0xDD, 0x76});
  StepInstruction(1);
  EXPECT_EQ(m.z.CycleCount, 19);
  StepInstruction(1);
  StepInstruction(1);
  EXPECT_EQ(m.z.CycleCount, 27);
}

// ---- Every entry against libz80ex ---------------------------------------------------------------

// libz80ex's T-states for the instruction at 1000h, prefixes included, the cheapest of four states:
// conditions either way (the not-taken path), and BC = 0001h or 0100h, one of which ends every block
// instruction and DJNZ after one pass.
int ReferenceCost(const std::vector<uint8_t>& bytes) {
  static std::array<uint8_t, 65536> memory;
  int best = 1 << 30;
  for (int state = 0; state < 4; ++state) {
    const Z80EX_WORD flags = state & 1 ? 0xFF : 0x00, counter = state & 2 ? 0x0100 : 0x0001;
    memory.fill(0);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + 0x1000);
    Z80EX_CONTEXT* cpu =
        z80ex_create([](Z80EX_CONTEXT*, Z80EX_WORD a, int, void*) -> Z80EX_BYTE { return memory[a]; },
                     nullptr, [](Z80EX_CONTEXT*, Z80EX_WORD a, Z80EX_BYTE v, void*) { memory[a] = v; },
                     nullptr, [](Z80EX_CONTEXT*, Z80EX_WORD, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr,
                     [](Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) {}, nullptr,
                     [](Z80EX_CONTEXT*, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr);
    z80ex_set_reg(cpu, regPC, 0x1000);
    z80ex_set_reg(cpu, regSP, 0x8000);
    z80ex_set_reg(cpu, regBC, counter);
    z80ex_set_reg(cpu, regAF, flags);
    int cost = 0;
    do cost += z80ex_step(cpu);
    while (z80ex_last_op_type(cpu) != 0);
    z80ex_destroy(cpu);
    best = std::min(best, cost);
  }
  return best;
}

// How a main-page opcode uses HL, which decides what a DD or FD in front of it does.
enum class HlUse { None, Register, Pair, Memory };

HlUse HlUseOf(uint8_t op) {
  const int dst = (op >> 3) & 7, src = op & 7;
  const bool load = op >= 0x40 && op < 0x80 && op != 0x76;
  const bool alu = op >= 0x80 && op < 0xC0;
  if ((load && (dst == 6 || src == 6)) || (alu && src == 6) || op == 0x34 || op == 0x35 || op == 0x36)
    return HlUse::Memory;
  if ((load && (dst == 4 || dst == 5 || src == 4 || src == 5)) || (alu && (src == 4 || src == 5)) ||
      (op < 0x40 && (op & 7) >= 4 && (op & 7) <= 6 && dst >= 4 && dst <= 5))
    return HlUse::Register;
  constexpr uint8_t Pair[] = {0x09, 0x19, 0x29, 0x39, 0x21, 0x22, 0x2A,
                              0x23, 0x2B, 0xE1, 0xE3, 0xE5, 0xE9, 0xF9};
  return std::find(std::begin(Pair), std::end(Pair), op) != std::end(Pair) ? HlUse::Pair : HlUse::None;
}

// The cost our tables give, as the processor's (libz80ex's) count with the tables' own rules applied.
// Each rule is a deliberate departure from the processor; anything else that differs is a wrong entry.
int ExpectedCost(const std::vector<uint8_t>& prefix, uint8_t op) {
  std::vector<uint8_t> bytes = prefix;
  bytes.push_back(op);
  const bool indexed = !prefix.empty() && (prefix[0] == 0xDD || prefix[0] == 0xFD);
  const bool ed = !prefix.empty() && prefix.back() == 0xED;
  const bool cb = !prefix.empty() && prefix.back() != 0xED && (prefix.back() == 0xCB || prefix.size() == 3);

  // A DD or FD before ED is ignored.
  if (indexed && ed) bytes.erase(bytes.begin());
  const int reference = ReferenceCost(bytes);
  // Unconditional transfers count as if nothing transferred: JR e and CALL nn as their conditional
  // forms not taken, the returns without their two stack reads.
  constexpr int StackReads = 6;
  if (prefix.empty() && op == 0x18) return ReferenceCost({0x20, 0x00});
  if (prefix.empty() && op == 0xCD) return ReferenceCost({0xC4, 0x00, 0x00});
  if (prefix.empty() && op == 0xC9) return reference - StackReads;
  if (ed) {
    const bool defined = (op >= 0x40 && op < 0x80 && op != 0x77 && op != 0x7F) || (op & 0xE4) == 0xA0;
    if (!defined) return 0;                                  // the processor's 8 T-state no-ops cost nothing
    if ((op & 0xC7) == 0x45) return reference - StackReads;  // RETN, RETI and their mirrors
    return reference;
  }
  if (indexed && cb) {
    // Rotates, shifts, RES and SET of (IX+d) that also copy the result to a register cost nothing.
    if ((op < 0x40 || op >= 0x80) && (op & 7) != 6) return 0;
    return reference;
  }
  if (indexed) {
    if (op == 0x76) return 19;  // HALT sits in the LD (IX+d),r row and keeps that row's count
    switch (HlUseOf(op)) {
      case HlUse::None:
        return 0;  // the prefix stands alone and the instruction's own count is not added
      case HlUse::Register:
        return 9;  // IXH and IXL forms count a flat 9 (the processor: 8, and 11 for LD IXH,n)
      default:
        return reference;
    }
  }
  return reference;
}

std::string Hex(int byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// Every entry of the five tables through StepInstruction. The prefixes' own entries are covered too:
// a non-zero one would add to every instruction of their page.
TEST(Timing, EveryOpcodeCostsWhatTheProcessorTakesWithTheTablesRules) {
  const std::vector<std::vector<uint8_t>> pages = {
      {}, {0xCB}, {0xDD}, {0xFD}, {0xED}, {0xDD, 0xED}, {0xFD, 0xED}, {0xDD, 0xCB, 0x01}, {0xFD, 0xCB, 0x01}};
  auto isPrefix = [](int op) { return op == 0xCB || op == 0xDD || op == 0xED || op == 0xFD; };
  for (const std::vector<uint8_t>& prefix : pages) {
    for (int op = 0; op < 256; ++op) {
      if ((prefix.empty() || prefix == std::vector<uint8_t>{0xDD} || prefix == std::vector<uint8_t>{0xFD}) &&
          isPrefix(op))
        continue;
      TestMachine m;
      m.z.PC.w = 0x1000;
      m.z.SP.w = 0x8000;
      m.z.IFF1 = 1;  // EI then only sets IFF2
      m.z.BC.w = 1;
      m.z.IrqState.Value = 0x01000000;
      uint16_t a = 0x1000;
      for (uint8_t b : prefix) m.memory[a++] = b;
      m.memory[a] = static_cast<uint8_t>(op);
      StepInstruction(1);
      std::string bytes;
      for (int b : prefix) bytes += Hex(b) + " ";
      EXPECT_EQ(m.z.CycleCount, ExpectedCost(prefix, static_cast<uint8_t>(op))) << bytes << Hex(op);
    }
  }
}

}  // namespace
}  // namespace tirvane::testing
