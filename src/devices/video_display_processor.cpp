// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/video_display_processor.h"

#include <cstring>

#include "video/eight_pixels.h"

namespace tirvane {

// The chip's sixteen colours; 0 (transparent) is drawn black where the backdrop shows through.
const Rgb VideoDisplayProcessor::Colours[16] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}, {0x21, 0xC8, 0x42}, {0x5E, 0xDC, 0x78},
    {0x54, 0x55, 0xED}, {0x7D, 0x76, 0xFC}, {0xD4, 0x52, 0x4D}, {0x42, 0xEB, 0xF5},
    {0xFC, 0x55, 0x54}, {0xFF, 0x79, 0x78}, {0xD4, 0xC1, 0x54}, {0xE6, 0xCE, 0x80},
    {0x21, 0xB0, 0x3B}, {0xC9, 0x5B, 0xBA}, {0xCC, 0xCC, 0xCC}, {0xFF, 0xFF, 0xFF},
};

namespace {

// Bits each register holds; the rest read back as 0.
constexpr uint8_t RegisterMasks[8] = {0x03, 0xFF, 0x0F, 0xFF, 0x07, 0x7F, 0x07, 0xFF};
constexpr uint8_t SpriteListEnd = 0xD0;
constexpr int SpritesPerLine = 4;

}  // namespace

void VideoDisplayProcessor::Reset() {
  std::memset(R, 0, sizeof R);
  Address = 0;
  NextLine = 0;
  ReadAhead = 0;
  Latch = 1;
  FirstByte = 0;
  Status = 0;
}

void VideoDisplayProcessor::WriteControl(uint8_t value) {
  if (Latch) {
    // The first byte already is the address's low half.
    FirstByte = value;
    Address = static_cast<uint16_t>((Address & 0x3F00) | value);
    Latch = 0;
    return;
  }
  Latch = 1;
  if (value & 0x80) {
    // Only three bits choose the register: 88h-8Fh reach R0-R7 again.
    R[value & 7] = FirstByte & RegisterMasks[value & 7];
    return;
  }
  Address = static_cast<uint16_t>((value & 0x3F) << 8 | FirstByte);
  if ((value & 0x40) == 0) {
    // A read address fetches its first byte ahead.
    ReadAhead = Memory[Address];
    Address = (Address + 1) & (MemorySize - 1);
  }
}

void VideoDisplayProcessor::WriteData(uint8_t value) {
  Latch = 1;
  Memory[Address] = value;
  ReadAhead = value;
  Address = (Address + 1) & (MemorySize - 1);
}

uint8_t VideoDisplayProcessor::ReadData() {
  Latch = 1;
  const uint8_t value = ReadAhead;
  ReadAhead = Memory[Address];
  Address = (Address + 1) & (MemorySize - 1);
  return value;
}

uint8_t VideoDisplayProcessor::ReadStatus() {
  Latch = 1;
  const uint8_t value = Status;
  Status &= 0x1F;
  return value;
}

VideoDisplayProcessor::Mode VideoDisplayProcessor::ScreenMode() const {
  if (R[1] & 0x10) return Text;
  if (R[1] & 0x08) return Multicolour;
  return (R[0] & 0x02) ? GraphicsII : GraphicsI;
}

void VideoDisplayProcessor::DrawLinesTo(int line, uint8_t* pixels) {
  if (line > VisibleLines) line = VisibleLines;
  uint8_t scratch[BitmapStride];
  for (; NextLine < line; ++NextLine)
    DrawLine(NextLine, pixels ? pixels + NextLine * BitmapStride : scratch);
}

void VideoDisplayProcessor::EndFrame(uint8_t* pixels) {
  DrawLinesTo(VisibleLines, pixels);
  NextLine = 0;
  Status |= FrameFlag;
}

void VideoDisplayProcessor::DrawLine(int line, uint8_t* row) {
  const uint8_t backdrop = PaletteBase + (R[7] & 0x0F);
  // Colour 0 lets the backdrop through.
  const auto colour = [backdrop](unsigned c) { return c ? static_cast<uint8_t>(PaletteBase + c) : backdrop; };
  if ((R[1] & 0x40) == 0) {
    std::memset(row, backdrop, 256);  // blanked: no tables read, no sprites
    return;
  }
  const unsigned names = (R[2] & 0x0F) << 10;
  const unsigned cellRow = static_cast<unsigned>(line) >> 3;
  const unsigned inCell = static_cast<unsigned>(line) & 7;
  switch (ScreenMode()) {
    case Text: {
      // 40 cells of six pixels between eight-pixel borders, in the colours of R7.
      const unsigned patterns = (R[4] & 0x07) << 11;
      const uint8_t ink = colour(R[7] >> 4), paper = backdrop;
      std::memset(row, backdrop, 8);
      std::memset(row + 248, backdrop, 8);
      for (unsigned column = 0; column < 40; ++column) {
        const uint8_t name = Memory[(names + cellRow * 40 + column) & (MemorySize - 1)];
        const uint8_t bits = Memory[patterns + name * 8u + inCell];
        uint8_t* cell = row + 8 + column * 6;
        for (int k = 0; k < 6; ++k) cell[k] = (bits & (0x80 >> k)) ? ink : paper;
      }
      return;  // no sprites in text mode
    }
    case GraphicsI: {
      const unsigned patterns = (R[4] & 0x07) << 11;
      const unsigned colours = R[3] << 6;
      for (unsigned column = 0; column < 32; ++column) {
        const uint8_t name = Memory[names + cellRow * 32 + column];
        const uint8_t c = Memory[colours + (name >> 3)];
        PutEightPixels(row + column * 8, Memory[patterns + name * 8u + inCell], colour(c >> 4), colour(c & 0x0F));
      }
      break;
    }
    case GraphicsII: {
      // Each third of the screen has its own 256 patterns and colours, unless the low bits of R3
      // and R4 fold the thirds onto one another.
      const unsigned patterns = (R[4] & 0x04) << 11;
      const unsigned colours = (R[3] & 0x80) << 6;
      const unsigned patternMask = ((R[4] & 0x03) << 8) | 0xFF;
      const unsigned colourMask = ((R[3] & 0x7F) << 3) | 0x07;
      const unsigned third = (cellRow >> 3) << 8;
      for (unsigned column = 0; column < 32; ++column) {
        const unsigned name = third | Memory[names + cellRow * 32 + column];
        const uint8_t bits = Memory[patterns + (name & patternMask) * 8 + inCell];
        const uint8_t c = Memory[colours + (name & colourMask) * 8 + inCell];
        PutEightPixels(row + column * 8, bits, colour(c >> 4), colour(c & 0x0F));
      }
      break;
    }
    case Multicolour: {
      // A name picks two bytes of its pattern for its four 4x4 blocks: byte 2 * (row mod 4) for the
      // upper half of the cell, the next one for the lower.
      const unsigned patterns = (R[4] & 0x07) << 11;
      const unsigned pick = (cellRow & 3) * 2 + (inCell >> 2);
      for (unsigned column = 0; column < 32; ++column) {
        const uint8_t name = Memory[names + cellRow * 32 + column];
        const uint8_t c = Memory[patterns + name * 8u + pick];
        std::memset(row + column * 8, colour(c >> 4), 4);
        std::memset(row + column * 8 + 4, colour(c & 0x0F), 4);
      }
      break;
    }
  }
  DrawSprites(line, row);
}

void VideoDisplayProcessor::DrawSprites(int line, uint8_t* row) {
  const unsigned attributes = (R[5] & 0x7F) << 7;
  const unsigned patterns = (R[6] & 0x07) << 11;
  const bool large = R[1] & 0x02;
  const int magnify = (R[1] & 0x01) ? 2 : 1;
  const int height = (large ? 16 : 8) * magnify;
  // Which pixels a sprite of this line already covers: the lower number wins, and a second one
  // there is a collision.
  uint8_t covered[256] = {};
  int shown = 0;
  int number = 0;
  for (; number < 32; ++number) {
    const uint8_t* sprite = Memory + attributes + number * 4;
    if (sprite[0] == SpriteListEnd) break;
    // A sprite's line 0 lies one below its Y; from E1h it comes in from above the screen.
    int top = sprite[0] + 1;
    if (top > 0xE1) top -= 256;
    const int offset = line - top;
    if (offset < 0 || offset >= height) continue;
    if (shown == SpritesPerLine) {
      if ((Status & FifthSpriteFlag) == 0) Status = static_cast<uint8_t>((Status & 0xA0) | FifthSpriteFlag | number);
      break;
    }
    ++shown;
    const int patternRow = offset / magnify;
    const uint8_t name = large ? (sprite[2] & 0xFC) : sprite[2];
    const unsigned source = patterns + name * 8u + patternRow;
    // 16-pixel sprites are two columns of eight rows each: left half at +0, right at +16.
    const uint16_t bits = large ? static_cast<uint16_t>(Memory[source] << 8 | Memory[source + 16])
                                : static_cast<uint16_t>(Memory[source] << 8);
    const int width = (large ? 16 : 8) * magnify;
    const int x0 = sprite[1] - ((sprite[3] & 0x80) ? 32 : 0);  // the early-clock bit
    const uint8_t c = sprite[3] & 0x0F;
    for (int k = 0; k < width; ++k) {
      const int x = x0 + k;
      if (x < 0 || x > 255) continue;
      if ((bits & (0x8000 >> (k / magnify))) == 0) continue;
      if (covered[x]) {
        Status |= CollisionFlag;
        continue;
      }
      covered[x] = 1;
      if (c) row[x] = static_cast<uint8_t>(PaletteBase + c);
    }
  }
  // Without a fifth sprite the low bits tell the last sprite looked at.
  if ((Status & FifthSpriteFlag) == 0) Status = static_cast<uint8_t>((Status & 0xE0) | (number < 32 ? number : 31));
}

}  // namespace tirvane
