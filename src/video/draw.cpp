// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing primitives. Each one works out, once per call, the part of the tile that lands inside
// the bitmap and then runs a plain row loop over it: a tile wholly on screen costs no more than an
// unclipped blit, and one that hangs over an edge (or lies far outside) never writes outside the buffer.
#include <algorithm>

#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {

namespace {

// The visible part of a tile: target rows and columns [x0, x1) x [y0, y1) of the bitmap.
struct Clip {
  int x0, y0, x1, y1;
};

// false when the tile is malformed or nothing of it is visible.
bool clipTile(int32_t x, int32_t y, const Tile& tile, int limitWidth, int limitHeight, Clip& clip) {
  const int64_t width = tile.Width, height = tile.Height;
  if (width <= 0 || height <= 0 || tile.Pixels.size() < static_cast<uint64_t>(width * height)) return false;
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + width, limitWidth);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(int64_t{y} + height, limitHeight);
  if (x0 >= x1 || y0 >= y1) return false;
  clip = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1)};
  return true;
}

// Mirroring keeps the tile in its own box: target column x + i shows tile column width - 1 - i.
template <bool Masked, bool MirrorX, class Map>
void blit(int32_t x, int32_t y, const Tile& tile, bool mirrorY, int stride, const Clip& clip, Map map) {
  uint8_t* row = Screen->Pixels.data() + clip.y0 * stride + clip.x0;
  const int count = clip.x1 - clip.x0;
  const int64_t firstColumn = MirrorX ? int64_t{x} + tile.Width - 1 - clip.x0 : clip.x0 - int64_t{x};
  for (int ty = clip.y0; ty < clip.y1; ++ty, row += stride) {
    const int64_t j = mirrorY ? int64_t{y} + tile.Height - 1 - ty : ty - int64_t{y};
    const uint8_t* source = tile.Pixels.data() + j * tile.Width + firstColumn;
    for (int k = 0; k < count; ++k) {
      const uint8_t pen = MirrorX ? source[-k] : source[k];
      // Written as a select rather than a skipped store so the compiler can vectorise the row.
      row[k] = (!Masked || pen != 0) ? map(pen) : row[k];
    }
  }
}

template <bool Masked, class Map>
void drawFlagged(int32_t x, int32_t y, const Tile& tile, uint8_t flags, Map map) {
  Clip clip;
  if (Screen == nullptr || !clipTile(x, y, tile, BitmapWidth, BitmapHeight, clip)) return;
  const bool mirrorY = (flags & FlipY) != 0;
  if (flags & FlipX) {
    blit<Masked, true>(x, y, tile, mirrorY, BitmapStride, clip, map);
  } else {
    blit<Masked, false>(x, y, tile, mirrorY, BitmapStride, clip, map);
  }
}

// The fast blitters step rows by the stored stride; the visible box is derived from it so that even a
// stride other than 256 keeps every write inside the buffer.
template <bool Masked>
void drawFast(int32_t x, int32_t y, uint8_t colour, const Tile& tile) {
  if (Screen == nullptr || Screen->Stride <= 0) return;
  const int stride = Screen->Stride;
  Clip clip;
  if (!clipTile(x, y, tile, std::min(BitmapWidth, stride), std::min(BitmapHeight, BitmapSize / stride), clip))
    return;
  blit<Masked, false>(x, y, tile, false, stride, clip, [colour](uint8_t pen) -> uint8_t { return pen + colour; });
}

// Colour base + pen wraps at the table's size, so an out-of-range base reads a defined entry instead
// of memory beyond the table.
struct Lookup {
  uint16_t base;
  uint8_t operator()(uint8_t pen) const {
    return static_cast<uint8_t>(ColourLookup[(base + pen) & (ColourLookupSize - 1)] + 10);
  }
};
static_assert((ColourLookupSize & (ColourLookupSize - 1)) == 0, "the lookup index wraps by masking");

}  // namespace

void PutPixel(int32_t x, int32_t y, uint8_t value) {
  if (Screen == nullptr) return;
  if (static_cast<uint32_t>(x) < BitmapWidth && static_cast<uint32_t>(y) < BitmapHeight) {
    Screen->Pixels[y * 256 + x] = value;
  }
}

// Byte coordinates reach at most 255 * 256 + 255, inside the bitmap: no check needed.
void PutPixelByte(uint8_t x, uint8_t y, uint8_t value) {
  if (Screen != nullptr) Screen->Pixels[y * 256 + x] = value;
}

void DrawTileAdd(int32_t x, int32_t y, uint8_t colour, const Tile& tile, uint8_t flags) {
  drawFlagged<true>(x, y, tile, flags, [colour](uint8_t pen) -> uint8_t { return pen + colour; });
}

void DrawTileLookup(int32_t x, int32_t y, uint16_t colourBase, const Tile& tile, uint8_t flags) {
  drawFlagged<true>(x, y, tile, flags, Lookup{colourBase});
}

void DrawTileLookupOpaque(int32_t x, int32_t y, uint16_t colourBase, const Tile& tile, uint8_t flags) {
  drawFlagged<false>(x, y, tile, flags, Lookup{colourBase});
}

void DrawTileAddFast(int32_t x, int32_t y, uint8_t colour, const Tile& tile) { drawFast<true>(x, y, colour, tile); }

void DrawTileAddOpaqueFast(int32_t x, int32_t y, uint8_t colour, const Tile& tile) {
  drawFast<false>(x, y, colour, tile);
}

void ClearScreen(uint8_t value) {
  if (Screen != nullptr) Screen->Pixels.fill(value);
}

}  // namespace tirvane
