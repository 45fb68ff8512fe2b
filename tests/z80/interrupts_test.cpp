// SPDX-License-Identifier: GPL-3.0-or-later
// Frames and interrupts: the frame budget and its bound, acceptance in every mode, HALT, EI, RETN,
// and the two frame loops' equivalence with single steps.
#include <gtest/gtest.h>

#include <bitset>
#include <random>

#include "test_machine.h"

namespace tirvane::testing {
namespace {

uint16_t stackWord(const TestMachine& m) {
  return static_cast<uint16_t>(m.memory[m.z.SP.w] | m.memory[static_cast<uint16_t>(m.z.SP.w + 1)] << 8);
}

// A machine whose program is NOPs, with a maskable interrupt pending in the given mode code.
struct InterruptMachine : TestMachine {
  explicit InterruptMachine(uint16_t code) {
    z.InterruptMode = code;
    z.IFF1 = z.IFF2 = 1;
    z.IrqState.Value = 0;
    z.PC.w = 0x1234;
  }
};

TEST(Frames, RunFrameEndsAtTheFrameLengthAndStartsTheNextFromZero) {
  // The longest length is past what 16 bits can count.
  for (uint32_t length : {FrameCycles, 69888u, 100000u}) {
    TestMachine m;
    m.z.FrameLength = length;
    m.z.IrqState.Value = 0x01000000;
    m.load(0x0000, {0x01, 0x00, 0x00, 0x18, 0xFB});  // LD BC,0 (10); JR back (7)
    static uint32_t cyclesAtFrameEnd;
    m.onFrame = [](Z80Context& z) { cyclesAtFrameEnd = z.CycleCount; };
    RunFrame(1);
    EXPECT_GE(cyclesAtFrameEnd, length);
    EXPECT_LT(cyclesAtFrameEnd, length + 10);
    EXPECT_EQ(m.log.frames, 1);
    RunFrame(1);
    EXPECT_EQ(m.log.frames, 2);
    EXPECT_LT(cyclesAtFrameEnd, length + 10);
    m.z.CycleCount = length - 2;
    m.run({0x00});
    EXPECT_EQ(m.log.frames, 3) << length;
    EXPECT_EQ(m.z.CycleCount, 0);
  }
}

TEST(Frames, StepAtTheBudgetRunsTheFrameEventAndRestartsTheCount) {
  TestMachine m;
  m.z.CycleCount = 49998;
  m.run({0x00});
  EXPECT_EQ(m.log.frames, 1);
  EXPECT_EQ(m.z.CycleCount, 0);
  m.run({0x00});
  EXPECT_EQ(m.log.frames, 1);
  EXPECT_EQ(m.z.CycleCount, 4);
}

TEST(Frames, ZeroCostLoopsStillEndTheFrame) {
  TestMachine m;
  m.z.DirectReadLimit = 0xFFFE;
  for (size_t a = 0; a < m.memory.size(); a += 2) m.load(static_cast<uint16_t>(a), {0xDD, 0x00});
  RunFrame(1);
  EXPECT_EQ(m.log.frames, 1);
  EXPECT_EQ(m.z.CycleCount, 0);
  EXPECT_EQ(m.z.PC.w, (MaxFrameInstructions * 2) & 0xFFFF);

  m.memory.fill(0xDD);  // one endless prefix chain
  RunFrame(1);
  EXPECT_EQ(m.log.frames, 2);

  TestMachine stepped;
  stepped.z.DirectReadLimit = 0xFFFE;
  stepped.memory.fill(0xED);
  for (uint32_t i = 0; i < MaxFrameInstructions && stepped.log.frames == 0; ++i) StepInstruction(1);
  EXPECT_EQ(stepped.log.frames, 1);
}

TEST(Frames, BlockRepetitionsCountTowardTheFrameBound) {
  // 0000 LD BC,0 / 0003 LDIR / 0005 INC IX / 0007 JR 0003: 65,536 copies for every 38 T-states.
  const std::initializer_list<uint8_t> program = {0x01, 0x00, 0x00, 0xED, 0xB0, 0xDD, 0x23, 0x18, 0xFA};
  TestMachine m;
  m.z.DirectReadLimit = 0xFFFE;
  m.z.RomLimit = 0xFFFF;  // the copies land on themselves; none is logged
  m.load(0, program);
  RunFrame(1);
  EXPECT_EQ(m.log.frames, 1);
  EXPECT_LE(m.z.IX.w, MaxFrameInstructions / 65536) << "complete LDIRs in one frame";
  const uint16_t loops = m.z.IX.w, pc = m.z.PC.w;  // the next machine reuses processor 1

  TestMachine stepped;
  stepped.z.DirectReadLimit = 0xFFFE;
  stepped.z.RomLimit = 0xFFFF;
  stepped.load(0, program);
  for (int i = 0; i < 100 && stepped.log.frames == 0; ++i) StepInstruction(1);
  EXPECT_EQ(stepped.log.frames, 1);
  EXPECT_EQ(stepped.z.IX.w, loops) << "both entry points end the frame after the same instruction";
  EXPECT_EQ(stepped.z.PC.w, pc);

  // Stopping before INC IX and going on must count the first LDIR's repetitions once.
  TestMachine paused;
  paused.z.DirectReadLimit = 0xFFFE;
  paused.z.RomLimit = 0xFFFF;
  paused.load(0, program);
  std::bitset<0x10000> stops;
  stops[0x0005] = true;
  ASSERT_TRUE(RunFrameUntil(1, stops));
  EXPECT_FALSE(RunFrameUntil(1, {}));
  EXPECT_EQ(paused.log.frames, 1);
  EXPECT_EQ(paused.z.IX.w, loops);
  EXPECT_EQ(paused.z.PC.w, pc);
}

TEST(Frames, OnlyProcessorsOneToTenExist) {
  TestMachine m;
  RunFrame(0);
  RunFrame(11);
  StepInstruction(0);
  StepInstruction(0xFFFF);
  EXPECT_EQ(m.log.frames, 0);
  EXPECT_EQ(m.z.PC.w, 0);
}

TEST(MaskableInterrupts, IrqDoneOneForbidsAcceptance) {
  InterruptMachine m(1);
  m.z.IrqState.Value = 0x01000000;
  RunFrame(1);
  EXPECT_NE(m.z.PC.w, 0x0038);
  EXPECT_EQ(m.z.SP.w, 0xF000);
}

TEST(MaskableInterrupts, ModeOneIsTakenOncePerDriverRequest) {
  InterruptMachine m(0);
  m.z.IFF1 = m.z.IFF2 = 0;
  m.load(0x1234, {0xED, 0x56, 0xFB});  // IM 1; EI
  StepInstruction(1);
  EXPECT_EQ(m.z.InterruptMode, 2);
  StepInstruction(1);  // EI runs the NOP after it and takes the interrupt at once
  EXPECT_EQ(m.z.PC.w, 0x0038);
  EXPECT_EQ(stackWord(m), 0x1238);
  EXPECT_EQ(m.z.IrqState.IrqDone, 1);
  EXPECT_EQ(m.z.IFF1, 0);
  EXPECT_EQ(m.z.IFF2, 0);

  m.z.IFF1 = m.z.IFF2 = 1;
  m.z.PC.w = 0x2000;
  RunFrame(1);
  EXPECT_NE(m.z.PC.w, 0x0038);  // nothing new requested
}

TEST(MaskableInterrupts, EitherFlipFlopAllowsAcceptance) {
  InterruptMachine m(1);
  m.z.IFF1 = 0;
  m.z.IFF2 = 1;
  RunFrame(1);
  EXPECT_EQ(m.z.PC.w, 0x0038);
}

TEST(MaskableInterrupts, ModeCodesFromEveryImOpcode) {
  const std::pair<uint8_t, uint16_t> codes[] = {{0x46, 0}, {0x66, 0}, {0x4E, 1}, {0x6E, 1},
                                                {0x56, 2}, {0x76, 2}, {0x5E, 3}, {0x7E, 3}};
  for (auto [op, code] : codes) {
    TestMachine m;
    m.run({0xED, op});
    EXPECT_EQ(m.z.InterruptMode, code) << int{op};
  }
  InterruptMachine m(0);
  m.load(0x1234, {0xED, 0x4E});
  StepInstruction(1);
  RunFrame(1);
  EXPECT_EQ(m.z.PC.w, 0x0038);
}

TEST(MaskableInterrupts, ModeTwoReadsTheVectorFromTheTable) {
  InterruptMachine m(3);
  m.z.I = 0x3F;
  m.z.IrqState.DataBus = 0xFE;
  m.load(0x3FFE, {0xCD, 0xAB});
  AcceptInterrupt(m.z);
  EXPECT_EQ(m.z.PC.w, 0xABCD);
  EXPECT_EQ(stackWord(m), 0x1234);
}

TEST(MaskableInterrupts, ModeZeroExecutesTheDataBusByte) {
  InterruptMachine m(0);
  m.z.IrqState.DataBus = 0xD7;  // RST 10h
  m.z.CycleCount = 100;
  AcceptInterrupt(m.z);
  EXPECT_EQ(m.z.PC.w, 0x0010);
  EXPECT_EQ(stackWord(m), 0x1234);
  EXPECT_EQ(m.z.CycleCount, 111);

  // A call or jump code in DataBusOp carries no address; the data-bus byte still runs.
  InterruptMachine n(0);
  n.z.IrqState.Value = 0x00CD00CF;  // RST 08h with DataBusOp CDh
  AcceptInterrupt(n.z);
  EXPECT_EQ(n.z.PC.w, 0x0008);
  EXPECT_EQ(stackWord(n), 0x1234);
}

// A mode-0 EI whose next instruction re-raises the line must not take the interrupt again inside
// itself: each level would nest one call deeper, as far as the program cares to go.
TEST(MaskableInterrupts, ModeZeroEiDoesNotNestAcceptances) {
  InterruptMachine m(0);
  m.z.IrqState.DataBus = 0xFB;  // EI on the data bus
  for (size_t a = 0; a < m.memory.size(); a += 2) m.load(static_cast<uint16_t>(a), {0xD3, 0x00});
  m.z.PortOutHandler = [](uint8_t, uint8_t) { ActiveContext->IrqState.Value = 0x000000FB; };
  ActiveContext = &m.z;
  AcceptInterrupt(m.z);
  EXPECT_EQ(m.z.PC.w, 0x1236);         // EI ran exactly one OUT
  EXPECT_EQ(m.z.IrqState.IrqDone, 0);  // the new request waits for the frame end
  EXPECT_EQ(m.z.IFF1, 1);
}

TEST(Nmi, TakenWhateverTheFlipFlopsAndClearsBoth) {
  TestMachine m;
  m.z.IrqState.Value = 0x01000000;
  m.z.NmiAddress = 0x0066;
  m.onFrame = [](Z80Context& z) { z.NmiRequest = 1; };
  m.z.PC.w = 0x4000;
  StepInstruction(1);
  m.z.CycleCount = 49999;
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x0066);
  EXPECT_EQ(stackWord(m), 0x4002);
  EXPECT_EQ(m.z.NmiRequest, 0u);
  EXPECT_EQ(m.z.IFF1, 0);
  EXPECT_EQ(m.z.IFF2, 0);
  EXPECT_EQ(m.z.IrqState.IrqDone, 1);
}

TEST(Nmi, RetnAfterAnNmiLeavesInterruptsDisabled) {
  TestMachine m;
  m.z.IFF1 = m.z.IFF2 = 1;
  m.z.NmiRequest = 1;
  m.z.NmiAddress = 0x0066;
  m.z.PC.w = 0x4000;
  m.load(0x0066, {0xED, 0x45});
  AcceptInterrupt(m.z);
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x4000);
  EXPECT_EQ(m.z.IFF1, 0);
}

TEST(Halt, AcceptanceResumesAfterTheHalt) {
  TestMachine m;
  m.z.IrqState.Value = 0x01000000;
  m.z.NmiAddress = 0x0066;
  m.z.PC.w = 0x1000;
  m.memory[0x1000] = 0x76;
  m.onFrame = [](Z80Context& z) { z.NmiRequest = 1; };
  RunFrame(1);
  EXPECT_EQ(m.z.PC.w, 0x0066);
  EXPECT_EQ(stackWord(m), 0x1001);
  EXPECT_EQ(m.z.Halted, 0);
}

TEST(Ei, EnablingRunsTheNextInstructionAndAcceptsAtOnce) {
  InterruptMachine m(1);
  m.z.IFF1 = m.z.IFF2 = 0;
  m.z.R = 0x10;
  m.load(0x1234, {0xFB, 0x00});
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x0038);
  EXPECT_EQ(stackWord(m), 0x1236);
  EXPECT_EQ(m.z.R, 0x12);
  EXPECT_EQ(m.z.CycleCount, 8);
}

TEST(Ei, WithInterruptsAlreadyEnabledOnlySetsIff2) {
  InterruptMachine m(1);
  m.z.IFF2 = 0;
  m.load(0x1234, {0xFB, 0x00});
  StepInstruction(1);
  EXPECT_EQ(m.z.PC.w, 0x1235);
  EXPECT_EQ(m.z.IFF2, 1);
  EXPECT_EQ(m.z.IrqState.IrqDone, 0);
}

// The frame loop decodes with its own copy of the main, CB, DD and FD pages; on random programs, with
// interrupts requested every frame, it must do exactly what single steps do.
TEST(FrameLoop, RandomProgramsRunAsInSingleSteps) {
  struct FrameState {
    uint16_t af, bc, de, hl, ix, iy, pc, sp, af2, bc2, de2, hl2;
    uint32_t cycles;
    uint16_t halted, mode;
    uint8_t i, r, iff1, iff2;
    uint32_t irq;
    bool operator==(const FrameState&) const = default;
  };
  static std::vector<FrameState> states;
  static int frameNumber;
  auto onFrame = [](Z80Context& z) {
    states.push_back({z.AF.w,          z.BC.w,    z.DE.w,    z.HL.w,    z.IX.w,    z.IY.w,          z.PC.w,
                      z.SP.w,          z.AltAF.w, z.AltBC.w, z.AltDE.w, z.AltHL.w, z.CycleCount,    z.Halted,
                      z.InterruptMode, z.I,       z.R,       z.IFF1,    z.IFF2,    z.IrqState.Value});
    ++frameNumber;
    if (frameNumber % 3 == 0) z.NmiRequest = 1;
    z.IrqState.Value = frameNumber % 2 ? 0x000000C7u | (frameNumber & 0x38) : 0x01000000u;
  };
  auto setUp = [&](TestMachine& m, unsigned seed) {
    std::mt19937 rng(seed);
    for (auto& b : m.memory) b = static_cast<uint8_t>(rng());
    m.z.DirectReadLimit = seed % 2 ? 0x7FFF : 0xFFFF;
    m.z.RomLimit = 0x1000;
    m.z.PC.w = static_cast<uint16_t>(rng());
    m.z.InterruptMode = static_cast<uint16_t>(rng() % 4);
    m.z.NmiAddress = 0x0066;
    m.onFrame = onFrame;
    states.clear();
    frameNumber = 0;
  };
  constexpr int Frames = 3;
  for (unsigned seed = 1; seed <= 24; ++seed) {
    TestMachine framed;
    setUp(framed, seed);
    for (int f = 0; f < Frames; ++f) RunFrame(1);
    const auto framedStates = states;
    const BusLog framedLog = framed.log;

    TestMachine stepped;
    setUp(stepped, seed);
    for (uint32_t n = 0; stepped.log.frames < Frames && n < Frames * MaxFrameInstructions; ++n)
      StepInstruction(1);

    EXPECT_TRUE(states == framedStates) << "seed " << seed;
    EXPECT_EQ(stepped.log.reads, framedLog.reads) << "seed " << seed;
    EXPECT_EQ(stepped.log.writes, framedLog.writes) << "seed " << seed;
    EXPECT_EQ(stepped.log.portReads, framedLog.portReads) << "seed " << seed;
    EXPECT_EQ(stepped.log.portWrites, framedLog.portWrites) << "seed " << seed;
  }
}

// The breakpoint loop stops before every instruction that starts at a marked address, except the
// first of each call, and right after an enabling EI whose inline instruction sat at one (within
// the frame); otherwise it must do exactly what single steps do.
TEST(FrameLoop, StoppingAtMarkedAddressesRunsAsSingleSteps) {
  static int frameNumber;
  auto setUp = [&](TestMachine& m, unsigned seed) {
    std::mt19937 rng(seed);
    for (auto& b : m.memory) b = static_cast<uint8_t>(rng());
    m.z.DirectReadLimit = 0x7FFF;
    m.z.RomLimit = 0x1000;
    m.z.PC.w = static_cast<uint16_t>(rng());
    m.z.InterruptMode = static_cast<uint16_t>(rng() % 4);
    m.onFrame = [](Z80Context& z) {
      ++frameNumber;
      z.IrqState.Value = frameNumber % 2 ? 0x000000FFu : 0x01000000u;
    };
    frameNumber = 0;
  };
  constexpr int Frames = 2;
  size_t totalStops = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::bitset<0x10000> marks;
    std::mt19937 markRng(seed * 7919);
    for (int i = 0; i < 0x10000; ++i) marks[i] = markRng() % 4 == 0;

    TestMachine stepped;
    setUp(stepped, seed);
    std::vector<uint16_t> expectedStops;
    bool first = true;  // the first instruction of a call runs whatever its address
    for (uint32_t n = 0; stepped.log.frames < Frames && n < Frames * MaxFrameInstructions; ++n) {
      if (!first && marks[stepped.z.PC.w]) expectedStops.push_back(stepped.z.PC.w);
      first = false;
      const int frames = stepped.log.frames;
      stepped.z.InlineRan = 0;
      StepInstruction(1);
      if (stepped.log.frames != frames) {
        first = true;
      } else if (stepped.z.InlineRan != 0 && marks[stepped.z.InlineAddress]) {
        expectedStops.push_back(stepped.z.PC.w);
        first = true;
      }
    }
    const Z80Context steppedEnd = stepped.z;
    const BusLog steppedLog = stepped.log;

    TestMachine until;
    setUp(until, seed);
    std::vector<uint16_t> stops;
    for (int calls = 0; until.log.frames < Frames && calls < 100000; ++calls)
      if (RunFrameUntil(1, marks)) stops.push_back(until.z.PC.w);

    totalStops += expectedStops.size();
    EXPECT_EQ(stops, expectedStops) << "seed " << seed;
    EXPECT_EQ(until.z.PC.w, steppedEnd.PC.w) << "seed " << seed;
    EXPECT_EQ(until.z.AF.w, steppedEnd.AF.w) << "seed " << seed;
    EXPECT_EQ(until.z.HL.w, steppedEnd.HL.w) << "seed " << seed;
    EXPECT_EQ(until.z.SP.w, steppedEnd.SP.w) << "seed " << seed;
    EXPECT_EQ(until.z.R, steppedEnd.R) << "seed " << seed;
    EXPECT_EQ(until.z.CycleCount, steppedEnd.CycleCount) << "seed " << seed;
    EXPECT_EQ(until.log.writes, steppedLog.writes) << "seed " << seed;
    EXPECT_EQ(until.log.portWrites, steppedLog.portWrites) << "seed " << seed;
  }
  EXPECT_GT(totalStops, 1000u);  // random code halts or loops early in some seeds, not in all
}

TEST(FrameLoop, StoppingKeepsTheFramesBudgetAcrossCalls) {
  TestMachine m;
  m.load(0x0000, {0x00, 0x00, 0xC3, 0x00, 0x00});  // NOP / NOP / JP 0000: 18 T-states a round
  std::bitset<0x10000> marks;
  marks[0x0001] = true;
  ASSERT_TRUE(RunFrameUntil(1, marks));
  EXPECT_EQ(m.z.PC.w, 0x0001);
  EXPECT_EQ(m.z.CycleCount, 4);
  EXPECT_EQ(m.z.FrameInstructions, 1u);
  // The marked instruction runs first on the next call; one round later the mark stops it again.
  ASSERT_TRUE(RunFrameUntil(1, marks));
  EXPECT_EQ(m.z.PC.w, 0x0001);
  EXPECT_EQ(m.z.CycleCount, 22);
  EXPECT_EQ(m.log.frames, 0);

  marks.reset();
  EXPECT_FALSE(RunFrameUntil(1, marks));  // on to the frame's end
  EXPECT_EQ(m.log.frames, 1);
  EXPECT_EQ(m.z.CycleCount, 0);
  EXPECT_EQ(m.z.FrameInstructions, 0u);
}

}  // namespace
}  // namespace tirvane::testing
