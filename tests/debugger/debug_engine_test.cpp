// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/debug_engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "debugger/breakpoints.h"
#include "debugger/disassembler.h"
#include "engine_machine.h"
#include "text/text.h"

namespace tirvane::testing {
namespace {

using Command = DebugEngine::Command;

class Stepping : public EngineMachine {};

TEST_F(Stepping, EachCommandStopsWhereTheProgramGoesNext) {
  struct Case {
    const char* From;
    Command What;
    const char* To;
  };
  const Case cases[] = {
      {"main", Command::StepOver, "after_outer"},          // nested calls
      {"after_outer", Command::StepOver, "after_rst"},     // RST
      {"after_rst", Command::StepOver, "loop"},            // an ordinary instruction is one step
      {"loop", Command::StepOver, "after_djnz"},           // DJNZ loops to itself four times
      {"block", Command::StepOver, "after_ldir"},          // LDIR
      {"wait", Command::StepOver, "irq"},                  // HALT, then the frame's interrupt
      {"inner", Command::StepOut, "after_inner"},          // back in the caller
      {"inner_call", Command::StepOver, "after_inner_call"},  // deeper returns pass by
      {"cc_call", Command::StepOver, "after_cc_call"},     // CALL NZ taken
      {"out_from", Command::StepOut, "after_twice"},       // a nested call's return passes by
      {"port_in", Command::StepInto, "rom_write"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.From);
    SetUp();
    engine.RunTo(Label(c.From));
    ASSERT_TRUE(Finish());
    ASSERT_EQ(z().PC.w, Label(c.From));
    const uint16_t stack = z().SP.w;
    if (c.What == Command::StepOver) engine.StepOver();
    if (c.What == Command::StepOut) engine.StepOut();
    if (c.What == Command::StepInto) engine.StepInto();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(z().PC.w, Label(c.To));
    if (c.What == Command::StepOver && std::string(c.To) != "irq") {
      EXPECT_EQ(z().SP.w, stack);
    }
    ASSERT_TRUE(engine.LastStop());
    EXPECT_EQ(engine.LastStop()->Reason, StopReason::StepDone);
    EXPECT_EQ(engine.Pending(), Command::None);
    TearDown();
  }
}

TEST_F(Stepping, BlockCopyAndInterruptHaveRunWhenTheStepEnds) {
  engine.RunTo(Label("block"));
  ASSERT_TRUE(Finish());
  engine.StepOver();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(z().MemoryImage[Label("copy") + 15], 0x1F);
  const uint8_t ticks = z().MemoryImage[Label("ticks")];
  engine.RunTo(Label("after_halt"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(z().MemoryImage[Label("ticks")], ticks + 1);
}

TEST_F(Stepping, NextFrameStopsAtTheFirstInstructionOfTheNextFrame) {
  engine.RunTo(Label("done"));
  ASSERT_TRUE(Finish());
  const uint64_t frames = run.FramesRun();
  engine.RunToNextFrame();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(run.FramesRun(), frames + 1);
  EXPECT_EQ(z().CycleCount, 0);
}

TEST_F(Stepping, ConditionalBreakpointStopsOnItsNthHitWithTheConditionHolding) {
  ConditionError error;
  // DJNZ at loop runs with B = 4, 3, 2, 1: B < 3 holds on the third and fourth arrivals.
  ASSERT_TRUE(engine.Breakpoints.Add("loop", "B < 3", 2, &engine.Symbols, error)) << error.Text();
  engine.Run();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(z().PC.w, Label("loop"));
  EXPECT_EQ(z().BC.h, 1);
  ASSERT_TRUE(engine.LastStop());
  EXPECT_EQ(engine.LastStop()->Reason, StopReason::Breakpoint);
  EXPECT_EQ(engine.LastStop()->Message, "Breakpoint at 0106h (loop) when B < 3: hit 2 times.");
  // Resuming from the breakpoint runs its instruction rather than stopping again.
  engine.RunTo(Label("done"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(z().PC.w, Label("done"));
}

TEST_F(Stepping, PlainBreakpointsKeepTheirMessageAndStandAtTheirAddress) {
  BreakpointList plain;
  plain.Add("0103");
  int checks = 0;
  run.BreakpointMarks = &plain.Marks();
  run.BreakpointCheck = [&] {
    ++checks;
    CheckBreakpoints(plain, z().PC.w, {{}, {}, [] { DebugState = DebugStateKind::Paused; }});
  };
  BreakpointsEnabled = true;
  engine.RunTo(Label("done"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(checks, 1);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_EQ(host_.Messages[0], BreakpointMessage("0103"));
  // The machine stands at the breakpoint, its instruction not yet run.
  EXPECT_EQ(z().PC.w, 0x0103);
}

// The original processor runs the RET after the handler's EI inside the EI, so PC never rests on
// it; every way of stopping there stops right after it instead, and says why.
TEST_F(Stepping, StopsDueInsideAnEiAreMadeRightAfterIt) {
  enum class Way { Breakpoint, PlainBreakpoint, RunTo, StepOut };
  for (const Way way : {Way::Breakpoint, Way::PlainBreakpoint, Way::RunTo, Way::StepOut}) {
    SCOPED_TRACE(static_cast<int>(way));
    SetUp();
    engine.RunTo(Label("wait"));
    ASSERT_TRUE(Finish());
    BreakpointList plain;
    ConditionError error;
    switch (way) {
      case Way::Breakpoint:
        ASSERT_TRUE(engine.Breakpoints.Add("irq_ret", "", 1, &engine.Symbols, error)) << error.Text();
        engine.Run();
        break;
      case Way::PlainBreakpoint:
        plain.Add(FormatHex(Label("irq_ret"), 4));
        run.BreakpointMarks = &plain.Marks();
        run.BreakpointCheck = [] {};
        BreakpointsEnabled = true;
        engine.Run();
        break;
      case Way::RunTo: engine.RunTo(Label("irq_ret")); break;
      case Way::StepOut:
        engine.RunTo(Label("irq"));
        ASSERT_TRUE(Finish());
        engine.StepOut();
        break;
    }
    ASSERT_TRUE(Finish());
    EXPECT_EQ(z().PC.w, Label("after_halt"));
    ASSERT_TRUE(engine.LastStop());
    EXPECT_NE(engine.LastStop()->Message.find(FormatHex(Label("irq_ret"), 4) + "h: it ran inside the EI"),
              std::string::npos)
        << engine.LastStop()->Message;
    run.BreakpointMarks = nullptr;
    run.BreakpointCheck = nullptr;
    TearDown();
  }
}

class Watching : public EngineMachine, public ::testing::WithParamInterface<bool> {
 protected:
  // With the trace on, the engine goes instruction by instruction instead of the core's loop.
  void Precise() {
    if (GetParam()) engine.TraceSink = [](const TraceEntry&) {};
  }
};

TEST_P(Watching, AccessesStopAfterTheInstructionThatMadeThem) {
  using Test = ValueMatch::Test;
  struct Case {
    WatchSpace Space;
    uint16_t First, Last;
    uint8_t Access;
    ValueMatch Match;
    const char* Instruction;  // nullptr: the program reaches done unstopped
    bool Write;
    uint16_t Address;
    uint8_t Value;
  };
  const Case cases[] = {
      {WatchSpace::Memory, 0x8001, 0x8001, WatchWrite, {}, "store", true, 0x8001, 0x03},
      {WatchSpace::Memory, 0x8105, 0x8105, WatchRead, {}, "after_ldir", false, 0x8105, 0x15},
      // Served from the memory image below DirectReadLimit, and fetches of code in the range ignored.
      {WatchSpace::Memory, 0x013B, 0x013B, WatchRead, {}, "block", false, 0x013B, 0x12},
      {WatchSpace::Memory, 0x0100, 0x0120, WatchRead, {}, nullptr, false, 0, 0},
      {WatchSpace::Memory, 0x0010, 0x0010, WatchWrite, {}, "rom_write", true, 0x0010, 0xFF},
      {WatchSpace::Memory, 0x4000, 0x4000, WatchWrite, {}, "ram_write", true, 0x4000, 0x01},
      {WatchSpace::Port, 0x10, 0x10, WatchWrite, {Test::Equal, 0x12, 0xFF}, "port_out", true, 0x10, 0x12},
      {WatchSpace::Port, 0x10, 0x10, WatchWrite, {Test::Equal, 0x13, 0xFF}, nullptr, false, 0, 0},
      {WatchSpace::Port, 0x20, 0x20, WatchRead, {Test::NotEqual, 0xFF, 0xFF}, nullptr, false, 0, 0},
      {WatchSpace::Port, 0x20, 0x20, WatchRead, {Test::Mask, 0xF0, 0xF0}, "port_in", false, 0x20, 0xFF},
      {WatchSpace::Memory, 0x8000, 0x80FF, WatchReadWrite, {Test::Equal, 0x03, 0xFF}, "store", true, 0x8001, 0x03},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Instruction ? c.Instruction : "none");
    SetUp();
    Precise();
    const Z80Context before = z();
    engine.Watchpoints.Add({c.Space, c.First, c.Last, c.Access, c.Match, true});
    engine.RunTo(Label("done"));
    ASSERT_TRUE(Finish());
    const auto& stop = engine.LastStop();
    ASSERT_TRUE(stop);
    if (c.Instruction == nullptr) {
      EXPECT_EQ(stop->Reason, StopReason::StepDone);
      EXPECT_EQ(z().PC.w, Label("done"));
    } else {
      ASSERT_EQ(stop->Reason, StopReason::Watchpoint) << z().PC.w;
      EXPECT_EQ(stop->Hit->InstructionAddress, Label(c.Instruction));
      EXPECT_EQ(stop->Hit->Write, c.Write);
      EXPECT_EQ(stop->Hit->Address & (c.Space == WatchSpace::Port ? 0xFF : 0xFFFF), c.Address);
      EXPECT_EQ(stop->Hit->Value, c.Value);
      EXPECT_NE(z().PC.w, Label(c.Instruction));  // the instruction has completed
      if (c.Write && c.Space == WatchSpace::Memory && c.Address >= z().RomLimit) {
        EXPECT_EQ(z().MemoryImage[c.Address], c.Value);  // and its watched write landed
      }
    }
    EXPECT_EQ(z().ReadHandler, before.ReadHandler);
    EXPECT_EQ(z().WriteHandler, before.WriteHandler);
    EXPECT_EQ(z().PortInHandler, before.PortInHandler);
    EXPECT_EQ(z().DirectReadLimit, before.DirectReadLimit);
    EXPECT_EQ(z().RomLimit, before.RomLimit);
    EXPECT_EQ(z().MemoryImage[0x0010], 0x00);  // ROM stays intact when its writes are watched
    TearDown();
  }
}

TEST_P(Watching, MessageNamesTheInstructionTheAccessAndTheValue) {
  Precise();
  engine.Watchpoints.Add({WatchSpace::Memory, 0x8001, 0x80FF, WatchWrite, {}, true});
  engine.Run();
  ASSERT_TRUE(Finish());
  ASSERT_TRUE(engine.LastStop());
  EXPECT_EQ(engine.LastStop()->Message,
            "Watchpoint 8001h-80FFh write: the instruction at 012Ch wrote 03h to 8001h.");
}

INSTANTIATE_TEST_SUITE_P(FastAndPrecise, Watching, ::testing::Bool());

TEST_F(Stepping, TraceLinesMatchTheDisassemblerAndFollowEachOther) {
  DebugMode = true;
  engine.TraceEnabled = true;
  engine.RunTo(Label("done"));
  ASSERT_TRUE(Finish());
  const TraceBuffer& trace = engine.Trace;
  ASSERT_GT(trace.Count(), 20);
  EXPECT_EQ(trace.At(0).Address, 0x0000);
  for (int i = 0; i < trace.Count(); ++i) {
    const TraceEntry& e = trace.At(i);
    const std::string line = FormatTraceLine(e);
    const std::string text = Disassemble(z().MemoryImage, e.Address).Text.substr(4);
    EXPECT_NE(line.find("  " + text + " "), std::string::npos) << line;
    // Without an interrupt in between, each instruction starts where the last one left PC.
    if (i + 1 < trace.Count() && trace.At(i + 1).Address != 0x0038) {
      EXPECT_EQ(trace.At(i + 1).Address, e.Registers[7]);
    }
  }
  EXPECT_EQ(FormatTraceLine(trace.At(0)),
            "0000  31 00 F0     LD SP,F000       AF=0000 BC=0000 DE=0000 HL=0000 IX=0000 IY=0000 SP=F000 PC=0003");
  EXPECT_NE(FormatTraceLine(trace.At(2), &engine.Symbols).find("JP init"), std::string::npos);

  std::string error;
  const std::string path = folder_ / "trace.txt";
  ASSERT_TRUE(trace.Save(path, &engine.Symbols, error)) << error;
  std::ifstream saved(path);
  int lines = 0;
  for (std::string line; std::getline(saved, line);) ++lines;
  EXPECT_EQ(lines, trace.Count());
}

TEST(TraceRing, KeepsTheLastEntriesOldestFirst) {
  TraceBuffer trace(3);
  Z80Context z{};
  uint8_t memory[0x10000] = {};
  for (uint16_t pc = 0; pc < 5; ++pc) {
    z.PC.w = pc;
    trace.Before(z, memory);
    trace.After(z);
  }
  ASSERT_EQ(trace.Count(), 3);
  EXPECT_EQ(trace.Total(), 5u);
  EXPECT_EQ(trace.At(0).Address, 2);
  EXPECT_EQ(trace.At(2).Address, 4);
  EXPECT_EQ(&trace.Last(), &trace.At(2));
}

TEST(TraceRing, BytesWrapPastFFFFAndRegistersKeepTheEntryOrder) {
  TraceBuffer trace(2);
  Z80Context z{};
  std::vector<uint8_t> memory(0x10000);
  memory[0xFFFE] = 0xDD, memory[0xFFFF] = 0x21, memory[0] = 0x34, memory[1] = 0x12;
  z.PC.w = 0xFFFE;
  trace.Before(z, memory.data());
  z.AF.w = 1, z.BC.w = 2, z.DE.w = 3, z.HL.w = 4, z.IX.w = 5, z.IY.w = 6, z.SP.w = 7, z.PC.w = 8;
  trace.After(z);
  const TraceEntry& e = trace.Last();
  EXPECT_EQ(std::vector<uint8_t>(e.Bytes, e.Bytes + 4), (std::vector<uint8_t>{0xDD, 0x21, 0x34, 0x12}));
  EXPECT_EQ(std::vector<uint16_t>(e.Registers, e.Registers + 8), (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace tirvane::testing
