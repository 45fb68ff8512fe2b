// SPDX-License-Identifier: GPL-3.0-or-later
// PHOENIX: latches and their mirrors, the read-once vertical blank, the dirty rule, the two
// layers, colours and the decoder, and the demo's picture.
#include "drivers/phoenix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

class PhoenixBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ActiveContext;
    ActiveContext = &context_;
    Game = GameDescription{};
    Game.CharSets = 2;
    std::memset(MemoryImage, 0, MemoryImageSize);
    KeyState.fill(0);
    PhoenixPaletteBank = 0;
    PhoenixVerticalBlank = false;
    ScreenDirty = false;
    region_.assign(GraphicsRegionSize, 0);
    CreateScreenBitmap();
  }
  void TearDown() override {
    FreeScreenBitmap();
    KeyState.fill(0);
    PhoenixPaletteBank = 0;
    ActiveContext = saved_;
  }

  void hold(VirtualKey key) { KeyState[static_cast<int>(key)] = 1; }
  uint8_t at(int x, int y) const { return Screen->Pixels[y * 256 + x]; }
  // Character n of bank k filled with one pen (high plane at +0, low plane at +800h).
  void solidCharacter(int k, int n, int pen) {
    std::memset(&region_[k * 0x1000 + n * 8], (pen & 2) ? 0xFF : 0, 8);
    std::memset(&region_[k * 0x1000 + 0x800 + n * 8], (pen & 1) ? 0xFF : 0, 8);
  }
  // Whether a write marks the screen, starting from a clean one.
  bool marks(uint8_t value, uint16_t address) {
    ScreenDirty = false;
    PhoenixWrite(value, address);
    return ScreenDirty;
  }

  Z80Context context_{};
  Z80Context* saved_ = nullptr;
  std::vector<uint8_t> region_;
};

TEST_F(PhoenixBoard, LatchesAreReachedThroughTheirMirrors) {
  PhoenixWrite(0x42, 0x5123);
  EXPECT_EQ(MemoryImage[0x5000], 0x42);
  EXPECT_EQ(MemoryImage[0x5123], 0x00);
  EXPECT_EQ(PhoenixRead(0x5123), 0x42);
  EXPECT_EQ(PhoenixRead(0x53FF), 0x42);
  EXPECT_EQ(PhoenixPaletteBank, 1) << "bit 1 of 42h";

  PhoenixWrite(0x37, 0x5BFF);
  EXPECT_EQ(MemoryImage[0x5800], 0x37);
  EXPECT_EQ(MemoryImage[0x5BFF], 0x00);
  EXPECT_EQ(PhoenixRead(0x5A00), 0x37);

  // Next to the latches, plain memory.
  PhoenixWrite(0x11, 0x5400);
  PhoenixWrite(0x22, 0x5C00);
  EXPECT_EQ(PhoenixRead(0x5400), 0x11);
  EXPECT_EQ(PhoenixRead(0x5C00), 0x22);
}

TEST_F(PhoenixBoard, WritesAreStoredFrom3FFFTo8000Only) {
  const struct {
    uint16_t address;
    bool stored;
  } cases[] = {{0x0000, false}, {0x3FFE, false}, {0x3FFF, true},  {0x4400, true}, {0x7000, true},
               {0x7C00, true},  {0x8000, true},  {0x8001, false}, {0xFFFF, false}};
  for (const auto& c : cases) {
    PhoenixWrite(0x99, c.address);
    EXPECT_EQ(MemoryImage[c.address] == 0x99, c.stored) << std::hex << c.address;
  }
}

TEST_F(PhoenixBoard, VerticalBlankReadsOnceAFrame) {
  EXPECT_EQ(PhoenixRead(0x7800), 0x00);
  PhoenixFrame();
  EXPECT_EQ(PhoenixRead(0x7BFF), 0x80) << "every address of 7800h-7BFFh";
  EXPECT_EQ(PhoenixRead(0x7800), 0x00);
  PhoenixFrame();
  PhoenixFrame();
  EXPECT_EQ(PhoenixRead(0x7800), 0x80) << "two frame ends still give one 80h";
  EXPECT_EQ(PhoenixRead(0x7800), 0x00);
}

TEST_F(PhoenixBoard, InputsAndUnansweredAddresses) {
  EXPECT_EQ(PhoenixRead(0x7000), 0xFF);
  hold(VirtualKey::Left);
  hold(VirtualKey::D3);
  hold(VirtualKey::D2);
  EXPECT_EQ(PhoenixRead(0x73FF), 0xBA);
  KeyState.fill(0);
  hold(VirtualKey::Right);
  hold(VirtualKey::D1);
  hold(VirtualKey::Ctrl);
  hold(VirtualKey::Shift);
  EXPECT_EQ(PhoenixRead(0x7000), 0x4D) << "bit 3 has no key";

  for (uint16_t address : {0x7400, 0x77FF, 0x7C00, 0x8000, 0xFFFF}) {
    MemoryImage[address] = 0x12;
    EXPECT_EQ(PhoenixRead(address), 0xFF) << std::hex << address;
  }
  MemoryImage[0x4123] = 0x34;
  EXPECT_EQ(PhoenixRead(0x4123), 0x34);
}

TEST_F(PhoenixBoard, ScreenIsMarkedChangedOnlyByChanges) {
  EXPECT_TRUE(marks(7, 0x4005));
  EXPECT_FALSE(marks(7, 0x4005)) << "same value again";
  EXPECT_TRUE(marks(7, 0x4B40)) << "the background map's check reaches 4B40h";
  EXPECT_TRUE(marks(7, 0x4340));
  EXPECT_FALSE(marks(7, 0x4341));
  EXPECT_FALSE(marks(7, 0x47FF));
  EXPECT_FALSE(marks(7, 0x3FFF));

  EXPECT_TRUE(marks(0x10, 0x5800));
  EXPECT_FALSE(marks(0x10, 0x5A00)) << "the scroll latch already holds 10h";
  EXPECT_TRUE(marks(0x02, 0x5000)) << "bank 0 to 1";
  EXPECT_FALSE(marks(0x06, 0x5000)) << "bank stays 1";
  EXPECT_TRUE(marks(0x00, 0x5001));
}

TEST_F(PhoenixBoard, FrameRedrawsOnlyAChangedScreenAndNeverInterrupts) {
  PhoenixInitialise(region_.data());
  EXPECT_TRUE(ScreenDirty) << "the first frame of a run draws";
  context_.NmiRequest = 0;
  context_.IrqState.Value = 0;
  PhoenixFrame();
  EXPECT_FALSE(ScreenDirty);
  EXPECT_EQ(context_.IrqState.Value, 0x01000000u);
  EXPECT_EQ(context_.NmiRequest, 0u);

  Screen->Pixels[1000] = 0x55;
  PhoenixFrame();
  EXPECT_EQ(Screen->Pixels[1000], 0x55) << "nothing changed: no redraw";
  ScreenDirty = true;
  PhoenixFrame();
  EXPECT_EQ(Screen->Pixels[1000], 0x00);
}

TEST_F(PhoenixBoard, BackgroundScrollsAlongTheLongAxisForegroundStays) {
  solidCharacter(1, 0x21, 1);  // background code 21h
  solidCharacter(0, 0x41, 2);  // foreground code 41h
  PhoenixInitialise(region_.data());

  // Scroll 13h: t = 1 shows map column 2 + 1 at y = 8 - 3 + 8 = 13.
  PhoenixWrite(0x13, 0x5800);
  PhoenixWrite(0x21, 0x4800 + (25 - 4) * 32 + 3);
  PhoenixWrite(0x41, 0x4000 + (25 - 10) * 32 + 2);
  PhoenixDraw();
  EXPECT_EQ(at(32, 13), 10 + 4 * 1 + 1) << "group 21h >> 5 = 1, pen 1";
  EXPECT_EQ(at(39, 20), 10 + 4 * 1 + 1);
  EXPECT_EQ(at(32, 12), 0);
  EXPECT_EQ(at(80, 16), 74 + 4 * 2 + 2) << "foreground: x = 8r, y = 8c, not scrolled";

  // Bank 1 moves both layers eight groups on.
  PhoenixWrite(0x02, 0x5000);
  PhoenixDraw();
  EXPECT_EQ(at(32, 13), 10 + 4 * (1 + 8) + 1);
  EXPECT_EQ(at(80, 16), 74 + 4 * (2 + 8) + 2);
}

TEST_F(PhoenixBoard, BackgroundRowsOutsideTheWindowAreLeftOut) {
  solidCharacter(1, 1, 3);
  PhoenixInitialise(region_.data());
  for (int c = 0; c < 32; ++c) MemoryImage[0x4800 + 25 * 32 + c] = 1;  // screen column 0, every line
  MemoryImage[0x5800] = 0;
  PhoenixDraw();
  // Scroll 0: t = 0 .. 30 land at y = 8 .. 248, t = 31 would be 256.
  EXPECT_EQ(at(0, 8), 10 + 3);
  EXPECT_EQ(at(0, 255), 10 + 3);
  EXPECT_EQ(at(0, 7), 0);
  MemoryImage[0x5800] = 7;
  PhoenixDraw();
  // Scroll 7: y = 8t + 1, so t = 0 .. 30 give 1 .. 241; 249 for t = 31 is beyond 248.
  EXPECT_EQ(at(0, 1), 10 + 3);
  EXPECT_EQ(at(0, 248), 10 + 3);
  EXPECT_EQ(at(0, 249), 0);
}

TEST_F(PhoenixBoard, ColoursPairTheTwoPromsAndTheDecoderTurnsCharacters) {
  // One pixel: source byte 1, bit 2 of the low plane is row 2, column 6; the high plane adds 2.
  region_[0x800 + 3 * 8 + 1] = 0x04;
  region_[3 * 8 + 5] = 0x80;
  PhoenixInitialise(region_.data());
  ASSERT_EQ(CharTileCount, 512);
  const Tile& tile = *CharTiles[3];
  EXPECT_EQ(tile.Pixels[2 * 8 + 6], 1);
  EXPECT_EQ(tile.Pixels[7 * 8 + 2], 2);
  EXPECT_EQ(std::count(tile.Pixels.begin(), tile.Pixels.end(), 0), 62);

  // Entry 1 (group 0, pen 1) is colour 8: both PROMs 02h, the middle bit, which drives blue.
  EXPECT_EQ(RgbTable[1], (Rgb{0x00, 0x00, 0xFF}));
  // Entry 64 + 7 (foreground group 1, pen 3) is colour 32 + 24 + 1: both PROMs 07h.
  EXPECT_EQ(RgbTable[64 + 4 + 3], (Rgb{0xFF, 0xFF, 0xFF}));
  // Entry 32 + 16 + 1 (bank 1, group 4, pen 1) is colour 64 + 8 + 4: PROM 1 01h, PROM 2 03h.
  EXPECT_EQ(RgbTable[49], (Rgb{0xFF, 0x00, 0xAA}));
}

TEST_F(PhoenixBoard, TooFewBanksDrawOnlyWhatWasDecoded) {
  Game.CharSets = 1;
  solidCharacter(0, 5, 1);
  PhoenixInitialise(region_.data());
  MemoryImage[0x4800 + 25 * 32 + 1] = 5;  // background needs bank 1
  MemoryImage[0x4000 + 25 * 32 + 20] = 5;
  PhoenixDraw();
  EXPECT_EQ(std::count_if(Screen->Pixels.begin(), Screen->Pixels.end(), [](uint8_t v) { return v; }), 64);
}

// The demo polls the vertical blank; the background has scrolled 60 pixels, Ctrl selects bank 1.
TEST(PhoenixDemo, Picture) { EXPECT_TRUE(testing::MatchesGolden("phoenix_demo.ini", 60, "", "phoenix.png")); }

TEST(PhoenixDemo, PictureWithKeys) {
  EXPECT_TRUE(
      testing::MatchesGolden("phoenix_demo.ini", 30, "20-30:Ctrl+Left+3+2+Shift", "phoenix_keys.png"));
}

}  // namespace
}  // namespace tirvane
