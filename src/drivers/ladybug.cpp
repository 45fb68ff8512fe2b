// SPDX-License-Identifier: GPL-3.0-or-later
// LADYBUG board. Video, attribute and sprite RAM lie where the description says ("#vram=",
// "#attrram=", "#spriteram="); the handlers fix only these:
//
//   address         read                                            write
//   0000-#maxrom    program ROM                                     dropped by the core
//   #vram           tilemap codes, 1024 bytes; the first 128 also   stored
//                   hold the 32 row scroll values
//   #attrram        tilemap attributes: bit 3 code + 256, 0-2 colour stored
//   #spriteram      16 bands of 16 sprites x 4 bytes (1-13 shown)   stored
//   9000            inputs, active low                              stored
//   9001            inputs, active low; bits 5-7 follow the beam    stored
//   9002            DCh                                             stored
//   9003            FFh                                             stored
//   B000-BFFF       memory                                          stored; first sound generator
//   C000-CFFF       memory                                          stored; second sound generator
//   anything else   memory                                          stored
//   any port        in FFh                                          ignored
//
// Inputs are only seen when "#maxdirectread=" lies below 9000h; otherwise they read as memory.
// No interrupt comes from the board itself: key 3 pulls NMI, key 4 the maskable line (RST 38h).
#include "drivers/ladybug.h"

#include <algorithm>
#include <array>

#include "devices/sound_mixer.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/key_bits.h"
#include "video/host.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

// clang-format off
// Outputs are inverted on the board: a 0 bit lights the gun.
constexpr uint8_t ColourProm[32] = {
    0xF5, 0x90, 0x41, 0x54, 0x94, 0x11, 0x80, 0x65, 0x05, 0xD4, 0x01, 0x00, 0xB1, 0xA0, 0x00, 0xF5,
    0x04, 0xB1, 0x00, 0x15, 0x11, 0x25, 0x90, 0xD0, 0xA0, 0x90, 0x15, 0x84, 0xB5, 0x04, 0x04, 0x04,
};
// Two 4-bit sprite colour lookups per byte, each wired with its bits in reverse order.
constexpr uint8_t SpriteLookupProm[32] = {
    0x00, 0x59, 0x33, 0xB8, 0x00, 0xD4, 0xA3, 0x8D, 0x00, 0x2C, 0x63, 0xDD, 0x00, 0x22, 0x38, 0x1D,
    0x00, 0x93, 0x3A, 0xDD, 0x00, 0xE2, 0x38, 0xDD, 0x00, 0x82, 0x3A, 0xD8, 0x00, 0x22, 0x68, 0x1D,
};

// Characters: one plane per 4 KB half, one byte per row, leftmost pixel in bit 0.
constexpr TileLayout CharLayout = {
    8, 8, 512, 2, {0, 32768},
    {7, 6, 5, 4, 3, 2, 1, 0},
    {0, 8, 16, 24, 32, 40, 48, 56},
    64,
};
// Sprites: two bits per pixel side by side; the large and small sets read the same 8 KB.
constexpr TileLayout LargeSpriteLayout = {
    16, 16, 128, 2, {1, 0},
    {0, 2, 4, 6, 8, 10, 12, 14, 128, 130, 132, 134, 136, 138, 140, 142},
    {368, 352, 336, 320, 304, 288, 272, 256, 112, 96, 80, 64, 48, 32, 16, 0},
    512,
};
constexpr TileLayout SmallSpriteLayout = {
    8, 8, 512, 2, {1, 0},
    {0, 2, 4, 6, 8, 10, 12, 14},
    {112, 96, 80, 64, 48, 32, 16, 0},
    128,
};
// clang-format on

constexpr size_t SpriteSource = 0x2000;
constexpr uint16_t SpriteColourBase = 0x20;
// The upright picture is the stored one turned a quarter: tiles are decoded already turned.
constexpr uint8_t UprightFlags = FlipY | SwapXY;

constexpr uint16_t In0 = 0x9000, In1 = 0x9001, Dip0 = 0x9002, Dip1 = 0x9003;

constexpr KeyBit In0Keys[] = {
    {VirtualKey::T, 0x80},    {VirtualKey::D2, 0x40},    {VirtualKey::D1, 0x30}, {VirtualKey::Left, 0x01},
    {VirtualKey::Down, 0x02}, {VirtualKey::Right, 0x04}, {VirtualKey::Up, 0x08}, {VirtualKey::Ctrl, 0x10},
};
constexpr KeyBit In1Keys[] = {
    {VirtualKey::Left, 0x01}, {VirtualKey::Down, 0x02}, {VirtualKey::Right, 0x04},
    {VirtualKey::Up, 0x08},   {VirtualKey::Ctrl, 0x10},
};
// Bits cleared in 9001h by the beam position, indexed by (CycleCount / 32) mod 4: bit 5 low on
// even steps, bits 6-7 count the steps.
constexpr uint8_t BeamMask[4] = {0xDF, 0xBF, 0x5F, 0x3F};

enum SetIndex { Chars, LargeSprites, SmallSprites, SetCount };
TileSet* Sets[SetCount] = {};
// Characters without a set pixel draw nothing; most of a tilemap is such blanks.
std::array<bool, 512> CharBlank{};

constexpr int FirstBand = 1, LastBand = 13;  // bands 0, 14 and 15 are never shown
constexpr int BandEntries = 16;

constexpr uint8_t Reverse4(uint8_t v) {
  return static_cast<uint8_t>(((v & 1) << 3) | ((v & 2) << 1) | ((v & 4) >> 1) | ((v & 8) >> 3));
}

void FreeSets() {
  FreeTileSets(Sets);
}

void DrawTilemap(const uint8_t* mem, bool upright) {
  const uint32_t vram = static_cast<uint32_t>(Game.VideoRam);
  const uint32_t attr = static_cast<uint32_t>(Game.AttrRam);
  uint8_t scroll[32];
  for (int k = 0; k < 32; ++k) scroll[k] = mem[(vram + (k & 3) * 32 + (k >> 2)) & 0xFFFF];
  Tile* const* chars = Sets[Chars]->Tiles.data();
  for (int n = 1023; n >= 0; --n) {
    const uint8_t a = mem[(attr + n) & 0xFFFF];
    const int code = mem[(vram + n) & 0xFFFF] | ((a & 0x08) << 5);
    if (CharBlank[code]) continue;
    const int r = n >> 5, c = n & 31;
    const uint8_t p = static_cast<uint8_t>(8 * c - scroll[r]);
    const uint16_t colour = static_cast<uint16_t>(4 * (a & 7));
    if (upright)
      DrawTileLookup(8 * r, 255 - p, colour, *chars[code], 0);
    else
      DrawTileLookup(p, 8 * r, colour, *chars[code], 0);
  }
}

// Each band holds up to 16 entries; the hardware walks them until an entry with byte 0 clear and
// draws that run back to front. Entries in the run with bit 7 clear are skipped, not ends.
void DrawSprites(const uint8_t* mem, bool upright) {
  const uint32_t base = static_cast<uint32_t>(Game.SpriteRam);
  Tile* const* large = Sets[LargeSprites]->Tiles.data();
  Tile* const* small = Sets[SmallSprites]->Tiles.data();
  for (int j = LastBand; j >= FirstBand; --j) {
    const uint32_t band = base + 64 * j;
    int run = 0;
    while (run < BandEntries && mem[(band + 4 * run) & 0xFFFF] != 0) ++run;
    for (int i = run - 1; i >= 0; --i) {
      const uint32_t entry = band + 4 * i;
      const uint8_t b0 = mem[entry & 0xFFFF];
      if (!(b0 & 0x80)) continue;
      const uint8_t b1 = mem[(entry + 1) & 0xFFFF];
      const uint8_t b2 = mem[(entry + 2) & 0xFFFF];
      const uint8_t b3 = mem[(entry + 3) & 0xFFFF];
      const uint8_t flags = static_cast<uint8_t>(((b0 & 0x20) ? FlipY : 0) | ((b0 & 0x10) ? FlipX : 0));
      const uint16_t colour = static_cast<uint16_t>(SpriteColourBase + 4 * (b2 & 0x0F));
      const int bank = (b2 & 0x10) << 2;  // 64 codes
      const int sx = b3 + 8;
      int sy = (b0 & 0x0F) + 16 * j;
      const Tile* tile;
      if (b0 & 0x40) {
        tile = large[(b1 >> 2) + bank];
        sy -= 8;
      } else {
        tile = small[static_cast<uint8_t>(b1 + bank)];
      }
      if (upright)
        DrawTileLookup(sy, 255 - sx, colour, *tile, flags);
      else
        DrawTileLookup(sx, sy, colour, *tile, flags);
    }
  }
}

}  // namespace

uint8_t LadybugRead(uint16_t address) {
  switch (address) {
    case In0:
      return ActiveLowInput(0xFF, In0Keys);
    case In1:
      return ActiveLowInput(0xFF, In1Keys) & BeamMask[(ActiveContext->CycleCount >> 5) & 3];
    case Dip0:
      return 0xDC;
    case Dip1:
      return 0xFF;
    default:
      return MemoryImage[address];
  }
}

// The main processor writes the board's two sound generators directly; both run at 4 MHz.
constexpr uint32_t LadybugSoundClock = 4000000;
LadybugBoard Ladybug;

void LadybugWrite(uint8_t value, uint16_t address) {
  MemoryImage[address] = value;
  if ((address & 0xF000) == 0xB000 || (address & 0xF000) == 0xC000)
    Ladybug.Sound[(address >> 12) - 0xB].Write(value, ActiveContext->CycleCount, FrameSound);
}
void LadybugPortOut(uint8_t, uint8_t) {}
uint8_t LadybugPortIn(uint16_t) { return 0xFF; }

void LadybugInitialise(uint8_t* graphicsRegion) {
  for (ToneGenerator& chip : Ladybug.Sound) chip.Reset(LadybugSoundClock);
  FreeSets();
  const uint8_t flags = Game.DriverTag == 0 ? UprightFlags : 0;
  Sets[Chars] = BuildTileSet("CharSet (8x8)", 0, flags, CharLayout, graphicsRegion, GraphicsRegionSize);
  Sets[LargeSprites] = BuildTileSet("Sprite Set #1 (16x16)", SpriteColourBase, flags, LargeSpriteLayout,
                                    graphicsRegion + SpriteSource, GraphicsRegionSize - SpriteSource);
  Sets[SmallSprites] = BuildTileSet("Sprite Set #2 (8x8)", SpriteColourBase, flags, SmallSpriteLayout,
                                    graphicsRegion + SpriteSource, GraphicsRegionSize - SpriteSource);
  for (int i = 0; i < Sets[Chars]->Count; ++i) {
    const auto& pixels = Sets[Chars]->Tiles[i]->Pixels;
    CharBlank[i] = std::all_of(pixels.begin(), pixels.end(), [](uint8_t p) { return p == 0; });
  }

  for (int n = 0; n < 32; ++n) {
    const uint8_t v = static_cast<uint8_t>(~ColourProm[n]);
    auto bit = [v](int i) { return (v >> i) & 1; };
    RgbTable[n] = Rgb{static_cast<uint8_t>(0x47 * bit(0) + 0x97 * bit(5)),
                      static_cast<uint8_t>(0x47 * bit(2) + 0x97 * bit(6)),
                      static_cast<uint8_t>(0x47 * bit(4) + 0x97 * bit(7))};
  }
  // Characters: pen 0 stays colour 0, pens 1-3 of group g pick colours g + 8, g + 16, g + 24.
  for (int g = 0; g < 8; ++g) {
    ColourLookup[4 * g] = 0;
    ColourLookup[4 * g + 1] = static_cast<uint8_t>(g + 8);
    ColourLookup[4 * g + 2] = static_cast<uint8_t>(g + 16);
    ColourLookup[4 * g + 3] = static_cast<uint8_t>(g + 24);
  }
  for (int n = 0; n < 32; ++n) {
    const uint8_t v = SpriteLookupProm[n];
    ColourLookup[32 + n] = Reverse4(v & 0x0F);
    ColourLookup[64 + n] = Reverse4(v >> 4);
  }
}

void LadybugDraw() {
  if (!Sets[Chars]) return;
  const bool upright = Game.DriverTag == 0;
  ClearScreen(0);
  DrawTilemap(MemoryImage, upright);
  DrawSprites(MemoryImage, upright);
}

void LadybugFrame() {
  LadybugDraw();
  PresentScreen();
  Z80Context& z = *ActiveContext;
  if (KeyHeld(VirtualKey::D3)) z.NmiRequest = 1;
  if (KeyHeld(VirtualKey::D4)) z.IrqState.Value = 0xFF;
  for (ToneGenerator& chip : Ladybug.Sound) chip.EndFrame(FrameSound);
}

void LadybugStop() { FreeSets(); }

void LadybugSpriteSets(int& count, TileSet**& sets) {
  count = Sets[Chars] ? SetCount : 0;
  sets = Sets;
}

const DriverInfo LadybugDriver = {
    "LADYBUG",
    {LadybugRead, LadybugWrite, LadybugPortOut, LadybugPortIn, LadybugFrame, LadybugDraw, LadybugStop,
     LadybugSpriteSets},
    NmiSource::Description,
    0,
    LadybugInitialise,
    [] {
      return Game.DriverTag == 0 ? ScreenGeometry{192, 240, 32, 16} : ScreenGeometry{240, 192, 8, 32};
    },
    nullptr,
    60,
    [] { return RecordBytes(Ladybug); },
};

}  // namespace tirvane
