// SPDX-License-Identifier: GPL-3.0-or-later
// FROGGER: key table, ignored writes, the river palette bank, nibble-swapped scroll and sprite X,
// the skipped empty code, sprites, the NMI enable rule, and the demo's picture.
#include "drivers/frogger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/galaxian_family.h"
#include "golden.h"
#include "video/host.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

constexpr uint16_t Vram = 0xA800, NmiEnable = 0xB808;

class FroggerBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ActiveContext;
    ActiveContext = &context_;
    Game = GameDescription{};
    Game.VideoRam = Vram;
    Game.NmiEnable = NmiEnable;
    Game.CharSets = 1;
    Game.Sprites = 64;
    std::memset(MemoryImage, 0, MemoryImageSize);
    // The empty code: left out below the river, so only what a test places shows there.
    std::memset(MemoryImage + Vram, 0x10, 0x400);
    KeyState.fill(0);
    region_.assign(GraphicsRegionSize, 0);
    CreateScreenBitmap();
  }
  void TearDown() override {
    GalaxianFamilyStop();
    FreeScreenBitmap();
    KeyState.fill(0);
    ActiveContext = saved_;
  }

  void hold(VirtualKey key, bool held = true) { KeyState[static_cast<int>(key)] = held ? 1 : 0; }
  uint8_t at(int x, int y) const { return Screen->Pixels[y * 256 + x]; }
  // Character n filled with one pen (high plane at n x 8, low plane at 800h + n x 8).
  void solidCharacter(int n, int pen) {
    std::memset(&region_[n * 8], (pen & 2) ? 0xFF : 0, 8);
    std::memset(&region_[0x800 + n * 8], (pen & 1) ? 0xFF : 0, 8);
  }
  void setColumn(int c, uint8_t scroll, uint8_t colour) {
    MemoryImage[0xB000 + 2 * c] = scroll;
    MemoryImage[0xB001 + 2 * c] = colour;
  }

  Z80Context context_{};
  Z80Context* saved_ = nullptr;
  std::vector<uint8_t> region_;
};

TEST_F(FroggerBoard, KeysThreeAndAEachDriveTwoBits) {
  EXPECT_EQ(FroggerRead(0xE000), 0xFF);
  EXPECT_EQ(FroggerRead(0xE002), 0xFF);
  EXPECT_EQ(FroggerRead(0xE004), 0xFF);
  hold(VirtualKey::D3);
  EXPECT_EQ(FroggerRead(0xE000), 0x7B);
  hold(VirtualKey::D3, false);
  hold(VirtualKey::A);
  EXPECT_EQ(FroggerRead(0xE002), 0xCF);
  hold(VirtualKey::A, false);
  hold(VirtualKey::D);
  EXPECT_EQ(FroggerRead(0xE002), 0xEF) << "key D alone is bit 4";
  KeyState.fill(0);

  hold(VirtualKey::D4);
  hold(VirtualKey::Left);
  hold(VirtualKey::Right);
  hold(VirtualKey::Ctrl);
  hold(VirtualKey::Shift);
  hold(VirtualKey::Alt);
  EXPECT_EQ(FroggerRead(0xE000), 0x84);
  KeyState.fill(0);
  hold(VirtualKey::D1);
  hold(VirtualKey::D2);
  hold(VirtualKey::Tab);
  hold(VirtualKey::C);
  EXPECT_EQ(FroggerRead(0xE002), 0x33);
  hold(VirtualKey::Down);
  hold(VirtualKey::Up);
  hold(VirtualKey::K);
  EXPECT_EQ(FroggerRead(0xE004), 0xAE);

  MemoryImage[0xE001] = 0x12;
  EXPECT_EQ(FroggerRead(0xE001), 0x12);
  EXPECT_EQ(FroggerPortIn(0x00), 0xFF);
}

TEST_F(FroggerBoard, WritesTo6000And6001AreIgnored) {
  FroggerWrite(0x11, 0x6000);
  FroggerWrite(0x22, 0x6001);
  FroggerWrite(0x33, 0x6002);
  FroggerWrite(0x44, 0xB040);
  EXPECT_EQ(MemoryImage[0x6000], 0x00);
  EXPECT_EQ(MemoryImage[0x6001], 0x00);
  EXPECT_EQ(MemoryImage[0x6002], 0x33);
  EXPECT_EQ(MemoryImage[0xB040], 0x44);
}

TEST_F(FroggerBoard, SecondPaletteBankHasDarkBlueAtEveryFourthEntry) {
  FroggerInitialise(region_.data());
  // PROM byte 1 is C0h: blue only, both weights.
  EXPECT_EQ(RgbTable[1], (Rgb{0x00, 0x00, 0xDE}));
  // PROM byte 3 is F6h: red 47h + 97h, green 47h + 97h, blue 47h + 97h.
  EXPECT_EQ(RgbTable[3], (Rgb{0xDE, 0xDE, 0xDE}));
  for (int m = 0; m < 32; ++m) {
    if (m % 4 == 0)
      EXPECT_EQ(RgbTable[32 + m], (Rgb{0x00, 0x00, 0x47})) << m;
    else
      EXPECT_EQ(RgbTable[32 + m], RgbTable[m]) << m;
  }
}

TEST_F(FroggerBoard, ColumnScrollIsStoredWithItsNibblesSwapped) {
  EXPECT_EQ(SwapNibbles(0x12), 0x21);
  EXPECT_EQ(SwapNibbles(0xF0), 0x0F);
  solidCharacter(5, 3);
  FroggerInitialise(region_.data());
  // Row 28, column 20: x = 8 x 3 + 21h = 57, y = 160.
  MemoryImage[Vram + 28 * 32 + 20] = 5;
  setColumn(20, 0x12, 2);
  FroggerDraw();
  EXPECT_EQ(at(57, 160), 10 + 8 + 3);
  EXPECT_EQ(at(64, 167), 10 + 8 + 3);
  EXPECT_EQ(at(56, 160), 0);
}

TEST_F(FroggerBoard, RiverColumnsShowDarkBlueAndEmptyCodeOnlyThere) {
  solidCharacter(0x10, 1);
  FroggerInitialise(region_.data());
  for (int c = 0; c < 32; ++c) setColumn(c, 0, 3);
  std::memset(MemoryImage + Vram, 0x00, 0x400);
  MemoryImage[Vram + 10 * 32 + 16] = 0x10;
  MemoryImage[Vram + 10 * 32 + 17] = 0x10;
  FroggerDraw();
  // Code 0 is drawn opaque everywhere: pen 0 is colour 4 x 3 in the river, with the bank added.
  EXPECT_EQ(at(100, 8 * 5), 10 + 32 + 12);
  EXPECT_EQ(at(100, 8 * 20), 10 + 12);
  // Code 10h: drawn in column 16, skipped in column 17 (background left black).
  EXPECT_EQ(at(8 * 21, 8 * 16), 10 + 32 + 12 + 1);
  EXPECT_EQ(at(8 * 21, 8 * 17), 0);
  // Tiles reaching into the border columns are not drawn at all.
  EXPECT_EQ(at(3, 8 * 20), 0);
  EXPECT_EQ(at(250, 8 * 20), 0);
}

TEST_F(FroggerBoard, ColourByteIsUsedWhole) {
  solidCharacter(5, 1);
  FroggerInitialise(region_.data());
  MemoryImage[Vram + 10 * 32 + 20] = 5;
  setColumn(20, 0, 8);  // eight groups on: the second bank, even below the river
  FroggerDraw();
  EXPECT_EQ(at(8 * 21, 8 * 20), 10 + 32 + 1);
}

TEST_F(FroggerBoard, SpritesHaveSwappedXNoFlipsAndYZeroMeansOff) {
  // Sprite 2 (characters 8-11) solid pen 2.
  for (int n = 8; n < 12; ++n) solidCharacter(n, 2);
  FroggerInitialise(region_.data());
  uint8_t* s = MemoryImage + 0xB040;
  s[0] = 0x32, s[1] = 0xC2, s[2] = 1, s[3] = 150;  // x = 23h, code 2 (top bits ignored)
  FroggerDraw();
  EXPECT_EQ(at(0x23, 150), 10 + 4 + 2);
  EXPECT_EQ(at(0x23 + 15, 165), 10 + 4 + 2);
  EXPECT_EQ(at(0x22, 150), 0);

  s[3] = 0;
  FroggerDraw();
  EXPECT_EQ(std::count(Screen->Pixels.begin(), Screen->Pixels.end(), 10 + 4 + 2), 0);
}

TEST_F(FroggerBoard, SpriteZeroLandsOnTop) {
  for (int n = 4; n < 12; ++n) solidCharacter(n, 1);
  FroggerInitialise(region_.data());
  uint8_t* s = MemoryImage + 0xB040;
  s[0] = 0x05, s[1] = 1, s[2] = 1, s[3] = 150;  // sprite 0 at x = 50h
  s[4] = 0x05, s[5] = 2, s[6] = 2, s[7] = 150;  // sprite 1 at the same place
  FroggerDraw();
  EXPECT_EQ(at(0x50, 150), 10 + 4 + 1);
}

TEST_F(FroggerBoard, NmiEnableRule) {
  FroggerInitialise(region_.data());
  context_.NmiRequest = 0;
  context_.IrqState.Value = 0x12;
  MemoryImage[NmiEnable] = 1;
  FroggerFrame();
  EXPECT_EQ(context_.NmiRequest, 1u);
  EXPECT_EQ(context_.IrqState.Value, 0x12u);

  context_.NmiRequest = 0;
  MemoryImage[NmiEnable] = 0;
  FroggerFrame();
  EXPECT_EQ(context_.NmiRequest, 0u);
  EXPECT_EQ(context_.IrqState.Value, 0x01000000u);

  Game.NmiEnable = 0;  // no enable address: nothing at all is written, address 0 is not read
  context_.IrqState.Value = 0x12;
  MemoryImage[0] = 1;
  FroggerFrame();
  EXPECT_EQ(context_.NmiRequest, 0u);
  EXPECT_EQ(context_.IrqState.Value, 0x12u);
}

// The demo at rest (river, colour lines, sprites), and with every input key held, the joystick
// sprite moving and key 2 stopping the NMI count at 30 (the loop then runs free).
TEST(FroggerDemo, Picture) { EXPECT_TRUE(testing::MatchesGolden("frogger_demo.ini", 40, "", "frogger.png")); }

TEST(FroggerDemo, PictureWithKeys) {
  EXPECT_TRUE(testing::MatchesGolden(
      "frogger_demo.ini", 40, "10-40:Right+Up+3+4+Ctrl+Shift+Alt+A+Tab+C+K,31-40:2", "frogger_keys.png"));
}

}  // namespace
}  // namespace tirvane
