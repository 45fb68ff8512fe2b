// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO through the headless runner: our test BIOS and demo cartridge as golden pictures, and the
// cartridge loaded into the BIOS while it waits. With "#video=full": our console BIOS starting our
// cartridges of either signature, each screen mode of our screens cartridge as a golden picture,
// and the OS7 entry points it calls (as the console's public BIOS documentation describes them)
// leaving their results in its RAM.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/headless_runner.h"
#include "machine/romset.h"
#include "drivers/coleco.h"
#include "golden.h"

namespace tirvane {
namespace {

std::string BinPath(const std::string& name) { return std::string(TIRVANE_BIN_DIR) + "/" + name; }

TEST(ColecoRun, TestBiosCountsNmisGolden) {
  EXPECT_TRUE(testing::MatchesGolden("coleco_demo.ini", 100, "", "coleco_demo.png"));
}

TEST(ColecoRun, DemoCartridgeGolden) {
  EXPECT_TRUE(testing::MatchesGolden("coleco_cart_demo.ini", 100, "", "coleco_cart_demo.png"));
}

TEST(ColecoRun, CartridgeLoadedWhileTheBiosWaitsStartsWithoutAReset) {
  HeadlessOptions options;
  options.Description = BinPath("coleco_demo.ini");
  options.Frames = 100;
  options.LoadFile = BinPath("roms/coleco/demo.col");
  options.LoadAfterFrame = 40;
  const HeadlessResult loaded = RunHeadlessJob(options);
  ASSERT_TRUE(loaded.Ok) << loaded.Error;
  EXPECT_TRUE(loaded.Messages.empty());
  EXPECT_EQ(Coleco.Video.ScreenMode, 2);

  // The cartridge's middle third (its bitmap) is the same however the cartridge was started.
  options.Description = BinPath("coleco_cart_demo.ini");
  options.LoadFile.reset();
  const HeadlessResult direct = RunHeadlessJob(options);
  ASSERT_TRUE(direct.Ok) << direct.Error;
  ASSERT_EQ(loaded.Picture.Pixels.size(), 256u * 192u);
  ASSERT_EQ(direct.Picture.Pixels.size(), 256u * 192u);
  const auto middle = [](const IndexedImage& picture) {
    return std::vector<uint8_t>(picture.Pixels.begin() + 64 * 256, picture.Pixels.begin() + 128 * 256);
  };
  EXPECT_EQ(middle(loaded.Picture), middle(direct.Picture));
}

TEST(ColecoRun, OversizeCartridgeThroughTheButtonIsRefusedAndTheBiosKeepsWaiting) {
  const std::string path = ::testing::TempDir() + "/tirvane_oversize_" + std::to_string(getpid()) + ".col";
  {
    std::vector<char> bytes(0x8000 + 1, 0);
    bytes[0] = static_cast<char>(0xAA);  // a signature the BIOS would start, were it loaded
    bytes[1] = 0x55;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  HeadlessOptions options;
  options.Description = BinPath("coleco_demo.ini");
  options.Frames = 40;
  options.LoadFile = path;
  options.LoadAfterFrame = 20;
  const HeadlessResult result = RunHeadlessJob(options);
  std::remove(path.c_str());
  ASSERT_TRUE(result.Ok) << result.Error;
  ASSERT_EQ(result.Messages.size(), 1u);
  EXPECT_EQ(result.Messages[0].rfind("Cartridge too large:", 0), 0u) << result.Messages[0];
  EXPECT_EQ(MemoryImage[0x8000], 0x00) << "the empty slot is still empty";
  EXPECT_EQ(MemoryImage[0x8001], 0x00);

  options.LoadFile.reset();
  const HeadlessResult untouched = RunHeadlessJob(options);
  ASSERT_TRUE(untouched.Ok) << untouched.Error;
  EXPECT_EQ(result.Picture.Pixels, untouched.Picture.Pixels) << "the refusal changed nothing";
}

// keys: the screens cartridge reads keypad 1-4 to choose a mode.
TEST(ColecoRun, ScreensCartridgeGoldens) {
  struct Case {
    const char* Keys;
    const char* Golden;
  };
  const Case cases[] = {
      {"", "coleco_screens_graphics1.png"},
      {"5-10:2", "coleco_screens_graphics2.png"},
      {"5-10:3", "coleco_screens_text.png"},
      {"5-10:4", "coleco_screens_multicolour.png"},
      {"1-90:Right+Down+Z,1-90:J+M", "coleco_screens_controllers.png"},
  };
  for (const Case& c : cases) EXPECT_TRUE(testing::MatchesGolden("coleco_screens.ini", 90, c.Keys, c.Golden));
}

TEST(ColecoRun, ScreensCartridgeFindsTheBiosEntryPointsWorking) {
  HeadlessOptions options;
  options.Description = BinPath("coleco_screens.ini");
  options.Frames = 50;
  std::string error;
  options.Keys = *ParseKeyRanges("1-50:Up+X", error);
  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Messages.empty());
  EXPECT_EQ(MemoryImage[0x7002], 3) << "three NMIs through 0066h and the header's 8021h";
  EXPECT_EQ(MemoryImage[0x7003], 2) << "two RST 08h through the header's 800Ch";
  // POLLER filled controller 1's record of the map at 7040h: fire, joystick, spinner, arm, keypad.
  EXPECT_EQ(MemoryImage[0x7042], 0x00);
  EXPECT_EQ(MemoryImage[0x7043], 0x01) << "up";
  EXPECT_EQ(MemoryImage[0x7045], 0x40) << "right fire (the arm button)";
  EXPECT_EQ(MemoryImage[0x7046], 0x0F) << "no key";
  // CONTROLLER_SCAN's raw bytes: joystick 1, joystick 2, keypad 1, keypad 2 (active low).
  EXPECT_EQ(MemoryImage[0x73EB], 0x7E);
  EXPECT_EQ(MemoryImage[0x73EC], 0x7F);
  EXPECT_EQ(MemoryImage[0x73ED], 0x3F);
  EXPECT_EQ(MemoryImage[0x73EE], 0x7F);
  // GET_VRAM read names 80h-83h of the graphics I screen: characters 20h-23h.
  EXPECT_EQ(MemoryImage[0x700C], 0x20);
  EXPECT_EQ(MemoryImage[0x700F], 0x23);
  // The repeating 20-frame timer (REQUEST_SIGNAL, TIME_MGR, TEST_SIGNAL) in the slot the freed
  // one-shot left: signal 0.
  EXPECT_EQ(MemoryImage[0x7004], 0);
  EXPECT_EQ(Coleco.Display.R[1] & 0x20, 0) << "the frame interrupt is off again";
}

TEST(ColecoRun, TitleScreenBeforeACartridgeThatAsksForIt) {
  EXPECT_TRUE(testing::MatchesGolden("coleco_title.ini", 60, "", "coleco_title_screen.png"));
  EXPECT_TRUE(testing::MatchesGolden("coleco_title.ini", 250, "", "coleco_title_started.png"));
}

TEST(ColecoRun, ConsoleBiosWaitsForACartridgeAndStartsTheOneLoaded) {
  EXPECT_TRUE(testing::MatchesGolden("coleco_console.ini", 30, "", "coleco_console_waiting.png"));
  HeadlessOptions options;
  options.Description = BinPath("coleco_console.ini");
  options.Frames = 100;
  options.LoadFile = BinPath("roms/coleco/screens.col");
  options.LoadAfterFrame = 20;
  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Messages.empty());
  EXPECT_EQ(MemoryImage[0x7002], 3);
  EXPECT_EQ(Coleco.Display.ScreenMode(), VideoDisplayProcessor::GraphicsI);
}

TEST(ColecoRun, DamagedCartridgeThroughTheButtonIsRefusedAndTheBiosKeepsWaiting) {
  const std::string path = ::testing::TempDir() + "/tirvane_damaged_" + std::to_string(getpid()) + ".col";
  {
    std::vector<char> bytes(0x100, 0);
    bytes[0] = 0x55;
    bytes[1] = static_cast<char>(0xAA);
    bytes[11] = 0x20;  // starts at 2000h
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  HeadlessOptions options;
  options.Description = BinPath("coleco_console.ini");
  options.Frames = 40;
  options.LoadFile = path;
  options.LoadAfterFrame = 20;
  const HeadlessResult result = RunHeadlessJob(options);
  std::remove(path.c_str());
  ASSERT_TRUE(result.Ok) << result.Error;
  ASSERT_EQ(result.Messages.size(), 1u);
  EXPECT_NE(result.Messages[0].find("start address 2000h"), std::string::npos) << result.Messages[0];
  EXPECT_EQ(MemoryImage[0x8000], 0x00) << "the empty slot is still empty";
}

}  // namespace
}  // namespace tirvane
