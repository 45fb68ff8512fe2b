// SPDX-License-Identifier: GPL-3.0-or-later
// What the Galaxian-family boards share: a 32 x 32 character tilemap with per-column scroll and
// colour, eight 16 x 16 sprites, eight bullets, a starfield and a 32-byte colour PROM.
// GALAXIAN and SCRAMBLE use every routine here; FROGGER reuses the decoder and the stop routine.
#pragma once

#include <array>
#include <cstdint>

namespace tirvane {

// 32 colour PROM bytes, then the four star intensity levels.
using PromTable = std::array<uint8_t, 36>;

struct Star {
  uint16_t P;      // 0-511: the scrolling coordinate
  uint8_t Q;       // 0-255: the fixed coordinate
  uint8_t Colour;  // 0-63: driver colour 32 + Colour
};

constexpr int MaxStars = 250;
extern Star StarTable[MaxStars];
extern int StarCount;

// The board's state: the variant ("#drvtag=") and the sprite latches of the running game, cleared
// at every Start, and the counters that run on from one game to the next.
struct GalaxianFamilyBoard {
  int32_t Variant = 0;
  uint8_t SpriteBank = 0;       // 0 or 1: adds 64 to every sprite code
  uint8_t SpriteExtension = 0;  // 3 bits, variant 48 only
  uint16_t Unused = 0;          // no padding: the record's bytes alone are its state
  struct {
    uint32_t ScrambleReadCounter = 0;
    uint16_t StarCounter = 0;  // frames, halved for the star scroll
    uint16_t Unused = 0;
  } Persistent;
};
extern GalaxianFamilyBoard GalaxianFamily;

// Variant 128 and above: horizontal bullets and a starfield that does not scroll.
constexpr bool IsHorizontalVariant(int32_t variant) { return variant >= 128; }

// Remembers the variant and clears the sprite bank and code extension.
void ResetGalaxianFamily(int32_t variant);

// Writes colours 0-31 from the PROM, 32-95 from the star levels, 4 and 97 fixed; null writes no
// colour at all. The starfield is built either way.
void BuildGalaxianPalette(const PromTable* table);
void BuildStarfield();

// Decodes "#charset=" banks of 256 characters and "#sprites=" 16 x 16 sprites from GraphicsRegion
// into CharTiles and SpriteTiles.
void DecodeGalaxianGraphics(const uint8_t* graphicsRegion);
// Frees what DecodeGalaxianGraphics built.
void GalaxianFamilyStop();

// Repaints the whole ScreenBitmap from video, attribute, bullet and sprite RAM.
void GalaxianFamilyDraw();
// Star scroll, draw, present, and the NMI when the game's enable byte is set.
void GalaxianFamilyFrame();

}  // namespace tirvane
