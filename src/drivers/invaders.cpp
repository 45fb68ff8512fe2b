// SPDX-License-Identifier: GPL-3.0-or-later
// INVADERS board.
//
//   address        behaviour
//   0000-1FFF      ROM: writes ignored
//   2000-23FF      RAM
//   2400-3FFF      video RAM: 32 bytes per bitmap column, bit 0 of byte 0 at the bottom;
//                  stored and drawn at once
//   4000-5FFF      writes ignored
//   6000-FFFF      stored, and drawn like video RAM with the column taken modulo 256
//
//   port  in                                   out
//   1     inputs (0x81 idle, key 3 active low)  -
//   2     inputs (0x00 idle)                    shift amount
//   3     shift register result                 sound latch 1
//   4     -                                     shift data (low := high, high := value)
//   5     -                                     sound latch 2
//
// Reads are plain memory everywhere. No initialisation, draw or stop routine: the bitmap is
// painted by the write handler and the frame routine only presents it when it changed.
#include "drivers/invaders.h"

#include <array>

#include "machine/romset.h"
#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {

InvadersBoard Invaders;

namespace {

constexpr uint16_t VideoStart = 0x2400;

// Static system colours, used as palette indices without the driver offset: the board's colour
// overlay gives three horizontal bands.
constexpr uint8_t BandBottom = 3;  // bytes 0-7 of a column
constexpr uint8_t BandRed = 1;     // bytes 24-27
constexpr uint8_t BandOther = 7;

constexpr uint8_t BandColour(int byteInColumn) {
  if (byteInColumn < 8) return BandBottom;
  if (byteInColumn >= 24 && byteInColumn <= 27) return BandRed;
  return BandOther;
}

constexpr auto MakeBandTable() {
  std::array<uint8_t, 32> t{};
  for (int b = 0; b < 32; ++b) t[b] = BandColour(b);
  return t;
}
constexpr std::array<uint8_t, 32> Bands = MakeBandTable();

struct KeyBit {
  VirtualKey Key;
  uint8_t Mask;
};

// Port 1: these bits are set while their key is held; key 3 clears bit 0 instead.
constexpr KeyBit Port1Keys[] = {
    {VirtualKey::D1, 0x04},    {VirtualKey::D2, 0x02},   {VirtualKey::Left, 0x20},
    {VirtualKey::Right, 0x40}, {VirtualKey::Ctrl, 0x10},
};
constexpr KeyBit Port2Keys[] = {{VirtualKey::T, 0x04}, {VirtualKey::P, 0x08}};

}  // namespace

uint8_t InvadersRead(uint16_t address) { return MemoryImage[address]; }

void InvadersWrite(uint8_t value, uint16_t address) {
  if (address < 0x2000 || (address >= 0x4000 && address < 0x6000)) return;
  MemoryImage[address] = value;
  if (address >= VideoStart) {
    const unsigned d = address - VideoStart;
    const uint8_t x = static_cast<uint8_t>(d >> 5);
    const unsigned b = d & 31;
    const uint8_t colour = Bands[b];
    uint8_t y = static_cast<uint8_t>(255 - 8 * b);  // bit 0 is the lowest row of the byte
    for (int k = 0; k < 8; ++k, --y) PutPixelByte(x, y, (value >> k) & 1 ? colour : 0);
  }
  ScreenDirty = true;
}

uint8_t InvadersPortIn(uint16_t port) {
  switch (port & 0xFF) {
    case 1: {
      uint8_t v = 0x81;
      for (const KeyBit& k : Port1Keys)
        if (KeyHeld(k.Key)) v |= k.Mask;
      if (KeyHeld(VirtualKey::D3)) v &= ~0x01;
      return v;
    }
    case 2: {
      uint8_t v = 0x00;
      for (const KeyBit& k : Port2Keys)
        if (KeyHeld(k.Key)) v |= k.Mask;
      return v;
    }
    case 3: {
      const uint32_t word = (Invaders.Persistent.ShiftHigh << 8) | Invaders.Persistent.ShiftLow;
      return static_cast<uint8_t>(((word << (Invaders.Persistent.ShiftAmount & 31)) & 0xFFFF) >> 8);
    }
    default:
      return 0x00;
  }
}

void InvadersPortOut(uint8_t value, uint8_t port) {
  switch (port) {
    case 2:
      Invaders.Persistent.ShiftAmount = value;
      break;
    case 3:
      Invaders.Persistent.SoundLatch1 = value;
      break;
    case 4:
      Invaders.Persistent.ShiftLow = Invaders.Persistent.ShiftHigh;
      Invaders.Persistent.ShiftHigh = value;
      break;
    case 5:
      Invaders.Persistent.SoundLatch2 = value;
      break;
    default:
      break;
  }
}

void InvadersFrame() {
  ++Invaders.Persistent.FrameCounter;
  // D7h is RST 10h, CFh is RST 08h: executed from the data bus in interrupt mode 0.
  ActiveContext->IrqState.Value = (Invaders.Persistent.FrameCounter & 1) ? 0xCF : 0xD7;
  if (ScreenDirty) {
    ScreenDirty = false;
    PresentScreen();
  }
}

const DriverInfo InvadersDriver = {
    "INVADERS",
    {InvadersRead, InvadersWrite, InvadersPortOut, InvadersPortIn, InvadersFrame, nullptr, nullptr, nullptr},
    NmiSource::Fixed,
    0x10,
    nullptr,
    [] {
      return ScreenGeometry{256, 256, 0, 0};
    },
    nullptr,
    60,
    [] { return RecordBytes(Invaders); },
};

}  // namespace tirvane
