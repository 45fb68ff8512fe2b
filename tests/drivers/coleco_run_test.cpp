// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO through the headless runner: our test BIOS and demo cartridge as golden pictures, and the
// cartridge loaded into the BIOS while it waits.
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

}  // namespace
}  // namespace tirvane
