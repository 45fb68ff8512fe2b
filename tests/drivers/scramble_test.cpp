// SPDX-License-Identifier: GPL-3.0-or-later
// SCRAMBLE: active-low inputs, the PC check on 8102h, the read counter, the ROM limit, the ports.
#include "drivers/scramble.h"

#include <memory>

#include "board_fixture.h"
#include "drivers/galaxian.h"
#include "golden.h"

namespace tirvane::testing {
namespace {

class ScrambleTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    Game.Driver = "SCRAMBLE";
    Game.MaxRom = 0x3FFF;
  }
};

TEST_F(ScrambleTest, InputsClearTheirBitsWhileHeld) {
  EXPECT_EQ(ScrambleRead(0x8100), 0xFF);
  EXPECT_EQ(ScrambleRead(0x8101), 0xFC);
  EXPECT_EQ(ScrambleRead(0x8102), 0xF9);
  EXPECT_EQ(ScrambleRead(0x8202), 0x6F);
  const struct {
    VirtualKey Key;
    uint16_t Address;
    uint8_t Value;
  } keys[] = {
      {VirtualKey::D3, 0x8100, 0x7F},    {VirtualKey::D4, 0x8100, 0xBF},   {VirtualKey::Left, 0x8100, 0xDF},
      {VirtualKey::Right, 0x8100, 0xEF}, {VirtualKey::Ctrl, 0x8100, 0xF7}, {VirtualKey::C, 0x8100, 0xFB},
      {VirtualKey::Z, 0x8100, 0xFD},     {VirtualKey::W, 0x8100, 0xFE},    {VirtualKey::D1, 0x8101, 0x7C},
      {VirtualKey::D2, 0x8101, 0xBC},    {VirtualKey::Down, 0x8102, 0xB9}, {VirtualKey::Up, 0x8102, 0xE9},
      {VirtualKey::S, 0x8102, 0xF8}};
  for (const auto& k : keys) {
    Hold(k.Key);
    EXPECT_EQ(ScrambleRead(k.Address), k.Value) << VirtualKeyName(k.Key);
    Release(k.Key);
  }
  for (const auto& k : keys) Hold(k.Key);
  EXPECT_EQ(ScrambleRead(0x8100), 0x00);
  EXPECT_EQ(ScrambleRead(0x8101), 0x3C);
  EXPECT_EQ(ScrambleRead(0x8102), 0xA8);
}

TEST_F(ScrambleTest, Bit7Of8102IsLowOnlyForTheReadAtPc00E4) {
  const struct {
    uint16_t Pc;
    uint8_t Value;
  } cases[] = {{0x00E4, 0x79}, {0x00E3, 0xF9}, {0x00E5, 0xF9}, {0x01E4, 0xF9}, {0xE400, 0xF9}};
  for (const auto& c : cases) {
    ActiveContext->PC.w = c.Pc;
    EXPECT_EQ(ScrambleRead(0x8102), c.Value) << std::hex << c.Pc;
    EXPECT_EQ(ScrambleRead(0x8100), 0xFF);  // only 8102h looks at the PC
  }
}

TEST_F(ScrambleTest, ReadsOf7000And7008CountUp) {
  const uint8_t first = ScrambleRead(0x7000);
  EXPECT_EQ(ScrambleRead(0x7000), static_cast<uint8_t>(first + 1));
  EXPECT_EQ(ScrambleRead(0x7008), static_cast<uint8_t>(first + 2));
  MemoryImage[0x7004] = 0x42;
  EXPECT_EQ(ScrambleRead(0x7004), 0x42);  // neighbours are memory and do not count
  EXPECT_EQ(ScrambleRead(0x7000), static_cast<uint8_t>(first + 3));
  for (int i = 0; i < 300; ++i) ScrambleRead(0x7008);  // the low byte wraps, the count goes on
  EXPECT_EQ(ScrambleRead(0x7000), static_cast<uint8_t>(first + 304));

  const uint32_t before = ScrambleReadCounter;
  Game.DriverTag = 0;
  auto region = std::make_unique<uint8_t[]>(GraphicsRegionSize);
  ScrambleInitialise(region.get());  // a new run does not reset it
  EXPECT_EQ(ScrambleReadCounter, before);
  GalaxianFamilyStop();
}

TEST_F(ScrambleTest, WritesAboveMaxRomAreStored) {
  MemoryImage[0x3FFF] = 0xA5;
  ScrambleWrite(0x11, 0x3FFF);
  ScrambleWrite(0x22, 0x4000);
  ScrambleWrite(0x33, 0x0000);
  EXPECT_EQ(MemoryImage[0x3FFF], 0xA5);
  EXPECT_EQ(MemoryImage[0x4000], 0x22);
  EXPECT_EQ(MemoryImage[0x0000], 0x00);
  ScrambleWrite(0x44, 0x8100);  // inputs are memory for writes
  EXPECT_EQ(MemoryImage[0x8100], 0x44);

  Game.MaxRom = -1;  // the comparison is with the whole description value
  ScrambleWrite(0x55, 0x0000);
  EXPECT_EQ(MemoryImage[0x0000], 0x55);
  Game.MaxRom = 0x10000;
  ScrambleWrite(0x66, 0xFFFF);
  EXPECT_EQ(MemoryImage[0xFFFF], 0x00);
}

TEST_F(ScrambleTest, PortsAreEmpty) {
  for (int port = 0; port < 256; ++port) {
    ScramblePortOut(0xFF, static_cast<uint8_t>(port));
    EXPECT_EQ(ScramblePortIn(static_cast<uint16_t>(0xAB00 | port)), 0);
  }
}

TEST_F(ScrambleTest, InitialisationUsesTableSAndClearsAGalaxianBank) {
  auto region = std::make_unique<uint8_t[]>(GraphicsRegionSize);
  std::memset(region.get(), 0, GraphicsRegionSize);
  Game.DriverTag = 0x81;
  GalaxianInitialise(region.get());
  GalaxianWrite(1, 0x6002);
  GalaxianWrite(1, 0xA002);
  ASSERT_EQ(GalaxianFamilyState.SpriteBank, 1);

  Game.DriverTag = 0;
  ScrambleInitialise(region.get());
  EXPECT_EQ(GalaxianFamilyState.SpriteBank, 0);
  EXPECT_EQ(GalaxianFamilyState.SpriteExtension, 0);
  // Table S byte 1 is 17h: full red, green from bit 4 alone, no blue.
  EXPECT_EQ(RgbTable[1], (Rgb{0xFF, 0x47, 0x00}));
  EXPECT_EQ(RgbTable[18], (Rgb{0x21, 0xDE, 0x00}));  // 31h
  EXPECT_EQ(RgbTable[27], (Rgb{0x00, 0xDE, 0xDE}));  // F0h
  GalaxianFamilyStop();
}

// The star scroll carries over from earlier runs in the same process; the pictures start it from 0.
// The read counter carries over too, which is why the program shows only differences of it.
::testing::AssertionResult MatchesDemo(const std::string& ini, int frames, const std::string& keys,
                                       const std::string& golden) {
  StarCounter = 0;
  return MatchesGolden(ini, frames, keys, golden);
}

TEST(ScrambleGolden, Demo) { EXPECT_TRUE(MatchesDemo("scramble_demo.ini", 100, "", "scramble_demo.png")); }

TEST(ScrambleGolden, DemoWithEveryKeyHeld) {
  EXPECT_TRUE(MatchesDemo("scramble_demo.ini", 60, "57-60:1+3+4+Left+Right+Ctrl+C+Z+W+S+Up+Down",
                          "scramble_demo_keys.png"));
}

TEST(ScrambleGolden, Variant128HorizontalBulletsStillStars) {
  EXPECT_TRUE(MatchesDemo("scramble_v128_demo.ini", 100, "", "scramble_v128_demo.png"));
}

}  // namespace
}  // namespace tirvane::testing
