// SPDX-License-Identifier: GPL-3.0-or-later
// LADYBUG: handler rules, colours, tilemap and sprite bands, interrupts by key, and the demo's
// pictures in both orientations.
#include "drivers/ladybug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "golden.h"
#include "video/host.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

constexpr uint16_t Vram = 0xD000, Attr = 0xD400, SpriteRam = 0x7000;

class LadybugBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ActiveContext;
    ActiveContext = &context_;
    Game = GameDescription{};
    Game.VideoRam = Vram;
    Game.AttrRam = Attr;
    Game.SpriteRam = SpriteRam;
    Game.DriverTag = 1;
    std::memset(MemoryImage, 0, MemoryImageSize);
    KeyState.fill(0);
    region_.assign(GraphicsRegionSize, 0);
    CreateScreenBitmap();
  }
  void TearDown() override {
    LadybugStop();
    FreeScreenBitmap();
    KeyState.fill(0);
    ActiveContext = saved_;
  }

  void hold(VirtualKey key, bool held = true) { KeyState[static_cast<int>(key)] = held ? 1 : 0; }
  uint8_t at(int x, int y) const { return Screen->Pixels[y * 256 + x]; }
  int drawnPixels() const {
    return static_cast<int>(
        std::count_if(Screen->Pixels.begin(), Screen->Pixels.end(), [](uint8_t v) { return v; }));
  }

  // Character n filled with one pen: plane 0 (high pen bit) at 0000h, plane 1 at 1000h.
  void solidCharacter(int n, int pen) {
    std::memset(&region_[n * 8], (pen & 2) ? 0xFF : 0, 8);
    std::memset(&region_[0x1000 + n * 8], (pen & 1) ? 0xFF : 0, 8);
  }
  // Small sprite s filled with pen 1: the low pen bit is the first of each bit pair.
  void solidSmallSprite(int s) { std::memset(&region_[0x2000 + s * 16], 0xAA, 16); }

  void start(int32_t tag) {
    Game.DriverTag = tag;
    LadybugInitialise(region_.data());
  }

  Z80Context context_{};
  Z80Context* saved_ = nullptr;
  std::vector<uint8_t> region_;
};

TEST_F(LadybugBoard, InputsClearTheirBitsAndTheKeyPairs) {
  EXPECT_EQ(LadybugRead(0x9000), 0xFF);
  hold(VirtualKey::D1);
  EXPECT_EQ(LadybugRead(0x9000), 0xCF) << "key 1 pulls bits 5 and 4";
  hold(VirtualKey::D1, false);
  hold(VirtualKey::T);
  hold(VirtualKey::D2);
  hold(VirtualKey::Left);
  hold(VirtualKey::Up);
  EXPECT_EQ(LadybugRead(0x9000), 0x36);
  KeyState.fill(0);
  hold(VirtualKey::Down);
  hold(VirtualKey::Right);
  hold(VirtualKey::Ctrl);
  EXPECT_EQ(LadybugRead(0x9000), 0xE9);
  EXPECT_EQ(LadybugRead(0x9001) & 0x1F, 0x09) << "the joystick bits repeat in 9001h";

  EXPECT_EQ(LadybugRead(0x9002), 0xDC);
  EXPECT_EQ(LadybugRead(0x9003), 0xFF);
  MemoryImage[0x9004] = 0x42;
  EXPECT_EQ(LadybugRead(0x9004), 0x42);
  EXPECT_EQ(LadybugPortIn(0x1234), 0xFF);
}

TEST_F(LadybugBoard, TopBitsOf9001FollowTheCycleCountIn32StateSteps) {
  const struct {
    uint16_t cycles;
    uint8_t value;
  } cases[] = {{0, 0xDF},  {31, 0xDF},  {32, 0xBF},  {63, 0xBF},   {64, 0x5F},
               {96, 0x3F}, {127, 0x3F}, {128, 0xDF}, {49999, 0x5F}};  // 49999: step 1562
  for (const auto& c : cases) {
    context_.CycleCount = c.cycles;
    EXPECT_EQ(LadybugRead(0x9001), c.value) << "CycleCount " << c.cycles;
  }
  context_.CycleCount = 200;
  const uint8_t first = LadybugRead(0x9001);
  context_.CycleCount = 223;
  EXPECT_EQ(LadybugRead(0x9001), first) << "same 32-state step";
  context_.CycleCount = 232;
  EXPECT_NE(LadybugRead(0x9001) & 0x20, first & 0x20) << "bit 5 changes with every step";
}

TEST_F(LadybugBoard, WritesAreStoredAnywhereAndPortsIgnored) {
  LadybugWrite(0x5A, 0x9000);
  LadybugWrite(0xA5, 0xFFFF);
  EXPECT_EQ(MemoryImage[0x9000], 0x5A);
  EXPECT_EQ(MemoryImage[0xFFFF], 0xA5);
  LadybugPortOut(0x12, 0x34);
}

TEST_F(LadybugBoard, ColoursComeFromTheInvertedPromAndTheReversedLookupNibbles) {
  start(1);
  EXPECT_EQ(RgbTable[0], (Rgb{0x00, 0x00, 0x00})) << "F5h inverted is 0Ah: no gun bit";
  EXPECT_EQ(RgbTable[11], (Rgb{0xDE, 0xDE, 0xDE})) << "00h inverted lights every gun";
  EXPECT_EQ(RgbTable[1], (Rgb{0xDE, 0xDE, 0x00})) << "90h inverted is 6Fh";
  EXPECT_EQ(RgbTable[2], (Rgb{0x97, 0x47, 0xDE})) << "41h inverted is BEh";

  for (int g = 0; g < 8; ++g) {
    EXPECT_EQ(ColourLookup[4 * g], 0);
    EXPECT_EQ(ColourLookup[4 * g + 1], g + 8);
    EXPECT_EQ(ColourLookup[4 * g + 2], g + 16);
    EXPECT_EQ(ColourLookup[4 * g + 3], g + 24);
  }
  // Lookup bytes 59h and B8h: low nibbles 9 and 8 read backwards are 9 and 1, high nibbles 5 and
  // B are 10 and 13.
  EXPECT_EQ(ColourLookup[32 + 1], 9);
  EXPECT_EQ(ColourLookup[64 + 1], 10);
  EXPECT_EQ(ColourLookup[32 + 3], 1);
  EXPECT_EQ(ColourLookup[64 + 3], 13);
  // The demo shows every character colour but only a few sprite groups: the sheet shows them all.
  EXPECT_TRUE(
      testing::MatchesGoldenPicture(testing::ColourGroupSheet(32, 16, 4), "ladybug_sprite_colours.png"));
}

TEST_F(LadybugBoard, SpriteSetsAreTheThreeDecodedSets) {
  int count = -1;
  TileSet** sets = nullptr;
  LadybugSpriteSets(count, sets);
  EXPECT_EQ(count, 0) << "nothing before the initialisation";

  start(1);
  LadybugSpriteSets(count, sets);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(sets[0]->Name, "CharSet (8x8)");
  EXPECT_EQ(sets[0]->Count, 512);
  EXPECT_EQ(sets[1]->Name, "Sprite Set #1 (16x16)");
  EXPECT_EQ(sets[1]->Width, 16);
  EXPECT_EQ(sets[1]->Count, 128);
  EXPECT_EQ(sets[1]->ColourBase, 0x20);
  EXPECT_EQ(sets[2]->Name, "Sprite Set #2 (8x8)");
  EXPECT_EQ(sets[2]->Count, 512);
}

TEST_F(LadybugBoard, AttributeBit3SelectsTheSecondCharacterBank) {
  solidCharacter(5, 2);
  solidCharacter(261, 1);
  start(1);
  // Cell row 5, column 10: x = 80, y = 40 on the wide screen.
  MemoryImage[Vram + 5 * 32 + 10] = 5;
  MemoryImage[Attr + 5 * 32 + 10] = 0x08 | 3;
  LadybugDraw();
  EXPECT_EQ(at(80, 40), 10 + 3 + 8) << "character 261, pen 1 of group 3";
  EXPECT_EQ(at(87, 47), 10 + 3 + 8);

  MemoryImage[Attr + 5 * 32 + 10] = 3;
  LadybugDraw();
  EXPECT_EQ(at(80, 40), 10 + 3 + 16) << "character 5, pen 2 of group 3";
}

TEST_F(LadybugBoard, RowScrollComesFromTheFirstTilemapBytesInBothOrientations) {
  solidCharacter(7, 3);
  // Row 5's scroll sits at 32 x (5 mod 4) + 5 / 4 = 33; 3 pixels moves column 10 from 80 to 77.
  MemoryImage[Vram + 33] = 3;
  MemoryImage[Vram + 5 * 32 + 10] = 7;
  start(1);
  LadybugDraw();
  EXPECT_EQ(at(77, 40), 10 + 24);
  EXPECT_EQ(at(84, 47), 10 + 24);
  EXPECT_EQ(at(85, 40), 0);
  EXPECT_EQ(at(76, 40), 0);

  // Upright: x = 8 x row, y = 255 - p.
  LadybugStop();
  start(0);
  ClearScreen(0);
  LadybugDraw();
  EXPECT_EQ(at(40, 255 - 77), 10 + 24);
  EXPECT_EQ(at(47, 255 - 77 + 7), 10 + 24);
  EXPECT_EQ(at(39, 255 - 77), 0);
}

TEST_F(LadybugBoard, BandsDrawTheRunUpToTheFirstEmptyEntry) {
  solidSmallSprite(1);
  start(1);
  auto entry = [](int band, int i, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    uint8_t* e = MemoryImage + SpriteRam + 64 * band + 4 * i;
    e[0] = b0, e[1] = b1, e[2] = b2, e[3] = b3;
  };
  // Band 5 (y = 80): shown, not shown but part of the run, shown, end, beyond the end.
  entry(5, 0, 0x80, 1, 0, 20);
  entry(5, 1, 0x40, 1, 0, 60);
  entry(5, 2, 0x82, 1, 0, 100);
  entry(5, 4, 0x80, 1, 0, 180);
  // Band 6: empty first entry hides the rest.
  entry(6, 1, 0x80, 1, 0, 20);
  // Bands 0 and 14 are never drawn.
  entry(0, 0, 0x80, 1, 0, 20);
  entry(14, 0, 0x80, 1, 0, 20);
  LadybugDraw();

  const uint8_t pen1 = static_cast<uint8_t>(10 + ColourLookup[32 + 1]);
  EXPECT_EQ(at(28, 80), pen1);
  EXPECT_EQ(at(35, 87), pen1);
  EXPECT_EQ(at(108, 82), pen1) << "b0 bits 0-3 offset the sprite in its band";
  EXPECT_EQ(at(68, 80), 0) << "bit 7 clear: skipped";
  EXPECT_EQ(at(188, 80), 0) << "after the first empty entry";
  EXPECT_EQ(drawnPixels(), 2 * 64);
}

TEST_F(LadybugBoard, LargeSpritesTakeCodeFromB1AndBankFromB2) {
  // Large sprite 64 + 3 is made of small sprites 4 x 67 to 4 x 67 + 3.
  for (int q = 0; q < 4; ++q) solidSmallSprite(4 * 67 + q);
  start(1);
  uint8_t* e = MemoryImage + SpriteRam + 64 * 4;
  e[0] = 0xC0 | 2, e[1] = 3 << 2, e[2] = 0x10 | 5, e[3] = 40;
  LadybugDraw();
  const uint8_t pen1 = static_cast<uint8_t>(10 + ColourLookup[32 + 4 * 5 + 1]);
  // x = b3 + 8, y = offset + 16 x band - 8.
  EXPECT_EQ(at(48, 58), pen1);
  EXPECT_EQ(at(63, 73), pen1);
  EXPECT_EQ(drawnPixels(), 256);

  e[2] = 5;  // bank 0: large sprite 3 is blank
  ClearScreen(0);
  LadybugDraw();
  EXPECT_EQ(drawnPixels(), 0);
}

TEST_F(LadybugBoard, DescriptionAddressesWrapAroundTheMemoryImage) {
  solidCharacter(7, 3);
  solidSmallSprite(1);
  start(1);
  Game.VideoRam = 0x2FFF0;  // beyond 64 KB: cell 20 is at 0004h
  Game.AttrRam = -32;       // FFE0h
  Game.SpriteRam = 0xFFC0;  // band 1 starts at 0000h
  MemoryImage[0x0004] = 7;
  MemoryImage[0x0000] = 0x80, MemoryImage[0x0001] = 1, MemoryImage[0x0003] = 100;
  LadybugDraw();
  EXPECT_EQ(at(160, 0), 10 + 24) << "cell 20: row 0, column 20";
  EXPECT_EQ(at(108, 16), 10 + ColourLookup[32 + 1]) << "band 1 entry 0";
}

TEST_F(LadybugBoard, CoinKeysRaiseInterruptsEveryFrameTheyAreHeld) {
  start(1);
  context_.NmiRequest = 0;
  context_.IrqState.Value = 0x01000000;
  LadybugFrame();
  EXPECT_EQ(context_.NmiRequest, 0u);
  EXPECT_EQ(context_.IrqState.Value, 0x01000000u) << "no key: no interrupt field is written";

  hold(VirtualKey::D3);
  LadybugFrame();
  EXPECT_EQ(context_.NmiRequest, 1u);
  hold(VirtualKey::D3, false);

  hold(VirtualKey::D4);
  for (int frame = 0; frame < 3; ++frame) {
    context_.IrqState.Value = 0x01000000;  // as the core leaves it after taking the interrupt
    LadybugFrame();
    EXPECT_EQ(context_.IrqState.Value, 0xFFu) << "frame " << frame;
  }
}

// The demos: text, colour bars, the sprite bands and the scrolling row; then key 3 held for 10
// frames and key 4 for 15 (the counters show 000A and 000F), with the joystick pushed and the
// input keys down at the last frame.
TEST(LadybugDemo, WidePicture) {
  EXPECT_TRUE(testing::MatchesGolden("ladybug_wide_demo.ini", 30, "", "ladybug_wide.png"));
}

TEST(LadybugDemo, WidePictureWithKeys) {
  EXPECT_TRUE(testing::MatchesGolden("ladybug_wide_demo.ini", 40,
                                     "10-19:3,20-34:4,10-40:Right+Down+T+1+2+Ctrl", "ladybug_wide_keys.png"));
}

TEST(LadybugDemo, UprightPicture) {
  EXPECT_TRUE(testing::MatchesGolden("ladybug_demo.ini", 40, "10-19:3,20-34:4,10-40:Up+Left+Ctrl",
                                     "ladybug_upright.png"));
}

}  // namespace
}  // namespace tirvane
