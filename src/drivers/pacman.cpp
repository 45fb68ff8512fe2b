// SPDX-License-Identifier: GPL-3.0-or-later
// PACMAN board.
//
//   address          read                          write
//   ---------------  ----------------------------  -----------------------------------------
//   0000-(#maxrom)   program ROM                   dropped by the core
//   #vram            tilemap codes, 1024 bytes     stored
//   #attrram         tilemap colours, 1024 bytes   stored
//   #spriteram       8 x (code/flips, colour)      stored
//   #nmienable       memory                        stored; non-zero lets the vectored IRQ through
//   5000             IN0, active low               stored
//   5001             memory                        stored; bit 0 enables the sound generator
//   5040             IN1, active low               stored
//   5040-505F        memory                        stored; the sound generator's registers
//   5060-506F        memory                        sprite i: X at 5060+2i, Y at 5061+2i
//   5080             DIP switches: FF              stored
//   C000-C7EF        memory                        stored 8000h lower (4000-47EF)
//   port 00 out      -                             interrupt vector latch
//   any port in      00                            -
//
// Inputs are only seen when #maxdirectread lies below 5000h; otherwise they read as memory.
// The sound generator's waveforms come from the 256-byte PROM "#soundprom=" names; without one it
// stays silent.
#include "drivers/pacman.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

#include "devices/sound_mixer.h"
#include "drivers/file_loader.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "drivers/resistor_colour.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {

PacmanBoard Pacman;

namespace {

constexpr uint16_t In0Address = 0x5000;
constexpr uint16_t In1Address = 0x5040;
constexpr uint16_t DipAddress = 0x5080;
constexpr uint16_t SpriteCoords = 0x5060;
constexpr uint16_t SoundEnableAddress = 0x5001;
constexpr uint16_t SoundRegisters = 0x5040;
constexpr uint16_t MirrorStart = 0xC000;
constexpr uint16_t MirrorEnd = 0xC7EF;
constexpr uint16_t MirrorDrop = 0x8000;

// clang-format off
constexpr uint8_t ColourProm[16] = {
    0x00, 0x07, 0x66, 0xEF, 0x00, 0xF8, 0xEA, 0x6F, 0x00, 0x3F, 0x00, 0xC9, 0x38, 0xAA, 0xAF, 0xF6,
};

constexpr uint8_t LookupProm[128] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x0B, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x0B, 0x03,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x0B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x0B, 0x07,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x01, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x0E, 0x00, 0x01, 0x0C, 0x0F,
    0x00, 0x0E, 0x00, 0x0B, 0x00, 0x0C, 0x0B, 0x0E, 0x00, 0x0C, 0x0F, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x02, 0x0F, 0x00, 0x07, 0x0C, 0x02, 0x00, 0x09, 0x06, 0x0F, 0x00, 0x0D, 0x0C, 0x0F,
    0x00, 0x05, 0x03, 0x09, 0x00, 0x0F, 0x0B, 0x00, 0x00, 0x0E, 0x00, 0x0B, 0x00, 0x0E, 0x00, 0x0B,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x0E, 0x01, 0x00, 0x0F, 0x0B, 0x0E, 0x00, 0x0E, 0x00, 0x0F,
};

// Both sets keep a column per byte run and four rows per nibble: the ROMs hold the tiles turned
// sideways, and the offsets turn them back.
constexpr TileLayout CharLayout = {
    8, 8, 256, 2, {0, 4}, {56, 48, 40, 32, 24, 16, 8, 0}, {64, 65, 66, 67, 0, 1, 2, 3}, 128,
};
constexpr TileLayout SpriteLayout = {
    16, 16, 64, 2, {0, 4},
    {312, 304, 296, 288, 280, 272, 264, 256, 56, 48, 40, 32, 24, 16, 8, 0},
    {64, 65, 66, 67, 128, 129, 130, 131, 192, 193, 194, 195, 0, 1, 2, 3},
    512,
};
// clang-format on
constexpr size_t SpriteSource = 0x1000;

struct KeyBit {
  VirtualKey key;
  uint8_t mask;
};
// clang-format off
constexpr KeyBit In0Keys[] = {
    {VirtualKey::Up, 0x01}, {VirtualKey::Left, 0x02}, {VirtualKey::Right, 0x04}, {VirtualKey::Down, 0x08},
    {VirtualKey::D3, 0x20}, {VirtualKey::D4, 0x40}, {VirtualKey::D5, 0x80},
};
constexpr KeyBit In1Keys[] = {
    {VirtualKey::Up, 0x01}, {VirtualKey::Left, 0x02}, {VirtualKey::Right, 0x04},
    {VirtualKey::Down, 0x08}, {VirtualKey::D1, 0x20}, {VirtualKey::D2, 0x40},
};
// clang-format on

// Where each tilemap cell lands on screen. The 28 x 32 playfield is stored column by column;
// the two rows above and below it are stored in the first and last 64 cells, right to left,
// and their outer two cells on each side are not wired to the screen.
struct CellPlace {
  int16_t x, y;  // x < 0: never drawn
};
constexpr std::array<CellPlace, 1024> MakeCellPlaces() {
  std::array<CellPlace, 1024> places{};
  for (int n = 0; n < 1024; ++n) {
    const int r = n / 32, c = n % 32;
    int row, col;
    if (r < 2 || r > 29) {
      if (c < 2 || c > 29) {
        places[n] = {-1, -1};
        continue;
      }
      row = r < 2 ? 34 + r : r - 30;
      col = 31 - c;
    } else {
      row = c + 2;
      col = 31 - r;
    }
    places[n] = {static_cast<int16_t>(8 * col), static_cast<int16_t>(8 * row)};
  }
  return places;
}
constexpr std::array<CellPlace, 1024> CellPlaces = MakeCellPlaces();

TileSet* Sets[2] = {nullptr, nullptr};  // characters, sprites

uint8_t KeysLow(uint8_t idle, const KeyBit* keys, size_t count) {
  uint8_t value = idle;
  for (size_t i = 0; i < count; ++i)
    if (KeyHeld(keys[i].key)) value &= static_cast<uint8_t>(~keys[i].mask);
  return value;
}

uint8_t Read(uint16_t address) {
  switch (address) {
    case In0Address:
      return KeysLow(0xFF, In0Keys, std::size(In0Keys));
    case In1Address:
      return KeysLow(0x7F, In1Keys, std::size(In1Keys));
    case DipAddress:
      return 0xFF;
    default:
      return MemoryImage[address];
  }
}

inline const uint8_t* Waves() { return Pacman.WavesLoaded ? Pacman.WaveProm : nullptr; }

// Why the last Start runs silent, for the view to show; empty when the PROM was read.
std::string Notice;

void Write(uint8_t value, uint16_t address) {
  if (address >= MirrorStart && address <= MirrorEnd) address -= MirrorDrop;
  MemoryImage[address] = value;
  const uint32_t cycle = ActiveContext->CycleCount;
  if (static_cast<uint16_t>(address - SoundRegisters) < WaveSoundGenerator::RegisterCount)
    Pacman.Sound.Write(address - SoundRegisters, value, cycle, Waves(), FrameSound);
  else if (address == SoundEnableAddress)
    Pacman.Sound.Enable(value & 1, cycle, Waves(), FrameSound);
}

void LoadWaveProm() {
  Pacman.WavesLoaded = 0;
  std::fill(std::begin(Pacman.WaveProm), std::end(Pacman.WaveProm), uint8_t{0});
  if (Game.SoundProm.empty()) return;
  const std::string path = CurrentHost().programFolder() + Game.SoundProm;
  FileReadResult file = ReadWholeFile(path, sizeof Pacman.WaveProm, sizeof Pacman.WaveProm);
  if (file.Status != FileReadStatus::Ok) {
    Notice = "Failed loading the sound PROM (256 bytes):\r" + path + "\rThe game runs silent.";
    return;
  }
  std::copy(file.Bytes.begin(), file.Bytes.end(), Pacman.WaveProm);
  Pacman.WavesLoaded = 1;
}

std::string TakeNotice() { return std::exchange(Notice, {}); }

void PortOut(uint8_t value, uint8_t port) {
  if (port == 0) Pacman.Persistent.VectorLatch = value;
}

uint8_t PortIn(uint16_t) { return 0; }

void Draw() {
  if (!Sets[0]) return;
  ClearScreen(0);
  const uint8_t* mem = MemoryImage;
  const uint16_t vram = static_cast<uint16_t>(Game.VideoRam);
  const uint16_t attr = static_cast<uint16_t>(Game.AttrRam);
  Tile* const* chars = Sets[0]->Tiles.data();
  for (int n = 1023; n >= 0; --n) {
    const CellPlace place = CellPlaces[n];
    if (place.x < 0) continue;
    const uint8_t code = mem[static_cast<uint16_t>(vram + n)];
    const uint8_t colour = mem[static_cast<uint16_t>(attr + n)] & 0x1F;
    DrawTileLookupOpaque(place.x, place.y, static_cast<uint16_t>(4 * colour), *chars[code], 0);
  }

  const uint16_t sprites = static_cast<uint16_t>(Game.SpriteRam);
  Tile* const* shapes = Sets[1]->Tiles.data();
  for (int i = 7; i >= 0; --i) {  // sprite 0 ends on top
    const uint8_t a = mem[static_cast<uint16_t>(sprites + 2 * i)];
    const uint8_t b = mem[static_cast<uint16_t>(sprites + 2 * i + 1)];
    const uint8_t code = a >> 2;
    const uint8_t sx = mem[SpriteCoords + 2 * i];
    const uint8_t sy = mem[SpriteCoords + 2 * i + 1];
    if (code == 0 || sx < 17 || sy < 1) continue;
    const uint8_t flags = ((a & 0x02) ? FlipX : 0) | ((a & 0x01) ? FlipY : 0);
    DrawTileLookup(255 - sx, 271 - sy, static_cast<uint16_t>(4 * (b & 0x1F)), *shapes[code], flags);
  }
}

void Frame() {
  Draw();
  PresentScreen();
  const uint8_t enable = MemoryImage[static_cast<uint16_t>(Game.NmiEnable)];
  ActiveContext->IrqState.Value = enable ? Pacman.Persistent.VectorLatch : 0x01000000u;
  Pacman.Sound.EndFrame(Waves(), FrameSound);
}

void Stop() {
  FreeTileSets(Sets);
}

void Initialise(uint8_t* graphicsRegion) {
  Stop();  // a run that ended without its stop routine must not leak its sets
  Sets[0] = BuildTileSet("Char Set (8x8)", 0, 0, CharLayout, graphicsRegion, GraphicsRegionSize);
  Sets[1] = BuildTileSet("Sprite Set (16x16)", 0, 0, SpriteLayout, graphicsRegion + SpriteSource,
                         GraphicsRegionSize - SpriteSource);
  for (int i = 0; i < 16; ++i) RgbTable[i] = ResistorColour(ColourProm[i]);
  for (int i = 0; i < 128; ++i) ColourLookup[i] = LookupProm[i];
  Pacman.Sound = {};
  Notice.clear();
  LoadWaveProm();
}

void SpriteSets(int& count, TileSet**& sets) {
  count = 2;
  sets = Sets;
}

ScreenGeometry Geometry() { return {224, 288, 16, 0}; }

}  // namespace

const DriverInfo PacmanDriver = {
    .Name = "PACMAN",
    .Routines = {Read, Write, PortOut, PortIn, Frame, Draw, Stop, SpriteSets},
    .Nmi = NmiSource::Fixed,
    .FixedNmiAddress = 0x66,
    .Initialise = Initialise,
    .Geometry = Geometry,
    .FrameRate = 60,
    .Board = [] { return RecordBytes(Pacman); },
    .TakeNotice = TakeNotice,
};

}  // namespace tirvane
