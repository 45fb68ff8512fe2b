// SPDX-License-Identifier: GPL-3.0-or-later
// The video display processor: 16 KB of its own memory reached through a data port and a control
// port (address and register writes in byte pairs, a status byte), eight registers that place its
// tables, and a frame step that draws graphics modes I and II and raises the frame interrupt.
// Sprites and the text and multicolour modes are not drawn.
#pragma once

#include <cstdint>

namespace tirvane {

struct VideoChip {
  static constexpr uint16_t MemorySize = 0x4000;

  uint8_t Memory[MemorySize];
  uint16_t ReadAddress;   // next byte the data port returns
  uint16_t WriteAddress;  // next byte the data port stores
  uint8_t R[8];
  uint16_t ColourTable;           // (R3 & mask) << 6
  uint16_t NameTable;             // (R2 & mask) << 10
  uint16_t SpriteAttributeTable;  // (R5 & mask) << 7
  uint16_t SpritePatternTable;    // (R6 & 3Fh) << 11
  uint16_t PatternTable;          // (R4 & mask) << 11
  uint8_t Latch;                  // 1: the next control byte is the first of a pair
  uint8_t FirstByte;              // the first byte of a control pair
  uint8_t Status;                 // bit 7 frame flag, bit 5 cleared by every frame
  uint8_t ScreenMode;             // 0 text, 1 graphics I, 2 graphics II, 3 multicolour
  uint8_t Foreground, Background;

  // Registers as at power-on; the memory and the read address are kept.
  void Reset();
  void WriteControl(uint8_t value);
  void WriteData(uint8_t value);
  // Reading the status clears its frame flag and the control pair's first half.
  uint8_t ReadStatus();
  uint8_t ReadData();
  // Draws the picture into pixels (256 x 192 palette indices, a bitmap row apart; null: no drawing)
  // and sets the frame flag; true when the chip raises its interrupt.
  bool FrameStep(uint8_t* pixels);

 private:
  uint8_t SelectMode(uint8_t r0, uint8_t r1) const;
  void ComputeNameTable();
  void ComputeColourTable();
  void ComputePatternTable();
  void ComputeSpriteAttributeTable();
  void ComputeSpritePatternTable();
  void ComputeTables();
  void WriteRegister(uint8_t n, uint8_t data);
  void DrawCellRows(uint8_t* pixels, uint16_t names, uint16_t patterns, int top) const;
};

}  // namespace tirvane
