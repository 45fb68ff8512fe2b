// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/viewers.h"

#include <algorithm>

#include "video/screen.h"

namespace tirvane {

std::vector<TilePlacement> SpriteSetLayout(const TileSet& set, int areaWidth, int areaHeight) {
  std::vector<TilePlacement> placements;
  const double halfWidth = areaWidth / 2.0;
  const double halfHeight = areaHeight / 2.0;
  int x = 2, y = 2;
  const int count = std::min<int>(set.Count, static_cast<int>(set.Tiles.size()));
  for (int i = 0; i < count; ++i) {
    const Tile* tile = set.Tiles[static_cast<size_t>(i)];
    if (tile == nullptr) continue;
    placements.push_back({i, x, y});
    x += tile->Width + 2;
    if (x > halfWidth || x > 255 - tile->Width) {
      x = 2;
      y += tile->Height + 2;
      if (y > halfHeight || y > 255 - tile->Height) break;
    }
  }
  return placements;
}

uint8_t SpriteFlipByte(bool flipX, bool flipY) {
  return static_cast<uint8_t>((flipX ? FlipX : 0) | (flipY ? FlipY : 0));
}

void DrawSpriteSet(const TileSet& set, int palette, uint8_t flip, int areaWidth, int areaHeight) {
  if (Screen == nullptr) return;
  ClearScreen(0);
  const auto colourBase = static_cast<uint16_t>(palette * set.Colours + set.ColourBase);
  for (const TilePlacement& p : SpriteSetLayout(set, areaWidth, areaHeight))
    DrawTileLookup(p.X, p.Y, colourBase, *set.Tiles[static_cast<size_t>(p.Index)], flip);
}

std::vector<TilePlacement> CharSetLayout(std::span<Tile* const> tiles, int zoom, int areaWidth,
                                         int areaHeight) {
  std::vector<TilePlacement> placements;
  int x = 9999, y = 9999;  // the first tile opens the first row
  for (size_t i = 0; i < tiles.size(); ++i) {
    const Tile* tile = tiles[i];
    if (tile == nullptr) continue;
    const int w = tile->Width * zoom, h = tile->Height * zoom;
    if (x + w + 2 > areaWidth) {
      x = 2;
      y += h + 2;
      if (y + h + 2 > areaHeight) y = 2;
    }
    placements.push_back({static_cast<int>(i), x, y});
    x += w + 2;
  }
  return placements;
}

CharSetPicture PaintCharSet(Tile* const* tiles, int tileCount, int tilesPerSet, int set, int zoom,
                            int palette, int width, int height) {
  CharSetPicture picture;
  picture.Width = std::max(width, 0);
  picture.Height = std::max(height, 0);
  picture.Pixels.assign(static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height), 0);
  zoom = std::clamp(zoom, 1, 3);
  palette = std::clamp(palette, 0, 15);
  if (tiles == nullptr || tilesPerSet <= 0 || set < 0) return picture;

  // The set's slice of the array; entries past the decoded tiles stay null.
  std::vector<Tile*> slice(static_cast<size_t>(tilesPerSet), nullptr);
  const int64_t first = static_cast<int64_t>(set) * tilesPerSet;
  for (int i = 0; i < tilesPerSet; ++i)
    if (first + i < tileCount) slice[static_cast<size_t>(i)] = tiles[first + i];

  const int base = 10 + 4 * palette;
  for (const TilePlacement& p : CharSetLayout(slice, zoom, picture.Width, picture.Height)) {
    const Tile& tile = *slice[static_cast<size_t>(p.Index)];
    for (int k = 0; k < tile.Height; ++k) {
      for (int j = 0; j < tile.Width; ++j) {
        const size_t source =
            static_cast<size_t>(k) * static_cast<size_t>(tile.Width) + static_cast<size_t>(j);
        if (source >= tile.Pixels.size()) continue;
        const uint8_t pen = tile.Pixels[source];
        if (pen == 0) continue;
        const auto index = static_cast<uint8_t>(base + pen);
        for (int dy = 1; dy <= zoom; ++dy) {
          const int py = p.Y + k * zoom + dy;
          if (py < 0 || py >= picture.Height) continue;
          for (int dx = 1; dx <= zoom; ++dx) {
            const int px = p.X + j * zoom + dx;
            if (px < 0 || px >= picture.Width) continue;
            picture.Pixels[static_cast<size_t>(py) * static_cast<size_t>(picture.Width) +
                           static_cast<size_t>(px)] = index;
          }
        }
      }
    }
  }
  return picture;
}

bool ShowsAnything(std::span<const uint8_t> pixels, const std::array<Rgb, 256>& palette) {
  std::array<bool, 256> lit{};
  for (size_t i = 0; i < palette.size(); ++i)
    lit[i] = palette[i].r != 0 || palette[i].g != 0 || palette[i].b != 0;
  for (uint8_t pixel : pixels)
    if (lit[pixel]) return true;
  return false;
}

int FirstVisiblePalette(const std::function<bool(int palette)>& showsAnything) {
  for (int palette = 0; palette < 16; ++palette)
    if (showsAnything(palette)) return palette;
  return 0;
}

}  // namespace tirvane
