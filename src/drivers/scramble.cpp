// SPDX-License-Identifier: GPL-3.0-or-later
// SCRAMBLE board. Video, attribute, sprite and bullet RAM, the starfield and NMI enable bytes are
// where the description says; the handlers fix only these:
//
//   address        read                                           write
//   0000-"#maxrom" memory                                         ignored (ROM)
//   7000, 7008     the read counter, incremented first (low byte) stored
//   8100           inputs, active low                             stored
//   8101           inputs, active low (FCh idle)                  stored
//   8102           inputs, active low (F9h idle); bit 7 is 0 only stored
//                  when the read comes from the instruction
//                  ending at 00E4h
//   8202           6Fh                                            stored
//   anything else  memory                                         stored
//
// No ports. Only variant 128 and above ("#drvtag=") changes anything: horizontal bullets and a
// starfield that does not scroll. The colours are always table S.
#include "drivers/scramble.h"

#include "machine/description.h"
#include "machine/romset.h"
#include "video/host.h"
#include "z80/z80.h"

namespace tirvane {

// clang-format off
const PromTable ScramblePromS = {
    0x00, 0x17, 0xC7, 0xF6, 0x00, 0x17, 0xC0, 0x3F, 0x00, 0x07, 0xC0, 0x3F, 0x00, 0xC0, 0xC4, 0x07,
    0x00, 0xC7, 0x31, 0x17, 0x00, 0x31, 0xC7, 0x3F, 0x00, 0xF6, 0x07, 0xF0, 0x00, 0x3F, 0x07, 0xC4,
    0x00, 0x88, 0xCC, 0xFF};
// clang-format on


namespace {

struct KeyBit {
  VirtualKey Key;
  uint8_t Mask;
};

constexpr KeyBit In0Keys[] = {
    {VirtualKey::D3, 0x80},   {VirtualKey::D4, 0x40}, {VirtualKey::Left, 0x20}, {VirtualKey::Right, 0x10},
    {VirtualKey::Ctrl, 0x08}, {VirtualKey::C, 0x04},  {VirtualKey::Z, 0x02},    {VirtualKey::W, 0x01},
};
constexpr KeyBit In1Keys[] = {{VirtualKey::D1, 0x80}, {VirtualKey::D2, 0x40}};
constexpr KeyBit In2Keys[] = {{VirtualKey::Down, 0x40}, {VirtualKey::Up, 0x10}, {VirtualKey::S, 0x01}};

template <size_t N>
uint8_t ActiveLow(uint8_t idle, const KeyBit (&keys)[N]) {
  uint8_t v = idle;
  for (const KeyBit& k : keys)
    if (KeyHeld(k.Key)) v &= ~k.Mask;
  return v;
}

// Bit 7 of 8102h reads low only to the instruction that ends at 00E4h: the PC at the moment of
// the read is the address after that instruction's operands.
constexpr uint16_t CheckedReadPc = 0x00E4;

}  // namespace

uint8_t ScrambleRead(uint16_t address) {
  switch (address) {
    case 0x8202:
      return 0x6F;
    case 0x7000:
    case 0x7008:
      return static_cast<uint8_t>(++GalaxianFamily.Persistent.ScrambleReadCounter);
    case 0x8100:
      return ActiveLow(0xFF, In0Keys);
    case 0x8101:
      return ActiveLow(0xFC, In1Keys);
    case 0x8102: {
      uint8_t v = ActiveLow(0xF9, In2Keys);
      if (ActiveContext->PC.w == CheckedReadPc) v &= 0x7F;
      return v;
    }
    default:
      return MemoryImage[address];
  }
}

void ScrambleWrite(uint8_t value, uint16_t address) {
  if (static_cast<int32_t>(address) > Game.MaxRom) MemoryImage[address] = value;
}

void ScramblePortOut(uint8_t, uint8_t) {}
uint8_t ScramblePortIn(uint16_t) { return 0; }

void ScrambleInitialise(uint8_t* graphicsRegion) {
  // The sprite latches belong to GALAXIAN; clearing them keeps an earlier GALAXIAN run's bank out
  // of this one.
  ResetGalaxianFamily(Game.DriverTag);
  BuildGalaxianPalette(&ScramblePromS);
  DecodeGalaxianGraphics(graphicsRegion);
}

const DriverInfo ScrambleDriver = {
    "SCRAMBLE",
    {ScrambleRead, ScrambleWrite, ScramblePortOut, ScramblePortIn, GalaxianFamilyFrame, GalaxianFamilyDraw,
     GalaxianFamilyStop, nullptr},
    NmiSource::Description,
    0,
    ScrambleInitialise,
    [] {
      return ScreenGeometry{224, 256, 16, 0};
    },
    nullptr,
    60,
    [] { return RecordBytes(GalaxianFamily); },
};

}  // namespace tirvane
