// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run.h"

#include <gtest/gtest.h>

#include <bitset>
#include <chrono>
#include <fstream>

#include "../support/test_driver.h"
#include "machine/description.h"
#include "app/headless_host.h"
#include "machine/romset.h"
#include "video/screen.h"

namespace tirvane {
namespace {

using testdriver::calls;

class RunTest : public ::testing::Test {
 protected:
  RunTest() : host_(folder_.path().string()), scope_(host_) {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    calls = {};
    ResetRunControls();
    MemoryImage[0x8000] = 0;
  }

  std::string Game(const std::string& driver = "TESTBOARD") {
    return testdriver::WriteCounterGame(folder_, driver);
  }

  void StartOrFail(const std::string& driver = "TESTBOARD") {
    const StartResult result = run_.Start(Game(driver));
    ASSERT_TRUE(result.Ok) << result.Message;
  }

  testdriver::TempFolder folder_{"run"};
  HeadlessHost host_;
  ScopedHost scope_;
  EmulationRun run_;
};

TEST_F(RunTest, StartPreparesTheMachineAndInstallsTheDriver) {
  Z80Contexts[0].BC.w = 0x1234;
  Z80Contexts[3].AF.w = 0x5678;
  MemoryImage[0xC000] = 0x77;  // as an earlier game left it
  StartOrFail();

  EXPECT_TRUE(run_.Running());
  EXPECT_FALSE(StopRequested);
  EXPECT_EQ(host_.Caption, "Counter [TESTBOARD]");
  ASSERT_EQ(ActiveContext, &Z80Contexts[0]);
  const Z80Context& z = *ActiveContext;
  EXPECT_EQ(z.BC.w, 0);
  EXPECT_EQ(Z80Contexts[3].AF.w, 0);
  EXPECT_EQ(z.SP.w, 0xF000);
  EXPECT_EQ(z.PC.w, 0);
  EXPECT_EQ(z.RomLimit, 0x4000);
  EXPECT_EQ(z.DirectReadLimit, 0x7FFF);
  EXPECT_EQ(z.NmiAddress, 0x0ABC);
  EXPECT_EQ(z.MemoryImage, MemoryImage);
  EXPECT_EQ(z.ReadHandler, &testdriver::Read);
  EXPECT_EQ(z.FrameHandler, &testdriver::Frame);
  EXPECT_EQ(run_.Driver().StopRoutine, &testdriver::Stop);
  EXPECT_TRUE(run_.LoadsFiles());
  EXPECT_EQ(MemoryImage[3], 0x34);  // the ROM is in the memory image
  EXPECT_EQ(MemoryImage[0xC000], 0);

  // The initialisation sees the graphics ROM, and the palette is built from what it wrote.
  EXPECT_EQ(calls.Initialise, 1);
  EXPECT_EQ(calls.RegionFirstByte, 0x5A);
  ASSERT_NE(Screen, nullptr);
  EXPECT_EQ(Screen->Palette[10].r, 255);
  EXPECT_EQ(Screen->Palette[12].b, 255);
  EXPECT_EQ(ScreenWidth, 200);
  EXPECT_EQ(ScreenHeight, 100);
  EXPECT_EQ(ScreenOffsetX, 8);
  EXPECT_EQ(ScreenOffsetY, 16);
}

TEST_F(RunTest, DriverNameIsComparedUpperCasedButNotTrimmed) {
  EXPECT_TRUE(run_.Start(Game("testBoard")).Ok);
  run_.Stop();
  run_.RunLoop();

  const std::string path = Game(" TESTBOARD");
  const StartResult blank = run_.Start(path);
  EXPECT_FALSE(blank.Ok);
  EXPECT_EQ(blank.Message, "Invalid Driver:\r TESTBOARD\rNo driver of that name, named in " + path);
}

TEST_F(RunTest, DriverWithoutRoutinesGetsFixedNmiDefaultGeometryAndHarmlessSlots) {
  StartOrFail("TESTBARE");
  const Z80Context& z = *ActiveContext;
  EXPECT_EQ(z.NmiAddress, 0x1234);
  EXPECT_EQ(ScreenWidth, 256);
  EXPECT_EQ(ScreenHeight, 256);
  EXPECT_EQ(ScreenOffsetX, 0);
  EXPECT_NE(z.ReadHandler, nullptr);
  EXPECT_NE(z.WriteHandler, nullptr);
  EXPECT_NE(z.PortInHandler, nullptr);
  EXPECT_NE(z.PortOutHandler, nullptr);
  EXPECT_NE(z.FrameHandler, nullptr);

  run_.RunPass();
  EXPECT_EQ(run_.FramesRun(), 1u);
  EXPECT_NE(MemoryImage[0x8000], 0);  // the default write handler stores

  host_.OnPump = [&] { run_.Stop(); };
  run_.RunLoop();  // a driver without StopRoutine stops without a call
  EXPECT_FALSE(run_.Running());
}

TEST_F(RunTest, EachFailedStartLeavesTheRunStoppedAndTheNextStartWorks) {
  struct Case {
    std::string Path;
    std::string Message;
  };
  testdriver::WriteText(folder_.path() / "noroms.ini", "#driver=TESTBOARD\n0000~missing.bin\n");
  testdriver::WriteText(folder_.path() / "nodriver.ini", "#driver=NoSuchBoard\n");
  testdriver::WriteText(folder_.path() / "random.ini", "\x93\x01~\xFF\n#\x7F");
  testdriver::WriteText(folder_.path() / "short.ini", "#driver=TESTBOARD\n#framecycles=3E7\n");
  testdriver::WriteText(folder_.path() / "long.ini", "#driver=TESTBOARD\n#framecycles=FFFFFFFF\n");
  testdriver::WriteText(folder_.path() / "romlimit.ini", "#driver=TESTBOARD\n#maxrom=ZZZZ\n");
  const std::string host = host_.programFolder();
  const Case cases[] = {
      {folder_ / "absent.ini", "Cannot read the game description:\r" + (folder_ / "absent.ini")},
      {folder_ / "noroms.ini", "Failed when loading ROMS:\r" + host + "missing.bin"},
      {folder_ / "nodriver.ini",
       "Invalid Driver:\rNoSuchBoard\rNo driver of that name, named in " + (folder_ / "nodriver.ini")},
      {folder_ / "random.ini",
       "Invalid Driver:\r" + (folder_ / "random.ini") + "\rThe file has no #driver= line."},
      {folder_ / "short.ini",
       "The frame length 3E7h (#framecycles=) is out of range: 3E8h to C3500h T-states, in " + (folder_ / "short.ini")},
      {folder_ / "long.ini", "The frame length FFFFFFFFh (#framecycles=) is out of range: 3E8h to C3500h T-states, in " +
                                 (folder_ / "long.ini")},
      {folder_ / "romlimit.ini", "Invalid game description:\r" + (folder_ / "romlimit.ini") +
                                     "\r#maxrom=ZZZZ: the value is not an address of 1 to 4 hexadecimal digits."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    calls = {};
    ScreenWidth = 1;
    const StartResult result = run_.Start(c.Path);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, c.Message);
    EXPECT_TRUE(StopRequested);
    EXPECT_EQ(Screen, nullptr);
    EXPECT_EQ(calls.Initialise, 0);
    EXPECT_EQ(ScreenWidth, 256);
    // A start that wrongly succeeded is stopped here, so the loop below ends and the test says why.
    if (result.Ok) run_.Stop();
    run_.RunLoop();  // nothing installed: nothing to stop
    EXPECT_EQ(calls.Stops, 0);

    StartOrFail();
    run_.RunPass();
    EXPECT_EQ(calls.Frames, 1);
    run_.Stop();
    run_.RunLoop();
    EXPECT_EQ(calls.Stops, 1);
  }
}

TEST_F(RunTest, FreeRunPassRunsOneWholeFrameOfTheDescribedLengthThenPumps) {
  // LD HL costs 10 T-states, each INC (HL) 11 and each JR 7: the frame ends at the first INC past
  // the length, and that overshoot is time the machine really ran.
  struct Case {
    std::string Line;
    uint64_t Cycles;
    int Increments;
  };
  // Exact timing charges a taken JR 12: the key is read whatever its case and spaces.
  for (const Case& c : {Case{"", 50007, 2778}, Case{"#framecycles=11100\n", 69897, 3883},
                        Case{"#timing=EXACT \n", 50000, 2174}, Case{"#Timing= exact\r\n", 50000, 2174},
                        Case{"#timing=tables\n", 50007, 2778}}) {
    const std::string path = Game();
    std::ofstream(path, std::ios::app) << c.Line;
    calls = {};
    MemoryImage[0x8000] = 0;
    ASSERT_TRUE(run_.Start(path).Ok);
    const uint64_t pumps = host_.Pumps;
    run_.RunPass();
    EXPECT_EQ(calls.Frames, 1);
    EXPECT_EQ(host_.Pumps, pumps + 1);
    EXPECT_EQ(run_.FramesRun(), 1u);
    EXPECT_EQ(run_.CyclesRun(), c.Cycles);
    EXPECT_EQ(MemoryImage[0x8000], c.Increments & 0xFF);
    run_.Stop();
    run_.RunLoop();
  }
}

// The test board looks at '3' once a frame and never at A; it has no signs of its own, so a key is
// taken after three looks while held and seen let go after three looks while up.
TEST_F(RunTest, TypedKeysWaitForTheProgramToLookAtThemAndAKeyNeverReadStopsTheTyping) {
  struct Case {
    const char* Text;
    std::string Message;
    std::vector<uint8_t> Frames;  // bit 2: '3' held during the frame
    std::string Stop;
  };
  const std::vector<uint8_t> twice{4, 4, 4, 0, 0, 0, 4, 4, 4, 0, 0, 0};
  std::vector<uint8_t> stopped = twice;
  stopped.resize(twice.size() + 14);  // A held through the time-out, then nothing
  const Case cases[] = {
      {"33", "", twice, ""},
      {"3~3", "1 character cannot be typed on this machine and was skipped.", twice, ""},
      {"33a3", "", stopped,
       "Typing stopped at \"a\" (line 1, column 3): the machine took no key for 12 frames. The rest of "
       "the text was not typed."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    StartOrFail();
    calls = {};
    EXPECT_EQ(run_.TypeText(c.Text, {.KeyTimeoutFrames = 12}), c.Message);
    for (size_t frame = 0; frame < c.Frames.size(); ++frame) {
      KeyState.fill(0);  // the host letting go of every key does not cut a chord short
      run_.RunPass();
    }
    EXPECT_EQ(calls.KeysPerFrame, c.Frames);
    EXPECT_FALSE(run_.Typing());
    EXPECT_EQ(run_.TypingStopMessage(), c.Stop);
    EXPECT_FALSE(KeyHeld(VirtualKey::A));
    run_.Stop();
    run_.RunLoop();
  }
}

TEST_F(RunTest, PausedPassPresentsAndPumpsWithoutExecuting) {
  StartOrFail();
  for (bool debug : {false, true}) {
    DebugMode = debug;
    DebugState = DebugStateKind::Paused;
    const uint64_t presents = host_.Presents;
    run_.RunPass();
    EXPECT_EQ(ActiveContext->PC.w, 0);
    EXPECT_EQ(ActiveContext->CycleCount, 0);
    EXPECT_EQ(host_.Presents, presents + 1);
    EXPECT_EQ(calls.Draws, 0);
  }
  EXPECT_EQ(host_.Pumps, 2u);
}

TEST_F(RunTest, DebugPassChecksRefreshesStepsRedrawsAndPumps) {
  StartOrFail();
  DebugMode = true;
  std::vector<uint16_t> checkedAt, refreshedAt;
  run_.BreakpointCheck = [&] { checkedAt.push_back(ActiveContext->PC.w); };
  run_.RefreshRegisters = [&] { refreshedAt.push_back(ActiveContext->PC.w); };

  run_.RunPass();
  EXPECT_EQ(ActiveContext->PC.w, 3);
  EXPECT_TRUE(checkedAt.empty());  // breakpoints off
  EXPECT_EQ(refreshedAt, std::vector<uint16_t>{0});
  EXPECT_EQ(calls.Draws, 1);
  EXPECT_EQ(host_.Presents, 1u);
  EXPECT_EQ(host_.Pumps, 1u);

  BreakpointsEnabled = true;
  run_.RunPass();
  EXPECT_EQ(checkedAt, std::vector<uint16_t>{3});  // before the instruction runs
  EXPECT_EQ(ActiveContext->PC.w, 4);
  EXPECT_EQ(MemoryImage[0x8000], 1);

  int deferred = 0;
  run_.DebugRedraw = [&] { ++deferred; };
  run_.RunPass();
  EXPECT_EQ(deferred, 1);
  EXPECT_EQ(calls.Draws, 2);  // the window's hook replaces the redraw
}

TEST_F(RunTest, StepRunsExactlyOneInstructionThenPauses) {
  StartOrFail();
  DebugMode = true;
  DebugState = DebugStateKind::Step;
  run_.RunPass();
  EXPECT_EQ(DebugState, DebugStateKind::Paused);
  EXPECT_EQ(ActiveContext->PC.w, 3);
  EXPECT_EQ(calls.Draws, 1);
  run_.RunPass();
  run_.RunPass();
  EXPECT_EQ(ActiveContext->PC.w, 3);
  EXPECT_EQ(calls.Draws, 1);
}

TEST_F(RunTest, BreakpointPassStepsAndPumpsOnlyWhenAFrameEnds) {
  StartOrFail();
  BreakpointsEnabled = true;
  int checks = 0;
  run_.BreakpointCheck = [&] { ++checks; };
  run_.RunPass();
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(ActiveContext->PC.w, 3);
  EXPECT_EQ(host_.Pumps, 0u);

  int passes = 1;
  while (calls.Frames == 0 && passes < 10000) {
    run_.RunPass();
    ++passes;
    EXPECT_EQ(host_.Pumps, static_cast<uint64_t>(calls.Frames));
  }
  EXPECT_EQ(calls.Frames, 1);
  EXPECT_EQ(checks, passes);
  EXPECT_EQ(ActiveContext->CycleCount, 0);
  EXPECT_EQ(run_.FramesRun(), 1u);
  EXPECT_GE(run_.CyclesRun(), FrameCycles);
}

TEST_F(RunTest, StopInsideThePumpEndsTheLoopAndStopRoutineRunsOnceAfterIt) {
  StartOrFail();
  host_.OnPump = [&] {
    if (calls.Frames == 3) run_.Stop();
  };
  run_.RunLoop();
  EXPECT_EQ(calls.Frames, 3);
  EXPECT_EQ(calls.Stops, 1);
  EXPECT_FALSE(calls.ScreenAtStop);  // the bitmap was freed by Stop, before the loop ended
  EXPECT_EQ(run_.Driver().StopRoutine, nullptr);
  EXPECT_EQ(run_.Driver().DrawRoutine, nullptr);
  EXPECT_FALSE(run_.LoadsFiles());
  EXPECT_EQ(ScreenWidth, 256);

  run_.RunLoop();
  run_.Stop();
  EXPECT_EQ(calls.Stops, 1);
}

TEST_F(RunTest, StartInsideAStoppingLoopIsRefusedAndNothingNests) {
  StartOrFail();
  const std::string ini = folder_ / "counter.ini";
  StartResult inner;
  host_.OnPump = [&] {
    run_.Stop();
    inner = run_.Start(ini);
    run_.RunLoop();
  };
  run_.RunLoop();
  EXPECT_FALSE(inner.Ok);
  EXPECT_FALSE(run_.LoopActive());
  EXPECT_EQ(calls.Frames, 1);
  EXPECT_EQ(calls.Stops, 1);
  EXPECT_EQ(calls.Initialise, 1);

  host_.OnPump = nullptr;
  StartOrFail();
  EXPECT_EQ(calls.Initialise, 2);
}

TEST_F(RunTest, ResetSetsOnlyStackPointerAndProgramCounter) {
  StartOrFail();
  run_.RunPass();
  Z80Context& z = *ActiveContext;
  z.BC.w = 0x1234;
  z.IFF1 = 1;
  z.InterruptMode = 3;
  const Z80Context before = z;
  const uint8_t counter = MemoryImage[0x8000];

  run_.Reset();
  EXPECT_EQ(z.PC.w, 0);
  EXPECT_EQ(z.SP.w, 0xF000);
  EXPECT_EQ(z.BC.w, 0x1234);
  EXPECT_EQ(z.HL.w, before.HL.w);
  EXPECT_EQ(z.IFF1, 1);
  EXPECT_EQ(z.InterruptMode, 3);
  EXPECT_EQ(z.CycleCount, before.CycleCount);
  EXPECT_EQ(MemoryImage[0x8000], counter);

  run_.Stop();
  z.PC.w = 0x4444;
  run_.Reset();  // only while a run is active
  EXPECT_EQ(z.PC.w, 0x4444);
}

TEST_F(RunTest, CartridgeAsksForTheBoardsFileAndHandsBackTheLoadersReason) {
  const std::string file = folder_ / "cart.bin";
  const std::string empty = folder_ / "empty.bin";
  testdriver::WriteFile(file, {0xAB, 0xCD});
  testdriver::WriteFile(empty, {});
  StartOrFail();
  tirvane::Game.CartridgeDir = "carts\\";
  host_.DialogAnswers.push_back(file);
  EXPECT_TRUE(run_.Cartridge().Ok);
  ASSERT_EQ(host_.DialogRequests.size(), 1u);
  EXPECT_EQ(host_.DialogRequests[0].Filter, "Test files|*.bin");
  EXPECT_EQ(host_.DialogRequests[0].InitialFolder, host_.programFolder() + "carts/");
  EXPECT_EQ(calls.Loads, 1);
  EXPECT_EQ(MemoryImage[testdriver::LoadAddress + 1], 0xCD);

  const LoadResult cancelled = run_.Cartridge();  // no answer: the dialog was cancelled
  EXPECT_FALSE(cancelled.Ok);
  EXPECT_EQ(cancelled.Message, "");
  const LoadResult refused = run_.LoadFile(empty);
  EXPECT_FALSE(refused.Ok);
  EXPECT_EQ(refused.Message, "Empty file:\r" + empty);
  EXPECT_TRUE(host_.Messages.empty()) << "the view shows the reason, not the run";
  run_.Stop();
  run_.RunLoop();

  StartOrFail("TESTBARE");
  EXPECT_FALSE(run_.Cartridge().Ok);
  EXPECT_EQ(host_.DialogRequests.size(), 2u);  // only the board that loads files asked
  EXPECT_FALSE(run_.LoadFile(file).Ok);
  EXPECT_EQ(calls.Loads, 1);
}

// The board's caption text follows the title, set again only when it changes.
TEST_F(RunTest, CaptionFollowsTheBoardsTextAfterTheTitle) {
  const DriverInfo rows[] = {[] {
    DriverInfo row = testdriver::TestDrivers[0];
    row.Name = "TESTCAPTION";
    row.CaptionSuffix = [] { return calls.Frames < 3 ? " early" : " late"; };
    return row;
  }()};
  EmulationRun::SetExtraDrivers(rows);
  StartOrFail("TESTCAPTION");
  EXPECT_EQ(host_.Caption, "Counter [TESTCAPTION]");
  const char* const expected[] = {" early", " early", " late", " late"};
  for (const char* suffix : expected) {
    host_.Caption.clear();
    run_.RunPass();
    const bool changed = calls.Frames == 1 || calls.Frames == 3;
    EXPECT_EQ(host_.Caption, changed ? std::string("Counter [TESTCAPTION]") + suffix : "") << calls.Frames;
  }
  run_.Stop();
  run_.RunLoop();
  EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
}

// Every case that runs on keeps the machine's frame rate, and the windows stay live while it waits.
TEST_F(RunTest, SpeedLimitPacesFramesInEveryRunningCase) {
  const struct {
    const char* Name;
    bool Debug, Breakpoints;
  } cases[] = {{"free run", false, false}, {"debug", true, false}, {"breakpoints", false, true}};
  const std::bitset<65536> none;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    StartOrFail();
    EXPECT_EQ(run_.FrameRate(), 60);
    run_.LimitSpeed = true;
    DebugMode = c.Debug;
    BreakpointsEnabled = c.Breakpoints;
    run_.BreakpointMarks = &none;
    run_.DebugRedraw = [] {};  // a window would defer most redraws; the test needs none
    host_.Pumps = 0;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 100'000 && run_.FramesRun() < 7; ++i) run_.RunPass();
    const auto elapsed = std::chrono::steady_clock::now() - began;
    ASSERT_EQ(run_.FramesRun(), 7u) << "the passes stopped counting frames";
    EXPECT_GE(elapsed, std::chrono::milliseconds(7 * 1000 / 60 - 5));
    EXPECT_GT(host_.Pumps, 7u);
  }
}

TEST_F(RunTest, AnUnfinishedRunIsFinishedByTheNextStartAndByDestruction) {
  StartOrFail();
  run_.RunPass();
  StartOrFail();  // the first run's StopRoutine runs before the second run installs
  EXPECT_EQ(calls.Stops, 1);
  run_.Stop();
  run_.RunLoop();
  EXPECT_EQ(calls.Stops, 2);
  {
    EmulationRun other;
    ASSERT_TRUE(other.Start(folder_ / "counter.ini").Ok);
    other.RunPass();
  }
  EXPECT_EQ(calls.Stops, 3);
  EXPECT_EQ(Screen, nullptr);
  EXPECT_TRUE(StopRequested);
}

}  // namespace
}  // namespace tirvane
