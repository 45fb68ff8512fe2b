// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/disassembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tirvane {
namespace {

class Memory {
 public:
  Memory() : bytes_(0x10000, 0) {}
  Memory& Put(uint16_t address, const std::vector<uint8_t>& values) {
    for (uint8_t v : values) bytes_[address++] = v;
    return *this;
  }
  const uint8_t* data() const { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
};

struct Example {
  std::vector<uint8_t> Bytes;
  uint16_t Address;
  std::string Line;
  int Length;
};

TEST(Disassembler, LinesShowAddressTextAndRawOperands) {
  const Example examples[] = {
      {{0x3E, 0x05}, 0x0000, "0000LD A,05", 2},
      {{0x21, 0x34, 0x12}, 0x0010, "0010LD HL,1234", 3},  // little-endian word, high byte first
      {{0x18, 0xFE}, 0x0100, "0100JR FE", 2},             // displacement, not a target
      {{0x10, 0x00}, 0x0000, "0000DJNZ 00", 2},
      {{0xFD, 0x7E, 0xFF}, 0x0000, "0000LD A,(IY+FF)", 3},  // unsigned displacement
      {{0x08}, 0x0000, "0000EX AF,AF\"", 1},
      {{0xCB, 0x16}, 0x0000, "0000RL  (HL)", 2},
      {{0xDD, 0xCB, 0x05, 0x16}, 0x0000, "0000RL (IX+05)", 4},
      {{0x9E}, 0x0000, "0000SBC (HL)", 1},
      {{0xDE, 0x10}, 0x0000, "0000SBC A,10", 2},
      {{0xFF}, 0xABCD, "ABCDRST 38h", 1},
      {{0xD3, 0xFE}, 0x0000, "0000OUT (FE),A", 2},
      {{0xED, 0x43, 0x34, 0x12}, 0x0000, "0000LD (1234),BC", 4},
      {{0xDD, 0x22, 0xCD, 0xAB}, 0x0000, "0000LD (ABCD),IX", 4},
      {{0xC3, 0x00, 0x80}, 0x0000, "0000JP 8000", 3},
  };
  for (const Example& e : examples) {
    Memory memory;
    memory.Put(e.Address, e.Bytes);
    DisassembledInstruction line = Disassemble(memory.data(), e.Address);
    EXPECT_EQ(line.Text, e.Line);
    EXPECT_EQ(line.Length, e.Length) << e.Line;
  }
}

TEST(Disassembler, ThirteenCharacterTextsAreCutBeforeOperandsAreFilled) {
  Memory memory;
  memory.Put(0, {0xDD, 0x36, 0x05, 0x7F}).Put(4, {0xDD, 0xCB, 0x05, 0x46}).Put(8, {0xDD, 0x9E, 0x05});
  DisassembledInstruction ld = Disassemble(memory.data(), 0);
  EXPECT_EQ(ld.Text, "0000LD (IX+05),#");  // the lone "#" is no placeholder
  EXPECT_EQ(ld.Length, 4);
  EXPECT_EQ(Disassemble(memory.data(), 4).Text, "0004BIT 0,(IX+05");
  EXPECT_EQ(Disassemble(memory.data(), 8).Text, "0008SBC A,(IX+05");
  EXPECT_EQ(Disassemble(memory.data(), 8).Length, 3);
}

TEST(Disassembler, BytesWithoutARowTakeOneByteAndTheNextLineStartsAfterIt) {
  struct Case {
    std::vector<uint8_t> Bytes;
    std::string First, Second;
  };
  const Case cases[] = {
      {{0xED, 0x4F}, "0000DB ED", "0001LD C,A"},
      {{0xED, 0x70}, "0000DB ED", "0001LD (HL),B"},
      {{0xCB, 0x30}, "0000DB CB", "0001JR NC,00"},
      {{0xDD, 0x00}, "0000DB DD", "0001NOP"},
      {{0xFD, 0x02}, "0000DB FD", "0001LD (BC),A"},
      {{0xDD, 0xCB, 0x05, 0x3E}, "0000DB DD", "0001RLC L"},
  };
  for (const Case& c : cases) {
    Memory memory;
    memory.Put(0, c.Bytes);
    DisassembledInstruction first = Disassemble(memory.data(), 0);
    EXPECT_EQ(first.Text, c.First);
    EXPECT_EQ(first.Length, 1);
    EXPECT_EQ(Disassemble(memory.data(), 1).Text, c.Second);
  }
}

TEST(Disassembler, OperandsPastFFFFWrapToTheStartOfMemory) {
  Memory memory;
  memory.Put(0xFFFE, {0x21, 0x34}).Put(0x0000, {0x12});
  DisassembledInstruction line = Disassemble(memory.data(), 0xFFFE);
  EXPECT_EQ(line.Text, "FFFELD HL,1234");
  EXPECT_EQ(line.Length, 3);
  DecodedInstruction decoded = DecodeInstruction(memory.data(), 0xFFFF);
  EXPECT_EQ(decoded.Bytes[0], 0x34);
  EXPECT_EQ(decoded.Bytes[1], 0x12);
}

TEST(RomSweep, ListsFromZeroToTheLimitAndDecodesPastIt) {
  Memory memory;
  // NOP, LD A,05, then a three-byte jump starting at the limit whose operand lies beyond it.
  memory.Put(0, {0x00, 0x3E, 0x05, 0xC3, 0x34, 0x12, 0x76});
  std::vector<DisassemblyLine> lines = DisassembleRomArea(memory.data(), 3);
  EXPECT_EQ(lines, (std::vector<DisassemblyLine>{"0000NOP", "0001LD A,05", "0003JP 1234"}));

  EXPECT_EQ(DisassembleRomArea(memory.data(), 0), std::vector<DisassemblyLine>{"0000NOP"});
}

TEST(RomSweep, WholeMemoryEndsWithoutWrappingToZero) {
  Memory memory;
  memory.Put(0xFFFD, {0x00, 0x00, 0xC3});  // the last line starts at FFFF and runs past it
  std::vector<DisassemblyLine> lines = DisassembleRomArea(memory.data(), 0xFFFF);
  ASSERT_EQ(lines.size(), 0x10000u);
  EXPECT_EQ(lines.front(), "0000NOP");
  EXPECT_EQ(lines.back(), "FFFFJP 0000");
}

TEST(RomSweep, ProgressRisesOnceToAHundredInStepsOfMoreThanFive) {
  Memory memory;  // all NOPs: one line per address
  std::vector<int> reported;
  DisassembleRomArea(memory.data(), 0x3FFF, [&](int percent) { reported.push_back(percent); });
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), 0);
  EXPECT_GE(reported.back(), 95);
  EXPECT_LE(reported.back(), 100);
  for (size_t i = 1; i < reported.size(); ++i) EXPECT_GE(reported[i] - reported[i - 1], 5) << i;
  EXPECT_LE(reported.size(), 21u);

  reported.clear();
  DisassembleRomArea(memory.data(), 0, [&](int percent) { reported.push_back(percent); });
  EXPECT_EQ(reported, (std::vector<int>{50, 100}));
}

}  // namespace
}  // namespace tirvane
