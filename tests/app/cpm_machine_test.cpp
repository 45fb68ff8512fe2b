// SPDX-License-Identifier: GPL-3.0-or-later
// The runner's CP/M machine: our own small .com programs through BDOS (CP/M 2.2 interface as
// Digital Research's "CP/M 2.2 Operating System Manual" lists it), on both processors.
#include "app/cpm_machine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tirvane {
namespace {

struct Case {
  const char* name;
  std::vector<uint8_t> program;
  std::string input;
  std::string output;
  bool warmBoot;
};

const Case Cases[] = {
    // LD DE,0109h; LD C,9; CALL 5; RST 0; "Hi$"
    {"function 9 prints up to the dollar, RST 0 ends",
     {0x11, 0x09, 0x01, 0x0E, 0x09, 0xCD, 0x05, 0x00, 0xC7, 'H', 'i', '$'}, "", "Hi", true},
    // LD C,1; CALL 5; LD E,A; LD C,2; CALL 5; JP 0: echo (function 1 echoes too)
    {"function 1 reads and echoes, function 2 prints",
     {0x0E, 0x01, 0xCD, 0x05, 0x00, 0x5F, 0x0E, 0x02, 0xCD, 0x05, 0x00, 0xC3, 0x00, 0x00}, "q", "qq", true},
    // LD A,4; LD (0200h),A; LD DE,0200h; LD C,10; CALL 5; LD A,(0201h); ADD A,'0'; LD E,A; LD C,2;
    // CALL 5; JP 0: the count of a line cut to the buffer's size
    {"function 10 reads a line into the buffer",
     {0x3E, 0x04, 0x32, 0x00, 0x02, 0x11, 0x00, 0x02, 0x0E, 0x0A, 0xCD, 0x05, 0x00, 0x3A, 0x01, 0x02, 0xC6,
      0x30, 0x5F, 0x0E, 0x02, 0xCD, 0x05, 0x00, 0xC3, 0x00, 0x00},
     "abcdefg\n", "4", true},
    // LD C,11; CALL 5; ADD A,'0' ... prints '/' + 1 for FFh: status with input waiting
    {"function 11 reports waiting input",
     {0x0E, 0x0B, 0xCD, 0x05, 0x00, 0xE6, 0x01, 0xC6, 0x30, 0x5F, 0x0E, 0x02, 0xCD, 0x05, 0x00, 0xC3, 0x00, 0x00},
     "x", "1", true},
    // JR $: never ends, stopped by the bound
    {"a program that never ends stops at the bound", {0x18, 0xFE}, "", "", false},
};

TEST(CpmMachine, RunsConsoleProgramsOnBothProcessors) {
  for (const CpuModel cpu : {CpuModel::Original, CpuModel::Silicon}) {
    for (const Case& c : Cases) {
      SCOPED_TRACE(std::string(c.name) + (cpu == CpuModel::Silicon ? ", Silicon" : ", Original"));
      CpmOptions options;
      options.Cpu = cpu;
      options.MaxTStates = 100000;
      std::istringstream in(c.input);
      std::ostringstream out;
      const CpmResult result = RunCpmProgram(c.program, options, in, out);
      EXPECT_EQ(out.str(), c.output);
      EXPECT_EQ(result.WarmBoot, c.warmBoot);
      EXPECT_GT(result.Instructions, 0u);
      if (!c.warmBoot) {
        EXPECT_GE(result.TStates, options.MaxTStates);
      }
    }
  }
}

TEST(CpmMachine, BadArgumentsAreRefusedWithAReason) {
  struct Bad {
    std::vector<std::string> args;
    const char* reason;
  };
  const Bad cases[] = {
      {{"--cpm"}, "--cpm needs a value"},
      {{"--cpu", "exact"}, "--cpm needs a program"},
      {{"--cpm", "a.com", "--max-tstates", "12x"}, "--max-tstates is a positive count, not \"12x\""},
      {{"--cpm", "a.com", "--max-tstates", "0"}, "--max-tstates is a positive count, not \"0\""},
      {{"--cpm", "a.com", "--frames", "3"}, "unknown argument \"--frames\" for --cpm"},
  };
  for (const Bad& b : cases) {
    std::string error;
    EXPECT_FALSE(ParseCpmArguments(b.args, error));
    EXPECT_EQ(error, b.reason);
  }
  std::string error;
  const auto options = ParseCpmArguments(std::vector<std::string>{"--cpm", "z.com", "--cpu", "exact"}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->Cpu, CpuModel::Silicon);
}

TEST(CpmMachine, UnreadableProgramIsReportedNotRun) {
  std::istringstream in;
  std::ostringstream out, err;
  const std::vector<std::string> args{"--cpm", "/nonexistent/prog.com"};
  EXPECT_EQ(RunCpmCommand(args, in, out, err), 1);
  EXPECT_NE(err.str().find("cannot be read"), std::string::npos);
  EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace tirvane
