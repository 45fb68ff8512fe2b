// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "video/tiles.h"

namespace tirvane {
namespace {

// One plane, 8 pixels a row taken from one byte, 16 rows: a tile is 16 bytes.
TileLayout tallLayout(int32_t total) {
  TileLayout layout{8, 16, total, 1, {0}, {}, {}, 128};
  for (int x = 0; x < 8; ++x) layout.XOffsets[x] = x;
  for (int y = 0; y < 16; ++y) layout.YOffsets[y] = 8 * y;
  return layout;
}

OwnedTileSet build(uint8_t flags, const TileLayout& layout, const std::vector<uint8_t>& source,
                   const std::string& name = "set") {
  return OwnedTileSet(BuildTileSet(name, 0, flags, layout, source.data(), source.size()));
}

TEST(Decoder, BitOrder) {
  const uint8_t bytes[] = {0x80, 0x01};
  EXPECT_EQ(ReadBit(bytes, 0), 1);
  EXPECT_EQ(ReadBit(bytes, 1), 0);
  EXPECT_EQ(ReadBit(bytes, 15), 1);
  EXPECT_EQ(ReadBit(bytes, -1), 0);
  EXPECT_EQ(ReadBit(bytes, sizeof bytes, 15), 1);
  EXPECT_EQ(ReadBit(bytes, sizeof bytes, 16), 0);  // past the end
  EXPECT_EQ(ReadBit(bytes, sizeof bytes, -8), 0);
  EXPECT_TRUE(TestBit(0x01, 0));
  EXPECT_TRUE(TestBit(0x80, 7));
  EXPECT_FALSE(TestBit(0x7F, 7));
  EXPECT_FALSE(TestBit(0xFF, 8));
}

TEST(Decoder, PlaneZeroIsThePensMostSignificantBit) {
  TileLayout layout{8, 1, 1, 3, {0, 8, 16}, {0, 1, 2, 3, 4, 5, 6, 7}, {0}, 24};
  const auto set = build(0, layout, {0x81, 0x41, 0x21});
  EXPECT_EQ(set->Colours, 8);
  EXPECT_EQ(set->Tiles[0]->Pixels, (std::vector<uint8_t>{4, 2, 1, 0, 0, 0, 0, 7}));
}

TEST(Decoder, OrientationFlagsMoveOnePixel) {
  // Only the pixel at column 1, row 2 of the 8x16 source is set.
  std::vector<uint8_t> source(16, 0);
  source[2] = 0x40;
  const struct {
    uint8_t flags;
    int width, height, x, y;
  } cases[] = {{0x00, 8, 16, 1, 2},  {0x80, 8, 16, 6, 2},  {0x40, 8, 16, 1, 13}, {0xC0, 8, 16, 6, 13},
               {0x20, 16, 8, 2, 1},  {0xA0, 16, 8, 13, 1}, {0x60, 16, 8, 2, 6},  {0xE0, 16, 8, 13, 6}};
  for (const auto& c : cases) {
    const auto set = build(c.flags, tallLayout(1), source);
    const Tile& tile = *set->Tiles[0];
    ASSERT_EQ(set->Width, c.width);
    ASSERT_EQ(set->Height, c.height);
    ASSERT_EQ(tile.Width, c.width);
    ASSERT_EQ(tile.Height, c.height);
    std::vector<uint8_t> expected(c.width * c.height, 0);
    expected[c.y * c.width + c.x] = 1;
    EXPECT_EQ(tile.Pixels, expected) << "flags " << int(c.flags);
  }
}

TEST(Decoder, SetRecordAndShortSource) {
  std::vector<uint8_t> source(16, 0xFF);  // one tile's worth for a layout of three
  const auto set = build(0, tallLayout(3), source, std::string(40, 'n'));
  EXPECT_EQ(set->Count, 3);
  ASSERT_EQ(set->Tiles.size(), 3u);
  EXPECT_EQ(set->Name, std::string(31, 'n'));
  EXPECT_EQ(set->Tiles[0]->Pixels, std::vector<uint8_t>(128, 1));
  EXPECT_EQ(set->Tiles[1]->Pixels, std::vector<uint8_t>(128, 0));  // bits past the end read 0
  EXPECT_EQ(set->Tiles[2]->Pixels, std::vector<uint8_t>(128, 0));

  // Wild layout values are cut to what the offset tables hold, and huge offsets read 0.
  TileLayout wild{100, 200, 2, 12, {INT32_MAX, INT32_MIN}, {}, {}, INT32_MAX};
  const auto cut = build(0, wild, source);
  EXPECT_EQ(cut->Width, 64);
  EXPECT_EQ(cut->Height, 64);
  EXPECT_EQ(cut->Colours, 256);
  EXPECT_EQ(cut->Tiles[1]->Pixels.size(), 64u * 64u);
}

TEST(Decoder, TileAcrossTheSourceEndKeepsTheRowsInside) {
  std::vector<uint8_t> source(24, 0xFF);  // the second tile's first 8 rows, then the end
  for (uint8_t flags : {uint8_t{0}, uint8_t{FlipY}}) {
    const auto set = build(flags, tallLayout(2), source);
    std::vector<uint8_t> expected(128, 0);
    std::fill_n(expected.begin() + (flags ? 64 : 0), 64, 1);
    EXPECT_EQ(set->Tiles[0]->Pixels, std::vector<uint8_t>(128, 1));
    EXPECT_EQ(set->Tiles[1]->Pixels, expected) << "flags " << int(flags);
  }
}

}  // namespace
}  // namespace tirvane
