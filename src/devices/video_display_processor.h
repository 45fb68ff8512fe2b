// SPDX-License-Identifier: GPL-3.0-or-later
// The video display processor in full: graphics I and II, text and multicolour screens in the
// chip's sixteen colours over a backdrop, 32 sprites (8x8 or 16x16, magnified or not, at most four
// on a line) with the fifth-sprite and collision flags, one address counter with the read-ahead
// byte, and a picture drawn line by line so that a register changed mid-frame shows from the line
// the beam had reached. The board decides when a line is due (DrawLinesTo) and when the frame ends.
#pragma once

#include <cstdint>

#include "video/screen.h"

namespace tirvane {

struct VideoDisplayProcessor {
  static constexpr uint16_t MemorySize = 0x4000;
  static constexpr int VisibleLines = 192;
  static constexpr int FrameLines = 262;
  // Colour n of the chip is palette index PaletteBase + n; colour 0 shows the backdrop.
  static constexpr uint8_t PaletteBase = 10;
  static const Rgb Colours[16];

  enum : uint8_t { FrameFlag = 0x80, FifthSpriteFlag = 0x40, CollisionFlag = 0x20 };
  enum Mode : uint8_t { Text, GraphicsI, GraphicsII, Multicolour };

  uint8_t Memory[MemorySize];
  uint8_t R[8];
  uint16_t Address;   // the one counter both data directions advance
  uint16_t NextLine;  // the first line of this frame not drawn yet
  uint8_t ReadAhead;  // what the next data read returns
  uint8_t Latch;      // 1: the next control byte is the first of a pair
  uint8_t FirstByte;
  uint8_t Status;

  // Registers and flags as at power-on; memory is kept.
  void Reset();
  void WriteControl(uint8_t value);
  void WriteData(uint8_t value);
  uint8_t ReadStatus();
  uint8_t ReadData();
  Mode ScreenMode() const;
  // True while the chip holds its interrupt output low: frame flag and interrupt enable both set.
  bool InterruptPending() const { return (Status & FrameFlag) && (R[1] & 0x20); }

  // Draws the visible lines from NextLine up to (not including) line into pixels (256 palette
  // indices a row, BitmapStride apart; null: flags only).
  void DrawLinesTo(int line, uint8_t* pixels);
  // Draws what is left of the picture, raises the frame flag and starts the next frame.
  void EndFrame(uint8_t* pixels);

 private:
  void DrawLine(int line, uint8_t* row);
  void DrawSprites(int line, uint8_t* row);
};

}  // namespace tirvane
