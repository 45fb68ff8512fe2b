// SPDX-License-Identifier: GPL-3.0-or-later
// INVADERS: drawing at write time, the shift register, the ports and the frame routine.
#include "drivers/invaders.h"

#include "board_fixture.h"
#include "golden.h"

namespace tirvane::testing {
namespace {

class InvadersTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    Invaders = InvadersBoard{};
    ScreenDirty = false;
  }
  static uint8_t In(uint16_t port) { return InvadersPortIn(port); }
  static void Out(uint8_t port, uint8_t value) { InvadersPortOut(value, port); }
};

TEST_F(InvadersTest, VideoWritesPaintTheColumnBottomUpInItsBand) {
  InvadersWrite(0xFF, 0x2400);
  for (int y = 248; y <= 255; ++y) EXPECT_EQ(Pixel(0, y), 3) << y;
  EXPECT_EQ(Pixel(0, 247), 0);
  EXPECT_EQ(LitPixels(), 8);

  InvadersWrite(0x01, 0x2400);  // bit 0 is the lowest row
  EXPECT_EQ(Pixel(0, 255), 3);
  EXPECT_EQ(LitIn(0, 248, 1, 255), 0);
  InvadersWrite(0x00, 0x2400);
  EXPECT_EQ(LitPixels(), 0);

  // Band edges: bytes 0-7 colour 3, 24-27 colour 1, the rest colour 7.
  const struct {
    uint16_t Address;
    int Y, Colour;
  } bands[] = {{0x2407, 255 - 56, 3},  {0x2408, 255 - 64, 7},  {0x2417, 255 - 184, 7}, {0x2418, 255 - 192, 1},
               {0x241B, 255 - 216, 1}, {0x241C, 255 - 224, 7}, {0x241F, 255 - 248, 7}};
  for (const auto& band : bands) {
    InvadersWrite(0x01, band.Address);
    EXPECT_EQ(Pixel(0, band.Y), band.Colour) << std::hex << band.Address;
  }
  // 32 bytes a column: 2420h starts column 1.
  InvadersWrite(0x80, 0x2420);
  EXPECT_EQ(Pixel(1, 248), 3);
}

TEST_F(InvadersTest, MemoryMapStoresOnlyRamAndVideo) {
  MemoryImage[0x1000] = 0xA5;
  MemoryImage[0x4800] = 0x5A;
  InvadersWrite(0x11, 0x1000);
  InvadersWrite(0x22, 0x4800);
  InvadersWrite(0x33, 0x1FFF);
  InvadersWrite(0x44, 0x5FFF);
  EXPECT_EQ(MemoryImage[0x1000], 0xA5);
  EXPECT_EQ(MemoryImage[0x4800], 0x5A);
  EXPECT_EQ(MemoryImage[0x1FFF], 0x00);
  EXPECT_EQ(MemoryImage[0x5FFF], 0x00);
  EXPECT_FALSE(ScreenDirty);

  InvadersWrite(0xFF, 0x2000);  // plain RAM: stored, not drawn
  EXPECT_EQ(MemoryImage[0x2000], 0xFF);
  EXPECT_EQ(LitPixels(), 0);
  EXPECT_TRUE(ScreenDirty);

  MemoryImage[0x3000] = 0x77;
  EXPECT_EQ(InvadersRead(0x3000), 0x77);
}

TEST_F(InvadersTest, WritesFrom6000AreDrawnWithTheColumnModulo256) {
  InvadersWrite(0xFF, 0x6000);  // column 224
  EXPECT_EQ(MemoryImage[0x6000], 0xFF);
  EXPECT_EQ(LitIn(224, 248, 225, 256), 8);
  InvadersWrite(0xFF, 0xE41F);  // column 1536 = 0 mod 256, byte 31
  EXPECT_EQ(MemoryImage[0xE41F], 0xFF);
  EXPECT_EQ(LitIn(0, 0, 1, 8), 8);
  InvadersWrite(0x01, 0xFFFF);  // the last address: column 223, byte 31
  EXPECT_EQ(Pixel(223, 7), 7);
}

TEST_F(InvadersTest, ShiftRegisterKeepsTwoBytesAndShiftsLeft) {
  Out(4, 0x12);
  Out(4, 0x34);
  Out(2, 0);
  EXPECT_EQ(In(3), 0x34);
  Out(2, 4);
  EXPECT_EQ(In(3), 0x41);
  Out(2, 8);
  EXPECT_EQ(In(3), 0x12);
  Out(2, 16);  // everything shifted out
  EXPECT_EQ(In(3), 0x00);
  Out(2, 33);  // the amount counts modulo 32
  EXPECT_EQ(In(3), 0x68);
  Out(4, 0xFF);  // the older byte moves down
  Out(2, 1);
  EXPECT_EQ(In(3), 0xFE);
  EXPECT_EQ(Invaders.Persistent.ShiftLow, 0x34);
}

TEST_F(InvadersTest, PortsReadTheirKeysAndLatchSound) {
  EXPECT_EQ(In(1), 0x81);
  EXPECT_EQ(In(2), 0x00);
  const struct {
    VirtualKey Key;
    uint16_t Port;
    uint8_t Value;
  } keys[] = {{VirtualKey::D1, 1, 0x85},   {VirtualKey::D2, 1, 0x83},    {VirtualKey::D3, 1, 0x80},
              {VirtualKey::Left, 1, 0xA1}, {VirtualKey::Right, 1, 0xC1}, {VirtualKey::Ctrl, 1, 0x91},
              {VirtualKey::T, 2, 0x04},    {VirtualKey::P, 2, 0x08}};
  for (const auto& k : keys) {
    Hold(k.Key);
    EXPECT_EQ(In(k.Port), k.Value) << VirtualKeyName(k.Key);
    Release(k.Key);
  }
  for (const auto& k : keys) Hold(k.Key);
  EXPECT_EQ(In(1), 0xF6);
  EXPECT_EQ(In(0x7F01), 0xF6);  // the upper address lines do not matter
  EXPECT_EQ(In(2), 0x0C);
  EXPECT_EQ(In(0), 0x00);
  EXPECT_EQ(In(4), 0x00);
  EXPECT_EQ(In(0xFF), 0x00);

  Out(3, 0x12);
  Out(5, 0x34);
  Out(7, 0x56);  // nothing there
  EXPECT_EQ(Invaders.Persistent.SoundLatch1, 0x12);
  EXPECT_EQ(Invaders.Persistent.SoundLatch2, 0x34);
}

TEST_F(InvadersTest, FrameAlternatesRst10AndRst08AndPresentsOnlyWhenDirty) {
  ActiveContext->IrqState.Value = 0x01000000;
  InvadersFrame();  // counter 1: odd
  EXPECT_EQ(ActiveContext->IrqState.Value, 0xCFu);
  InvadersFrame();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0xD7u);
  EXPECT_EQ(host_.Presents, 0u);
  EXPECT_EQ(host_.Pumps, 0u) << "the run pumps between frames, not the board";

  InvadersWrite(0x01, 0x2400);
  InvadersFrame();
  EXPECT_EQ(host_.Presents, 1u);
  EXPECT_FALSE(ScreenDirty);
  InvadersFrame();
  EXPECT_EQ(host_.Presents, 1u);
  EXPECT_EQ(Invaders.Persistent.FrameCounter, 4u);
}

// The frame counter that picks RST 08h or RST 10h carries over from earlier runs in the same
// process; the pictures start it from 0 so that the first interrupt is always RST 08h.
::testing::AssertionResult MatchesDemo(const std::string& ini, int frames, const std::string& keys,
                                       const std::string& golden) {
  Invaders = InvadersBoard{};
  return MatchesGolden(ini, frames, keys, golden);
}

TEST(InvadersGolden, DemoIdle) {
  EXPECT_TRUE(MatchesDemo("invaders_demo.ini", 100, "", "invaders_demo.png"));
}

TEST(InvadersGolden, DemoWithEveryKeyHeld) {
  EXPECT_TRUE(
      MatchesDemo("invaders_demo.ini", 103, "100-103:1+2+3+Left+Right+Ctrl+T+P", "invaders_demo_keys.png"));
}

}  // namespace
}  // namespace tirvane::testing
