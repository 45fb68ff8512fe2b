// SPDX-License-Identifier: GPL-3.0-or-later
// Galaxian-family video: decoder, palette and starfield, draw, frame and stop routines.
//
// GraphicsRegion as the decoder reads it, per bank k of 256 characters:
//   k*1000h + n*8        high bit plane of character n (8 bytes, one per screen column)
//   k*1000h + 800h + n*8 low bit plane
// Sprite j is made of characters 4j..4j+3 (top right, bottom right, top left, bottom left).
#include "drivers/galaxian_family.h"

#include <algorithm>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/driver.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

Star StarTable[MaxStars];
int StarCount = 0;
uint16_t StarCounter = 0;
GalaxianFamilyLatches GalaxianFamilyState;

namespace {

constexpr uint32_t BankSize = 0x1000;
constexpr uint32_t LowPlane = 0x800;
// GraphicsRegion holds 32 banks; anything a description asks for beyond that would only decode
// empty tiles, so the counts are bounded here rather than allocating without limit.
constexpr int MaxBanks = static_cast<int>(GraphicsRegionSize / BankSize);
constexpr int MaxSprites = MaxBanks * 64;

constexpr uint8_t BulletColour = 107;   // driver colour 97
constexpr uint8_t StarColourBase = 42;  // driver colour 32

std::vector<Tile> charStore;
std::vector<Tile> spriteStore;
std::vector<Tile*> charPointers;
std::vector<Tile*> spritePointers;
// Characters with no pen set are skipped by the tilemap loop; most of a screen is blank.
std::vector<uint8_t> charBlank;

// Copies character n of bank k into the tile at (row0, col0), already turned to screen
// orientation: source byte y is screen column 7 - y, bit b is screen row 7 - b.
void DecodeCharacter(const uint8_t* region, uint32_t bank, uint32_t n, Tile& tile, int row0, int col0) {
  const uint8_t* high = region + bank * BankSize + n * 8;
  const uint8_t* low = high + LowPlane;
  for (int y = 0; y < 8; ++y)
    for (int b = 0; b < 8; ++b) {
      const uint8_t pen = static_cast<uint8_t>(((low[y] >> b) & 1) | (((high[y] >> b) & 1) << 1));
      tile.Pixels[(row0 + 7 - b) * tile.Width + col0 + 7 - y] = pen;
    }
}

Tile MakeTile(int size) {
  Tile t;
  t.Width = size;
  t.Height = size;
  t.Pixels.assign(static_cast<size_t>(size) * size, 0);
  return t;
}

void DrawStars() {
  const uint8_t scroll = static_cast<uint8_t>(StarCounter >> 1);
  for (int i = 0; i < StarCount; ++i) {
    const Star& s = StarTable[i];
    const uint8_t x = s.Q;
    const uint8_t y = static_cast<uint8_t>(s.P + scroll);
    // The board blanks alternate stars in a checkerboard of 1 x 16 cells.
    if (((x & 1) ^ ((y >> 4) & 1)) != 0) PutPixelByte(x, y, static_cast<uint8_t>(StarColourBase + s.Colour));
  }
}

void DrawTilemap(const uint8_t* mem) {
  const uint32_t vram = static_cast<uint32_t>(Game.VideoRam);
  const uint32_t attr = static_cast<uint32_t>(Game.AttrRam);
  const int count = static_cast<int>(charStore.size());
  for (int c = 31; c >= 0; --c) {
    const uint8_t scroll = mem[(attr + 2 * c) & 0xFFFF];
    const uint8_t colour = static_cast<uint8_t>(10 + 4 * (mem[(attr + 2 * c + 1) & 0xFFFF] & 7));
    for (int r = 31; r >= 0; --r) {
      const uint8_t code = mem[(vram + 32 * r + c) & 0xFFFF];
      if (code >= count || charBlank[code]) continue;
      const uint8_t x = static_cast<uint8_t>(8 * (31 - r) + scroll);
      // A tile reaching into the border columns is dropped whole, never drawn in part.
      if (x < 8 || x >= 248) continue;
      DrawTileAddFast(x, 8 * c, colour, charStore[code]);
    }
  }
}

void DrawBullets(const uint8_t* mem, bool horizontal) {
  const uint32_t base = static_cast<uint32_t>(Game.BulletRam);
  for (uint32_t i = 0; i < 8; ++i) {
    const uint8_t x = mem[(base + 4 * i + 1) & 0xFFFF];
    if (x == 0 || x == 0xFF) continue;
    const uint8_t y = static_cast<uint8_t>(252 - mem[(base + 4 * i + 3) & 0xFFFF]);
    for (uint8_t k = 0; k < 3; ++k) {
      if (horizontal)
        PutPixelByte(static_cast<uint8_t>(x + k), y, BulletColour);
      else
        PutPixelByte(x, static_cast<uint8_t>(y + k), BulletColour);
    }
  }
}

void DrawSprites(const uint8_t* mem) {
  const uint32_t base = static_cast<uint32_t>(Game.SpriteRam);
  const GalaxianFamilyLatches& latch = GalaxianFamilyState;
  const int count = static_cast<int>(spriteStore.size());
  for (uint32_t i = 0; i < 8; ++i) {
    const uint8_t x = mem[(base + 4 * i) & 0xFFFF];
    const uint8_t attributes = mem[(base + 4 * i + 1) & 0xFFFF];
    const uint8_t colourByte = mem[(base + 4 * i + 2) & 0xFFFF];
    const uint8_t y = mem[(base + 4 * i + 3) & 0xFFFF];
    if (x < 1 || x > 0xEE || y < 1 || y > 0xEE) continue;
    int code = (attributes & 0x3F) + 64 * latch.SpriteBank;
    if (latch.Variant == 48 && (latch.SpriteExtension & 4) && (code & 0x30) == 0x20)
      code = (code & 0x0F) | (latch.SpriteExtension << 4);
    if (code == 0 || code >= count) continue;
    // Attribute bit 7 mirrors left-right and bit 6 top-bottom: the primitive's own flag bits.
    DrawTileAdd(x, y, static_cast<uint8_t>(10 + 4 * (colourByte & 7)), spriteStore[code], attributes & 0xC0);
  }
}

}  // namespace

void ResetGalaxianFamily(int32_t variant) { GalaxianFamilyState = GalaxianFamilyLatches{variant, 0, 0}; }

void BuildGalaxianPalette(const PromTable* table) {
  if (table) {
    const PromTable& t = *table;
    for (int n = 0; n < 32; ++n) {
      const uint8_t v = t[n];
      auto bit = [v](int i) { return (v >> i) & 1; };
      RgbTable[n] = Rgb{static_cast<uint8_t>(0x21 * bit(0) + 0x47 * bit(1) + 0x97 * bit(2)),
                        static_cast<uint8_t>(0x21 * bit(3) + 0x47 * bit(4) + 0x97 * bit(5)),
                        static_cast<uint8_t>(0x47 * bit(6) + 0x97 * bit(7))};
    }
    const uint8_t* level = t.data() + 32;
    for (int n = 0; n < 64; ++n)
      RgbTable[32 + n] = Rgb{level[n & 3], level[(n >> 2) & 3], level[(n >> 4) & 3]};
    RgbTable[4] = Rgb{0x00, 0x00, 0xFF};
    RgbTable[97] = Rgb{0xFF, 0xFF, 0xFF};
  }
  BuildStarfield();
}

void BuildStarfield() {
  // The board's 17-bit noise generator walked over the whole 512 x 256 field: a star wherever the
  // generator shows bit 16 clear and eight ones at the bottom.
  StarCount = 0;
  uint32_t g = 0;
  for (int q = 255; q >= 0; --q)
    for (int p = 511; p >= 0; --p) {
      const uint32_t feedback = ((~g >> 16) & 1) ^ ((g >> 4) & 1);
      g = (g << 1) | feedback;
      if ((g & 0x10000) == 0 && (g & 0xFF) == 0xFF && StarCount < MaxStars)
        StarTable[StarCount++] =
            Star{static_cast<uint16_t>(p), static_cast<uint8_t>(q), static_cast<uint8_t>(~(g >> 8) & 0x3F)};
    }
}

void DecodeGalaxianGraphics(const uint8_t* graphicsRegion) {
  GalaxianFamilyStop();
  const int charCount = std::clamp(Game.CharSets, 0, MaxBanks) * 256;
  const int spriteCount = std::clamp(Game.Sprites, 0, MaxSprites);

  charStore.reserve(charCount);
  charBlank.reserve(charCount);
  for (int i = 0; i < charCount; ++i) {
    Tile& tile = charStore.emplace_back(MakeTile(8));
    DecodeCharacter(graphicsRegion, i / 256, i % 256, tile, 0, 0);
    charBlank.push_back(
        std::all_of(tile.Pixels.begin(), tile.Pixels.end(), [](uint8_t p) { return p == 0; }));
  }

  static constexpr int QuarterRow[4] = {0, 8, 0, 8};
  static constexpr int QuarterColumn[4] = {8, 8, 0, 0};
  spriteStore.reserve(spriteCount);
  for (int j = 0; j < spriteCount; ++j) {
    Tile& tile = spriteStore.emplace_back(MakeTile(16));
    const uint32_t m = 4 * static_cast<uint32_t>(j);
    for (int t = 0; t < 4; ++t)
      DecodeCharacter(graphicsRegion, m / 256, m % 256 + t, tile, QuarterRow[t], QuarterColumn[t]);
  }

  for (Tile& t : charStore) charPointers.push_back(&t);
  for (Tile& t : spriteStore) spritePointers.push_back(&t);
  CharTiles = charPointers.empty() ? nullptr : charPointers.data();
  SpriteTiles = spritePointers.empty() ? nullptr : spritePointers.data();
  CharTileCount = charCount;
  SpriteTileCount = spriteCount;
}

void GalaxianFamilyStop() {
  // Another board may have pointed the shared arrays at its own tiles since; leave those alone.
  if (CharTiles == charPointers.data() && !charPointers.empty()) {
    CharTiles = nullptr;
    CharTileCount = 0;
  }
  if (SpriteTiles == spritePointers.data() && !spritePointers.empty()) {
    SpriteTiles = nullptr;
    SpriteTileCount = 0;
  }
  charPointers = {};
  spritePointers = {};
  charStore = {};
  spriteStore = {};
  charBlank = {};
}

void GalaxianFamilyDraw() {
  const uint8_t* mem = MemoryImage;
  ClearScreen(0);
  if (mem[static_cast<uint32_t>(Game.StarsOn) & 0xFFFF] & 1) DrawStars();
  DrawTilemap(mem);
  DrawBullets(mem, IsHorizontalVariant(GalaxianFamilyState.Variant));
  DrawSprites(mem);
}

void GalaxianFamilyFrame() {
  if (!IsHorizontalVariant(GalaxianFamilyState.Variant)) ++StarCounter;
  GalaxianFamilyDraw();
  PresentScreen();
  Z80Context& z = *ActiveContext;
  z.IrqState.Value = 0x01000000;
  if (Game.NmiEnable != 0 && MemoryImage[static_cast<uint32_t>(Game.NmiEnable) & 0xFFFF] != 0)
    z.NmiRequest = 1;
}

}  // namespace tirvane
