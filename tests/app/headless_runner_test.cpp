// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_runner.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../support/test_driver.h"
#include "machine/romset.h"
#include "run/run.h"
#include "debugger/disassembler.h"
#include "video/screen.h"

namespace tirvane {
namespace {

using testdriver::calls;

TEST(HeadlessKeys, RangesParseIntoFramesAndVirtualKeys) {
  std::string error;
  const auto ranges = ParseKeyRanges("1-30:Left+Ctrl, 40-40:3,7:Space", error);
  ASSERT_TRUE(ranges) << error;
  ASSERT_EQ(ranges->size(), 3u);
  EXPECT_EQ((*ranges)[0].First, 1);
  EXPECT_EQ((*ranges)[0].Last, 30);
  EXPECT_EQ((*ranges)[0].Keys, (std::vector<VirtualKey>{VirtualKey::Left, VirtualKey::Ctrl}));
  EXPECT_EQ((*ranges)[1].First, 40);
  EXPECT_EQ((*ranges)[1].Keys, std::vector<VirtualKey>{VirtualKey::D3});
  EXPECT_EQ((*ranges)[2].First, 7);
  EXPECT_EQ((*ranges)[2].Last, 7);

  for (const char* bad : {"1-2", "3-1:A", "0-2:A", "1-2:Banana", "1-2:", "x-2:A", "1-2:A+", "-5:A"}) {
    EXPECT_FALSE(ParseKeyRanges(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(HeadlessKeys, OnlyTheRangesCoveringAFrameHoldTheirKeys) {
  std::string error;
  const auto ranges = ParseKeyRanges("2-3:A,3-4:B", error);
  ASSERT_TRUE(ranges);
  const auto held = [&](int frame) {
    ApplyKeys(*ranges, frame);
    return std::pair(KeyHeld(VirtualKey::A), KeyHeld(VirtualKey::B));
  };
  EXPECT_EQ(held(1), std::pair(false, false));
  EXPECT_EQ(held(2), std::pair(true, false));
  EXPECT_EQ(held(3), std::pair(true, true));
  EXPECT_EQ(held(4), std::pair(false, true));
  EXPECT_EQ(held(5), std::pair(false, false));
}

TEST(HeadlessArguments, OptionsAndTheirErrors) {
  std::string error;
  const std::vector<std::string> all = {"g.ini",  "--frames",  "12",      "--keys", "1-2:A",
                                        "--load", "a@b.bin@3", "--png",   "o.png",  "--scale",
                                        "2",      "--stats",   "--disasm", "--framecycles", "11100",
                                        "--type", "a\\nb\\\\n", "--type-after", "4",
                                        "--timing", "tables"};
  const auto options = ParseHeadlessArguments(all, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->Description, "g.ini");
  EXPECT_EQ(options->Frames, 12);
  EXPECT_EQ(options->Keys.size(), 1u);
  EXPECT_EQ(options->LoadFile, "a@b.bin");
  EXPECT_EQ(options->LoadAfterFrame, 3);
  EXPECT_EQ(options->PngPath, "o.png");
  EXPECT_EQ(options->Scale, 2);
  EXPECT_TRUE(options->Stats);
  EXPECT_TRUE(options->Disasm);
  EXPECT_EQ(options->FrameLength, 69888u);
  EXPECT_EQ(options->TypeText, "a\nb\\n");
  EXPECT_EQ(options->TypeAfterFrame, 4);
  EXPECT_EQ(options->ExactTiming, std::optional<bool>(false));

  const std::vector<std::string> defaults = {"g.ini", "--load", "x@y.bin"};
  const auto plain = ParseHeadlessArguments(defaults, error);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->Frames, 1);
  EXPECT_EQ(plain->Scale, 1);
  EXPECT_EQ(plain->LoadFile, "x@y.bin");  // '@' not followed by a number belongs to the name
  EXPECT_EQ(plain->LoadAfterFrame, 0);
  EXPECT_FALSE(plain->Disasm);
  EXPECT_EQ(plain->FrameLength, 0u);

  const std::vector<std::vector<std::string>> bad = {
      {},
      {"g.ini", "--fast"},
      {"g.ini", "--frames"},
      {"g.ini", "--frames", "0"},
      {"g.ini", "--frames", "3x"},
      {"g.ini", "--scale", "3"},
      {"g.ini", "h.ini"},
      {"g.ini", "--frames", "5", "--load", "c.bin@6"},
      {"g.ini", "--keys", "1-2:Nope"},
      {"g.ini", "--framecycles", "3E7"},
      {"g.ini", "--framecycles", "C3501"},
      {"g.ini", "--timing", "fast"},
      {"g.ini", "--frames", "5", "--type", "x", "--type-after", "6"},
  };
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(ParseHeadlessArguments(args, error)) << ::testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

class HeadlessRunnerTest : public ::testing::Test {
 protected:
  HeadlessRunnerTest() {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    calls = {};
  }

  int Run(std::vector<std::string> args) {
    out_.str({});
    err_.str({});
    return RunHeadless(args, out_, err_);
  }

  std::string Game(const std::string& driver = "TESTBOARD") {
    return testdriver::WriteCounterGame(folder_, driver);
  }

  testdriver::TempFolder folder_{"headless"};
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(HeadlessRunnerTest, RunsTheFramesPrintsItsSpeedAndStopsTheRun) {
  EXPECT_EQ(Run({Game(), "--frames", "25", "--stats"}), 0) << err_.str();
  EXPECT_EQ(calls.Frames, 25);
  EXPECT_EQ(calls.Stops, 1);
  EXPECT_EQ(Screen, nullptr);
  EXPECT_TRUE(StopRequested);

  const std::string text = out_.str();
  double fps = 0, mhz = 0;
  ASSERT_EQ(std::sscanf(text.c_str(), "frames/s: %lf\nemulated MHz: %lf\n", &fps, &mhz), 2) << text;
  EXPECT_GT(fps, 0);
  // 50,000 T-states a frame whatever the speed: the two figures agree.
  EXPECT_NEAR(mhz, fps * 50000 / 1e6, mhz * 0.01);
  EXPECT_TRUE(err_.str().empty());
}

TEST_F(HeadlessRunnerTest, DisasmPrintsTheWindowsListingOfTheRomAreaOneLineEach) {
  const std::string game = Game();
  ASSERT_EQ(Run({game, "--frames", "2", "--disasm"}), 0) << err_.str();
  const std::vector<DisassemblyLine> sweep = DisassembleRomArea(MemoryImage, 0x4000);  // "#maxrom=4000"
  std::string expected;
  for (const DisassemblyLine& line : sweep) expected += line + "\n";
  EXPECT_EQ(out_.str(), expected);
  EXPECT_TRUE(out_.str().starts_with("0000LD HL,8000\n0003INC (HL)\n0004JR FD\n"))
      << out_.str().substr(0, 40);
  EXPECT_EQ(calls.Frames, 2);  // listed after the frames, then stopped
  EXPECT_EQ(calls.Stops, 1);

  ASSERT_EQ(Run({game}), 0);
  EXPECT_TRUE(out_.str().empty());  // no listing unless asked
}

TEST_F(HeadlessRunnerTest, KeysAreHeldDuringTheirFrameRanges) {
  ASSERT_EQ(Run({Game(), "--frames", "6", "--keys", "1-3:Left+Ctrl,5-5:3"}), 0) << err_.str();
  EXPECT_EQ(calls.KeysPerFrame, (std::vector<uint8_t>{3, 3, 3, 0, 4, 0}));
  EXPECT_FALSE(KeyHeld(VirtualKey::Left));  // nothing stays held after the run
}

TEST_F(HeadlessRunnerTest, LoadHandsTheFileToTheDriversLoaderAtTheChosenFrame) {
  const std::string file = folder_ / "data.bin";
  testdriver::WriteFile(file, {0x11, 0x22});
  ASSERT_EQ(Run({Game(), "--frames", "3", "--load", file}), 0) << err_.str();
  EXPECT_EQ(calls.Loads, 1);
  EXPECT_EQ(calls.FramesAtLoad, 0);
  EXPECT_EQ(calls.LoadedFile, file);
  EXPECT_EQ(MemoryImage[testdriver::LoadAddress], 0x11);

  calls = {};
  ASSERT_EQ(Run({Game(), "--frames", "3", "--load", file + "@2"}), 0) << err_.str();
  EXPECT_EQ(calls.FramesAtLoad, 2);
  EXPECT_EQ(calls.Frames, 3);
}

TEST_F(HeadlessRunnerTest, LoadFailsWithoutALoaderOrWithoutTheFile) {
  const std::string file = folder_ / "data.bin";
  testdriver::WriteFile(file, {0x11});
  EXPECT_EQ(Run({Game("TESTBARE"), "--load", file}), 1);
  EXPECT_NE(err_.str().find("no loader"), std::string::npos) << err_.str();

  EXPECT_EQ(Run({Game(), "--load", folder_ / "absent.bin"}), 1);
  EXPECT_NE(err_.str().find("absent.bin"), std::string::npos) << err_.str();
  EXPECT_EQ(calls.Loads, 0);
}

TEST_F(HeadlessRunnerTest, PngHoldsTheVisibleRegionThroughThePalette) {
  const auto [x0, y0] = std::pair(testdriver::Geometry.OffsetX, testdriver::Geometry.OffsetY);
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    calls = {};
    const std::string png = folder_ / ("shot" + std::to_string(scale) + ".png");
    ASSERT_EQ(Run({Game(), "--frames", "2", "--png", png, "--scale", std::to_string(scale)}), 0)
        << err_.str();
    std::string error;
    const auto image = ReadPngRgb(png, error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->Width, testdriver::Geometry.Width * scale);
    ASSERT_EQ(image->Height, testdriver::Geometry.Height * scale);
    for (int y = 0; y < image->Height; y += 3)
      for (int x = 0; x < image->Width; x += 5) {
        const uint8_t index = testdriver::PatternPixel(x0 + x / scale, y0 + y / scale, 2);
        const Rgb expected = testdriver::PatternColours[index - 10];
        const uint8_t* got = &image->Pixels[(static_cast<size_t>(y) * image->Width + x) * 3];
        ASSERT_EQ(got[0], expected.r) << x << "," << y;
        ASSERT_EQ(got[1], expected.g) << x << "," << y;
        ASSERT_EQ(got[2], expected.b) << x << "," << y;
      }
  }
}

TEST_F(HeadlessRunnerTest, FailedStartsPrintTheMessageAndExitNonZero) {
  testdriver::WriteText(folder_.path() / "noroms.ini", "#driver=TESTBOARD\n0000~missing.bin\n");
  testdriver::WriteText(folder_.path() / "nodriver.ini", "#driver=NoSuchBoard\n");
  const struct {
    std::string Ini;
    std::string Expected;
  } cases[] = {
      {folder_ / "absent.ini", "Cannot read the game description:\n" + (folder_ / "absent.ini")},
      {folder_ / "noroms.ini", "Failed when loading ROMS:\n" + (folder_ / "missing.bin")},
      {folder_ / "nodriver.ini", "Invalid Driver:\nNoSuchBoard"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run({c.Ini, "--png", folder_ / "never.png"}), 1);
    EXPECT_NE(err_.str().find(c.Expected), std::string::npos) << err_.str();
    EXPECT_TRUE(out_.str().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "never.png"));
  EXPECT_EQ(calls.Initialise, 0);

  EXPECT_EQ(Run({Game(), "--bogus"}), 2);
  EXPECT_NE(err_.str().find("unknown option --bogus"), std::string::npos);
  EXPECT_NE(err_.str().find("usage:"), std::string::npos);
}

// The real program, as scripts call it: the test driver does not exist there.
TEST_F(HeadlessRunnerTest, TheProgramReportsAnUnknownDriverAndExitsNonZero) {
  const std::string ini = Game("NOSUCHBOARD");
  const std::string errFile = folder_ / "stderr.txt";
  const std::string command =
      std::string("'") + TIRVANE_BIN_DIR + "/tirvane-headless' '" + ini + "' --frames 2 2>'" + errFile + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  std::ifstream in(errFile);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("Invalid Driver:\nNOSUCHBOARD"), std::string::npos) << text;
}

}  // namespace
}  // namespace tirvane
