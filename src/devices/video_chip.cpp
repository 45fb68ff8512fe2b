// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/video_chip.h"

#include <cstring>

#include "video/eight_pixels.h"
#include "video/screen.h"

namespace tirvane {

namespace {

enum { MaskR2, MaskR3, MaskR4, MaskR5 };

// Address bits each screen mode honours in the table registers.
constexpr uint8_t TableMasks[4][4] = {
    // R2    R3    R4    R5
    {0x7F, 0x00, 0x3F, 0x00},  // 0 text
    {0x7F, 0xFF, 0x3F, 0xFF},  // 1 graphics I
    {0x7F, 0x80, 0x3C, 0xFF},  // 2 graphics II
    {0x7F, 0x00, 0x3F, 0xFF},  // 3 multicolour
};

// The picture uses two of the system's static colours, not the chip's palette.
constexpr uint8_t InkIndex = 1;
constexpr uint8_t PaperIndex = 7;

}  // namespace

// The mode the mode bits select, or the current one for a combination the chip does not define.
uint8_t VideoChip::SelectMode(uint8_t r0, uint8_t r1) const {
  switch ((r1 & 0x18) | ((r0 & 0x0E) >> 1)) {
    case 0x00:
      return 1;
    case 0x01:
      return 2;
    case 0x08:
      return 3;
    case 0x10:
      return 0;
    default:
      return ScreenMode;
  }
}

void VideoChip::ComputeNameTable() {
  NameTable = static_cast<uint16_t>((R[2] & TableMasks[ScreenMode & 3][MaskR2]) << 10);
}
void VideoChip::ComputeColourTable() {
  ColourTable = static_cast<uint16_t>((R[3] & TableMasks[ScreenMode & 3][MaskR3]) << 6);
}
void VideoChip::ComputePatternTable() {
  PatternTable = static_cast<uint16_t>((R[4] & TableMasks[ScreenMode & 3][MaskR4]) << 11);
}
void VideoChip::ComputeSpriteAttributeTable() {
  SpriteAttributeTable = static_cast<uint16_t>((R[5] & TableMasks[ScreenMode & 3][MaskR5]) << 7);
}
void VideoChip::ComputeSpritePatternTable() { SpritePatternTable = static_cast<uint16_t>((R[6] & 0x3F) << 11); }

void VideoChip::ComputeTables() {
  ComputeNameTable();
  ComputeColourTable();
  ComputePatternTable();
  ComputeSpriteAttributeTable();
  ComputeSpritePatternTable();
}

void VideoChip::WriteRegister(uint8_t n, uint8_t data) {
  switch (n) {
    case 0:
    case 1: {
      const uint8_t mode = n == 0 ? SelectMode(data, R[1]) : SelectMode(R[0], data);
      if (mode != ScreenMode) {
        ScreenMode = mode;
        ComputeTables();
      }
      break;
    }
    case 2:
      R[2] = data;
      ComputeNameTable();
      break;
    case 3:
      R[3] = data;
      ComputeColourTable();
      break;
    case 4:
      R[4] = data;
      ComputePatternTable();
      break;
    case 5:
      R[5] = data;
      ComputeSpriteAttributeTable();
      break;
    case 6:
      R[6] = data;
      ComputeSpritePatternTable();
      break;
    case 7:
      Foreground = data >> 4;
      Background = data & 0x0F;
      break;
  }
  R[n] = data;
}

void VideoChip::WriteControl(uint8_t value) {
  if (Latch) {
    FirstByte = value;
    Latch = 0;
    return;
  }
  Latch = 1;
  switch (value & 0xC0) {
    case 0x00:
      ReadAddress = static_cast<uint16_t>(value << 8 | FirstByte);
      break;
    case 0x40:
      WriteAddress = static_cast<uint16_t>((value & 0x3F) << 8 | FirstByte);
      break;
    case 0x80:
      WriteRegister(value & 0x07, FirstByte);
      break;
    default:
      break;  // C0h: no operation
  }
}

// 32 x 8 cells from one name-table run, with patterns from patterns + 8 * name.
void VideoChip::DrawCellRows(uint8_t* pixels, uint16_t names, uint16_t patterns, int top) const {
  pixels += top * BitmapStride;
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t name = Memory[(names + row * 32 + column) & (MemorySize - 1)];
      const unsigned pattern = patterns + 8u * name;
      uint8_t* cell = pixels + (row * 8) * BitmapStride + column * 8;
      for (int line = 0; line < 8; ++line) {
        const uint8_t bits = Memory[(pattern + line) & (MemorySize - 1)];
        PutEightPixels(cell + line * BitmapStride, bits, InkIndex, PaperIndex);
      }
    }
  }
}

void VideoChip::WriteData(uint8_t value) {
  // A data byte between the two halves of a control pair is lost.
  if (!Latch) return;
  Memory[WriteAddress & (MemorySize - 1)] = value;
  WriteAddress = (WriteAddress + 1) & (MemorySize - 1);
}

uint8_t VideoChip::ReadStatus() {
  const uint8_t status = Status;
  Status &= static_cast<uint8_t>(~0xA0);
  Latch = 1;
  return status;
}

uint8_t VideoChip::ReadData() {
  const uint8_t value = Memory[ReadAddress & (MemorySize - 1)];
  ReadAddress = (ReadAddress + 1) & (MemorySize - 1);
  return value;
}

void VideoChip::Reset() {
  std::memset(R, 0, sizeof R);
  R[1] = 0x10;
  Latch = 1;
  Status = 0x9F;
  ScreenMode = 0;
  Foreground = Background = 0;
  WriteAddress = 0;
  ComputeTables();
}

bool VideoChip::FrameStep(uint8_t* pixels) {
  // Half a control pair written: the chip is mid-command and shows nothing new.
  if (!Latch) return false;
  if (pixels) {
    if (ScreenMode == 2) {
      // Three thirds of 256 names, each third with its own 2 KB of patterns.
      for (int third = 0; third < 3; ++third)
        DrawCellRows(pixels, static_cast<uint16_t>(NameTable + 256 * third),
                     static_cast<uint16_t>(PatternTable + 0x800 * third), 64 * third);
    } else if (ScreenMode == 1) {
      // Graphics I drawn like graphics II, but all 768 names share one pattern table.
      for (int third = 0; third < 3; ++third)
        DrawCellRows(pixels, static_cast<uint16_t>(NameTable + 256 * third), PatternTable, 64 * third);
    }
  }
  Status = static_cast<uint8_t>((Status & 0xDF) | 0x80);
  return (R[1] & 0x20) != 0;
}

}  // namespace tirvane
