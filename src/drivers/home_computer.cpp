// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM driver.
//
// Memory map                      what the handlers do
//   0000-3FFF  ROM (16 KB)          writes ignored
//   4000-57FF  bitmap (6144 bytes)  stored, the eight pixels drawn at once
//   5800-5AFF  attributes (768)     stored, the 8x8 cell repainted from its bitmap bytes
//   5B00-FFFF  RAM                  stored
// Reads are plain memory. Ports: IN FEh reads the keyboard rows selected by A8-A15 (a 0 selects);
// every other port reads 0. OUT to an even port drives the beeper from bits 4 (speaker) and 3 (the
// quieter line), at the T-state of the write; the border is not drawn.
#include "drivers/home_computer.h"

#include <string>

#include "devices/sound_mixer.h"
#include "machine/romset.h"
#include "drivers/eight_pixels.h"
#include "drivers/file_loader.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {

namespace {

using enum VirtualKey;

// The half-rows as the hardware wires them: row r answers when address bit 8 + r is 0, and its
// bit 0 is the key nearest the edge. Ctrl is the caps shift, Shift the symbol shift.
constexpr VirtualKey KeyRows[8][5] = {
    {Ctrl, Z, X, C, V},       // A8
    {A, S, D, F, G},          // A9
    {Q, W, E, R, T},          // A10
    {D1, D2, D3, D4, D5},     // A11
    {D0, D9, D8, D7, D6},     // A12
    {P, O, I, U, Y},          // A13
    {Return, L, K, J, H},     // A14
    {Space, Shift, M, N, B},  // A15
};

// Entry = colour + 8 * bright.
constexpr Rgb Colours[16] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xCF}, {0xCF, 0x00, 0x00}, {0xCF, 0x00, 0xCF},
    {0x00, 0xCF, 0x00}, {0x00, 0xCF, 0xCF}, {0xCF, 0xCF, 0x00}, {0xCF, 0xCF, 0xCF},
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00}, {0xFF, 0x00, 0xFF},
    {0x00, 0xFF, 0x00}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
};

constexpr uint8_t PaletteBase = 10;  // driver colour n is palette index 10 + n

// Draws the eight pixels of one bitmap byte in the colours of its cell's attribute.
inline void DrawBitmapByte(uint8_t value, uint16_t address) {
  ScreenDirty = true;
  if (!Screen) return;  // a load that outlives its run keeps memory right and draws nothing
  const unsigned y = ((address >> 8) & 0x07) | ((address >> 2) & 0x38) | ((address >> 5) & 0xC0);
  const unsigned column = address & 0x1F;
  const uint8_t attribute = MemoryImage[0x5800 + (y >> 3) * 32 + column];
  const uint8_t bright = (attribute & 0x40) >> 3;
  const uint8_t ink = PaletteBase + (attribute & 0x07) + bright;
  const uint8_t paper = PaletteBase + ((attribute >> 3) & 0x07) + bright;
  // y < 192 and the eight pixels end at column 255: the row always lies inside the bitmap.
  PutEightPixels(Screen->Pixels.data() + y * BitmapStride + column * 8, value, ink, paper);
}

// An attribute change recolours the cell's eight bitmap bytes as they stand.
inline void RepaintCell(uint16_t attributeAddress) {
  const unsigned offset = attributeAddress - 0x5800;
  const unsigned row = offset >> 5;
  const uint16_t base = 0x4000 | ((row & 0x07) << 5) | ((row & 0x18) << 8) | (offset & 0x1F);
  for (unsigned k = 0; k < 8; ++k) {
    const uint16_t address = base + 256 * k;
    DrawBitmapByte(MemoryImage[address], address);
  }
}

uint16_t Word(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// The interrupt-mode byte of a snapshot as the core's mode code (mode 2 is code 3).
uint16_t InterruptModeCode(uint8_t mode) {
  switch (mode) {
    case 0:
      return 0;
    case 2:
      return 3;
    default:
      return 1;  // 1, and anything a damaged header holds, runs as mode 1
  }
}

// Loads a checked snapshot: the header into the registers, the memory through the write handler so
// the picture builds up as it loads, then the return from the interrupt the snapshot was taken in.
void ApplySnapshot(const uint8_t* file) {
  Z80Context& z = *ActiveContext;
  z.I = file[0];
  z.AltHL.w = Word(file + 1);
  z.AltDE.w = Word(file + 3);
  z.AltBC.w = Word(file + 5);
  z.AltAF.w = Word(file + 7);
  z.HL.w = Word(file + 9);
  z.DE.w = Word(file + 11);
  z.BC.w = Word(file + 13);
  z.IY.w = Word(file + 15);
  z.IX.w = Word(file + 17);
  z.IFF1 = z.IFF2 = (file[19] >> 2) & 1;
  z.R = file[20];
  z.AF.l = file[21];
  z.AF.h = file[22];
  z.SP.w = Word(file + 23);
  z.InterruptMode = InterruptModeCode(file[25]);
  // A HALT pending from the machine that ran before would step the new PC past its first opcode.
  z.Halted = 0;

  const uint8_t* memory = file + 27;
  for (uint32_t address = 0x4000; address <= 0xFFFF; ++address) {
    SpectrumWrite(memory[address - 0x4000], static_cast<uint16_t>(address));
    if (address % 32 == 0 && address <= 0x62CE && Screen) {
      PresentScreen();
      CurrentHost().pumpMessages();
    }
  }

  z.PC.w = static_cast<uint16_t>(MemoryImage[z.SP.w] | MemoryImage[static_cast<uint16_t>(z.SP.w + 1)] << 8);
  z.SP.w = static_cast<uint16_t>(z.SP.w + 2);
}

}  // namespace

// Bits 5-7 stay 0; all keys up until the first frame has looked at the keyboard.
SpectrumBoard Spectrum;

uint8_t SpectrumRead(uint16_t address) { return MemoryImage[address]; }

void SpectrumWrite(uint8_t value, uint16_t address) {
  if (address < 0x4000) return;
  MemoryImage[address] = value;
  if (address < 0x5800)
    DrawBitmapByte(value, address);
  else if (address < 0x5B00)
    RepaintCell(address);
}

Beeper SpectrumBeeper{};

// The machine decodes only address line 0 for its own port.
void SpectrumPortOut(uint8_t value, uint8_t port) {
  if ((port & 1) == 0) SpectrumBeeper.Write(value, ActiveContext->CycleCount, FrameSound);
}

uint8_t SpectrumPortIn(uint16_t port) {
  if ((port & 0xFF) != 0xFE) return 0;
  const unsigned select = port >> 8;
  uint8_t result = 0xFF;
  for (int row = 0; row < 8; ++row)
    if (!(select & (1u << row))) result &= Spectrum.Persistent.KeyMatrix[row];
  return result;
}

void SpectrumFrame() {
  for (int row = 0; row < 8; ++row) {
    uint8_t bits = 0x1F;
    for (int bit = 0; bit < 5; ++bit)
      if (KeyHeld(KeyRows[row][bit])) bits &= static_cast<uint8_t>(~(1u << bit));
    Spectrum.Persistent.KeyMatrix[row] = bits;
  }
  ActiveContext->IrqState.Value = 0;
  PresentScreen();
}

void SpectrumInitialise(uint8_t*) {
  SpectrumBeeper = {};
  for (int n = 0; n < 16; ++n) RgbTable[n] = Colours[n];
}

bool LoadSnapshotFile(const std::string& path) {
  // The load pumps messages; a second Cartridge click inside them must not start a second load.
  static bool loading = false;
  if (loading || !ActiveContext) return false;

  FileReadResult file = ReadWholeFile(path, SnapshotSize, SnapshotSize);
  const std::string size = std::to_string(file.Size) + " bytes";
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      CurrentHost().messageBox("Failed opening snapshot:\r" + path);
      return false;
    case FileReadStatus::WrongSize:
      CurrentHost().messageBox("Not a 48K snapshot:\r" + path + "\r" + size +
                               "; a snapshot is exactly 49179 bytes. Nothing was loaded.");
      return false;
    case FileReadStatus::ReadFailed:
      CurrentHost().messageBox("Failed reading snapshot:\r" + path + "\r" + size +
                               " could not be read whole. Nothing was loaded.");
      return false;
  }

  loading = true;
  ApplySnapshot(file.Bytes.data());
  loading = false;
  return true;
}

void SpectrumLoader() {
  const auto path = AskForFile("ZXSpectrum Snapshots loader", "Spectrum SnapShots|*.sna", "SNA", "*.sna");
  if (path) LoadSnapshotFile(*path);
  RestoreProgramFolder();
}

namespace {
ScreenGeometry SpectrumGeometry() { return {256, 192, 0, 0}; }
}  // namespace

const DriverInfo SpectrumDriver{
    "SPECTRUM",
    {SpectrumRead, SpectrumWrite, SpectrumPortOut, SpectrumPortIn, SpectrumFrame, nullptr, nullptr,
     SpectrumLoader, nullptr},
    NmiSource::Fixed,
    0x66,
    SpectrumInitialise,
    SpectrumGeometry,
    LoadSnapshotFile,
    50,
    [] { return RecordBytes(Spectrum); },
};

}  // namespace tirvane
