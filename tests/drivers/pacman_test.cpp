// SPDX-License-Identifier: GPL-3.0-or-later
// PACMAN board: handler rules, the tilemap's placement, sprite rules and the demo's pictures.
#include "drivers/pacman.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "board_fixture.h"
#include "golden.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {
namespace {

constexpr uint16_t Vram = 0x4000, Attr = 0x4400, SpriteRam = 0x4FF0, Enable = 0x5000;

class PacmanTest : public testing::BoardTest {
 protected:
  const MachineDriver& d = PacmanDriver.Routines;
  std::vector<uint8_t> graphics = std::vector<uint8_t>(GraphicsRegionSize, 0);

  void SetUp() override {
    BoardTest::SetUp();
    Game.VideoRam = Vram;
    Game.AttrRam = Attr;
    Game.SpriteRam = SpriteRam;
    Game.NmiEnable = Enable;
    // Character 1 solid in pen 3; sprite 1 a single pen-3 pixel at its top-left corner.
    std::memset(&graphics[16], 0xFF, 16);
    graphics[0x1000 + 64 + 47] = 0x88;  // column 0 is the last byte run, rows 0-3 sit at +8
    PacmanDriver.Initialise(graphics.data());
  }
  void TearDown() override {
    d.StopRoutine();
    BoardTest::TearDown();
  }
};

TEST_F(PacmanTest, WritesToC000UpToC7EFLandEightThousandLower) {
  d.WriteHandler(0x11, 0xC000);
  d.WriteHandler(0x22, 0xC7EF);
  d.WriteHandler(0x33, 0xC7F0);
  d.WriteHandler(0x44, 0xBFFF);
  d.WriteHandler(0x55, Enable);
  EXPECT_EQ(MemoryImage[0x4000], 0x11);
  EXPECT_EQ(MemoryImage[0xC000], 0x00);
  EXPECT_EQ(MemoryImage[0x47EF], 0x22);
  EXPECT_EQ(MemoryImage[0xC7F0], 0x33);
  EXPECT_EQ(MemoryImage[0x47F0], 0x00);
  EXPECT_EQ(MemoryImage[0xBFFF], 0x44);
  EXPECT_EQ(MemoryImage[Enable], 0x55);  // the enable byte is memory too
}

TEST_F(PacmanTest, InputsIdleHighWithFixedBits) {
  MemoryImage[0x5000] = MemoryImage[0x5040] = MemoryImage[0x5080] = 0x12;
  MemoryImage[0x5001] = 0x34;
  EXPECT_EQ(d.ReadHandler(0x5000), 0xFF);
  EXPECT_EQ(d.ReadHandler(0x5040), 0x7F);
  EXPECT_EQ(d.ReadHandler(0x5080), 0xFF);
  EXPECT_EQ(d.ReadHandler(0x5001), 0x34);
  EXPECT_EQ(d.PortInHandler(0x1200), 0x00);
}

TEST_F(PacmanTest, EachKeyClearsItsOwnBits) {
  struct Case {
    VirtualKey key;
    uint8_t in0, in1;
  };
  const Case cases[] = {
      {VirtualKey::Up, 0xFE, 0x7E},   {VirtualKey::Left, 0xFD, 0x7D}, {VirtualKey::Right, 0xFB, 0x7B},
      {VirtualKey::Down, 0xF7, 0x77}, {VirtualKey::D3, 0xDF, 0x7F},   {VirtualKey::D4, 0xBF, 0x7F},
      {VirtualKey::D5, 0x7F, 0x7F},   {VirtualKey::D1, 0xFF, 0x5F},   {VirtualKey::D2, 0xFF, 0x3F},
      {VirtualKey::Ctrl, 0xFF, 0x7F},
  };
  for (const Case& c : cases) {
    KeyState.fill(0);
    Hold(c.key);
    EXPECT_EQ(d.ReadHandler(0x5000), c.in0) << VirtualKeyName(c.key);
    EXPECT_EQ(d.ReadHandler(0x5040), c.in1) << VirtualKeyName(c.key);
    EXPECT_EQ(d.ReadHandler(0x5080), 0xFF);
  }
}

TEST_F(PacmanTest, MaskableInterruptCarriesLatchedVectorOnlyWhileEnabled) {
  d.PortOutHandler(0xFA, 0);
  d.PortOutHandler(0x33, 1);  // other ports leave the latch alone

  MemoryImage[Enable] = 0;
  ActiveContext->IrqState.Value = 0;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x01000000u);

  MemoryImage[Enable] = 1;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0xFAu);
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);

  d.PortOutHandler(0x00, 0);
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x00u);
}

TEST_F(PacmanTest, MissingEnableKeyReadsTheByteAtZero) {
  Game.NmiEnable = 0;
  d.PortOutHandler(0x42, 0);
  MemoryImage[0] = 0;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x01000000u);
  MemoryImage[0] = 0xC3;
  d.FrameHandler();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0x42u);
}

TEST_F(PacmanTest, InitialisationFillsColoursAndLookup) {
  ColourLookup[128] = 0x77;
  RgbTable[16] = {1, 2, 3};
  PacmanDriver.Initialise(graphics.data());
  EXPECT_EQ(RgbTable[1].r, 0xFF);  // 07: all three red resistors
  EXPECT_EQ(RgbTable[1].g, 0x00);
  EXPECT_EQ(RgbTable[15].r, 0xDE);  // F6
  EXPECT_EQ(RgbTable[15].g, 0xDE);
  EXPECT_EQ(RgbTable[15].b, 0xDE);
  EXPECT_EQ(RgbTable[11].r, 0x21);  // C9
  EXPECT_EQ(RgbTable[11].g, 0x21);
  EXPECT_EQ(RgbTable[11].b, 0xDE);
  EXPECT_EQ(RgbTable[16].r, 1);  // beyond the PROM: untouched
  EXPECT_EQ(ColourLookup[7], 0x01);
  EXPECT_EQ(ColourLookup[63], 0x0F);
  EXPECT_EQ(ColourLookup[127], 0x0F);
  EXPECT_EQ(ColourLookup[128], 0x77);
}

TEST_F(PacmanTest, TileSetsDecodeTheSidewaysRomLayout) {
  int count = 0;
  TileSet** sets = nullptr;
  d.SpriteSetsRoutine(count, sets);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(sets[0]->Name, "Char Set (8x8)");
  EXPECT_EQ(sets[0]->Count, 256);
  EXPECT_EQ(sets[1]->Name, "Sprite Set (16x16)");
  EXPECT_EQ(sets[1]->Count, 64);
  EXPECT_EQ(sets[1]->Width, 16);

  graphics.assign(GraphicsRegionSize, 0);
  graphics[8] = 0x80;           // byte 8: column 7, rows 0-3; bit 7 is row 0 of plane 0 (the pen's high bit)
  graphics[0] = 0x01;           // byte 0: column 7, rows 4-7; bit 0 is row 7 of plane 1
  graphics[0x1000 + 7] = 0x10;  // sprite byte 7: column 8, rows 12-15; row 15, plane 0
  PacmanDriver.Initialise(graphics.data());
  d.SpriteSetsRoutine(count, sets);
  const Tile& c = *sets[0]->Tiles[0];
  EXPECT_EQ(c.Pixels[0 * 8 + 7], 2);
  EXPECT_EQ(c.Pixels[7 * 8 + 7], 1);
  EXPECT_EQ(c.Pixels[0 * 8 + 0], 0);
  EXPECT_EQ(sets[1]->Tiles[0]->Pixels[15 * 16 + 8], 2);
}

// Cell index -> where its top-left pixel lands.
TEST_F(PacmanTest, TilemapCellsLandInTheirRegion) {
  struct Case {
    int cell, x, y;
  };
  const Case cases[] = {
      {2 * 32 + 0, 232, 16},    // playfield: stored column by column, right to left
      {2 * 32 + 31, 232, 264},  //
      {29 * 32 + 0, 16, 16},    //
      {30 * 32 + 2, 232, 0},    // strip above the playfield, right to left
      {31 * 32 + 29, 16, 8},    //
      {0 * 32 + 2, 232, 272},   // strip below
      {1 * 32 + 29, 16, 280},   //
  };
  for (const Case& c : cases) {
    std::memset(MemoryImage + Vram, 0, 0x800);
    MemoryImage[Vram + c.cell] = 1;
    MemoryImage[Attr + c.cell] = 1;  // group 1: pen 3 is colour 1
    d.DrawRoutine();
    EXPECT_EQ(Pixel(c.x, c.y), 10 + 1) << "cell " << c.cell;
    EXPECT_EQ(Pixel(c.x + 7, c.y + 7), 10 + 1) << "cell " << c.cell;
    const int neighbour = c.x < 200 ? c.x + 8 : c.x - 8;
    EXPECT_EQ(Pixel(neighbour, c.y), 10) << "cell " << c.cell;  // pen 0 of tile 0, drawn opaque
  }
}

TEST_F(PacmanTest, StripCornersAreNeverDrawnAndNothingFallsOutsideThePicture) {
  for (int n = 0; n < 1024; ++n) {
    MemoryImage[Vram + n] = 1;
    MemoryImage[Attr + n] = 1;
  }
  d.DrawRoutine();
  int lit = 0, litOutside = 0;
  for (int y = 0; y < BitmapHeight; ++y)
    for (int x = 0; x < BitmapWidth; ++x)
      if (Pixel(x, y) == 11) {
        ++lit;
        if (x < 16 || x >= 240) ++litOutside;
      }
  EXPECT_EQ(lit, (1024 - 16) * 64);
  EXPECT_EQ(litOutside, 0);
  EXPECT_EQ(Pixel(8, 0), 0);      // where column 30 of the top strip would land
  EXPECT_EQ(Pixel(240, 280), 0);  // and column 1 of the bottom strip
}

TEST_F(PacmanTest, SpritesSkipCodeZeroAndOutOfRangeCoordinates) {
  struct Case {
    uint8_t code, sx, sy;
    bool drawn;
  };
  const Case cases[] = {
      {1, 100, 100, true}, {0, 100, 100, false}, {1, 16, 100, false},
      {1, 17, 100, true},  {1, 100, 0, false},   {1, 100, 1, true},
  };
  for (const Case& c : cases) {
    std::memset(MemoryImage + 0x4FF0, 0, 16);
    MemoryImage[SpriteRam + 0] = static_cast<uint8_t>(c.code << 2);
    MemoryImage[SpriteRam + 1] = 1;
    MemoryImage[0x5060] = c.sx;
    MemoryImage[0x5061] = c.sy;
    d.DrawRoutine();
    const int x = 255 - c.sx, y = 271 - c.sy;
    EXPECT_EQ(Pixel(x, y) == 11, c.drawn) << int(c.code) << " " << int(c.sx) << " " << int(c.sy);
  }
}

TEST_F(PacmanTest, SpriteFlipBitsMirrorInsideTheSpriteBox) {
  const int x = 255 - 100, y = 271 - 100;
  struct Case {
    uint8_t flipBits;
    int dx, dy;
  };
  const Case cases[] = {{0, 0, 0}, {2, 15, 0}, {1, 0, 15}, {3, 15, 15}};
  for (const Case& c : cases) {
    MemoryImage[SpriteRam] = static_cast<uint8_t>(1 << 2 | c.flipBits);
    MemoryImage[SpriteRam + 1] = 1;
    MemoryImage[0x5060] = 100;
    MemoryImage[0x5061] = 100;
    d.DrawRoutine();
    EXPECT_EQ(Pixel(x + c.dx, y + c.dy), 11) << int(c.flipBits);
    EXPECT_NE(Pixel(x + 15 - c.dx, y + 15 - c.dy), 11) << int(c.flipBits);
  }
}

TEST_F(PacmanTest, LowerSpriteNumbersDrawOnTopInTheirColourGroup) {
  for (int i : {0, 5}) {
    MemoryImage[SpriteRam + 2 * i] = 1 << 2;
    MemoryImage[0x5060 + 2 * i] = 100;
    MemoryImage[0x5061 + 2 * i] = 100;
  }
  MemoryImage[SpriteRam + 1] = 0x20 | 3;  // sprite 0: group 3 (only the low five bits count)
  MemoryImage[SpriteRam + 11] = 1;        // sprite 5: group 1
  d.DrawRoutine();
  EXPECT_EQ(Pixel(155, 171), 10 + 3);
}

TEST_F(PacmanTest, SoundPromOfAnyOtherSizeIsRefusedWithANoticeForTheView) {
  const std::filesystem::path prom = std::filesystem::path(::testing::TempDir()) / "tirvane_pacman_waves.prom";
  for (const size_t size : {size_t{256}, size_t{255}, size_t{1}, size_t{257}, size_t{0}}) {
    SCOPED_TRACE(size);
    if (size == 0)
      std::filesystem::remove(prom);  // missing
    else
      std::ofstream(prom, std::ios::binary) << std::string(size, '\x0F');
    Game.SoundProm = std::filesystem::relative(prom, host_.programFolder()).string();
    PacmanDriver.Initialise(graphics.data());
    const std::string notice = PacmanDriver.TakeNotice();
    EXPECT_EQ(Pacman.WavesLoaded, size == 256 ? 1u : 0u);
    EXPECT_EQ(Pacman.WaveProm[255], size == 256 ? 0x0F : 0x00);
    if (size == 256)
      EXPECT_EQ(notice, "");
    else
      EXPECT_NE(notice.find("sound PROM (256 bytes)"), std::string::npos);
    EXPECT_EQ(PacmanDriver.TakeNotice(), "") << "handed over once";
    EXPECT_TRUE(host_.Messages.empty());
  }
}

TEST(PacmanGolden, DemoIdle) {
  EXPECT_TRUE(testing::MatchesGolden("pacman_demo.ini", 26, "", "pacman_idle.png"));
}

TEST(PacmanGolden, DemoWithKeysHeld) {
  EXPECT_TRUE(testing::MatchesGolden("pacman_demo.ini", 60, "50-60:Up+Right+3+5+1", "pacman_keys_a.png"));
  EXPECT_TRUE(testing::MatchesGolden("pacman_demo.ini", 60, "50-60:Left+Down+4+2", "pacman_keys_b.png"));
}

}  // namespace
}  // namespace tirvane
