// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/viewers.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "video/screen.h"

namespace tirvane {
namespace {

// Tiles of one size with every pixel set to pen, owned by the fixture.
struct Tiles {
  std::vector<std::unique_ptr<Tile>> storage;
  std::vector<Tile*> pointers;
  Tiles(int count, int width, int height, uint8_t pen = 1) {
    for (int i = 0; i < count; ++i) {
      auto tile = std::make_unique<Tile>();
      tile->Width = width;
      tile->Height = height;
      tile->Pixels.assign(static_cast<size_t>(width * height), pen);
      pointers.push_back(tile.get());
      storage.push_back(std::move(tile));
    }
  }
};

TileSet SetOf(Tiles& tiles, int colours = 4, int colourBase = 0) {
  TileSet set;
  set.Width = tiles.storage.empty() ? 0 : tiles.storage[0]->Width;
  set.Height = tiles.storage.empty() ? 0 : tiles.storage[0]->Height;
  set.Tiles = tiles.pointers;
  set.Count = static_cast<int32_t>(tiles.pointers.size());
  set.Colours = colours;
  set.ColourBase = colourBase;
  return set;
}

TEST(SpriteSetViewer, SixteenPixelSpritesLieFourteenToARowInTwelveRows) {
  Tiles tiles(256, 16, 16);
  const TileSet set = SetOf(tiles);
  const auto placements = SpriteSetLayout(set, 518, 405);
  ASSERT_EQ(placements.size(), 168u);
  EXPECT_EQ(placements[0].X, 2);
  EXPECT_EQ(placements[0].Y, 2);
  EXPECT_EQ(placements[13].X, 2 + 13 * 18);
  EXPECT_EQ(placements[14].X, 2);
  EXPECT_EQ(placements[14].Y, 20);
  EXPECT_EQ(placements[167].Y, 2 + 11 * 18);
}

TEST(SpriteSetViewer, DrawsEachSpriteThroughTheLookupInThePaletteFlippedWithinItsCell) {
  CreateScreenBitmap();
  for (int i = 0; i < ColourLookupSize; ++i) ColourLookup[i] = static_cast<uint8_t>(i);
  Tiles tiles(2, 2, 2, 0);
  tiles.storage[0]->Pixels = {1, 2, 3, 0};
  tiles.storage[1]->Pixels = {3, 3, 3, 3};
  const TileSet set = SetOf(tiles, 4, 8);
  auto pixel = [](int x, int y) { return Screen->Pixels[static_cast<size_t>(y * BitmapStride + x)]; };

  ClearScreen(99);
  DrawSpriteSet(set, 2, 0, 518, 405);  // colour base 2 x 4 + 8 = 16, lookup value + 10
  EXPECT_EQ(pixel(0, 0), 0);           // cleared
  EXPECT_EQ(pixel(2, 2), 16 + 1 + 10);
  EXPECT_EQ(pixel(3, 2), 16 + 2 + 10);
  EXPECT_EQ(pixel(2, 3), 16 + 3 + 10);
  EXPECT_EQ(pixel(6, 2), 16 + 3 + 10);  // second tile at x = 2 + 2 + 2

  DrawSpriteSet(set, 0, SpriteFlipByte(true, true), 518, 405);  // half a turn
  EXPECT_EQ(pixel(3, 3), 8 + 1 + 10);
  EXPECT_EQ(pixel(2, 3), 8 + 2 + 10);
  EXPECT_EQ(pixel(3, 2), 8 + 3 + 10);
  EXPECT_EQ(pixel(2, 2), 0);  // pen 0 is not drawn
  FreeScreenBitmap();
  DrawSpriteSet(set, 0, 0, 518, 405);  // no bitmap: nothing to draw into
}

TEST(CharSetViewer, EightPixelCharactersLieNineteenToARowAtZoomThreeAndFiftyOneAtZoomOne) {
  Tiles tiles(256, 8, 8);
  const auto zoom3 = CharSetLayout(tiles.pointers, 3, 516, 448);
  EXPECT_EQ(zoom3[18].Y, zoom3[0].Y);
  EXPECT_EQ(zoom3[18].X, 2 + 18 * 26);
  EXPECT_NE(zoom3[19].Y, zoom3[0].Y);
  EXPECT_EQ(zoom3[19].X, 2);
  EXPECT_EQ(zoom3[19].Y - zoom3[0].Y, 26);

  const auto zoom1 = CharSetLayout(tiles.pointers, 1, 516, 448);
  EXPECT_EQ(zoom1[50].Y, zoom1[0].Y);
  EXPECT_EQ(zoom1[51].X, 2);
}

TEST(CharSetViewer, RowsStartAgainFromTheTopWhenTheAreaIsFull) {
  Tiles tiles(400, 8, 8);
  const auto placements = CharSetLayout(tiles.pointers, 3, 516, 448);
  EXPECT_EQ(placements[0].Y, 2);
  // 17 rows of 26 pixels fit under 448; the 18th starts over at the top.
  EXPECT_EQ(placements[19 * 16].Y, 2 + 16 * 26);
  EXPECT_EQ(placements[19 * 17].Y, 2);
}

TEST(CharSetViewer, PaintsPensInFourColourPalettesAndLeavesPenZeroBlack) {
  Tiles tiles(2, 2, 1, 0);
  tiles.storage[0]->Pixels = {3, 0};
  tiles.storage[1]->Pixels = {1, 1};
  const CharSetPicture picture = PaintCharSet(tiles.pointers.data(), 2, 2, 0, 2, 2, 40, 20);
  auto at = [&](int x, int y) { return picture.Pixels[static_cast<size_t>(y * picture.Width + x)]; };
  // First tile at (2, 2): pixel (0, 0) covers x and y 3..4 at zoom 2.
  EXPECT_EQ(at(3, 3), 21);  // 10 + 4 x 2 + 3
  EXPECT_EQ(at(4, 4), 21);
  EXPECT_EQ(at(2, 2), 0);
  EXPECT_EQ(at(5, 3), 0);   // pen 0
  EXPECT_EQ(at(9, 3), 19);  // second tile at x = 2 + 4 + 2
}

TEST(CharSetViewer, SetsPastTheDecodedTilesAndOutOfRangeInputDrawNothingAndStayInside) {
  Tiles tiles(64, 8, 8);
  // Set 1 of 64-tile sets lies wholly past the 64 decoded tiles.
  CharSetPicture picture = PaintCharSet(tiles.pointers.data(), 64, 64, 1, 3, 0, 516, 448);
  EXPECT_TRUE(std::all_of(picture.Pixels.begin(), picture.Pixels.end(), [](uint8_t v) { return v == 0; }));

  // A tile larger than the area, a zoom out of range and a tiny area: clipped, never written outside.
  Tiles big(1, 300, 300, 2);
  picture = PaintCharSet(big.pointers.data(), 1, 1, 0, 9, 0, 50, 30);
  EXPECT_EQ(picture.Pixels.size(), 50u * 30u);
  EXPECT_EQ(picture.Pixels[static_cast<size_t>(29 * 50 + 49)], 12);

  picture = PaintCharSet(nullptr, 0, 256, 0, 1, 0, 10, 10);
  EXPECT_EQ(picture.Pixels.size(), 100u);
}

}  // namespace
}  // namespace tirvane
