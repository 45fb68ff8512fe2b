// SPDX-License-Identifier: GPL-3.0-or-later
// GALAXIAN board. Addresses of video, attribute, sprite and bullet RAM, of the starfield and NMI
// enable bytes come from the description; the handlers fix only these:
//
//   address              read                          write
//   IN0 (6000 or A000)   inputs, active high            6000: ignored
//   6001                 memory                        ignored
//   6002                 memory                        sprite bank (variants 80 and up), stored
//   IN1 (6800 or A800)   inputs: 80h + keys 1, 2        stored
//   7000                 FFh (DIP switches)            stored
//   A000-A002            memory (IN0 in variant 48)    sprite code extension bits, stored
//   anything else        memory                        stored
//
// Ports are the INVADERS shift register and inputs.
//
//   "#drvtag="   colours   inputs       other
//   0            table A   6000, 6800   -
//   2            table C   6000, 6800   IN0 bits 6, 7 from Up, Down instead of F2, F3
//   48           table D   A000, A800   sprite code extension
//   80           table B   6000, 6800   graphics rearranged at load; sprite bank
//   81           table B   6000, 6800   sprite bank
//   128 and up   none      6000, 6800   sprite bank; horizontal bullets; stars do not scroll
//   other        none      6000, 6800   -
// "None" leaves RgbTable as the previous run left it.
#include "drivers/galaxian.h"

#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/invaders.h"
#include "video/host.h"

namespace tirvane {

// clang-format off
const PromTable GalaxianPromA = {
    0x00, 0x00, 0x00, 0xF6, 0x00, 0x16, 0xC0, 0x3F, 0x00, 0xD8, 0x07, 0x3F, 0x00, 0xC0, 0xC4, 0x07,
    0x00, 0xC0, 0xA0, 0x07, 0x00, 0x00, 0x00, 0x07, 0x00, 0xF6, 0x07, 0xF0, 0x00, 0x76, 0x07, 0xC6,
    0x00, 0x88, 0xCC, 0xFF};
const PromTable GalaxianPromB = {
    0x00, 0xE8, 0x17, 0x3F, 0x00, 0x2F, 0x87, 0x20, 0x00, 0xFF, 0x3F, 0x38, 0x00, 0x83, 0x3F, 0x06,
    0x00, 0xDC, 0x1F, 0xD0, 0x00, 0xEF, 0x20, 0x96, 0x00, 0x3F, 0x17, 0xF0, 0x00, 0x3F, 0x17, 0x14,
    0x00, 0x88, 0xCC, 0xFF};
const PromTable GalaxianPromC = {
    0x00, 0xFF, 0x07, 0xC0, 0x00, 0x07, 0xC0, 0x3F, 0x00, 0x38, 0x07, 0xC0, 0x00, 0x07, 0xC0, 0x38,
    0x00, 0x3F, 0x38, 0x07, 0x00, 0xC0, 0x3F, 0x07, 0x00, 0xF8, 0x07, 0x38, 0x00, 0xC0, 0x38, 0xC7,
    0x00, 0x88, 0xCC, 0xFF};
const PromTable GalaxianPromD = {
    0x00, 0x7A, 0x36, 0x07, 0x00, 0xF0, 0x38, 0x1F, 0x00, 0xC7, 0xF0, 0x3F, 0x00, 0xDB, 0xC6, 0x38,
    0x00, 0x36, 0x07, 0xF0, 0x00, 0x33, 0x3F, 0xDB, 0x00, 0x3F, 0x57, 0xC6, 0x00, 0xC6, 0x3F, 0xFF,
    0x00, 0x88, 0xCC, 0xFF};
// clang-format on

namespace {

// IN0 bit by bit, bit 0 first; bits 6 and 7 are F2 and F3 except on variant 2.
constexpr VirtualKey In0Keys[8] = {VirtualKey::D3,   VirtualKey::D4,    VirtualKey::Left, VirtualKey::Right,
                                   VirtualKey::Ctrl, VirtualKey::Count, VirtualKey::F2,   VirtualKey::F3};
constexpr VirtualKey In0KeysVariant2[8] = {VirtualKey::D3,    VirtualKey::D4,   VirtualKey::Left,
                                           VirtualKey::Right, VirtualKey::Ctrl, VirtualKey::Count,
                                           VirtualKey::Up,    VirtualKey::Down};

}  // namespace

const PromTable* GalaxianPromFor(int32_t variant) {
  if (variant >= 128) return nullptr;
  switch (variant) {
    case 0:
      return &GalaxianPromA;
    case 2:
      return &GalaxianPromC;
    case 48:
      return &GalaxianPromD;
    case 80:
    case 81:
      return &GalaxianPromB;
    default:
      return nullptr;
  }
}

// The inputs follow the variant in the board's record, so a restored state reads where it ran.
uint8_t GalaxianRead(uint16_t address) {
  const int32_t variant = GalaxianFamily.Variant;
  const uint16_t in0 = GalaxianIn0For(variant);
  if (address == in0) {
    const VirtualKey* keys = variant == 2 ? In0KeysVariant2 : In0Keys;
    uint8_t v = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (keys[bit] != VirtualKey::Count && KeyHeld(keys[bit])) v |= 1 << bit;
    return v;
  }
  if (address == in0 + 0x800) {
    uint8_t v = 0x80;
    if (KeyHeld(VirtualKey::D1)) v |= 0x01;
    if (KeyHeld(VirtualKey::D2)) v |= 0x02;
    return v;
  }
  if (address == 0x7000) return 0xFF;
  return MemoryImage[address];
}

void GalaxianWrite(uint8_t value, uint16_t address) {
  if (address == 0x6000 || address == 0x6001) return;
  GalaxianFamilyBoard& latch = GalaxianFamily;
  if (address == 0x6002 && latch.Variant >= 80) latch.SpriteBank = value & 1;
  if (address >= 0xA000 && address <= 0xA002) {
    const uint8_t mask = static_cast<uint8_t>(1 << (address - 0xA000));
    latch.SpriteExtension = value ? (latch.SpriteExtension | mask) : (latch.SpriteExtension & ~mask);
  }
  MemoryImage[address] = value;
}

void GalaxianInitialise(uint8_t* graphicsRegion) {
  const int32_t variant = Game.DriverTag;
  if (variant == 0x50) RearrangeGalaxianGraphics(graphicsRegion);
  ResetGalaxianFamily(variant);
  BuildGalaxianPalette(GalaxianPromFor(variant));
  DecodeGalaxianGraphics(graphicsRegion);
}

const DriverInfo GalaxianDriver = {
    "GALAXIAN",
    {GalaxianRead, GalaxianWrite, InvadersPortOut, InvadersPortIn, GalaxianFamilyFrame, GalaxianFamilyDraw,
     GalaxianFamilyStop, nullptr},
    NmiSource::Description,
    0,
    GalaxianInitialise,
    [] {
      return ScreenGeometry{224, 256, 16, 0};
    },
    nullptr,
    60,
    [] { return RecordBytes(GalaxianFamily); },
};

}  // namespace tirvane
