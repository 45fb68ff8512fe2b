// SPDX-License-Identifier: GPL-3.0-or-later
// The layouts and pictures of the two tile viewers, without a window: the sprite set viewer draws a
// TileSet into the ScreenBitmap, the character set viewer paints plain tile arrays into an indexed
// picture of its own. The windows only show what these produce.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {

struct TilePlacement {
  int Index;  // position of the tile in what was laid out
  int X, Y;   // top-left corner
};

// Sprite set viewer: rows from (2, 2), 2 pixels apart, within half the drawing area (it is shown at
// twice the size) and within the 256-pixel bitmap; tiles that do not fit are left out.
std::vector<TilePlacement> SpriteSetLayout(const TileSet& set, int areaWidth, int areaHeight);
uint8_t SpriteFlipByte(bool flipX, bool flipY);
// Clears the ScreenBitmap and draws the set through the colour lookup in the given palette.
// Does nothing while no bitmap exists.
void DrawSpriteSet(const TileSet& set, int palette, uint8_t flip, int areaWidth, int areaHeight);

// Character set viewer: the tiles of one set, zoom x zoom pixels per tile pixel, rows restarting
// from the top when the area is full (they overdraw). Null tiles (past the decoded ones) are skipped.
std::vector<TilePlacement> CharSetLayout(std::span<Tile* const> tiles, int zoom, int areaWidth,
                                         int areaHeight);

struct CharSetPicture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Pixels;  // palette indices; 0 where nothing is drawn (shown black)
};

// The tiles of set `set` (tilesPerSet each) out of `tiles`/`tileCount`; pen p is drawn with palette
// index 10 + 4 x palette + p, pen 0 not at all. The zoom is held to 1-3.
CharSetPicture PaintCharSet(Tile* const* tiles, int tileCount, int tilesPerSet, int set, int zoom,
                            int palette, int width, int height);

// Whether any pixel shows a colour other than black: a set drawn in a palette the game leaves black
// looks empty, so the viewers open on the first palette for which this holds.
bool ShowsAnything(std::span<const uint8_t> pixels, const std::array<Rgb, 256>& palette);
// The first of palettes 0-15 for which picture(palette) shows anything; 0 when none does.
int FirstVisiblePalette(const std::function<bool(int palette)>& showsAnything);

}  // namespace tirvane
