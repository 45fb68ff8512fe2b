// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner's debugger options on the stepping program, whose NAME.sym is found beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/headless_runner.h"
#include "engine_machine.h"

namespace tirvane::testing {
namespace {

class HeadlessDebugging : public ::testing::Test {
 protected:
  void SetUp() override {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    ini_ = WriteSteppingGame(folder_);
  }
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), ini_);
    out_.str({});
    err_.str({});
    return RunHeadless(args, out_, err_);
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream file(folder_ / name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  testdriver::TempFolder folder_{"headless-debugging"};
  std::string ini_;
  std::ostringstream out_, err_;
};

TEST_F(HeadlessDebugging, ExitStatusAndOneLineSayWhatStoppedTheRun) {
  struct Case {
    std::vector<std::string> Args;
    int Status;
    const char* Line;  // the start of stdout
  };
  const Case cases[] = {
      {{"--break", "after_ldir", "--frames", "5"}, 0, "Breakpoint at 0113h (after_ldir): hit 1 time. Stopped in frame 1 at 0113h (after_ldir)."},
      {{"--watch", "result:w"}, 0, "Watchpoint 8001h write: the instruction at 012Ch wrote 03h to 8001h. Stopped in frame 1 at 012Fh."},
      {{"--watch", "8100-810F:rw", "--break", "0FFF"}, 0, "Watchpoint 8100h-810Fh read/write: the instruction at 0111h wrote 10h"},
      {{"--break", "0FFF", "--frames", "3"}, 3, "No breakpoint or watchpoint hit in 3 frames; PC 0121h (wait)."},
      {{"--break", "nosuch"}, 1, ""},
      {{"--watch", "8000"}, 2, ""},
      {{"--watch", "9000-8000:r"}, 1, ""},
      {{"--symbols", "/nonexistent.sym", "--break", "main"}, 1, ""},
      {{"--trace-from", "2"}, 2, ""},
      {{"--dump-memory", "x.bin@zz"}, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args[0] + " " + c.Args[1]);
    EXPECT_EQ(Run(c.Args), c.Status) << err_.str();
    EXPECT_EQ(out_.str().substr(0, std::string(c.Line).size()), c.Line);
    if (c.Status != 0 && c.Status != 3) {
      EXPECT_FALSE(err_.str().empty());
    }
  }
}

TEST_F(HeadlessDebugging, RegistersMemoryAndTraceAreWrittenAfterTheRun) {
  const std::string dump = folder_ / "copy.bin";
  const std::string trace = folder_ / "trace.txt";
  // The test board raises no interrupt, so the program ends its run at the HALT at wait.
  ASSERT_EQ(Run({"--break", "wait", "--registers", "--dump-memory", dump + "@copy-810F", "--trace", trace}), 0)
      << err_.str();
  const std::string out = out_.str();
  EXPECT_NE(out.find("\nAF=FF"), std::string::npos) << out;
  EXPECT_NE(out.find(" PC=0121 "), std::string::npos) << out;
  EXPECT_EQ(ReadFile("copy.bin"), "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F");
  const std::string lines = ReadFile("trace.txt");
  EXPECT_EQ(lines.substr(0, 20), "0000  31 00 F0     L");
  EXPECT_NE(lines.find("JP init"), std::string::npos);

  // From a later frame on, the first frames are left out.
  ASSERT_EQ(Run({"--frames", "2", "--trace", trace, "--trace-from", "2"}), 0) << err_.str();
  EXPECT_EQ(ReadFile("trace.txt").substr(0, 4), "0121");
}

}  // namespace
}  // namespace tirvane::testing
