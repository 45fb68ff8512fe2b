// SPDX-License-Identifier: GPL-3.0-or-later
// The stepping program on the test board, started as the window starts a game, with a debugger
// engine attached and the program's pasmo symbols loaded. The frame pulses the interrupt line: a
// frame's interrupt is taken at its end or lost, so an EI never meets one left over.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/headless_host.h"
#include "run/run.h"
#include "debugger/debug_engine.h"
#include "support/test_driver.h"

namespace tirvane::testing {

inline std::string ProgramFile(const std::string& name) { return std::string(TIRVANE_DEBUGGER_PROGRAMS) + "/" + name; }

// A description of the stepping program in folder, with its symbols as NAME.sym beside it.
inline std::string WriteSteppingGame(const testdriver::TempFolder& folder) {
  constexpr auto replace = std::filesystem::copy_options::overwrite_existing;
  std::filesystem::copy_file(ProgramFile("stepping.bin"), folder.path() / "stepping.bin", replace);
  std::filesystem::copy_file(ProgramFile("stepping.sym"), folder.path() / "stepping.sym", replace);
  testdriver::WriteFile(folder.path() / "gfx.bin", {0});
  const std::string ini = folder / "stepping.ini";
  testdriver::WriteText(ini, "#title=Stepping\n#driver=TESTBOARD\n#maxrom=4000\n#maxdirectread=7FFF\n"
                             "0000~stepping.bin\n#grf=0000~gfx.bin\n");
  return ini;
}

class EngineMachine : public ::testing::Test {
 protected:
  EngineMachine() : host_(folder_.path().string()), scope_(host_) {}

  // Tests that walk a table call SetUp again for each row: everything starts afresh.
  void SetUp() override {
    engine.Watchpoints.Clear();
    engine.Breakpoints.Clear();
    engine.TraceSink = nullptr;
    engine.ClearLastStop();
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    ResetRunControls();
    const std::string ini = WriteSteppingGame(folder_);
    ASSERT_TRUE(run.Start(ini).Ok);
    ASSERT_TRUE(LoadSymbolFile(SymbolFileBeside(ini), engine.Symbols).Ok);
    ActiveContext->FrameHandler = [] {
      testdriver::Frame();
      ActiveContext->IrqState.Value = ActiveContext->IFF1 ? 0xFF : 0x01000000;
    };
  }
  void TearDown() override {
    run.Stop();
    run.RunLoop();
    ResetRunControls();
  }

  uint16_t Label(const char* name) const {
    const auto address = engine.Symbols.Find(name);
    EXPECT_TRUE(address) << name;
    return address.value_or(0);
  }
  // Passes until the engine pauses the run; false when it never does.
  bool Finish(int passes = 2000) {
    for (int i = 0; i < passes && DebugState != DebugStateKind::Paused; ++i) run.RunPass();
    return DebugState == DebugStateKind::Paused;
  }
  Z80Context& z() { return *ActiveContext; }

  testdriver::TempFolder folder_{"dbgengine"};
  HeadlessHost host_;
  ScopedHost scope_;
  EmulationRun run;
  DebugEngine engine{run};
};

}  // namespace tirvane::testing
