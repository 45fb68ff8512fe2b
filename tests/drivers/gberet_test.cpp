// SPDX-License-Identifier: GPL-3.0-or-later
// GBERET board: the scrolled tilemap, the second character bank, the lookup PROMs and the
// alternating interrupts.
#include "drivers/gberet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "board_fixture.h"
#include "golden.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "video/screen.h"

namespace tirvane {
namespace {

constexpr uint16_t Attr = 0xC000, Vram = 0xC800, ScrollLow = 0xE000, ScrollHigh = 0xE020;
constexpr uint8_t Lit = 10 + 0x11;  // pen 1 of colour group 0: lookup value 1, stored as 1 + 16

class GberetTest : public testing::BoardTest {
 protected:
  const MachineDriver& d = GberetDriver.Routines;
  std::vector<uint8_t> graphics = std::vector<uint8_t>(GraphicsRegionSize, 0);

  void SetUp() override {
    BoardTest::SetUp();
    Game.VideoRam = Vram;
    Game.AttrRam = Attr;
    // Character 12h: pen 1 at its top-left pixel; character 112h: pen 1 at its top-right pixel.
    graphics[0x12 * 32] = 0x10;
    graphics[0x112 * 32 + 3] = 0x01;
    GberetDriver.Initialise(graphics.data());
  }
  void TearDown() override {
    d.StopRoutine();
    BoardTest::TearDown();
  }

  void Put(int r, int c, uint8_t code, uint8_t attribute) {
    MemoryImage[Vram + r * 64 + c] = code;
    MemoryImage[Attr + r * 64 + c] = attribute;
  }
  int LitPixels() const {
    return static_cast<int>(std::count(Screen->Pixels.begin(), Screen->Pixels.end(), Lit));
  }
};

TEST_F(GberetTest, AttributeBitSixSelectsTheSecondBank) {
  Put(31, 0, 0x12, 0x00);
  d.DrawRoutine();
  EXPECT_EQ(Pixel(0, 0), Lit);
  EXPECT_EQ(Pixel(7, 0), 0);
  Put(31, 0, 0x12, 0x40);
  d.DrawRoutine();
  EXPECT_EQ(Pixel(0, 0), 0);
  EXPECT_EQ(Pixel(7, 0), Lit);
}

TEST_F(GberetTest, AttributeFlipsAndColourGroup) {
  struct Case {
    uint8_t attribute;
    int x, y;
    uint8_t value;
  };
  const Case cases[] = {
      {0x00, 0, 0, Lit}, {0x20, 7, 0, Lit},       {0x10, 0, 7, Lit},
      {0x30, 7, 7, Lit}, {0x0E, 0, 0, 10 + 0x15},  // group E, pen 1: lookup 05
  };
  for (const Case& c : cases) {
    Put(31, 0, 0x12, c.attribute);
    d.DrawRoutine();
    EXPECT_EQ(Pixel(c.x, c.y), c.value) << int(c.attribute);
    EXPECT_EQ(LitPixels() + (c.value == Lit ? 0 : 1), 1) << int(c.attribute);
  }
}

TEST_F(GberetTest, ColumnScrollUsesOnlyItsLowEightBits) {
  Put(20, 5, 0x12, 0);  // unscrolled at x = 88, y = 40
  d.DrawRoutine();
  EXPECT_EQ(Pixel(88, 40), Lit);

  MemoryImage[ScrollLow + 5] = 0x08;
  d.DrawRoutine();
  const auto by008 = Screen->Pixels;
  EXPECT_EQ(Pixel(80, 40), Lit);

  MemoryImage[ScrollHigh + 5] = 0x01;
  d.DrawRoutine();
  EXPECT_EQ(Screen->Pixels, by008);

  MemoryImage[ScrollLow + 6] = 0x40;  // another column's scroll leaves this one alone
  d.DrawRoutine();
  EXPECT_EQ(Pixel(80, 40), Lit);
}

TEST_F(GberetTest, TilesWrappingPastTheRightEdgeAreSkipped) {
  Put(31, 2, 0x12, 0);  // x = 0 unscrolled
  struct Case {
    uint8_t scroll;
    int x;  // -1: not drawn
  };
  const Case cases[] = {{0x01, -1}, {0x07, -1}, {0x08, 248}, {0xF8, 8}};
  for (const Case& c : cases) {
    MemoryImage[ScrollLow + 2] = c.scroll;
    d.DrawRoutine();
    EXPECT_EQ(LitPixels(), c.x < 0 ? 0 : 1) << int(c.scroll);
    if (c.x >= 0) {
      EXPECT_EQ(Pixel(c.x, 16), Lit) << int(c.scroll);
    }
  }
}

TEST_F(GberetTest, TilemapColumnsPastThirtyOneNeverShow) {
  std::memset(MemoryImage + Vram, 0x12, 0x800);
  d.DrawRoutine();
  EXPECT_EQ(LitPixels(), 32 * 32);  // one lit pixel per cell of columns 0-31
  for (int c = 0; c < 64; ++c) MemoryImage[ScrollLow + c] = 1;
  d.DrawRoutine();
  EXPECT_EQ(LitPixels(), 32 * 31);  // in each, the cell pushed to x = 255 is skipped
}

TEST_F(GberetTest, FramesAlternateNmiAndMaskableInterrupt) {
  // The frame counter outlives runs, so which interrupt comes first is not fixed.
  bool nmi[4], irq[4];
  for (int i = 0; i < 4; ++i) {
    ActiveContext->NmiRequest = 0;
    ActiveContext->IrqState.Value = 0x01000000;
    MemoryImage[0x1234] = static_cast<uint8_t>(i);  // whatever the game writes
    d.FrameHandler();
    nmi[i] = ActiveContext->NmiRequest == 1;
    irq[i] = ActiveContext->IrqState.Value == 0;
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(nmi[i], irq[i]) << i;
    if (i > 0) {
      EXPECT_NE(nmi[i], nmi[i - 1]) << i;
    }
  }
}

TEST_F(GberetTest, InitialisationFillsColoursLookupAndThreeSets) {
  // Entries 0-15 are sprite colours, 16-31 character colours; each worked out from its PROM byte.
  const std::pair<int, Rgb> colours[] = {
      {5, {0x97, 0xDE, 0x47}},   // 74: red bit 2, green bits 4 and 5, blue bit 6
      {9, {0x00, 0x47, 0xDE}},   // D0
      {13, {0xDE, 0x00, 0x00}},  // 06
      {14, {0xFF, 0xFF, 0xDE}},  // FF
      {21, {0xFF, 0xDE, 0x00}},  // 37
      {25, {0xDE, 0xB8, 0x97}},  // AE
  };
  for (const auto& [entry, colour] : colours) EXPECT_EQ(RgbTable[entry], colour) << entry;
  EXPECT_EQ(ColourLookup[0x11], 0x0D);  // sprite entries as they stand
  EXPECT_EQ(ColourLookup[0xFF], 0x0F);
  EXPECT_EQ(ColourLookup[0x100], 0x00);  // character entries: 0 stays 0, v becomes v + 16
  EXPECT_EQ(ColourLookup[0x101], 0x11);
  EXPECT_EQ(ColourLookup[0x110], 0x17);
  EXPECT_EQ(ColourLookup[0x130], 0x00);
  EXPECT_EQ(ColourLookup[0x1FF], 0x19);

  int count = 0;
  TileSet** sets = nullptr;
  d.SpriteSetsRoutine(count, sets);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(sets[0]->Name, "Char Set (8x8)");
  EXPECT_EQ(sets[0]->Count, 512);
  EXPECT_EQ(sets[0]->ColourBase, 0x100);
  EXPECT_EQ(sets[1]->Name, "Sprite Set #1 (16x16)");
  EXPECT_EQ(sets[2]->Name, "Sprite Set #2 (16x16)");
  EXPECT_EQ(sets[2]->Count, 256);
}

TEST_F(GberetTest, SpriteBanksDecodeFromTheirOwnRegions) {
  graphics.assign(GraphicsRegionSize, 0);
  graphics[0x4000 + 32] = 0xF0;        // bank 1, sprite 0: top-right quarter, first pixel
  graphics[0xC000 + 128 + 96] = 0x0A;  // bank 2, sprite 1: bottom-right quarter, second pixel
  GberetDriver.Initialise(graphics.data());
  int count = 0;
  TileSet** sets = nullptr;
  d.SpriteSetsRoutine(count, sets);
  EXPECT_EQ(sets[1]->Tiles[0]->Pixels[8], 15);
  EXPECT_EQ(sets[2]->Tiles[1]->Pixels[8 * 16 + 9], 10);
  EXPECT_EQ(sets[2]->Tiles[0]->Pixels[8 * 16 + 9], 0);
}

TEST_F(GberetTest, MemoryIsPlainAndPortsAreSilent) {
  d.WriteHandler(0x5A, 0xE000);
  EXPECT_EQ(MemoryImage[0xE000], 0x5A);
  EXPECT_EQ(d.ReadHandler(0xE000), 0x5A);
  EXPECT_EQ(d.PortInHandler(0xFF00), 0);
}

// The board draws no sprites, so no demo picture shows their colours: this sheet does.
TEST_F(GberetTest, SpriteColourGroupsMatchTheirGolden) {
  EXPECT_TRUE(
      testing::MatchesGoldenPicture(testing::ColourGroupSheet(0, 16, 16), "gberet_sprite_colours.png"));
}

// Even frame counts keep the board's alternation in step whichever test ran before.
TEST(GberetGolden, Demo) {
  EXPECT_TRUE(testing::MatchesGolden("gberet_demo.ini", 40, "", "gberet_40.png"));
  EXPECT_TRUE(testing::MatchesGolden("gberet_demo.ini", 100, "", "gberet_100.png"));
}

}  // namespace
}  // namespace tirvane
