// SPDX-License-Identifier: GPL-3.0-or-later
#include "golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../support/test_driver.h"
#include "run/run.h"

namespace tirvane::testing {
namespace {

IndexedImage Picture(int width, int height, uint8_t fill) {
  IndexedImage image;
  image.Width = width;
  image.Height = height;
  image.Pixels.assign(static_cast<size_t>(width) * height, fill);
  for (int i = 0; i < 256; ++i) image.Palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
  return image;
}

TEST(GoldenPicture, ComparisonReportsCountAndFirstDifferingPixel) {
  const IndexedImage golden = Picture(8, 4, 10);
  EXPECT_TRUE(SamePicture(golden, golden));

  IndexedImage actual = golden;
  actual.Pixels[2 * 8 + 5] = 11;
  actual.Pixels[3 * 8 + 1] = 12;
  const auto result = SamePicture(actual, golden);
  EXPECT_FALSE(result);
  EXPECT_NE(
      std::string(result.message()).find("2 of 32 pixels differ; the first at (5, 2): index 11, golden 10"),
      std::string::npos)
      << result.message();

  EXPECT_FALSE(SamePicture(Picture(8, 5, 10), golden));
}

TEST(GoldenPicture, OnlyPaletteEntriesInUseMustAgree) {
  const IndexedImage golden = Picture(4, 4, 10);
  IndexedImage actual = golden;
  actual.Palette[200] = {1, 2, 3};  // left over from another driver: not shown
  EXPECT_TRUE(SamePicture(actual, golden));
  actual.Palette[10] = {1, 2, 3};
  const auto result = SamePicture(actual, golden);
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("palette index 10"), std::string::npos);
}

TEST(GoldenPicture, IndexedPngKeepsIndicesAndPalette) {
  testdriver::TempFolder folder("png");
  IndexedImage image = Picture(7, 3, 0);
  for (size_t i = 0; i < image.Pixels.size(); ++i) image.Pixels[i] = static_cast<uint8_t>(i * 37);
  std::string error;
  ASSERT_TRUE(WritePngIndexed(folder / "a.png", image, error)) << error;
  const auto back = ReadPngIndexed(folder / "a.png", error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->PaletteSize, 256);
  EXPECT_TRUE(SamePicture(*back, image));
  EXPECT_EQ(back->Palette[255].g, 0);

  // An RGB picture, a file that is no PNG and a missing file are refused with a reason.
  ASSERT_TRUE(WritePngRgb(folder / "rgb.png", ToRgb(image, 1), error)) << error;
  EXPECT_FALSE(ReadPngIndexed(folder / "rgb.png", error));
  EXPECT_NE(error.find("indexed"), std::string::npos);
  testdriver::WriteText(folder.path() / "text.png", "not a picture");
  EXPECT_FALSE(ReadPngIndexed(folder / "text.png", error));
  EXPECT_FALSE(ReadPngIndexed(folder / "absent.png", error));
}

class GoldenRun : public ::testing::Test {
 protected:
  GoldenRun() {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    testdriver::calls = {};
  }
  testdriver::TempFolder folder_{"golden"};
};

TEST_F(GoldenRun, TheTestBoardsPatternMatchesItsGolden) {
  const std::string ini = testdriver::WriteCounterGame(folder_, "TESTBOARD");
  EXPECT_TRUE(MatchesGolden(ini, 2, "1-2:Left", "testboard_pattern.png"));
}

TEST_F(GoldenRun, AMismatchKeepsTheActualPictureForInspection) {
  if (std::getenv("TIRVANE_UPDATE_GOLDENS")) GTEST_SKIP() << "would overwrite the golden";
  const std::string ini = testdriver::WriteCounterGame(folder_, "TESTBOARD");
  const std::string actual =
      (std::filesystem::path(TIRVANE_BIN_DIR).parent_path() / "golden-actual" / "testboard_pattern.png")
          .string();
  std::filesystem::remove(actual);
  const auto result = MatchesGolden(ini, 3, "", "testboard_pattern.png");  // the pattern moves each frame
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("20000 of 20000 pixels differ"), std::string::npos)
      << result.message();
  EXPECT_TRUE(std::filesystem::exists(actual));

  const auto broken = MatchesGolden(folder_ / "absent.ini", 1, "", "testboard_pattern.png");
  EXPECT_FALSE(broken);
  EXPECT_NE(std::string(broken.message()).find("Cannot read the game description"), std::string::npos);
}

}  // namespace
}  // namespace tirvane::testing
