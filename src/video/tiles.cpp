// SPDX-License-Identifier: GPL-3.0-or-later
// The tile decoder: planar graphics ROM bytes to one pen per byte, turned to screen orientation.
#include "video/tiles.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace tirvane {

uint8_t ColourLookup[ColourLookupSize] = {};

int ReadBit(const uint8_t* source, int32_t bitOffset) {
  if (source == nullptr || bitOffset < 0) return 0;
  return (source[bitOffset >> 3] >> (7 - (bitOffset & 7))) & 1;
}

int ReadBit(const uint8_t* source, size_t sourceSize, int64_t bitOffset) {
  if (source == nullptr || bitOffset < 0 || static_cast<uint64_t>(bitOffset >> 3) >= sourceSize) return 0;
  return (source[bitOffset >> 3] >> (7 - (bitOffset & 7))) & 1;
}

bool TestBit(uint8_t value, int bit) { return bit >= 0 && bit < 8 && ((value >> bit) & 1) != 0; }

TileSet* BuildTileSet(const std::string& name, int32_t colourBase, uint8_t flags, const TileLayout& layout,
                      const uint8_t* source, size_t sourceSize) {
  auto set = std::make_unique<TileSet>();
  // The offset tables hold 64 columns, 64 rows and 8 planes; a larger layout is cut to what they hold.
  const int32_t layoutWidth = std::clamp(layout.Width, 0, 64);
  const int32_t layoutHeight = std::clamp(layout.Height, 0, 64);
  const int32_t planes = std::clamp(layout.Planes, 0, 8);
  const bool swapXY = (flags & SwapXY) != 0;
  const int32_t width = swapXY ? layoutHeight : layoutWidth;
  const int32_t height = swapXY ? layoutWidth : layoutHeight;

  set->Width = width;
  set->Height = height;
  set->Count = std::max(layout.Total, 0);
  set->Colours = 1 << planes;
  set->ColourBase = colourBase;
  set->Name = name.substr(0, 31);
  set->Storage.reserve(set->Count);
  set->Tiles.reserve(set->Count);

  // Where each pixel reads its bit, relative to its plane's base, in screen order: the orientation
  // is resolved once per set, and the bounds once per tile plane instead of once per bit.
  const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<int64_t> offsets(pixelCount);
  int64_t lowest = INT64_MAX, highest = INT64_MIN;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      int32_t xx = (flags & FlipX) ? width - 1 - x : x;
      int32_t yy = (flags & FlipY) ? height - 1 - y : y;
      if (swapXY) std::swap(xx, yy);
      const int64_t offset = int64_t{layout.YOffsets[yy]} + layout.XOffsets[xx];
      offsets[static_cast<size_t>(y) * width + x] = offset;
      lowest = std::min(lowest, offset);
      highest = std::max(highest, offset);
    }
  }
  const int64_t sourceBits =
      static_cast<int64_t>(std::min<uint64_t>(sourceSize, uint64_t{INT64_MAX} >> 4) * 8);

  for (int32_t t = 0; t < set->Count; ++t) {
    auto tile = std::make_unique<Tile>();
    tile->Width = width;
    tile->Height = height;
    tile->Pixels.assign(pixelCount, 0);
    uint8_t* pixel = tile->Pixels.data();
    for (int32_t p = 0; p < planes; ++p) {
      // 64-bit so that a large tile index times the increment cannot wrap into a valid offset.
      const int64_t base = int64_t{layout.PlaneOffsets[p]} + int64_t{t} * layout.TileIncrement;
      // Plane 0 is shifted furthest, so it ends up as the pen's most significant bit.
      if (source && pixelCount && base + lowest >= 0 && base + highest < sourceBits) {
        for (size_t i = 0; i < pixelCount; ++i) {
          const int64_t bit = base + offsets[i];
          pixel[i] = static_cast<uint8_t>((pixel[i] << 1) | ((source[bit >> 3] >> (7 - (bit & 7))) & 1));
        }
      } else {
        for (size_t i = 0; i < pixelCount; ++i)
          pixel[i] = static_cast<uint8_t>((pixel[i] << 1) | ReadBit(source, sourceSize, base + offsets[i]));
      }
    }
    set->Tiles.push_back(tile.get());
    set->Storage.push_back(std::move(tile));
  }
  return set.release();
}

// Members go in reverse order of declaration: the tiles (Storage), then the pointer array, then the set.
void FreeTileSet(TileSet* set) { delete set; }

void FreeTileSets(std::span<TileSet*> sets) {
  for (TileSet*& set : sets) {
    FreeTileSet(set);
    set = nullptr;
  }
}

}  // namespace tirvane
