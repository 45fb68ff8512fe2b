// SPDX-License-Identifier: GPL-3.0-or-later
// The bus: read and write limits, handler parameters, and the order of byte accesses that
// memory-mapped hardware can observe.
#include <gtest/gtest.h>

#include <bitset>
#include <tuple>

#include "test_machine.h"

namespace tirvane::testing {
namespace {

using Writes = std::vector<std::pair<uint16_t, uint8_t>>;

TEST(BusLimits, DirectReadLimitFFFFSendsEveryReadToTheHandler) {
  TestMachine m;
  m.z.DirectReadLimit = 0xFFFF;
  ReadByte(m.z, 0x0000);
  ReadByte(m.z, 0xFFFF);
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x0000, 0xFFFF}));
}

TEST(BusLimits, DirectReadLimitIsInclusive) {
  TestMachine m;
  m.z.DirectReadLimit = 0x3FFF;
  m.memory[0x3FFF] = 0x5A;
  m.memory[0x4000] = 0xA5;
  EXPECT_EQ(ReadByte(m.z, 0x3FFF), 0x5A);
  EXPECT_TRUE(m.log.reads.empty());
  EXPECT_EQ(ReadByte(m.z, 0x4000), 0xA5);
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x4000}));
}

TEST(BusLimits, DirectReadsComeFromTheImageInsideInstructions) {
  TestMachine m;
  m.z.DirectReadLimit = 0x7FFF;
  m.z.HL.w = 0x1234;
  m.memory[0x1234] = 0x42;
  m.run({0x7E});  // LD A,(HL)
  EXPECT_EQ(m.z.AF.h, 0x42);
  EXPECT_TRUE(m.log.reads.empty());
}

TEST(BusLimits, WritesBelowRomLimitReachNothing) {
  TestMachine m;
  m.z.RomLimit = 0x4000;
  m.memory[0x3FFF] = 0x11;
  WriteByte(m.z, 0x3FFF, 0x99);
  EXPECT_EQ(m.memory[0x3FFF], 0x11);
  EXPECT_TRUE(m.log.writes.empty());
  WriteByte(m.z, 0x4000, 0x99);
  EXPECT_EQ(m.log.writes, (Writes{{0x4000, 0x99}}));
}

TEST(BusLimits, RomLimitZeroSendsEveryWriteToTheHandlerAndTheCoreNeverStores) {
  TestMachine m;
  std::array<uint8_t, 65536> image{};
  m.z.MemoryImage = image.data();
  m.z.DirectReadLimit = 0xFFFE;
  m.z.RomLimit = 0;
  m.z.SP.w = 0x0002;
  image[0x0000] = 0xC5;  // PUSH BC
  m.z.BC.w = 0xBEEF;
  StepInstruction(1);
  EXPECT_EQ(m.log.writes, (Writes{{0x0001, 0xBE}, {0x0000, 0xEF}}));
  EXPECT_EQ(image[0x0000], 0xC5);
}

TEST(BusHandlers, PortsPassTheirDocumentedAddressLines) {
  TestMachine m;
  m.z.AF.h = 0x12;
  m.run({0xD3, 0x34});  // OUT (34h),A
  EXPECT_EQ(m.log.portWrites, (std::vector<std::pair<uint8_t, uint8_t>>{{0x34, 0x12}}));

  m.run({0xDB, 0x56});  // IN A,(56h)
  EXPECT_EQ(m.log.portReads.back(), 0x1256);
  EXPECT_EQ(m.z.AF.h, portValue(0x1256));

  m.z.BC.w = 0xFEFE;
  m.run({0xED, 0x50});  // IN D,(C)
  EXPECT_EQ(m.log.portReads.back(), 0xFEFE);
  EXPECT_EQ(m.z.DE.h, portValue(0xFEFE));

  m.z.BC.w = 0x7F98;
  m.z.HL.h = 0x66;
  m.run({0xED, 0x61});  // OUT (C),H: only C reaches the handler
  EXPECT_EQ(m.log.portWrites.back(), (std::pair<uint8_t, uint8_t>{0x98, 0x66}));
}

TEST(BusOrder, PushWritesHighByteFirstAndWrapsBelowZero) {
  TestMachine m;
  m.z.SP.w = 0x0000;
  m.z.BC.w = 0xB1C2;
  m.run({0xC5});  // PUSH BC
  EXPECT_EQ(m.log.writes, (Writes{{0xFFFF, 0xB1}, {0xFFFE, 0xC2}}));
  EXPECT_EQ(m.z.SP.w, 0xFFFE);
}

TEST(BusOrder, WordStoreWritesLowByteFirstAndWrapsAtTheTop) {
  TestMachine m;
  m.z.HL.w = 0xA1B2;
  m.run({0x22, 0xFF, 0xFF});  // LD (FFFFh),HL
  EXPECT_EQ(m.log.writes, (Writes{{0xFFFF, 0xB2}, {0x0000, 0xA1}}));
}

TEST(BusOrder, OperandsAndWordsAreReadLowByteFirst) {
  TestMachine m;
  m.z.PC.w = 0x0100;
  m.load(0x0100, {0x2A, 0x00, 0x90});  // LD HL,(9000h)
  m.load(0x9000, {0x34, 0x12});
  StepInstruction(1);
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x0100, 0x0101, 0x0102, 0x9000, 0x9001}));
  EXPECT_EQ(m.z.HL.w, 0x1234);
}

TEST(BusOrder, PopReadsLowThenHigh) {
  TestMachine m;
  m.z.SP.w = 0x8000;
  m.load(0x8000, {0x78, 0x56});
  m.run({0xD1});  // POP DE
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x0000, 0x8000, 0x8001}));
  EXPECT_EQ(m.z.DE.w, 0x5678);
  EXPECT_EQ(m.z.SP.w, 0x8002);
}

TEST(BusOrder, ExchangeWithStackReadsBothBytesBeforeWriting) {
  TestMachine m;
  m.z.SP.w = 0x8000;
  m.z.HL.w = 0xABCD;
  m.load(0x8000, {0x34, 0x12});
  m.run({0xE3});  // EX (SP),HL
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x0000, 0x8000, 0x8001}));
  EXPECT_EQ(m.log.writes, (Writes{{0x8000, 0xCD}, {0x8001, 0xAB}}));
  EXPECT_EQ(m.z.HL.w, 0x1234);
}

TEST(BusOrder, ReadModifyWriteIsOneReadThenOneWrite) {
  TestMachine m;
  m.z.HL.w = 0x9000;
  m.memory[0x9000] = 0x7F;
  m.run({0x34});        // INC (HL)
  m.run({0xCB, 0xC6});  // SET 0,(HL)
  EXPECT_EQ(m.log.reads, (std::vector<uint16_t>{0x0000, 0x9000, 0x0001, 0x0002, 0x9000}));
  EXPECT_EQ(m.log.writes, (Writes{{0x9000, 0x80}, {0x9000, 0x81}}));
}

// Handlers may look at PC and CycleCount; the frame loop keeps both in registers, so it must write
// them back before every handler call, exactly as stepping shows them.
// A frame loop stores on plain RAM pages itself only while the handler that declared them is in
// place: a wrapper standing in for it (a watchpoint, the history's search) sees every write.
TEST(BusLimits, PlainRamPagesBypassOnlyTheirOwnWriter) {
  static std::array<uint8_t, 256> pages{};
  pages[0x90] = 1;
  for (const CpuModel cpu : {CpuModel::Original, CpuModel::Silicon}) {
    for (const bool wrapped : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "cpu " << static_cast<int>(cpu) << (wrapped ? ", wrapped" : ""));
      TestMachine m;
      m.z.Cpu = cpu;
      m.z.ExactTiming = 1;
      m.z.FrameLength = 70;  // ends right after the second LD (A000h),A
      // LD A,5; LD (9000h),A; LD (A000h),A; INC A; JR to LD (9000h),A
      m.load(0x0000, {0x3E, 0x05, 0x32, 0x00, 0x90, 0x32, 0x00, 0xA0, 0x3C, 0x18, 0xF7});
      m.z.PlainRamPages = pages.data();
      m.z.PlainRamWriter = m.z.WriteHandler;
      if (wrapped) m.z.PlainRamWriter = [](uint8_t, uint16_t) {};
      RunFrame(1);
      EXPECT_EQ(m.memory[0x9000], m.memory[0xA000]);
      ASSERT_FALSE(m.log.writes.empty());
      const Writes expected = wrapped ? Writes{{0x9000, 5}, {0xA000, 5}} : Writes{{0xA000, 5}, {0xA000, 6}};
      EXPECT_EQ(Writes(m.log.writes.begin(), m.log.writes.begin() + 2), expected);
    }
  }
}

// The frame loops keep R and the frame's instruction count in registers: they must come back as
// single steps leave them, across an ED instruction (LD A,R reads it) and a stop.
TEST(BusHandlers, FrameLoopsLeaveRAndTheCountAsStepsDo) {
  static std::bitset<0x10000> stops;
  stops.reset();
  stops.set(0x000D);
  for (const uint8_t exact : {0, 1}) {
    SCOPED_TRACE(::testing::Message() << "exact timing " << int{exact});
    // NOP; LD A,R; LD D,A; LD IX,1234h; LD BC,3; LDIR; then the stop
    const std::initializer_list<uint8_t> program = {0x00, 0xED, 0x5F, 0x57, 0xDD, 0x21, 0x34,
                                                    0x12, 0x01, 0x03, 0x00, 0xED, 0xB0};
    // One machine at a time: both drive processor 1.
    auto start = [&](TestMachine& m) {
      m.z.ExactTiming = exact;
      m.z.R = 0x7E;
      m.load(0x0000, program);
    };
    auto seen = [](const Z80Context& z) {
      return std::tuple{z.R, z.DE.h, z.FrameInstructions, z.CycleCount};
    };
    decltype(seen(Z80Contexts[0])) fromSteps;
    {
      TestMachine stepped;
      start(stepped);
      while (stepped.z.PC.w != 0x000D) StepInstruction(1);
      fromSteps = seen(stepped.z);
    }
    TestMachine framed;
    start(framed);
    ASSERT_TRUE(RunFrameUntil(1, stops));
    EXPECT_EQ(seen(framed.z), fromSteps);
  }
}

TEST(BusHandlers, HandlersSeeTheSamePcAndCycleCountInFramesAsInSteps) {
  static std::vector<std::pair<uint16_t, uint16_t>> seen;
  auto program = [](TestMachine& m) {
    // LD A,(9000h); LD (9001h),A; OUT (1),A; JR to the start
    m.load(0x0000, {0x3A, 0x00, 0x90, 0x32, 0x01, 0x90, 0xD3, 0x01, 0x18, 0xF6});
    m.z.DirectReadLimit = 0x3FFF;
    m.z.WriteHandler = [](uint8_t, uint16_t) {
      seen.emplace_back(ActiveContext->PC.w, ActiveContext->CycleCount);
    };
    m.z.ReadHandler = [](uint16_t) -> uint8_t {
      seen.emplace_back(ActiveContext->PC.w, ActiveContext->CycleCount);
      return 0;
    };
    m.z.PortOutHandler = [](uint8_t, uint8_t) {
      seen.emplace_back(ActiveContext->PC.w, ActiveContext->CycleCount);
    };
  };
  ActiveContext = &Z80Contexts[0];

  TestMachine stepped;
  program(stepped);
  seen.clear();
  for (int i = 0; i < 40; ++i) StepInstruction(1);
  const auto fromSteps = seen;

  TestMachine framed;
  program(framed);
  seen.clear();
  RunFrame(1);
  ASSERT_GT(seen.size(), fromSteps.size());
  seen.resize(fromSteps.size());
  EXPECT_EQ(seen, fromSteps);
}

TEST(Record, IrqStateFieldsAliasTheWord) {
  Z80Context z{};
  z.IrqState.Value = 0x01000000;
  EXPECT_EQ(z.IrqState.IrqDone, 1);
  EXPECT_EQ(z.IrqState.DataBus, 0);
  EXPECT_EQ(z.IrqState.DataBusOp, 0);
  z.IrqState.DataBus = 0xD7;
  z.IrqState.DataBusOp = 0xCD;
  z.IrqState.IrqDone = 0;
  EXPECT_EQ(z.IrqState.Value, 0x00CD00D7u);
}

}  // namespace
}  // namespace tirvane::testing
