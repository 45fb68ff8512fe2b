// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/screen_image.h"

#include <cstring>

namespace tirvane {

QImage IndexedImage(const uint8_t* pixels, int width, int height, int stride,
                    const std::array<Rgb, 256>& palette) {
  QImage image(width, height, QImage::Format_Indexed8);
  QList<QRgb> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = qRgb(palette[i].r, palette[i].g, palette[i].b);
  image.setColorTable(colours);
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), pixels + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width));
  return image;
}

}  // namespace tirvane
