// SPDX-License-Identifier: GPL-3.0-or-later
// Decoded graphics and the drawing primitives the drivers share.
// Every primitive clips to the bitmap and to ColourLookup; the clip decision is taken once per tile.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tirvane {

struct Tile {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;  // pens, row by row, top row first
};

struct TileLayout {
  int32_t Width;
  int32_t Height;
  int32_t Total;
  int32_t Planes;
  int32_t PlaneOffsets[8];
  int32_t XOffsets[64];
  int32_t YOffsets[64];
  int32_t TileIncrement;
};

// Orientation flags. The decoder honours all three; the flagged blitters mirror with 0x80 and 0x40
// inside the tile's own box.
enum : uint8_t { FlipX = 0x80, FlipY = 0x40, SwapXY = 0x20 };

struct TileSet {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<Tile*> Tiles;  // owned by the set
  int32_t Count = 0;
  int32_t Colours = 0;
  int32_t ColourBase = 0;
  std::string Name;  // at most 31 characters
  std::vector<std::unique_ptr<Tile>> Storage;
};

constexpr int ColourLookupSize = 1024;
// Lookup primitives write ColourLookup[(colour base + pen) mod 1024] + 10: an index past the end wraps.
extern uint8_t ColourLookup[ColourLookupSize];

// sourceSize bounds every bit read: bits past the end read as 0.
TileSet* BuildTileSet(const std::string& name, int32_t colourBase, uint8_t flags, const TileLayout& layout,
                      const uint8_t* source, size_t sourceSize);
void FreeTileSet(TileSet* set);
// Frees every set of a driver's array and empties its slots, so a second call frees nothing twice.
void FreeTileSets(std::span<TileSet*> sets);
struct TileSetDeleter {
  void operator()(TileSet* set) const { FreeTileSet(set); }
};
// For a driver that keeps its sets in one place and wants them gone at Stop without fail.
using OwnedTileSet = std::unique_ptr<TileSet, TileSetDeleter>;

// Bit n is bit 7 - (n mod 8) of byte n div 8; a negative offset reads 0. The unbounded form trusts
// the caller with the buffer's end; the bounded one reads 0 past sourceSize bytes.
int ReadBit(const uint8_t* source, int32_t bitOffset);
int ReadBit(const uint8_t* source, size_t sourceSize, int64_t bitOffset);
// Bit 0 is the least significant; a bit number outside 0-7 reads as clear.
bool TestBit(uint8_t value, int bit);

// Add blitters write (pen + colour) mod 256; lookup blitters ColourLookup[base + pen] + 10 (mod 256).
// The masked ones skip pen 0, the Opaque ones write it. The Fast ones never mirror.
void PutPixel(int32_t x, int32_t y, uint8_t value);
void PutPixelByte(uint8_t x, uint8_t y, uint8_t value);
void DrawTileAdd(int32_t x, int32_t y, uint8_t colour, const Tile& tile, uint8_t flags);
void DrawTileLookup(int32_t x, int32_t y, uint16_t colourBase, const Tile& tile, uint8_t flags);
void DrawTileLookupOpaque(int32_t x, int32_t y, uint16_t colourBase, const Tile& tile, uint8_t flags);
void DrawTileAddFast(int32_t x, int32_t y, uint8_t colour, const Tile& tile);
void DrawTileAddOpaqueFast(int32_t x, int32_t y, uint8_t colour, const Tile& tile);
void ClearScreen(uint8_t value);

}  // namespace tirvane
