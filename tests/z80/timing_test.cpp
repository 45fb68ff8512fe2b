// SPDX-License-Identifier: GPL-3.0-or-later
// T-state accounting: an instruction costs the entry of the last table its decoding reached, the
// prefixes nothing, and the outcome (taken or not, iterations) does not matter.
#include "z80/timing.h"

#include <gtest/gtest.h>

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

// Every opcode of every page through ExecuteOne: the cost is the last table's entry, with a few
// bytes after the opcode so that operands and displacements never reach another prefix.
TEST(Timing, EveryOpcodeCostsItsPageEntry) {
  struct Page {
    std::vector<uint8_t> prefix;
    const uint8_t* table;
  };
  const Page pages[] = {{{}, TimingMain},
                        {{0xCB}, TimingCB},
                        {{0xDD}, TimingDDFD},
                        {{0xFD}, TimingDDFD},
                        {{0xED}, TimingED},
                        {{0xDD, 0xED}, TimingED},
                        {{0xFD, 0xED}, TimingED},
                        {{0xDD, 0xCB, 0x01}, TimingIndexedCB},
                        {{0xFD, 0xCB, 0x01}, TimingIndexedCB}};
  for (const Page& page : pages) {
    for (int op = 0; op < 256; ++op) {
      if (page.prefix.empty() && (op == 0xCB || op == 0xDD || op == 0xED || op == 0xFD)) continue;
      if (page.prefix.size() == 1 && page.prefix[0] != 0xCB &&
          (op == 0xCB || op == 0xDD || op == 0xED || op == 0xFD))
        continue;
      if (page.prefix.size() == 2 && op == 0xED) continue;
      TestMachine m;
      m.z.PC.w = 0x1000;
      m.z.SP.w = 0x8000;
      m.z.IFF1 = 1;  // EI then only sets IFF2
      m.z.BC.w = 1;
      m.z.IrqState.Value = 0x01000000;
      uint16_t a = 0x1000;
      for (uint8_t b : page.prefix) m.memory[a++] = b;
      m.memory[a++] = static_cast<uint8_t>(op);
      StepInstruction(1);
      EXPECT_EQ(m.z.CycleCount, page.table[op]) << "prefix size " << page.prefix.size() << " op " << op;
    }
  }
}

}  // namespace
}  // namespace tirvane::testing
