// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/screen.h"

#include <algorithm>
#include <memory>

#include "video/host.h"

namespace tirvane {

namespace {
// The one bitmap of the run; Screen is a view of it so drivers reach the pixels without indirection.
std::unique_ptr<ScreenBitmap> OwnedScreen;
}  // namespace

ScreenBitmap* Screen = nullptr;
Rgb RgbTable[RgbTableSize] = {};

// The static colours a palette-based desktop reserves at both ends of its palette; a true-colour host
// has none to report, so they are fixed here. Entries 0-9 first, then 246-255.
const Rgb SystemColours[20] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

int ScreenWidth = 256;
int ScreenHeight = 256;
int ScreenOffsetX = 0;
int ScreenOffsetY = 0;
bool DoubleScreen = true;

void CreateScreenBitmap() {
  // Value-initialised: the pixels start as palette entry 0, so write-time drivers begin on black.
  auto bitmap = std::make_unique<ScreenBitmap>();
  auto& palette = bitmap->Palette;
  std::copy(SystemColours, SystemColours + 10, palette.begin());
  std::copy(RgbTable, RgbTable + RgbTableSize, palette.begin() + 10);
  std::copy(SystemColours + 10, SystemColours + 20, palette.begin() + 10 + RgbTableSize);
  OwnedScreen = std::move(bitmap);
  Screen = OwnedScreen.get();
}

void FreeScreenBitmap() {
  Screen = nullptr;
  OwnedScreen.reset();
}

void PresentScreen() {
  if (Screen == nullptr) return;
  // Hosts receive a rectangle wholly inside the bitmap, whatever geometry a driver set.
  const int x = std::clamp(ScreenOffsetX, 0, BitmapWidth);
  const int y = std::clamp(ScreenOffsetY, 0, BitmapHeight);
  const int width = std::clamp(ScreenWidth, 0, BitmapWidth - x);
  const int height = std::clamp(ScreenHeight, 0, BitmapHeight - y);
  CurrentHost().presentScreen(*Screen, x, y, width, height);
}

}  // namespace tirvane
