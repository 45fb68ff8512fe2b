// SPDX-License-Identifier: GPL-3.0-or-later
// Palette-index pictures as QImages for the viewers: an 8-bit indexed image over a copy of the pixels,
// with the screen palette as its colour table.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "video/screen.h"

namespace tirvane {

QImage IndexedImage(const uint8_t* pixels, int width, int height, int stride,
                    const std::array<Rgb, 256>& palette);
inline QImage ScreenImage(const ScreenBitmap& bitmap) {
  return IndexedImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Stride, bitmap.Palette);
}

}  // namespace tirvane
