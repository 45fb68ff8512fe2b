// SPDX-License-Identifier: GPL-3.0-or-later
// POOYAN board: inputs, NMI gating, the colour cube, tile orientation and the sprite window.
#include "drivers/pooyan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "board_fixture.h"
#include "golden.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {
namespace {

constexpr uint16_t Attr = 0x8000, Vram = 0x8400, SpriteRam = 0x9010, Enable = 0xA180;

class PooyanTest : public testing::BoardTest {
 protected:
  const MachineDriver& d = PooyanDriver.Routines;
  std::vector<uint8_t> graphics = std::vector<uint8_t>(GraphicsRegionSize, 0);

  void SetUp() override {
    BoardTest::SetUp();
    Game.VideoRam = Vram;
    Game.AttrRam = Attr;
    Game.SpriteRam = SpriteRam;
    Game.NmiEnable = Enable;
    // Character 1 and sprite 1: one pixel, pen 1, at the top-left corner of the upright tile.
    // The ROMs hold tiles turned a quarter: column 0 is the last byte of a four-row band.
    graphics[16 + 7] = 0x80;
    graphics[0x2000 + 64 + 39] = 0x80;
    PooyanDriver.Initialise(graphics.data());
  }
  void TearDown() override {
    d.StopRoutine();
    BoardTest::TearDown();
  }

  void PlaceSprite(int i, uint8_t x, uint8_t y, uint8_t code, uint8_t attribute) {
    MemoryImage[SpriteRam + 2 * i] = y;
    MemoryImage[SpriteRam + 2 * i + 1] = code;
    MemoryImage[SpriteRam + 0x400 + 2 * i] = attribute;
    MemoryImage[SpriteRam + 0x400 + 2 * i + 1] = x;
  }
};

TEST_F(PooyanTest, BothInputAddressesReadTheSameActiveLowBits) {
  struct Case {
    VirtualKey key;
    uint8_t value;
  };
  const Case cases[] = {
      {VirtualKey::Up, 0xFB}, {VirtualKey::Down, 0xF7}, {VirtualKey::Ctrl, 0xEF}, {VirtualKey::Left, 0xFF}};
  EXPECT_EQ(d.ReadHandler(0xA0A0), 0xFF);
  EXPECT_EQ(d.ReadHandler(0xA0C0), 0xFF);
  for (const Case& c : cases) {
    KeyState.fill(0);
    Hold(c.key);
    EXPECT_EQ(d.ReadHandler(0xA0A0), c.value) << VirtualKeyName(c.key);
    EXPECT_EQ(d.ReadHandler(0xA0C0), c.value) << VirtualKeyName(c.key);
  }
  MemoryImage[0xA0B0] = 0x5A;
  EXPECT_EQ(d.ReadHandler(0xA0B0), 0x5A);
  d.WriteHandler(0x77, 0xA0A0);  // every write is stored
  EXPECT_EQ(MemoryImage[0xA0A0], 0x77);
  EXPECT_EQ(d.PortInHandler(0x0000), 0);
}

TEST_F(PooyanTest, NmiOnlyWhileTheEnableByteIsSetAndMaskableNever) {
  ActiveContext->IrqState.Value = 0x12;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x01000000u);
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);

  MemoryImage[Enable] = 1;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->NmiRequest, 1u);

  // Without the key nothing is enabled, whatever lies at address 0.
  ActiveContext->NmiRequest = 0;
  Game.NmiEnable = 0;
  MemoryImage[0] = 1;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);
}

TEST_F(PooyanTest, ColourCubeWithItsCorrections) {
  struct Case {
    int entry;
    Rgb rgb;
  };
  const Case cases[] = {
      {0, {0x00, 0x00, 0x00}},    // plain cube
      {1, {0x00, 0x00, 0x51}},    //
      {235, {0xFF, 0x49, 0xF3}},  // the last entry that fits
      {4, {0xFF, 0xFF, 0xF3}},    // corrections: 4 <- 255
      {5, {0xFF, 0xFF, 0x00}},    // 5 <- 252
      {38, {0xFF, 0x00, 0x00}},   // 38 <- 224
      {36, {0xFF, 0x6D, 0xF3}},   // 36 <- 239
      {17, {0xFF, 0xB6, 0xF3}},   // 17 <- 247
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RgbTable[c.entry].r, c.rgb.r) << c.entry;
    EXPECT_EQ(RgbTable[c.entry].g, c.rgb.g) << c.entry;
    EXPECT_EQ(RgbTable[c.entry].b, c.rgb.b) << c.entry;
  }
  EXPECT_EQ(ColourLookup[0], 0x0F);
  EXPECT_EQ(ColourLookup[0x100], 0x69);
  EXPECT_EQ(ColourLookup[511], 0x04);
  // The demo shows every character colour but only a few sprite groups: the sheet shows them all.
  EXPECT_TRUE(
      testing::MatchesGoldenPicture(testing::ColourGroupSheet(0x100, 16, 16), "pooyan_sprite_colours.png"));
}

TEST_F(PooyanTest, TileArraysArePublishedAndWithdrawn) {
  int count = 0;
  TileSet** sets = nullptr;
  d.SpriteSetsRoutine(count, sets);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(sets[0]->Name, "Char Set (8x8)");
  EXPECT_EQ(sets[1]->Name, "Sprite Set (16x16)");
  EXPECT_EQ(sets[1]->ColourBase, 0x100);
  EXPECT_EQ(CharTiles, sets[0]->Tiles.data());
  EXPECT_EQ(SpriteTiles, sets[1]->Tiles.data());
  EXPECT_EQ(CharTileCount, 256);
  EXPECT_EQ(SpriteTileCount, 64);
  d.StopRoutine();
  EXPECT_EQ(CharTiles, nullptr);
  EXPECT_EQ(SpriteTiles, nullptr);
  PooyanDriver.Initialise(graphics.data());  // for TearDown
}

TEST_F(PooyanTest, TilesComeOutUprightWithPlanesFromBothHalves) {
  graphics.assign(GraphicsRegionSize, 0);
  graphics[7] = 0x80;           // column 0, row 0, pen bit 0
  graphics[7 + 0x1000] = 0x08;  // column 0, row 0, pen bit 3
  graphics[8] = 0x04;           // column 7, row 5, pen bit 1
  PooyanDriver.Initialise(graphics.data());
  const Tile& t = *CharTiles[0];
  EXPECT_EQ(t.Pixels[0], 9);
  EXPECT_EQ(t.Pixels[5 * 8 + 7], 2);
  EXPECT_EQ(t.Pixels[7], 0);
}

TEST_F(PooyanTest, TilemapIsOpaqueTurnedAndFlippedPerCell) {
  const int r = 5, c = 3;  // shows at x = 8 * (31 - r), y = 8 * c
  const int x = 208, y = 24;
  MemoryImage[Vram + r * 32 + c] = 1;
  struct Case {
    uint8_t attribute;
    int dx, dy;
  };
  const Case cases[] = {{0x02, 0, 0}, {0x82, 7, 0}, {0x42, 0, 7}, {0xC2, 7, 7}};
  for (const Case& k : cases) {
    MemoryImage[Attr + r * 32 + c] = k.attribute;
    d.DrawRoutine();
    EXPECT_EQ(Pixel(x + k.dx, y + k.dy), 10 + ColourLookup[0x21]) << int(k.attribute);
    EXPECT_EQ(Pixel(x + 7 - k.dx, y + 7 - k.dy), 10 + ColourLookup[0x20]) << int(k.attribute);
  }
  EXPECT_EQ(Pixel(0, 0), 10 + ColourLookup[0]);  // cell (31, 0), pen 0 of group 0, drawn too
}

TEST_F(PooyanTest, SpritesShowOnlyInsideThePositionWindow) {
  struct Case {
    uint8_t x, y;
    bool drawn;
  };
  const Case cases[] = {{0x11, 0x11, true},  {0xEF, 0xEF, true},  {0x10, 0x80, false},
                        {0xF0, 0x80, false}, {0x80, 0x10, false}, {0x80, 0xF0, false}};
  for (const Case& c : cases) {
    std::memset(MemoryImage + Vram, 0xFF, 0x400);  // tile 255 is blank: the map paints pen 0
    PlaceSprite(0, c.x, c.y, 0x41, 0xC1);          // only the low six code bits count
    d.DrawRoutine();
    EXPECT_EQ(Pixel(c.x, c.y) == 10 + ColourLookup[0x111], c.drawn) << int(c.x) << "," << int(c.y);
  }
}

TEST_F(PooyanTest, SpriteFlipBitsAreActiveLowAndSpriteZeroIsOnTop) {
  struct Case {
    uint8_t attribute;
    int dx, dy;
  };
  const Case cases[] = {{0xC1, 0, 0}, {0x41, 15, 0}, {0x81, 0, 15}, {0x01, 15, 15}};
  for (const Case& c : cases) {
    PlaceSprite(3, 0x40, 0x40, 1, c.attribute);
    d.DrawRoutine();
    EXPECT_EQ(Pixel(0x40 + c.dx, 0x40 + c.dy), 10 + ColourLookup[0x111]) << int(c.attribute);
  }
  PlaceSprite(3, 0x40, 0x40, 1, 0xC1);
  PlaceSprite(0, 0x40, 0x40, 1, 0xC2);
  d.DrawRoutine();
  EXPECT_EQ(Pixel(0x40, 0x40), 10 + ColourLookup[0x121]);
}

TEST(PooyanGolden, DemoIdle) {
  EXPECT_TRUE(testing::MatchesGolden("pooyan_demo.ini", 180, "", "pooyan_idle.png"));
}

TEST(PooyanGolden, DemoWithKeysHeld) {
  EXPECT_TRUE(testing::MatchesGolden("pooyan_demo.ini", 60, "50-60:Up+Ctrl", "pooyan_keys_a.png"));
  EXPECT_TRUE(testing::MatchesGolden("pooyan_demo.ini", 60, "50-60:Down", "pooyan_keys_b.png"));
}

}  // namespace
}  // namespace tirvane
