// SPDX-License-Identifier: GPL-3.0-or-later
// GALAXIAN and the shared Galaxian-family routines: palette and stars, decoder, draw rules,
// frame routine, and the GALAXIAN inputs and latches.
#include "drivers/galaxian.h"

#include <memory>
#include <vector>

#include "board_fixture.h"
#include "drivers/driver.h"
#include "golden.h"

namespace tirvane::testing {
namespace {

constexpr uint16_t Vram = 0x5000, Attr = 0x5800, Sprites = 0x5840, Bullets = 0x5860, NmiEnable = 0x7001,
                   StarsOn = 0x7004;

class GalaxianTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    region_ = std::make_unique<uint8_t[]>(GraphicsRegionSize);
    std::memset(region_.get(), 0, GraphicsRegionSize);
    Game.Driver = "GALAXIAN";
    Game.VideoRam = Vram;
    Game.AttrRam = Attr;
    Game.SpriteRam = Sprites;
    Game.BulletRam = Bullets;
    Game.NmiEnable = NmiEnable;
    Game.StarsOn = StarsOn;
    Game.CharSets = 2;
    Game.Sprites = 128;
    GalaxianFamily.Persistent.StarCounter = 0;
  }
  void TearDown() override {
    GalaxianFamilyStop();
    BoardTest::TearDown();
  }

  void Start(int32_t variant) {
    Game.DriverTag = variant;
    GalaxianInitialise(region_.get());
  }

  // Character n of bank k: every pixel pen 3.
  void SolidCharacter(int k, int n) {
    std::memset(region_.get() + k * 0x1000 + n * 8, 0xFF, 8);
    std::memset(region_.get() + k * 0x1000 + 0x800 + n * 8, 0xFF, 8);
  }
  void SolidSprite(int code) {
    for (int t = 0; t < 4; ++t) SolidCharacter(code / 64, (4 * code) % 256 + t);
  }
  static void SetSprite(int i, uint8_t x, uint8_t attributes, uint8_t colour, uint8_t y) {
    uint8_t* s = MemoryImage + Sprites + 4 * i;
    s[0] = x, s[1] = attributes, s[2] = colour, s[3] = y;
  }

  std::unique_ptr<uint8_t[]> region_;
};

TEST_F(GalaxianTest, PaletteFollowsTheResistorWeightsAndStarLevels) {
  Start(0);
  // Table A: byte 3 is F6h, byte 9 is D8h, byte 10 is 07h.
  auto same = [](Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
  EXPECT_TRUE(same(RgbTable[3], Rgb{0x47 + 0x97, 0x47 + 0x97, 0x47 + 0x97}));
  EXPECT_TRUE(same(RgbTable[9], Rgb{0x00, 0x21 + 0x47, 0x47 + 0x97}));
  EXPECT_TRUE(same(RgbTable[10], Rgb{0xFF, 0x00, 0x00}));
  EXPECT_TRUE(same(RgbTable[4], Rgb{0x00, 0x00, 0xFF}));   // fixed, whatever the PROM says
  EXPECT_TRUE(same(RgbTable[97], Rgb{0xFF, 0xFF, 0xFF}));  // the bullet colour
  // Star colour n: levels 00, 88, CC, FF by bit pairs, red lowest.
  EXPECT_TRUE(same(RgbTable[32 + 0x1B], Rgb{0xFF, 0xCC, 0x88}));
  EXPECT_TRUE(same(RgbTable[32 + 0x3F], Rgb{0xFF, 0xFF, 0xFF}));

  Start(81);  // table B
  EXPECT_TRUE(same(RgbTable[1], Rgb{0x00, 0x21 + 0x97, 0x47 + 0x97}));
  Start(2);  // table C
  EXPECT_TRUE(same(RgbTable[1], Rgb{0xFF, 0xFF, 0x47 + 0x97}));
  Start(48);  // table D
  EXPECT_TRUE(same(RgbTable[1], Rgb{0x47, 0x21 + 0x47 + 0x97, 0x47}));
}

TEST_F(GalaxianTest, VariantsWithoutATableLeaveTheColoursAlone) {
  for (int32_t variant : {1, 3, 79, 128, 200, -1}) {
    std::fill(std::begin(RgbTable), std::end(RgbTable), Rgb{1, 2, 3});
    StarCount = 0;
    Start(variant);
    EXPECT_TRUE(std::all_of(std::begin(RgbTable), std::end(RgbTable), [](Rgb c) {
      return c.r == 1 && c.g == 2 && c.b == 3;
    })) << variant;
    EXPECT_EQ(StarCount, MaxStars) << variant;
    EXPECT_EQ(GalaxianPromFor(variant), nullptr);
  }
}

TEST_F(GalaxianTest, StarfieldHoldsTheFirst250StarsOfTheWalk) {
  BuildStarfield();
  ASSERT_EQ(StarCount, 250);
  for (int i = 0; i < StarCount; ++i) {
    const Star& s = StarTable[i];
    EXPECT_LT(s.P, 512);
    EXPECT_LT(s.Colour, 64);
    if (i > 0) {  // walked from the last row and column down
      const Star& before = StarTable[i - 1];
      EXPECT_TRUE(s.Q < before.Q || (s.Q == before.Q && s.P < before.P)) << i;
    }
  }
}

TEST_F(GalaxianTest, DecoderTurnsCharactersAndSpritesToScreenOrientation) {
  uint8_t* r = region_.get();
  // Character 1: source byte 0 bit 0 in the low plane only (pen 1), byte 7 bit 7 in the high plane
  // only (pen 2), byte 2 bit 5 in both (pen 3).
  r[0x800 + 8] = 0x01;
  r[8 + 7] = 0x80;
  r[0x800 + 8 + 2] = 0x20;
  r[8 + 2] = 0x20;
  // Bank 1, character 0 (number 256): byte 0 bit 7 in the high plane.
  r[0x1000] = 0x80;
  // Sprite 65 = bank 1 characters 4-7: mark bit 7 of byte 7 of each quarter with a different pen.
  r[0x1000 + 0x800 + 4 * 8 + 7] = 0x80;  // quarter 0: pen 1
  r[0x1000 + 5 * 8 + 7] = 0x80;          // quarter 1: pen 2
  r[0x1000 + 0x800 + 6 * 8 + 7] = 0x80;  // quarter 2: pen 3
  r[0x1000 + 6 * 8 + 7] = 0x80;
  r[0x1000 + 0x800 + 7 * 8 + 7] = 0x80;  // quarter 3: pen 1
  Start(0);

  ASSERT_EQ(CharTileCount, 512);
  ASSERT_EQ(SpriteTileCount, 128);
  const Tile& c1 = *CharTiles[1];
  EXPECT_EQ(c1.Width, 8);
  EXPECT_EQ(c1.Pixels[7 * 8 + 7], 1);  // byte 0 bit 0: row 7, column 7
  EXPECT_EQ(c1.Pixels[0 * 8 + 0], 2);  // byte 7 bit 7: row 0, column 0
  EXPECT_EQ(c1.Pixels[2 * 8 + 5], 3);  // byte 2 bit 5: row 2, column 5
  EXPECT_EQ(std::count(c1.Pixels.begin(), c1.Pixels.end(), 0), 61);
  EXPECT_EQ(CharTiles[256]->Pixels[0 * 8 + 7], 2);

  const Tile& s = *SpriteTiles[65];
  ASSERT_EQ(s.Width, 16);
  // Byte 7 bit 7 of a quarter lands on its top-left pixel: quarters at (row, column) (0, 8), (8, 8),
  // (0, 0), (8, 0).
  EXPECT_EQ(s.Pixels[0 * 16 + 8], 1);
  EXPECT_EQ(s.Pixels[8 * 16 + 8], 2);
  EXPECT_EQ(s.Pixels[0 * 16 + 0], 3);
  EXPECT_EQ(s.Pixels[8 * 16 + 0], 1);
  EXPECT_EQ(std::count(s.Pixels.begin(), s.Pixels.end(), 0), 252);

  GalaxianFamilyStop();
  EXPECT_EQ(CharTiles, nullptr);
  EXPECT_EQ(SpriteTiles, nullptr);
  EXPECT_EQ(CharTileCount, 0);
  EXPECT_EQ(SpriteTileCount, 0);
}

TEST_F(GalaxianTest, DecoderBoundsCountsToTheGraphicsRegion) {
  Game.CharSets = 0x7FFFFFFF;
  Game.Sprites = 0x7FFFFFFF;
  Start(0);
  EXPECT_EQ(CharTileCount, 32 * 256);
  EXPECT_EQ(SpriteTileCount, 32 * 64);
  Game.CharSets = -5;
  Game.Sprites = -5;
  Start(0);
  EXPECT_EQ(CharTileCount, 0);
  EXPECT_EQ(SpriteTileCount, 0);
  GalaxianFamilyDraw();  // codes without a tile are skipped
  MemoryImage[Vram] = 0x41;
  SetSprite(0, 100, 0x01, 1, 100);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
}

TEST_F(GalaxianTest, InputsFollowTheVariantTable) {
  Start(0);
  MemoryImage[0x6000] = 0x55;
  MemoryImage[0x6800] = 0x55;
  EXPECT_EQ(GalaxianRead(0x6000), 0x00);
  EXPECT_EQ(GalaxianRead(0x6800), 0x80);
  EXPECT_EQ(GalaxianRead(0x7000), 0xFF);
  const struct {
    VirtualKey Key;
    uint8_t Bit;
  } in0[] = {{VirtualKey::D3, 0x01},    {VirtualKey::D4, 0x02},   {VirtualKey::Left, 0x04},
             {VirtualKey::Right, 0x08}, {VirtualKey::Ctrl, 0x10}, {VirtualKey::F2, 0x40},
             {VirtualKey::F3, 0x80}};
  for (const auto& k : in0) {
    Hold(k.Key);
    EXPECT_EQ(GalaxianRead(0x6000), k.Bit) << VirtualKeyName(k.Key);
    Release(k.Key);
  }
  Hold(VirtualKey::Up);
  Hold(VirtualKey::Down);
  EXPECT_EQ(GalaxianRead(0x6000), 0x00);
  Hold(VirtualKey::D1);
  EXPECT_EQ(GalaxianRead(0x6800), 0x81);
  Hold(VirtualKey::D2);
  EXPECT_EQ(GalaxianRead(0x6800), 0x83);
  KeyState.fill(0);

  Start(2);  // Up and Down take bits 6 and 7
  Hold(VirtualKey::Up);
  EXPECT_EQ(GalaxianRead(0x6000), 0x40);
  Hold(VirtualKey::Down);
  EXPECT_EQ(GalaxianRead(0x6000), 0xC0);
  Hold(VirtualKey::F2);
  Hold(VirtualKey::F3);
  EXPECT_EQ(GalaxianRead(0x6000), 0xC0);
  KeyState.fill(0);

  Start(48);  // inputs at A000h and A800h; 6000h is memory again
  Hold(VirtualKey::Ctrl);
  Hold(VirtualKey::D2);
  EXPECT_EQ(GalaxianRead(0xA000), 0x10);
  EXPECT_EQ(GalaxianRead(0xA800), 0x82);
  EXPECT_EQ(GalaxianRead(0x6000), 0x55);
  EXPECT_EQ(GalaxianRead(0x6800), 0x55);
}

TEST_F(GalaxianTest, WritesIgnore6000And6001AndLatchBankAndExtension) {
  Start(0);
  MemoryImage[0x6000] = 0x11;
  MemoryImage[0x6001] = 0x22;
  GalaxianWrite(0xAA, 0x6000);
  GalaxianWrite(0xBB, 0x6001);
  EXPECT_EQ(MemoryImage[0x6000], 0x11);
  EXPECT_EQ(MemoryImage[0x6001], 0x22);
  EXPECT_EQ(GalaxianRead(0x6001), 0x22);
  EXPECT_EQ(GalaxianRead(0x6000), 0x00);  // the inputs, not the memory byte

  GalaxianWrite(0x01, 0x6002);  // no bank below variant 80, but stored
  EXPECT_EQ(GalaxianFamily.SpriteBank, 0);
  EXPECT_EQ(MemoryImage[0x6002], 0x01);
  for (int32_t variant : {80, 81, 128}) {
    Start(variant);
    GalaxianWrite(0x03, 0x6002);
    EXPECT_EQ(GalaxianFamily.SpriteBank, 1) << variant;
    GalaxianWrite(0x02, 0x6002);
    EXPECT_EQ(GalaxianFamily.SpriteBank, 0) << variant;
  }

  GalaxianWrite(0x80, 0xA000);
  GalaxianWrite(0x01, 0xA002);
  EXPECT_EQ(GalaxianFamily.SpriteExtension, 5);
  GalaxianWrite(0x00, 0xA000);
  GalaxianWrite(0x10, 0xA001);
  EXPECT_EQ(GalaxianFamily.SpriteExtension, 6);
  GalaxianWrite(0x10, 0xA003);  // outside the latch
  EXPECT_EQ(GalaxianFamily.SpriteExtension, 6);
  EXPECT_EQ(MemoryImage[0xA001], 0x10);
  EXPECT_EQ(MemoryImage[0xA003], 0x10);

  GalaxianWrite(0x01, 0x6002);
  Start(81);  // a new run starts from bank 0 and no extension
  EXPECT_EQ(GalaxianFamily.SpriteBank, 0);
  EXPECT_EQ(GalaxianFamily.SpriteExtension, 0);
}

TEST_F(GalaxianTest, TilemapScrollsByColumnAndDropsTilesInTheBorders) {
  SolidCharacter(0, 0x41);
  Start(0);
  // Row 28 sits at x = 24 before scrolling; column 3 at y = 24, colour group 5 (palette 30-33).
  MemoryImage[Vram + 28 * 32 + 3] = 0x41;
  MemoryImage[Attr + 7] = 0x05;
  GalaxianFamilyDraw();
  EXPECT_EQ(LitIn(24, 24, 32, 32), 64);
  EXPECT_EQ(Pixel(24, 24), 10 + 4 * 5 + 3);
  EXPECT_EQ(LitPixels(), 64);

  const struct {
    uint8_t Scroll;
    int X;  // where the tile lands, or -1 when it is dropped
  } cases[] = {{0xEF, -1},  {0xF0, 8},  {0xF8, 16}, {0xD0, 232},
               {0xDF, 247}, {0xE0, -1}, {0xE7, -1}, {0xE8, -1}};
  for (const auto& c : cases) {
    MemoryImage[Attr + 6] = c.Scroll;  // x = (24 + scroll) mod 256
    GalaxianFamilyDraw();
    if (c.X < 0) {
      EXPECT_EQ(LitPixels(), 0) << int(c.Scroll);
    } else {
      EXPECT_EQ(LitIn(c.X, 24, std::min(c.X + 8, 256), 32), std::min(8, 256 - c.X) * 8) << int(c.Scroll);
    }
  }
}

TEST_F(GalaxianTest, SpritesSkipTheBordersAndCodeZero) {
  SolidSprite(0);
  SolidSprite(5);
  Start(0);
  std::memset(MemoryImage + Vram, 0x20, 0x400);  // keep the solid character 0 off the tilemap
  const struct {
    uint8_t X, Y;
    bool Drawn;
  } positions[] = {{0, 100, false}, {1, 100, true},   {238, 100, true},  {239, 100, false},
                   {100, 0, false}, {100, 238, true}, {100, 239, false}, {255, 255, false}};
  for (const auto& p : positions) {
    SetSprite(0, p.X, 0x05, 2, p.Y);
    GalaxianFamilyDraw();
    EXPECT_EQ(LitPixels(), p.Drawn ? 256 : 0) << int(p.X) << "," << int(p.Y);
  }
  SetSprite(0, 100, 0x05, 2, 100);
  GalaxianFamilyDraw();
  EXPECT_EQ(Pixel(100, 100), 10 + 8 + 3);
  SetSprite(0, 100, 0x00, 2, 100);  // code 0 never shows, though its tile is solid
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
}

TEST_F(GalaxianTest, SpriteBankAddsSixtyFour) {
  SolidSprite(5);
  SolidCharacter(1, 4 * 5);  // one quarter of sprite 45h
  Start(81);
  SetSprite(0, 100, 0x05, 2, 100);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 256);
  GalaxianWrite(0x01, 0x6002);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 64);
  SetSprite(0, 100, 0x00, 2, 100);  // code 0 with the bank is code 40h, which is drawn (empty here)
  SolidCharacter(1, 0);
  Start(81);
  GalaxianWrite(0x01, 0x6002);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 64);
}

TEST_F(GalaxianTest, CodeExtensionReplacesCodes20To2FOnVariant48Only) {
  SolidSprite(0x5A);  // 2Ah and 1Ah stay empty
  Start(48);
  SetSprite(0, 100, 0x2A, 2, 100);
  GalaxianWrite(1, 0xA000);
  GalaxianWrite(1, 0xA002);  // extension 5: 2Ah becomes 5Ah
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 256);
  GalaxianWrite(0, 0xA002);  // without bit 2 the code stays
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
  GalaxianWrite(1, 0xA002);
  SetSprite(0, 100, 0x1A, 2, 100);  // outside 20h-2Fh
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);

  Start(0);  // other variants latch the bits but never extend
  SetSprite(0, 100, 0x2A, 2, 100);
  GalaxianWrite(1, 0xA000);
  GalaxianWrite(1, 0xA002);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
}

TEST_F(GalaxianTest, SpriteAttributesFlipAndLaterSpritesCoverEarlierOnes) {
  // Sprite 5: only its top-left pixel set (quarter 2, byte 7 bit 7), pen 3.
  uint8_t* r = region_.get();
  r[22 * 8 + 7] = 0x80;
  r[0x800 + 22 * 8 + 7] = 0x80;
  SolidSprite(6);
  Start(0);
  const struct {
    uint8_t Flips;
    int X, Y;
  } flips[] = {{0x00, 50, 60}, {0x80, 65, 60}, {0x40, 50, 75}, {0xC0, 65, 75}};
  for (const auto& f : flips) {
    SetSprite(0, 50, 0x05 | f.Flips, 1, 60);
    GalaxianFamilyDraw();
    EXPECT_EQ(LitPixels(), 1);
    EXPECT_EQ(Pixel(f.X, f.Y), 10 + 4 + 3) << int(f.Flips);
  }
  SetSprite(0, 50, 0x06, 1, 60);
  SetSprite(7, 58, 0x06, 2, 60);
  GalaxianFamilyDraw();
  EXPECT_EQ(Pixel(57, 60), 10 + 4 + 3);
  EXPECT_EQ(Pixel(58, 60), 10 + 8 + 3);
}

TEST_F(GalaxianTest, BulletsAreThreePixelsAndSkipXOfZeroAndFF) {
  Start(0);
  uint8_t* b = MemoryImage + Bullets;
  b[1] = 100, b[3] = 52;        // x 100, y 200
  b[4 + 1] = 0, b[4 + 3] = 52;  // skipped
  b[8 + 1] = 0xFF, b[8 + 3] = 52;
  b[12 + 1] = 20, b[12 + 3] = 254;  // y wraps: 252 - 254 = 254
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 6);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Pixel(100, 200 + k), 107);
  EXPECT_EQ(Pixel(20, 254), 107);
  EXPECT_EQ(Pixel(20, 255), 107);
  EXPECT_EQ(Pixel(20, 0), 107);

  Start(128);  // across instead of down
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 6);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Pixel(100 + k, 200), 107);
}

TEST_F(GalaxianTest, StarsShowOnlyWhenSwitchedOnAndOnTheirCheckerboard) {
  Start(0);
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
  MemoryImage[StarsOn] = 0x02;  // only bit 0 counts
  GalaxianFamilyDraw();
  EXPECT_EQ(LitPixels(), 0);
  MemoryImage[StarsOn] = 0x01;
  for (uint16_t counter : {0, 1, 2, 300}) {
    GalaxianFamily.Persistent.StarCounter = counter;
    GalaxianFamilyDraw();
    // Lit exactly where a star falls on a shown square of the checkerboard.
    std::vector<uint8_t> shown(256 * 256, 0);
    for (int i = 0; i < StarCount; ++i) {
      const int x = StarTable[i].Q, y = (StarTable[i].P + counter / 2) & 0xFF;
      if ((x & 1) ^ ((y >> 4) & 1)) shown[y * 256 + x] = 1;
    }
    int mismatches = 0, lit = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const uint8_t p = Pixel(x, y);
        lit += p != 0;
        mismatches += (p != 0) != (shown[y * 256 + x] != 0);
        if (p) {
          EXPECT_TRUE(p >= 42 && p < 42 + 64) << x << "," << y;
        }
      }
    EXPECT_EQ(mismatches, 0) << counter;
    EXPECT_GT(lit, 50) << counter;
  }
}

TEST_F(GalaxianTest, FrameForbidsTheMaskableInterruptAndRaisesTheEnabledNmi) {
  Start(0);
  ActiveContext->IrqState.Value = 0xCF;
  GalaxianFamilyFrame();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x01000000u);
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);
  EXPECT_EQ(GalaxianFamily.Persistent.StarCounter, 1);
  EXPECT_EQ(host_.Presents, 1u);

  MemoryImage[NmiEnable] = 0x80;
  GalaxianFamilyFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 1u);

  ActiveContext->NmiRequest = 0;
  Game.NmiEnable = 0;  // no enable byte: never an NMI, whatever address 0 holds
  MemoryImage[0] = 0xFF;
  GalaxianFamilyFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);

  Start(128);  // stars stand still
  const uint16_t before = GalaxianFamily.Persistent.StarCounter;
  GalaxianFamilyFrame();
  EXPECT_EQ(GalaxianFamily.Persistent.StarCounter, before);
}

TEST_F(GalaxianTest, DescriptionAddressesAnywhereStayInsideTheBuffers) {
  Start(0);
  Game.VideoRam = 0x7FFFFFF0;
  Game.AttrRam = -1;
  Game.SpriteRam = 0xFFFFF;
  Game.BulletRam = 0x1FFFE;
  Game.StarsOn = -3;
  Game.NmiEnable = 0x12345678;
  std::memset(MemoryImage, 0xFF, MemoryImageSize);
  GalaxianFamilyFrame();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x01000000u);
  EXPECT_EQ(ActiveContext->NmiRequest, 1u);  // the enable byte is read at 5678h
}

// The star scroll carries over from earlier runs in the same process, as it does between runs of
// the program; the pictures start it from 0.
::testing::AssertionResult MatchesDemo(const std::string& ini, int frames, const std::string& keys,
                                       const std::string& golden) {
  GalaxianFamily.Persistent.StarCounter = 0;
  return MatchesGolden(ini, frames, keys, golden);
}

// Frame counts pick moments where the program's latches show: stars on before frame 128, the
// sprite bank at 1 from frame 64, the code extension at 4 from frame 128.
TEST(GalaxianGolden, Variant0) {
  EXPECT_TRUE(MatchesDemo("galaxian_demo.ini", 100, "", "galaxian_demo.png"));
}

TEST(GalaxianGolden, Variant0WithEveryKeyHeld) {
  EXPECT_TRUE(
      MatchesDemo("galaxian_demo.ini", 60, "57-60:1+3+4+Left+Right+Ctrl+F2+F3", "galaxian_demo_keys.png"));
}

TEST(GalaxianGolden, Key2StopsTheNmi) {
  // The counter stands at 31h from frame 50 to 80 while key 2 is held, then counts on.
  EXPECT_TRUE(MatchesDemo("galaxian_demo.ini", 80, "51-80:2", "galaxian_demo_nmi_off.png"));
}

TEST(GalaxianGolden, Variant2UpAndDown) {
  EXPECT_TRUE(MatchesDemo("galaxian_v2_demo.ini", 40, "38-40:Up+Down+F2+F3", "galaxian_v2_demo.png"));
}

TEST(GalaxianGolden, Variant48Extension) {
  EXPECT_TRUE(MatchesDemo("galaxian_v48_demo.ini", 140, "138-140:3+Left+1", "galaxian_v48_demo.png"));
}

TEST(GalaxianGolden, Variant80RearrangedGraphicsAndBank) {
  EXPECT_TRUE(MatchesDemo("galaxian_v80_demo.ini", 100, "", "galaxian_v80_demo.png"));
}

TEST(GalaxianGolden, Variant81Bank) {
  EXPECT_TRUE(MatchesDemo("galaxian_v81_demo.ini", 100, "", "galaxian_v81_demo.png"));
}

}  // namespace
}  // namespace tirvane::testing
