// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>

#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {
namespace {

Tile makeTile(int width, int height, std::vector<uint8_t> pixels) { return Tile{width, height, std::move(pixels)}; }

// Pen = position + 1, so every pixel of the tile is distinguishable.
Tile numberedTile(int width, int height) {
  std::vector<uint8_t> pixels(width * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 1);
  return makeTile(width, height, pixels);
}

class Primitives : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateScreenBitmap();
    ClearScreen(0xEE);
  }
  void TearDown() override { FreeScreenBitmap(); }
  uint8_t at(int x, int y) const { return Screen->Pixels[y * 256 + x]; }
  int countNot(uint8_t value) const {
    return static_cast<int>(std::count_if(Screen->Pixels.begin(), Screen->Pixels.end(),
                                          [value](uint8_t v) { return v != value; }));
  }
};

TEST_F(Primitives, MirroringStaysInsideTheTilesBox) {
  const Tile tile = makeTile(3, 2, {1, 2, 3, 4, 5, 6});
  const struct {
    uint8_t flags;
    uint8_t expected[6];
  } cases[] = {{0x00, {1, 2, 3, 4, 5, 6}}, {0x80, {3, 2, 1, 6, 5, 4}},
               {0x40, {4, 5, 6, 1, 2, 3}}, {0xC0, {6, 5, 4, 3, 2, 1}}};
  for (const auto& c : cases) {
    ClearScreen(0xEE);
    DrawTileAdd(100, 50, 0, tile, c.flags);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(at(100 + i % 3, 50 + i / 3), c.expected[i]) << int(c.flags);
    EXPECT_EQ(countNot(0xEE), 6);
  }

  // A 16x16 sprite at (238, 238) covers columns 238-253 with or without the left-right mirror.
  const Tile sprite = numberedTile(16, 16);
  for (uint8_t flags : {0x00, 0x80}) {
    ClearScreen(0xEE);
    DrawTileLookupOpaque(238, 238, 0, sprite, flags);
    EXPECT_EQ(at(237, 240), 0xEE);
    EXPECT_NE(at(238, 240), 0xEE);
    EXPECT_NE(at(253, 240), 0xEE);
    EXPECT_EQ(at(254, 240), 0xEE);
  }
}

TEST_F(Primitives, PenZeroRulesAndColourArithmetic) {
  const Tile tile = makeTile(2, 1, {0, 6});
  for (int i = 0; i < ColourLookupSize; ++i) ColourLookup[i] = static_cast<uint8_t>(i * 3);
  ColourLookup[40] = 7;  // pen 0 of base 40 has a colour, yet the masked lookup skips it
  ColourLookup[46] = 250;

  DrawTileAdd(0, 0, 250, tile, 0);        // 250 + 6 wraps to 0
  DrawTileAddFast(0, 1, 250, tile);
  DrawTileAddOpaqueFast(0, 2, 20, tile);  // pen 0 written as the colour itself
  DrawTileLookup(0, 3, 40, tile, 0);      // 250 + 10 wraps to 4
  DrawTileLookupOpaque(0, 4, 40, tile, 0);
  const uint8_t expected[5][2] = {{0xEE, 0}, {0xEE, 0}, {20, 26}, {0xEE, 4}, {17, 4}};
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(at(0, y), expected[y][0]) << "row " << y;
    EXPECT_EQ(at(1, y), expected[y][1]) << "row " << y;
  }

  // Base + pen past the table wraps instead of reading beyond it.
  DrawTileLookup(0, 5, 1023, makeTile(1, 1, {2}), 0);
  DrawTileLookup(0, 6, 0xFFFF, makeTile(1, 1, {255}), 0);
  EXPECT_EQ(at(0, 5), static_cast<uint8_t>(ColourLookup[1] + 10));
  EXPECT_EQ(at(0, 6), static_cast<uint8_t>(ColourLookup[(0xFFFF + 255) % 1024] + 10));
}

TEST_F(Primitives, EveryBlitterClipsAtEveryEdge) {
  const Tile tile = numberedTile(8, 8);
  const auto palette = Screen->Palette;
  using Draw = void (*)(int32_t, int32_t, const Tile&);
  const Draw draws[] = {
      [](int32_t x, int32_t y, const Tile& t) { DrawTileAdd(x, y, 0, t, 0); },
      [](int32_t x, int32_t y, const Tile& t) { DrawTileAdd(x, y, 0, t, 0xC0); },
      [](int32_t x, int32_t y, const Tile& t) { DrawTileLookup(x, y, 0, t, 0x80); },
      [](int32_t x, int32_t y, const Tile& t) { DrawTileLookupOpaque(x, y, 0, t, 0x40); },
      [](int32_t x, int32_t y, const Tile& t) { DrawTileAddFast(x, y, 0, t); },
      [](int32_t x, int32_t y, const Tile& t) { DrawTileAddOpaqueFast(x, y, 0, t); },
  };
  const struct {
    int32_t x, y;
    int visible;
  } positions[] = {{-3, 10, 40},     {251, 10, 40},      {10, -6, 16},       {10, 285, 24},
                   {-5, -5, 9},      {253, 285, 9},      {256, 0, 0},        {0, 288, 0},
                   {-8, 0, 0},       {0, -8, 0},         {INT32_MAX, 0, 0},  {0, INT32_MAX, 0},
                   {INT32_MIN, 0, 0}, {-100000, 100000, 0}, {INT32_MAX - 3, INT32_MAX - 3, 0}};
  for (Draw draw : draws) {
    for (const auto& p : positions) {
      ClearScreen(0);
      draw(p.x, p.y, tile);
      EXPECT_EQ(countNot(0), p.visible) << p.x << "," << p.y;
    }
  }
  EXPECT_EQ(Screen->Palette, palette);

  // The visible part shows the right tile pixels: (0, 0) is tile (3, 3) unmirrored, (4, 3) mirrored.
  DrawTileAdd(-3, -3, 0, tile, 0);
  EXPECT_EQ(at(0, 0), 3 * 8 + 3 + 1);
  DrawTileAdd(-3, -3, 0, tile, 0x80);
  EXPECT_EQ(at(0, 0), 3 * 8 + 4 + 1);
}

TEST_F(Primitives, MalformedTilesDrawNothing) {
  DrawTileAdd(0, 0, 0, makeTile(4, 4, {1, 2, 3}), 0);  // fewer pixels than width x height
  DrawTileAddFast(0, 0, 0, makeTile(-4, 4, {}));
  DrawTileLookupOpaque(0, 0, 0, makeTile(0, 0, {}), 0);
  EXPECT_EQ(countNot(0xEE), 0);
}

TEST_F(Primitives, SinglePixelWrites) {
  int wideX = 300;
  PutPixelByte(wideX, 10, 7);  // the coordinate is one byte: 300 lands at column 44
  PutPixelByte(255, 255, 8);
  PutPixel(255, 287, 9);
  PutPixel(-1, 0, 1);
  PutPixel(256, 0, 1);
  PutPixel(0, 288, 1);
  PutPixel(0, INT32_MIN, 1);
  EXPECT_EQ(at(44, 10), 7);
  EXPECT_EQ(at(255, 255), 8);
  EXPECT_EQ(at(255, 287), 9);
  EXPECT_EQ(countNot(0xEE), 3);
}

}  // namespace
}  // namespace tirvane
