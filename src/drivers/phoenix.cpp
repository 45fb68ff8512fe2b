// SPDX-License-Identifier: GPL-3.0-or-later
// PHOENIX board. Everything sits at fixed addresses:
//
//   address      read                             write
//   0000-3FFE    program ROM                      ignored
//   3FFF-4FFF    RAM                              stored
//     4000-433F    foreground tilemap, 26 rows x 32 (a change marks the screen dirty)
//     4800-4B3F    background tilemap, 26 rows x 32 (a change marks the screen dirty)
//   5000-53FF    the byte at 5000h (mirrors)      stored at 5000h; bit 1 selects the palette bank
//   5400-57FF    memory                           stored
//   5800-5BFF    the byte at 5800h (mirrors)      stored at 5800h: background scroll
//   5C00-6FFF    memory                           stored
//   7000-73FF    IN0, active low                  stored
//   7400-77FF    FFh (nothing answers)            stored
//   7800-7BFF    80h once per frame, then 00h     stored
//   7C00-8000    FFh (nothing answers)            stored
//   8001-FFFF    FFh (nothing answers)            ignored
//   any port     in 00h                           ignored
//
// Reads up to "#maxdirectread=" come straight from memory; the description must keep that limit
// below 5000h for the latches and inputs to be seen. No interrupts and no stop routine: the
// characters stay decoded until the next PHOENIX run replaces them.
#include "drivers/phoenix.h"

#include <algorithm>
#include <array>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/key_bits.h"
#include "drivers/scramble.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

PhoenixBoard Phoenix;

namespace {

// clang-format off
// The first 128 bytes of the two colour PROMs; bits 0-2 only. PROM 1 gives the low weight of each
// gun, PROM 2 the high weight.
constexpr uint8_t ColourProm1[128] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x04, 0x02, 0x05, 0x02, 0x02, 0x02, 0x00, 0x01, 0x02, 0x00, 0x02, 0x01, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x06, 0x04, 0x04, 0x04,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x01, 0x01, 0x03, 0x03, 0x03, 0x01, 0x00, 0x02, 0x05, 0x05, 0x01, 0x01, 0x01, 0x07, 0x00, 0x06, 0x07, 0x07, 0x05, 0x05, 0x05, 0x03, 0x07,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x04, 0x02, 0x01, 0x01, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00, 0x02, 0x02, 0x02, 0x02, 0x00, 0x01, 0x01, 0x01, 0x04, 0x04, 0x04, 0x04,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x01, 0x01, 0x04, 0x04, 0x04, 0x03, 0x04, 0x02, 0x05, 0x05, 0x05, 0x05, 0x05, 0x07, 0x00, 0x05, 0x07, 0x07, 0x03, 0x03, 0x03, 0x05, 0x07,
};
constexpr uint8_t ColourProm2[128] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x06, 0x05, 0x03, 0x05, 0x06, 0x06, 0x06, 0x01, 0x03, 0x03, 0x06, 0x02, 0x03, 0x03, 0x03, 0x07, 0x05, 0x05, 0x03, 0x07, 0x05, 0x05, 0x05,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x01, 0x01, 0x03, 0x03, 0x03, 0x01, 0x04, 0x06, 0x05, 0x05, 0x07, 0x07, 0x07, 0x07, 0x03, 0x06, 0x07, 0x07, 0x05, 0x05, 0x05, 0x03, 0x07,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x05, 0x03, 0x03, 0x03, 0x03, 0x03, 0x01, 0x03, 0x03, 0x06, 0x06, 0x06, 0x06, 0x06, 0x05, 0x05, 0x05, 0x03, 0x05, 0x05, 0x05, 0x05,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x01, 0x01, 0x04, 0x04, 0x04, 0x03, 0x04, 0x06, 0x05, 0x05, 0x05, 0x05, 0x05, 0x07, 0x03, 0x05, 0x07, 0x07, 0x07, 0x07, 0x07, 0x05, 0x07,
};
// clang-format on

constexpr uint16_t ForegroundMap = 0x4000, BackgroundMap = 0x4800;
constexpr uint16_t MapLast = 0x0340;  // the dirty check covers each map up to and including +340h
constexpr uint16_t PaletteLatch = 0x5000, ScrollLatch = 0x5800;
constexpr uint16_t StoreFirst = 0x3FFF, StoreLast = 0x8000;
constexpr int Rows = 26, Columns = 32;

constexpr uint8_t BackgroundColour = 10;  // driver colours 0-63
constexpr uint8_t ForegroundColour = 74;  // driver colours 64-127

constexpr uint8_t Nothing = 0xFF;  // what a read of an unanswered address sees

constexpr KeyBit In0Keys[] = {
    {VirtualKey::Left, 0x40}, {VirtualKey::Right, 0x20}, {VirtualKey::D3, 0x01},    {VirtualKey::D1, 0x02},
    {VirtualKey::D2, 0x04},   {VirtualKey::Ctrl, 0x10},  {VirtualKey::Shift, 0x80},
};

// Reads from 5000h up, by 1 KB page.
enum class Page : uint8_t { Memory, PaletteMirror, ScrollMirror, Input, VerticalBlank, Unanswered };
constexpr Page PageOf(int page) {
  switch (page) {
    case 0x14:
      return Page::PaletteMirror;  // 5000h
    case 0x16:
      return Page::ScrollMirror;  // 5800h
    case 0x1C:
      return Page::Input;  // 7000h
    case 0x1D:
      return Page::Unanswered;  // 7400h
    case 0x1E:
      return Page::VerticalBlank;  // 7800h
    default:
      return page >= 0x1F ? Page::Unanswered : Page::Memory;
  }
}
constexpr auto ReadPages = [] {
  std::array<Page, 64> pages{};
  for (int i = 0; i < 64; ++i) pages[i] = PageOf(i);
  return pages;
}();

std::vector<Tile> charStore;
std::vector<Tile*> charPointers;
std::vector<uint8_t> charBlank;

constexpr Rgb PromColour(int n) {
  const uint8_t a = ColourProm1[n], b = ColourProm2[n];
  auto gun = [a, b](int bit) {
    return static_cast<uint8_t>(0x55 * ((a >> bit) & 1) + 0xAA * ((b >> bit) & 1));
  };
  return Rgb{gun(0), gun(2), gun(1)};
}

// Source byte y of a character is screen column 7 - y, its bit b screen row b.
void DecodeCharacters(const uint8_t* region) {
  const int count = std::clamp(Game.CharSets, 0, static_cast<int>(GraphicsRegionSize / 0x1000)) * 256;
  charStore.assign(count, Tile{8, 8, std::vector<uint8_t>(64)});
  charBlank.assign(count, 1);
  for (int i = 0; i < count; ++i) {
    const uint8_t* high = region + (i / 256) * 0x1000 + (i % 256) * 8;
    const uint8_t* low = high + 0x800;
    Tile& tile = charStore[i];
    for (int y = 0; y < 8; ++y)
      for (int b = 0; b < 8; ++b) {
        const uint8_t pen = static_cast<uint8_t>(((low[y] >> b) & 1) | (((high[y] >> b) & 1) << 1));
        tile.Pixels[b * 8 + 7 - y] = pen;
        if (pen) charBlank[i] = 0;
      }
  }
  charPointers.clear();
  for (Tile& t : charStore) charPointers.push_back(&t);
  CharTiles = charPointers.empty() ? nullptr : charPointers.data();
  CharTileCount = count;
}

inline void DrawCharacter(int index, int x, int y, uint8_t colour) {
  if (index < static_cast<int>(charStore.size()) && !charBlank[index])
    DrawTileAddFast(x, y, colour, charStore[index]);
}

}  // namespace

uint8_t PhoenixRead(uint16_t address) {
  switch (ReadPages[address >> 10]) {
    case Page::Memory:
      return MemoryImage[address];
    case Page::PaletteMirror:
      return MemoryImage[PaletteLatch];
    case Page::ScrollMirror:
      return MemoryImage[ScrollLatch];
    case Page::Input:
      return ActiveLowInput(0xFF, In0Keys);
    case Page::VerticalBlank:
      if (!Phoenix.Persistent.VerticalBlank) return 0x00;
      Phoenix.Persistent.VerticalBlank = false;
      return 0x80;
    case Page::Unanswered:
      break;
  }
  return Nothing;
}

void PhoenixWrite(uint8_t value, uint16_t address) {
  uint8_t* mem = MemoryImage;
  if ((static_cast<uint16_t>(address - ForegroundMap) <= MapLast ||
       static_cast<uint16_t>(address - BackgroundMap) <= MapLast) &&
      mem[address] != value)
    ScreenDirty = true;
  if (address < StoreFirst || address > StoreLast) return;
  if ((address & 0xFC00) == PaletteLatch) {
    mem[PaletteLatch] = value;
    const uint8_t bank = (value >> 1) & 1;
    if (bank != Phoenix.Persistent.PaletteBank) {
      Phoenix.Persistent.PaletteBank = bank;
      ScreenDirty = true;
    }
  } else if ((address & 0xFC00) == ScrollLatch) {
    if (mem[ScrollLatch] != value) ScreenDirty = true;
    mem[ScrollLatch] = value;
  } else {
    mem[address] = value;
  }
}

void PhoenixInitialise(uint8_t* graphicsRegion) {
  for (int i = 0; i < 8; ++i)
    for (int h = 0; h < 2; ++h)
      for (int k = 0; k < 4; ++k) {
        RgbTable[4 * i + 32 * h + k] = PromColour(8 * k + i + 64 * h);
        RgbTable[64 + 4 * i + 32 * h + k] = PromColour(32 + 8 * k + i + 64 * h);
      }
  DecodeCharacters(graphicsRegion);
  // The new bitmap starts blank while memory may already hold this game's picture (memory survives
  // from run to run), so the first frame draws whatever the writes change.
  ScreenDirty = true;
}

void PhoenixDraw() {
  const uint8_t* mem = MemoryImage;
  const int bank = 8 * Phoenix.Persistent.PaletteBank;
  ClearScreen(0);

  const uint8_t scroll = mem[ScrollLatch];
  for (int t = 0; t < 32; ++t) {
    const int y = 8 * t - (scroll & 7) + 8;
    if (y <= 0 || y > 248) continue;
    const int c = ((scroll >> 3) + t) & 31;
    for (int r = 0; r < Rows; ++r) {
      const uint8_t code = mem[BackgroundMap + (Rows - 1 - r) * Columns + c];
      if (code == 0) continue;
      DrawCharacter(256 + code, 8 * r, y, static_cast<uint8_t>(BackgroundColour + 4 * ((code >> 5) + bank)));
    }
  }

  for (int r = 0; r < Rows; ++r) {
    const uint8_t* row = mem + ForegroundMap + (Rows - 1 - r) * Columns;
    for (int c = 0; c < Columns; ++c) {
      const uint8_t code = row[c];
      if (code == 0) continue;
      DrawCharacter(code, 8 * r, 8 * c, static_cast<uint8_t>(ForegroundColour + 4 * ((code >> 5) + bank)));
    }
  }
}

void PhoenixFrame() {
  Phoenix.Persistent.VerticalBlank = true;
  if (ScreenDirty) {
    PhoenixDraw();
    ScreenDirty = false;
  }
  ActiveContext->IrqState.Value = 0x01000000;
  PresentScreen();
}

const DriverInfo PhoenixDriver = {
    "PHOENIX",
    {PhoenixRead, PhoenixWrite, ScramblePortOut, ScramblePortIn, PhoenixFrame, PhoenixDraw, nullptr, nullptr},
    NmiSource::Description,
    0,
    PhoenixInitialise,
    [] {
      return ScreenGeometry{208, 256, 0, 0};
    },
    nullptr,
    60,
    [] { return RecordBytes(Phoenix); },
};

}  // namespace tirvane
