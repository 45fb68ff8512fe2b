// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures in and out of PNG files: the visible region of the screen bitmap as palette indices,
// written indexed (the palette as PLTE) or as RGB through the palette.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "video/screen.h"

namespace tirvane {

struct IndexedImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // palette indices, top row first
  std::array<Rgb, 256> Palette{};
  int PaletteSize = 256;
};

struct RgbImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // red, green, blue per pixel, top row first
};

// The visible region (ScreenWidth x ScreenHeight from the offsets), clipped to the bitmap.
IndexedImage CaptureVisibleRegion(const ScreenBitmap& bitmap);
// Each pixel through the palette, repeated scale x scale times.
RgbImage ToRgb(const IndexedImage& image, int scale);

// On failure the functions return false (or nullopt) and say why in error.
bool WritePngIndexed(const std::string& path, const IndexedImage& image, std::string& error);
bool WritePngRgb(const std::string& path, const RgbImage& image, std::string& error);
// The file's bytes in memory, for pictures that never touch the disk.
std::optional<std::vector<uint8_t>> EncodePngRgb(const RgbImage& image, std::string& error);
// Only palette PNGs (colour type 3) are read, indices kept as stored.
std::optional<IndexedImage> ReadPngIndexed(const std::string& path, std::string& error);
// Any PNG, converted to 8-bit RGB.
std::optional<RgbImage> ReadPngRgb(const std::string& path, std::string& error);

}  // namespace tirvane
