// SPDX-License-Identifier: GPL-3.0-or-later
// Instruction behaviour by family: the decoding and flag rules this core settles for itself, and the
// edge values where a slip shows. Breadth (every opcode against an independent implementation) is in
// differential_test.cpp.
#include <gtest/gtest.h>

#include "test_machine.h"

namespace tirvane::testing {
namespace {

using Writes = std::vector<std::pair<uint16_t, uint8_t>>;

TEST(Prefixes, LastPrefixOfAChainWins) {
  TestMachine m;
  m.load(0x0000, {0xDD, 0x21, 0x34, 0x12, 0xFD, 0x21, 0x78, 0x56, 0xDD, 0xFD, 0x21, 0x00, 0x80});
  StepInstruction(1);
  StepInstruction(1);
  EXPECT_EQ(m.z.IX.w, 0x1234);
  EXPECT_EQ(m.z.IY.w, 0x5678);
  StepInstruction(1);
  EXPECT_EQ(m.z.IY.w, 0x8000);
  EXPECT_EQ(m.z.IX.w, 0x1234);
  EXPECT_EQ(m.z.PC.w, 13);
}

TEST(Prefixes, IndexHalvesOnlyWhereNoMemoryOperandIsInvolved) {
  TestMachine m;
  m.z.AF.h = 0x01;
  m.z.HL.w = 0x0200;
  m.z.IX.w = 0x9000;
  m.run({0xDD, 0x84});  // ADD A,H: the ALU group keeps H
  EXPECT_EQ(m.z.AF.h, 0x03);
  m.run({0xDD, 0x44});  // LD B,IXH
  EXPECT_EQ(m.z.BC.h, 0x90);
  m.memory[0x9005] = 0x77;
  m.run({0xDD, 0x66, 0x05});  // LD H,(IX+5)
  EXPECT_EQ(m.z.HL.h, 0x77);
  EXPECT_EQ(m.z.IX.w, 0x9000);
  m.run({0xDD, 0x75, 0xFE});  // LD (IX-2),L
  EXPECT_EQ(m.log.writes.back(), (std::pair<uint16_t, uint8_t>{0x8FFE, 0x00}));
}

TEST(Prefixes, ExchangesUseTheIndexRegister) {
  TestMachine m;
  m.z.DE.w = 0x1111;
  m.z.HL.w = 0x2222;
  m.z.IX.w = 0x3333;
  m.run({0xDD, 0xEB});  // EX DE,IX
  EXPECT_EQ(m.z.DE.w, 0x3333);
  EXPECT_EQ(m.z.IX.w, 0x1111);
  EXPECT_EQ(m.z.HL.w, 0x2222);

  m.z.SP.w = 0x8000;
  m.z.IX.w = 0xABCD;
  m.load(0x8000, {0x34, 0x12});
  m.run({0xDD, 0xE3});  // EX (SP),IX
  EXPECT_EQ(m.z.IX.w, 0x1234);
  EXPECT_EQ(m.memory[0x8000], 0xCD);
  EXPECT_EQ(m.memory[0x8001], 0xAB);
}

TEST(Prefixes, IndexedBitOperationsOnMemoryAndRegisters) {
  TestMachine m;
  m.z.IX.w = 0x9000;
  m.memory[0x9005] = 0x81;
  m.run({0xDD, 0xCB, 0x05, 0x06, 0xFF});  // RLC (IX+5)
  EXPECT_EQ(m.memory[0x9005], 0x03);
  EXPECT_EQ(m.z.PC.w, 4);

  m.run({0xDD, 0xCB, 0x05, 0x00});  // RLC (IX+5) with the result copied into B
  EXPECT_EQ(m.memory[0x9005], 0x06);
  EXPECT_EQ(m.z.BC.h, 0x06);

  m.log.clear();
  m.z.AF.w = 0x0100;
  m.z.BC.h = 0xFF;
  m.run({0xDD, 0xCB, 0x05, 0x47});  // BIT 0,A: register only
  m.run({0xDD, 0xCB, 0x05, 0x80});  // RES 0,B: register only
  EXPECT_EQ(m.z.AF.l & FlagZ, 0);
  EXPECT_EQ(m.z.BC.h, 0xFE);
  EXPECT_TRUE(m.log.writes.empty());
  for (uint16_t a : m.log.reads) EXPECT_NE(a, 0x9005);
}

TEST(Prefixes, EdAfterIndexPrefixUsesTheIndexRegister) {
  TestMachine m;
  m.z.IX.w = 0x1000;
  m.z.BC.w = 0x0234;
  m.z.AF.l = FlagC;
  m.run({0xDD, 0xED, 0x4A});  // ADC IX,BC
  EXPECT_EQ(m.z.IX.w, 0x1235);

  m.z.IY.w = 0x9000;
  m.z.DE.w = 0xA000;
  m.z.BC.w = 2;
  m.z.HL.w = 0x5555;
  m.load(0x9000, {0x11, 0x22});
  m.run({0xFD, 0xED, 0xB0});  // LDIR from IY
  EXPECT_EQ(m.log.writes, (Writes{{0xA000, 0x11}, {0xA001, 0x22}}));
  EXPECT_EQ(m.z.IY.w, 0x9002);
  EXPECT_EQ(m.z.HL.w, 0x5555);

  m.z.IX.w = 0x9100;
  m.memory[0x90FF] = 0x34;
  m.z.AF.h = 0x12;
  const uint16_t pc = m.z.PC.w;
  m.run({0xDD, 0xED, 0x67, 0xFF});  // RRD on (IX-1)
  EXPECT_EQ(m.memory[0x90FF], 0x23);
  EXPECT_EQ(m.z.AF.h, 0x14);
  EXPECT_EQ(m.z.PC.w, pc + 4);
}

TEST(Prefixes, SecondEdDecodesLikeTheFirst) {
  TestMachine m;
  m.z.AF.h = 0x01;
  m.run({0xED, 0xED, 0x44});  // NEG
  EXPECT_EQ(m.z.AF.h, 0xFF);
  EXPECT_EQ(m.z.PC.w, 3);
}

TEST(Prefixes, EndlessPrefixChainsStillEndEachInstruction) {
  TestMachine m;
  m.memory.fill(0xDD);
  StepInstruction(1);
  EXPECT_GT(m.z.PC.w, 1);
  EXPECT_LT(m.z.PC.w, 64);
  EXPECT_EQ(m.z.CycleCount, 0);

  m.memory.fill(0xED);
  m.z.PC.w = 0;
  StepInstruction(1);
  EXPECT_GT(m.z.PC.w, 1);
  EXPECT_LT(m.z.PC.w, 64);
}

TEST(ArithmeticFlags, IncAndDecKeepCarryAndOrTheUndocumentedBits) {
  TestMachine m;
  m.z.AF.w = 0x0F28;
  m.run({0x3C});  // INC A
  EXPECT_EQ(m.z.AF.w, 0x1038);
  m.z.AF.w = 0x7F01;
  m.run({0x3C});
  EXPECT_EQ(m.z.AF.w, 0x8095);
  m.z.AF.w = 0x8001;
  m.run({0x3D});  // DEC A: half borrow and overflow
  EXPECT_EQ(m.z.AF.w, 0x7F3F);
}

TEST(ArithmeticFlags, AluResultsLeaveBitsFiveAndThreeClear) {
  TestMachine m;
  m.z.AF.w = 0x7F00;
  m.z.BC.h = 0x01;
  m.run({0x80});  // ADD A,B
  EXPECT_EQ(m.z.AF.w, 0x8094);
  m.z.AF.w = 0x2AFF;
  m.run({0xAF});  // XOR A
  EXPECT_EQ(m.z.AF.w, 0x0044);
  m.z.AF.w = 0x0F00;
  m.run({0xFE, 0x0F});  // CP 0Fh
  EXPECT_EQ(m.z.AF.w, 0x0F42);
  m.z.AF.w = 0x3800;
  m.run({0xFE, 0x28});  // CP 28h: no bits from the operand
  EXPECT_EQ(m.z.AF.l & (FlagUD5 | FlagUD3), 0);
}

TEST(ArithmeticFlags, DaaAndNegComeFromTheirTables) {
  TestMachine m;
  m.z.AF.w = 0x3C00;  // after 15h + 27h
  m.run({0x27});
  EXPECT_EQ(m.z.AF.w, 0x4214);
  m.z.AF.w = 0x8000;
  m.run({0xED, 0x44});
  EXPECT_EQ(m.z.AF.w, 0x8087);
  m.z.AF.w = 0x00FF;
  m.run({0xED, 0x44});
  EXPECT_EQ(m.z.AF.w, 0x0042);
}

TEST(ArithmeticFlags, WordArithmetic) {
  TestMachine m;
  m.z.AF.w = 0x00FF;
  m.z.HL.w = 0x0FFF;
  m.z.BC.w = 0x0001;
  m.run({0x09});  // ADD HL,BC keeps S, Z, UD5, UD3 and P/V
  EXPECT_EQ(m.z.HL.w, 0x1000);
  EXPECT_EQ(m.z.AF.l, 0xFC);

  m.z.AF.w = 0x0000;
  m.z.HL.w = 0x0000;
  m.z.DE.w = 0x0001;
  m.run({0xED, 0x52});  // SBC HL,DE
  EXPECT_EQ(m.z.HL.w, 0xFFFF);
  EXPECT_EQ(m.z.AF.l, 0x93);
}

TEST(SpecialLoads, LdAIAndLdARSetFlagsAlike) {
  TestMachine m;
  m.z.AF.w = 0x00FF;
  m.z.AF.h = 0x55;
  m.run({0xED, 0x47});  // LD I,A
  EXPECT_EQ(m.z.AF.l, 0xFF);

  m.z.I = 0x01;
  m.z.IFF2 = 1;
  m.z.AF.l = FlagC;
  m.run({0xED, 0x57});  // LD A,I
  EXPECT_EQ(m.z.AF.w, 0x0105);
  m.z.I = 0x80;
  m.z.IFF2 = 0;
  m.z.AF.l = 0;
  m.run({0xED, 0x57});
  EXPECT_EQ(m.z.AF.w, 0x8080);

  // R counts over all 8 bits and LD A,R reads them after this instruction's own increment.
  m.z.R = 0x7F;
  m.z.IFF2 = 1;
  m.z.AF.l = 0xFF;
  m.run({0xED, 0x5F});  // LD A,R
  EXPECT_EQ(m.z.AF.w, 0x8085);

  m.z.AF.h = 0xC3;
  m.run({0xED, 0x4F});  // LD R,A
  EXPECT_EQ(m.z.R, 0xC3);
}

TEST(BlockInstructions, LdirCopiesAllBytesInOneStep) {
  TestMachine m;
  m.z.HL.w = 0x9000;
  m.z.DE.w = 0xA000;
  m.z.BC.w = 3;
  m.z.AF.l = 0xFF;
  m.load(0x9000, {1, 2, 3});
  m.run({0xED, 0xB0});
  EXPECT_EQ(m.log.writes, (Writes{{0xA000, 1}, {0xA001, 2}, {0xA002, 3}}));
  EXPECT_EQ(m.z.BC.w, 0);
  EXPECT_EQ(m.z.AF.l, 0xE9);  // H, P/V and N clear, the rest kept
  EXPECT_EQ(m.z.PC.w, 2);
  EXPECT_EQ(m.z.CycleCount, 16);
  EXPECT_EQ(m.z.R, 1);
}

TEST(BlockInstructions, ZeroCountsMeanAFullRound) {
  TestMachine m;
  m.z.HL.w = 0x0000;
  m.z.DE.w = 0x0000;
  m.z.BC.w = 0;
  m.run({0xED, 0xB0});  // LDIR
  EXPECT_EQ(m.log.writes.size(), 65536u);
  EXPECT_EQ(m.z.BC.w, 0);

  m.z.BC.w = 0x0010;
  m.log.clear();
  m.run({0xED, 0xB2});  // INIR
  EXPECT_EQ(m.log.portReads.size(), 256u);
  EXPECT_EQ(m.log.portReads.front(), 0x0010);  // B before its decrement
  EXPECT_EQ(m.log.portReads.back(), 0x0110);
}

TEST(BlockInstructions, CompareKeepsCarryAndReportsTheCount) {
  TestMachine m;
  m.z.HL.w = 0x9000;
  m.memory[0x9000] = 0x50;
  m.z.AF.w = 0x4001;  // A below the byte: the compare borrows, C stays 1
  m.z.BC.w = 1;
  m.run({0xED, 0xA1});  // CPI
  EXPECT_EQ(m.z.BC.w, 0);
  EXPECT_EQ(m.z.AF.l & (FlagPV | FlagC | FlagN), FlagC | FlagN);
  m.z.HL.w = 0x9000;
  m.z.AF.w = 0x6000;  // no borrow, C stays 0
  m.z.BC.w = 2;
  m.run({0xED, 0xA1});
  EXPECT_EQ(m.z.AF.l & (FlagPV | FlagC), FlagPV);
}

TEST(BlockInstructions, CpirStopsAtAMatchOrWhenTheCountRunsOut) {
  TestMachine m;
  m.load(0x9000, {1, 2, 3, 4});
  m.z.HL.w = 0x9000;
  m.z.AF.w = 0x0301;
  m.z.BC.w = 10;
  m.run({0xED, 0xB1});
  EXPECT_EQ(m.z.HL.w, 0x9003);
  EXPECT_EQ(m.z.BC.w, 7);
  EXPECT_EQ(m.z.AF.l & (FlagZ | FlagPV | FlagC), FlagZ | FlagPV | FlagC);

  // The match on the last counted byte: Z = 1 and P/V = 0.
  m.z.HL.w = 0x9000;
  m.z.BC.w = 3;
  m.z.AF.l = 0;
  m.run({0xED, 0xB1});
  EXPECT_EQ(m.z.BC.w, 0);
  EXPECT_EQ(m.z.AF.l & (FlagZ | FlagPV), FlagZ);

  m.z.HL.w = 0x9000;
  m.z.BC.w = 2;
  m.run({0xED, 0xB1});  // no match
  EXPECT_EQ(m.z.HL.w, 0x9002);
  EXPECT_EQ(m.z.AF.l & (FlagZ | FlagPV), 0);
}

TEST(BlockInstructions, OtirSendsBytesInOrder) {
  TestMachine m;
  m.z.BC.w = 0x0298;
  m.z.HL.w = 0x4000;
  m.load(0x4000, {0xAA, 0xBB});
  m.run({0xED, 0xB3});
  EXPECT_EQ(m.log.portWrites, (std::vector<std::pair<uint8_t, uint8_t>>{{0x98, 0xAA}, {0x98, 0xBB}}));
  EXPECT_EQ(m.z.BC.h, 0);
  EXPECT_EQ(m.z.AF.l & (FlagZ | FlagN), FlagZ | FlagN);
}

TEST(PortInstructions, InputFlagsAndTheFlagOnlyForm) {
  TestMachine m;
  m.portInput = [](uint16_t) -> uint8_t { return 0x80; };
  m.z.AF.l = FlagUD5 | FlagC;
  m.run({0xED, 0x78});  // IN A,(C): UD5, UD3 and C kept
  EXPECT_EQ(m.z.AF.w, 0x80A1);
  m.run({0xED, 0x70});  // the value lands in F first
  EXPECT_EQ(m.z.AF.l, 0x80);
  m.portInput = [](uint16_t) -> uint8_t { return 0x29; };
  m.run({0xED, 0x70});
  EXPECT_EQ(m.z.AF.l, 0x29);
}

TEST(BitInstructions, BitKeepsSignAndParity) {
  TestMachine m;
  m.z.AF.w = 0x8000;
  m.run({0xCB, 0x7F});  // BIT 7,A
  EXPECT_EQ(m.z.AF.l, FlagH);
  m.z.AF.w = 0x00FF;
  m.run({0xCB, 0x47});  // BIT 0,A
  EXPECT_EQ(m.z.AF.l, 0xFD);
}

TEST(UndefinedEdCodes, DoNothingButConsumeTwoBytes) {
  TestMachine m;
  m.z.AF.w = 0x1234;
  m.z.SP.w = 0x8000;
  for (uint8_t op : {0x4C, 0x55, 0x71, 0x77, 0x00, 0xFF}) {
    const uint16_t pc = m.z.PC.w;
    m.run({0xED, op});
    EXPECT_EQ(m.z.PC.w, pc + 2) << int{op};
  }
  EXPECT_EQ(m.z.AF.w, 0x1234);
  EXPECT_EQ(m.z.SP.w, 0x8000);
  EXPECT_TRUE(m.log.portWrites.empty());
  EXPECT_TRUE(m.log.writes.empty());
}

TEST(Halt, StaysOnItsOpcode) {
  TestMachine m;
  m.z.PC.w = 0x1000;
  m.memory[0x1000] = 0x76;
  StepInstruction(1);
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x1000);
  EXPECT_EQ(m.z.Halted, 1);
  EXPECT_EQ(m.z.CycleCount, 8);

  m.z.PC.w = 0x2000;
  m.load(0x2000, {0xDD, 0x76});
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x2001);
}

}  // namespace
}  // namespace tirvane::testing
