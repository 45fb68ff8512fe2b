// SPDX-License-Identifier: GPL-3.0-or-later
// The off-screen picture every machine draws into, its palette and the visible geometry.
#pragma once

#include <array>
#include <cstdint>

namespace tirvane {

constexpr int BitmapWidth = 256;
constexpr int BitmapHeight = 288;
constexpr int BitmapStride = 256;
constexpr int BitmapSize = BitmapStride * BitmapHeight;  // 73,728 bytes

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// One palette index per pixel, top row first.
struct ScreenBitmap {
  int Width = BitmapWidth;
  int Height = BitmapHeight;
  int Stride = BitmapStride;
  int Size = BitmapSize;
  std::array<uint8_t, BitmapSize> Pixels{};
  std::array<Rgb, 256> Palette{};
};

// Exists only while a run is active (null otherwise).
extern ScreenBitmap* Screen;

constexpr int RgbTableSize = 236;
// Driver colour n becomes palette index 10 + n.
extern Rgb RgbTable[RgbTableSize];
// The 20 standard static system colours: palette entries 0-9 and 246-255.
extern const Rgb SystemColours[20];

extern int ScreenWidth, ScreenHeight, ScreenOffsetX, ScreenOffsetY;
extern bool DoubleScreen;

// Builds the palette from the system colours and RgbTable, and the bitmap (zero-filled).
void CreateScreenBitmap();
void FreeScreenBitmap();
// Hands the visible region (ScreenWidth x ScreenHeight from the offsets) to the host.
void PresentScreen();

}  // namespace tirvane
