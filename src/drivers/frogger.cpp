// SPDX-License-Identifier: GPL-3.0-or-later
// FROGGER board. The tilemap and the NMI enable byte lie where the description says ("#vram=",
// "#nmienable="); the handlers and the draw routine fix the rest:
//
//   address         read                 write
//   0000-#maxrom    program ROM          dropped by the core
//   6000, 6001      memory               ignored
//   B000-B03F       memory               stored: per column c, B000+2c scroll (nibbles swapped),
//                                        B001+2c colour
//   B040-B05F       memory               stored: sprite i at B040+4i: X (nibbles swapped), code
//                                        (low 6 bits), colour, Y (0 = not shown)
//   E000            IN0, active low      stored
//   E002            IN1, active low      stored
//   E004            IN2, active low      stored
//   anything else   memory               stored
//   any port        in FFh               ignored
//
// Inputs are only seen when "#maxdirectread=" lies below E000h; otherwise they read as memory.
// Graphics are decoded and freed by the Galaxian-family routines.
#include "drivers/frogger.h"

#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/galaxian_family.h"
#include "drivers/key_bits.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

// clang-format off
constexpr uint8_t ColourProm[32] = {
    0x00, 0xC0, 0x07, 0xF6, 0x00, 0x11, 0x39, 0xF8, 0x00, 0x5E, 0xF6, 0x5C, 0x00, 0xC7, 0x39, 0x3F,
    0x00, 0x3C, 0xF8, 0xD7, 0x00, 0x07, 0xF6, 0x39, 0x00, 0xC4, 0xC0, 0x07, 0x00, 0x07, 0x3F, 0xC4,
};
// clang-format on

// The river: columns below this one use the second palette bank, whose pen 0 is dark blue.
constexpr int RiverColumns = 17;
constexpr uint8_t RiverBank = 32;
constexpr Rgb RiverBlue{0x00, 0x00, 0x47};
// Above the river the game fills empty cells with this code; the board shows them as background.
constexpr uint8_t EmptyCode = 0x10;

constexpr uint16_t ColumnAttributes = 0xB000, SpriteRam = 0xB040;
constexpr int SpriteCount = 8;
constexpr uint16_t In0 = 0xE000, In1 = 0xE002, In2 = 0xE004;

// Key 3 and key A each drive two bits.
constexpr KeyBit In0Keys[] = {
    {VirtualKey::D3, 0x80},   {VirtualKey::D4, 0x40}, {VirtualKey::Left, 0x20},  {VirtualKey::Right, 0x10},
    {VirtualKey::Ctrl, 0x08}, {VirtualKey::D3, 0x04}, {VirtualKey::Shift, 0x02}, {VirtualKey::Alt, 0x01},
};
constexpr KeyBit In1Keys[] = {
    {VirtualKey::D1, 0x80}, {VirtualKey::D2, 0x40},  {VirtualKey::A, 0x30},
    {VirtualKey::D, 0x10},  {VirtualKey::Tab, 0x08}, {VirtualKey::C, 0x04},
};
constexpr KeyBit In2Keys[] = {{VirtualKey::Down, 0x40}, {VirtualKey::Up, 0x10}, {VirtualKey::K, 0x01}};

// The Galaxian-family resistor weights: three bits of red, three of green, two of blue.
constexpr Rgb PromColour(uint8_t v) {
  auto bit = [v](int i) { return (v >> i) & 1; };
  return Rgb{static_cast<uint8_t>(0x21 * bit(0) + 0x47 * bit(1) + 0x97 * bit(2)),
             static_cast<uint8_t>(0x21 * bit(3) + 0x47 * bit(4) + 0x97 * bit(5)),
             static_cast<uint8_t>(0x47 * bit(6) + 0x97 * bit(7))};
}

void DrawTilemap(const uint8_t* mem) {
  const uint32_t vram = static_cast<uint32_t>(Game.VideoRam);
  for (int c = 31; c >= 0; --c) {
    const uint8_t scroll = SwapNibbles(mem[ColumnAttributes + 2 * c]);
    // The colour byte is used whole; the sum wraps like the blitter's own addition.
    uint8_t colour = static_cast<uint8_t>(10 + 4 * mem[ColumnAttributes + 2 * c + 1]);
    if (c < RiverColumns) colour = static_cast<uint8_t>(colour + RiverBank);
    for (int r = 31; r >= 0; --r) {
      const uint8_t code = mem[(vram + 32 * r + c) & 0xFFFF];
      if (code == EmptyCode && c >= RiverColumns) continue;
      if (code >= CharTileCount) continue;
      const uint8_t x = static_cast<uint8_t>(8 * (31 - r) + scroll);
      // A tile reaching into the border columns is dropped whole, never drawn in part.
      if (x < 8 || x >= 248) continue;
      DrawTileAddOpaqueFast(x, 8 * c, colour, *CharTiles[code]);
    }
  }
}

void DrawSprites(const uint8_t* mem) {
  for (int i = SpriteCount - 1; i >= 0; --i) {
    const uint8_t* s = mem + SpriteRam + 4 * i;
    if (s[3] == 0) continue;
    const int code = s[1] & 0x3F;
    if (code >= SpriteTileCount) continue;
    DrawTileAdd(SwapNibbles(s[0]), s[3], static_cast<uint8_t>(10 + 4 * s[2]), *SpriteTiles[code], 0);
  }
}

}  // namespace

uint8_t FroggerRead(uint16_t address) {
  switch (address) {
    case In0:
      return ActiveLowInput(0xFF, In0Keys);
    case In1:
      return ActiveLowInput(0xFF, In1Keys);
    case In2:
      return ActiveLowInput(0xFF, In2Keys);
    default:
      return MemoryImage[address];
  }
}

void FroggerWrite(uint8_t value, uint16_t address) {
  if (address == 0x6000 || address == 0x6001) return;
  MemoryImage[address] = value;
}

void FroggerPortOut(uint8_t, uint8_t) {}
uint8_t FroggerPortIn(uint16_t) { return 0xFF; }

void FroggerInitialise(uint8_t* graphicsRegion) {
  for (int n = 0; n < 32; ++n) RgbTable[n] = PromColour(ColourProm[n]);
  for (int m = 0; m < 32; ++m) RgbTable[RiverBank + m] = (m % 4 == 0) ? RiverBlue : RgbTable[m];
  DecodeGalaxianGraphics(graphicsRegion);
}

void FroggerDraw() {
  const uint8_t* mem = MemoryImage;
  ClearScreen(0);
  DrawTilemap(mem);
  DrawSprites(mem);
}

void FroggerFrame() {
  FroggerDraw();
  PresentScreen();
  if (Game.NmiEnable == 0) return;
  Z80Context& z = *ActiveContext;
  if (MemoryImage[static_cast<uint32_t>(Game.NmiEnable) & 0xFFFF] != 0)
    z.NmiRequest = 1;
  else
    z.IrqState.Value = 0x01000000;
}

const DriverInfo FroggerDriver = {
    "FROGGER",
    {FroggerRead, FroggerWrite, FroggerPortOut, FroggerPortIn, FroggerFrame, FroggerDraw, GalaxianFamilyStop,
     nullptr},
    NmiSource::Description,
    0,
    FroggerInitialise,
    [] {
      return ScreenGeometry{224, 256, 16, 0};
    },
};

}  // namespace tirvane
