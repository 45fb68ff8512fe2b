// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/romset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace tirvane {
namespace {

using testing::TempFolder;

std::vector<uint8_t> Filled(size_t size, uint8_t value) { return std::vector<uint8_t>(size, value); }

class RomSetTest : public ::testing::Test {
 protected:
  RomSetTest() : memory_(MemoryImageSize, 0xEE), graphics_(GraphicsRegionSize, 0xEE) {}

  RomLoadResult Load(const std::string& description) {
    ParseGameDescription(description, game_);
    return LoadRomSet(game_, folder_.Folder(), memory_.data(), graphics_.data());
  }
  static std::string ExpectedMessage(const std::string& path) { return "Failed when loading ROMS:\r" + path; }

  TempFolder folder_;
  GameDescription game_;
  std::vector<uint8_t> memory_;
  std::vector<uint8_t> graphics_;
};

TEST_F(RomSetTest, DescriptionWithoutRomsLeavesBothBuffersAsTheyWere) {
  RomLoadResult result = Load("#title=none\n");
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.FailedPath, "");
  EXPECT_EQ(std::count(memory_.begin(), memory_.end(), 0xEE), static_cast<long>(MemoryImageSize));
  EXPECT_EQ(std::count(graphics_.begin(), graphics_.end(), 0xEE), static_cast<long>(GraphicsRegionSize));
}

TEST_F(RomSetTest, FilesLoadInOrderIntoTheirBuffersAndLaterOnesWinOverlaps) {
  folder_.Write("a.bin", Filled(0x100, 0x11));
  folder_.Write("b.bin", Filled(0x100, 0x22));
  folder_.Write("sub/g.bin", Filled(0x10, 0x33));
  RomLoadResult result = Load("0100~a.bin\n0180~b.bin\n#grf=1FFF0~sub/g.bin\n");
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(memory_[0xFF], 0xEE);
  EXPECT_EQ(memory_[0x100], 0x11);
  EXPECT_EQ(memory_[0x17F], 0x11);
  EXPECT_EQ(memory_[0x180], 0x22);  // the overlap holds the later file
  EXPECT_EQ(memory_[0x27F], 0x22);
  EXPECT_EQ(memory_[0x280], 0xEE);
  EXPECT_EQ(graphics_[0x1FFEF], 0xEE);
  EXPECT_EQ(graphics_[0x1FFF0], 0x33);
  EXPECT_EQ(graphics_[0x1FFFF], 0x33);  // a file may end exactly at the end of its buffer
  EXPECT_EQ(memory_[0xFFF0], 0xEE);     // and goes to no other buffer

  // An absolute name is not put under the folder.
  const std::string elsewhere = folder_.Write("elsewhere/c.bin", Filled(0x10, 0x44));
  ASSERT_TRUE(Load("0300~" + elsewhere + "\n").Ok);
  EXPECT_EQ(memory_[0x300], 0x44);
}

TEST_F(RomSetTest, EmptyFileLoadsAsZeroBytes) {
  folder_.Write("empty.bin", "");
  EXPECT_TRUE(Load("0000~empty.bin\n").Ok);
  EXPECT_EQ(memory_[0], 0xEE);
}

TEST_F(RomSetTest, SecondOfThreeMissingStopsTheLoadAndNamesItsFullPath) {
  folder_.Write("one.bin", Filled(4, 0x01));
  folder_.Write("three.bin", Filled(4, 0x03));
  RomLoadResult result = Load("0000~one.bin\n0010~two.bin\n0020~three.bin\n");
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.FailedPath, folder_.Folder() + "two.bin");
  EXPECT_EQ(result.Message, ExpectedMessage(folder_.Folder() + "two.bin"));
  EXPECT_EQ(memory_[0x00], 0x01);
  EXPECT_EQ(memory_[0x20], 0xEE);
}

// Each buffer's last byte is the boundary: a file may end on it, one byte further is refused and
// leaves the buffer as it was, while files before it stay loaded.
TEST_F(RomSetTest, FileEndingOnItsBuffersLastByteLoadsAndOneBytePastIsRefused) {
  struct Case {
    const char* line;
    bool graphics;
    uint32_t address;
    bool fits;
    const char* reasonPart;
  };
  const Case cases[] = {
      {"FFFE~two.bin", false, 0xFFFE, true, ""},
      {"FFFF~two.bin", false, 0xFFFF, false,
       "Size 0002h at address FFFFh runs past the end of the memory image"},
      {"#grf=1FFFE~two.bin", true, 0x1FFFE, true, ""},
      {"#grf=1FFFF~two.bin", true, 0x1FFFF, false,
       "at address 1FFFFh runs past the end of the graphics region"},
      {"FFFFFFFF~two.bin", false, 0, false, "at address FFFFFFFFh"},
  };
  folder_.Write("first.bin", Filled(2, 0x01));
  folder_.Write("two.bin", Filled(2, 0x77));
  const std::string path = folder_.Folder() + "two.bin";
  for (const Case& c : cases) {
    std::fill(memory_.begin(), memory_.end(), 0xEE);
    std::fill(graphics_.begin(), graphics_.end(), 0xEE);
    RomLoadResult result = Load(std::string("0000~first.bin\n") + c.line + "\n");
    std::vector<uint8_t>& target = c.graphics ? graphics_ : memory_;
    EXPECT_EQ(memory_[0], 0x01) << c.line;
    if (c.fits) {
      EXPECT_TRUE(result.Ok) << c.line << ": " << result.Message;
      EXPECT_EQ(target[c.address + 1], 0x77) << c.line;
      continue;
    }
    EXPECT_FALSE(result.Ok) << c.line;
    EXPECT_EQ(result.FailedPath, path) << c.line;
    EXPECT_EQ(result.Message.rfind(ExpectedMessage(path) + "\r", 0), 0u) << result.Message;
    EXPECT_NE(result.Message.find(c.reasonPart), std::string::npos) << result.Message;
    EXPECT_EQ(std::count(target.begin(), target.end(), 0x77), 0) << c.line;
  }
}

TEST_F(RomSetTest, NameThatIsAFolderFailsWithAReason) {
  folder_.Write("roms/inner.bin", "x");
  RomLoadResult result = Load("0000~roms\n");
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.FailedPath, folder_.Folder() + "roms");
  EXPECT_GT(result.Message.size(), ExpectedMessage(result.FailedPath).size() + 1);
}

TEST_F(RomSetTest, ReleasedRomListLoadsNothing) {
  game_.RomCount = 3;  // a count left over from a released list must not be trusted
  EXPECT_TRUE(LoadRomSet(game_, folder_.Folder(), memory_.data(), graphics_.data()).Ok);
}

TEST(GalaxianGraphics, FourBlocksMoveToTheLayoutTheDecoderExpects) {
  auto region = std::make_unique<uint8_t[]>(GraphicsRegionSize);
  for (size_t i = 0; i < GraphicsRegionSize; ++i) region[i] = static_cast<uint8_t>(i >> 11);  // block number
  RearrangeGalaxianGraphics(region.get());
  EXPECT_EQ(region[0x0000], 0x4000 >> 11);
  EXPECT_EQ(region[0x07FF], 0x4000 >> 11);
  EXPECT_EQ(region[0x0800], 0x3000 >> 11);
  EXPECT_EQ(region[0x1000], 0x4800 >> 11);
  EXPECT_EQ(region[0x1800], 0x3800 >> 11);
  EXPECT_EQ(region[0x1FFF], 0x3800 >> 11);
  EXPECT_EQ(region[0x2000], 0x2000 >> 11);  // outside the four destinations nothing changes
  EXPECT_EQ(region[0x3000], 0x3000 >> 11);
  EXPECT_EQ(region[0x4FFF], 0x4800 >> 11);
}

}  // namespace
}  // namespace tirvane
