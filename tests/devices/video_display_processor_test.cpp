// SPDX-License-Identifier: GPL-3.0-or-later
// The whole video display processor against the TMS9918A data manual (Texas Instruments, "TMS9918A/
// TMS9928A/TMS9929A Video Display Processors", 1982): the port protocol (one address counter, the
// read-ahead byte, register numbers mirrored), the status flags, the four screen modes line by line,
// and sprites with their limits and flags.
#include "devices/video_display_processor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tirvane {
namespace {

constexpr uint8_t Base = VideoDisplayProcessor::PaletteBase;

class VideoDisplayProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&chip, 0, sizeof chip);
    chip.Reset();
    pixels.assign(BitmapStride * VideoDisplayProcessor::VisibleLines, 0xEE);
  }
  void Register(uint8_t n, uint8_t value) {
    chip.WriteControl(value);
    chip.WriteControl(static_cast<uint8_t>(0x80 | n));
  }
  void WriteAt(uint16_t address, std::initializer_list<uint8_t> bytes) {
    chip.WriteControl(address & 0xFF);
    chip.WriteControl(static_cast<uint8_t>(0x40 | (address >> 8)));
    for (uint8_t b : bytes) chip.WriteData(b);
  }
  void Frame() { chip.EndFrame(pixels.data()); }
  uint8_t At(int x, int y) const { return pixels[y * BitmapStride + x]; }

  // Graphics I as the console's BIOS lays it out: names 1800h, colours 2000h, patterns 0000h,
  // sprite attributes 1B00h, sprite patterns 3800h; display on, backdrop 4.
  void GraphicsOne(uint8_t r1 = 0xC0) {
    const uint8_t registers[8] = {0x00, r1, 0x06, 0x80, 0x00, 0x36, 0x07, 0x04};
    for (uint8_t n = 0; n < 8; ++n) Register(n, registers[n]);
    chip.Memory[0x1B00] = 0xD0;
  }
  void Sprite(int n, uint8_t y, uint8_t x, uint8_t name, uint8_t colour) {
    uint8_t* s = chip.Memory + 0x1B00 + 4 * n;
    s[0] = y, s[1] = x, s[2] = name, s[3] = colour;
    s[4] = 0xD0;
  }

  VideoDisplayProcessor chip;
  std::vector<uint8_t> pixels;
};

TEST_F(VideoDisplayProcessorTest, OneAddressCounterWithReadAheadAndMirroredRegisters) {
  WriteAt(0x3FFF, {0x11, 0x22});
  EXPECT_EQ(chip.Memory[0x3FFF], 0x11);
  EXPECT_EQ(chip.Memory[0x0000], 0x22) << "the counter wraps at 16 KB";

  chip.Memory[0x0100] = 0xAB;
  chip.WriteControl(0x00);
  chip.WriteControl(0x01);  // read address 0100h: fetched at once
  chip.Memory[0x0100] = 0x99;
  EXPECT_EQ(chip.ReadData(), 0xAB) << "the byte was read ahead when the address was set";
  chip.WriteData(0x5A);  // lands at 0102h (the read advanced the counter) and becomes the read-ahead
  EXPECT_EQ(chip.Memory[0x0102], 0x5A);
  EXPECT_EQ(chip.ReadData(), 0x5A);

  Register(0x0F, 0x07);  // register 15 is register 7
  EXPECT_EQ(chip.R[7], 0x07);
  Register(0, 0xFF);
  Register(4, 0xFF);
  EXPECT_EQ(chip.R[0], 0x03) << "unused register bits read 0";
  EXPECT_EQ(chip.R[4], 0x07);

  chip.WriteControl(0x34);  // half a pair, then a status read: the next byte starts a new pair
  chip.ReadStatus();
  Register(2, 0x0E);
  EXPECT_EQ(chip.R[2], 0x0E);
}

TEST_F(VideoDisplayProcessorTest, ModeBitsSelectTheScreen) {
  struct Case {
    uint8_t R0, R1;
    VideoDisplayProcessor::Mode Mode;
  };
  const Case cases[] = {{0x00, 0x00, VideoDisplayProcessor::GraphicsI},
                        {0x02, 0x00, VideoDisplayProcessor::GraphicsII},
                        {0x00, 0x10, VideoDisplayProcessor::Text},
                        {0x00, 0x08, VideoDisplayProcessor::Multicolour}};
  for (const Case& c : cases) {
    Register(0, c.R0);
    Register(1, c.R1);
    EXPECT_EQ(chip.ScreenMode(), c.Mode) << int{c.R0} << " " << int{c.R1};
  }
}

TEST_F(VideoDisplayProcessorTest, FrameFlagRaisesTheInterruptOnlyWhenEnabledAndClearsOnRead) {
  GraphicsOne();
  Frame();
  EXPECT_FALSE(chip.InterruptPending());
  Register(1, 0xE0);
  EXPECT_TRUE(chip.InterruptPending()) << "enabling with the flag set raises the output";
  EXPECT_EQ(chip.ReadStatus() & 0x80, 0x80);
  EXPECT_EQ(chip.ReadStatus() & 0xE0, 0x00);
  EXPECT_FALSE(chip.InterruptPending());
}

TEST_F(VideoDisplayProcessorTest, GraphicsOneUsesOneColourByteForEightNamesAndTheBackdropForZero) {
  GraphicsOne();
  chip.Memory[0x1800] = 0x09;            // cell (0, 0): name 9, colour byte 1
  chip.Memory[0x0009 * 8 + 2] = 0xF0;    // its line 2: four ink pixels, four paper
  chip.Memory[0x2001] = 0x60;            // ink 6, paper transparent
  Frame();
  EXPECT_EQ(At(0, 2), Base + 6);
  EXPECT_EQ(At(4, 2), Base + 4) << "paper 0 shows the backdrop";
  EXPECT_EQ(At(0, 3), Base + 4);
}

TEST_F(VideoDisplayProcessorTest, GraphicsTwoGivesEachThirdItsPatternsAndEachLineItsColours) {
  GraphicsOne();
  Register(0, 0x02);
  Register(3, 0xFF);  // colours 2000h, all three thirds
  Register(4, 0x03);  // patterns 0000h, all three thirds
  chip.Memory[0x1800 + 256] = 0x05;        // first cell of the middle third
  chip.Memory[0x0800 + 5 * 8 + 1] = 0x80;  // the middle third's pattern 5, line 1
  chip.Memory[0x2800 + 5 * 8 + 1] = 0x2D;  // its colours on line 1
  chip.Memory[0x0000 + 5 * 8 + 1] = 0xFF;  // the top third's pattern 5 must not be used
  Frame();
  EXPECT_EQ(At(0, 65), Base + 2);
  EXPECT_EQ(At(1, 65), Base + 13);
}

TEST_F(VideoDisplayProcessorTest, TextModeDrawsFortySixPixelCellsBetweenBorders) {
  GraphicsOne();
  Register(1, 0xD0);
  Register(7, 0xF4);
  chip.Memory[0x1800 + 1] = 0x41;  // second cell of row 0
  chip.Memory[0x41 * 8] = 0xFC;    // six pixels set (bits 7-2)
  chip.Memory[0x1B00] = 0x00;      // no sprite list end: text mode shows no sprites anyway
  Frame();
  EXPECT_EQ(At(7, 0), Base + 4) << "left border";
  EXPECT_EQ(At(13, 0), Base + 4) << "first cell is blank";
  for (int x = 14; x < 20; ++x) EXPECT_EQ(At(x, 0), Base + 15) << x;
  EXPECT_EQ(At(20, 0), Base + 4);
  EXPECT_EQ(At(250, 0), Base + 4) << "right border";
}

TEST_F(VideoDisplayProcessorTest, MulticolourPicksTwoPatternBytesByRow) {
  GraphicsOne();
  Register(1, 0xC8);
  chip.Memory[0x1800 + 32 * 5] = 0x03;  // row 5: row mod 4 = 1, so bytes 2 and 3 of pattern 3
  chip.Memory[0x0003 * 8 + 2] = 0x7A;
  chip.Memory[0x0003 * 8 + 3] = 0x0C;
  Frame();
  EXPECT_EQ(At(0, 40), Base + 7);
  EXPECT_EQ(At(4, 43), Base + 10);
  EXPECT_EQ(At(0, 44), Base + 4) << "colour 0 shows the backdrop";
  EXPECT_EQ(At(7, 47), Base + 12);
}

TEST_F(VideoDisplayProcessorTest, SpritesSizeMagnificationAndEarlyClock) {
  struct Case {
    const char* Name;
    uint8_t R1, X, Colour;
    int FirstX, LastX, Height;
  };
  // Names 4-7 are solid: an 8x8 sprite of name 4 or a 16x16 one of names 4-7.
  const Case cases[] = {
      {"8x8", 0xC0, 100, 0x06, 100, 107, 8},
      {"8x8 magnified", 0xC1, 100, 0x06, 100, 115, 16},
      {"16x16", 0xC2, 100, 0x06, 100, 115, 16},
      {"16x16 magnified", 0xC3, 100, 0x06, 100, 131, 32},
      {"early clock", 0xC0, 28, 0x86, 0, 3, 8},  // from x 28 - 32 = -4: columns 0-3 show
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    GraphicsOne(c.R1);
    for (int k = 0; k < 32; ++k) chip.Memory[0x3800 + 4 * 8 + k] = 0xFF;
    Sprite(0, 49, c.X, 4, c.Colour);  // drawn from line 50
    Frame();
    EXPECT_EQ(At(c.FirstX, 49), Base + 4) << "nothing on the line of Y itself";
    EXPECT_EQ(At(c.FirstX, 50), Base + 6);
    EXPECT_EQ(At(c.LastX, 50 + c.Height - 1), Base + 6);
    EXPECT_EQ(At(c.LastX + 1, 50), Base + 4);
    EXPECT_EQ(At(c.FirstX, 50 + c.Height), Base + 4);
  }
}

TEST_F(VideoDisplayProcessorTest, FourSpritesALineTheFifthFlaggedWithItsNumberAndOverlapsCollide) {
  GraphicsOne();
  chip.Memory[0x3800] = 0xFF;
  for (int n = 0; n < 6; ++n) Sprite(n, 99, static_cast<uint8_t>(20 * n), 0, static_cast<uint8_t>(2 + n));
  Frame();
  EXPECT_EQ(At(60, 100), Base + 5) << "sprite 3 is drawn";
  EXPECT_EQ(At(80, 100), Base + 4) << "sprite 4 is the fifth on its line: not drawn";
  uint8_t status = chip.ReadStatus();
  EXPECT_EQ(status & 0xE0, 0xC0) << "frame and fifth-sprite flags, no collision";
  EXPECT_EQ(status & 0x1F, 4);

  Sprite(0, 99, 0, 0, 2);
  Sprite(1, 99, 4, 0, 3);  // overlaps sprite 0 by four pixels: sprite 0 stays in front
  Frame();
  EXPECT_EQ(At(5, 100), Base + 2);
  EXPECT_EQ(At(9, 100), Base + 3);
  status = chip.ReadStatus();
  EXPECT_EQ(status & 0x60, 0x20) << "collision, no fifth sprite";
  EXPECT_EQ(status & 0x1F, 2) << "the number of the list's end when no fifth sprite was met";

  Register(1, 0x80);  // blanked: backdrop only, sprites not looked at
  Frame();
  EXPECT_EQ(At(5, 100), Base + 4);
  EXPECT_EQ(chip.ReadStatus() & 0x60, 0x00);
}

TEST_F(VideoDisplayProcessorTest, SpritesComeInFromAboveWithLargeY) {
  GraphicsOne(0xC2);
  for (int k = 0; k < 32; ++k) chip.Memory[0x3800 + k] = 0xFF;
  Sprite(0, 0xF8, 10, 0, 9);  // Y = -8, so its row 0 is line -7: lines 0-8 show its last nine rows
  Frame();
  EXPECT_EQ(At(10, 0), Base + 9);
  EXPECT_EQ(At(10, 8), Base + 9);
  EXPECT_EQ(At(10, 9), Base + 4);
}

TEST_F(VideoDisplayProcessorTest, LinesDrawnBeforeARegisterChangeKeepTheirColours) {
  GraphicsOne();
  chip.DrawLinesTo(96, pixels.data());
  Register(7, 0x06);
  Frame();
  EXPECT_EQ(At(0, 95), Base + 4);
  EXPECT_EQ(At(0, 96), Base + 6);
}

}  // namespace
}  // namespace tirvane
