// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO driver.
//
// Memory map (all plain memory: the BIOS stays intact when "#maxrom=" covers it, because the core
// drops writes below RomLimit)
//   0000-1FFF  BIOS, from the description
//   2000-7FFF  RAM (6000h-7FFFh is plain memory, not a mirror of a small RAM)
//   8000-FFFF  cartridge, from the loader or the description
// Ports
//   A0h-BFh  video chip: odd = control (write) / status (read), even = data
//   E0h-FFh  sound generator (write)
//   others   ignored on output, FFh on input (controllers are not emulated)
#include "drivers/coleco.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "devices/sound_mixer.h"
#include "drivers/eight_pixels.h"
#include "drivers/file_loader.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {

VideoChip Vdp{};
ToneGenerator ColecoSound{};

namespace {

enum { MaskR2, MaskR3, MaskR4, MaskR5 };

// Address bits each screen mode honours in the table registers.
constexpr uint8_t TableMasks[4][4] = {
    // R2    R3    R4    R5
    {0x7F, 0x00, 0x3F, 0x00},  // 0 text
    {0x7F, 0xFF, 0x3F, 0xFF},  // 1 graphics I
    {0x7F, 0x80, 0x3C, 0xFF},  // 2 graphics II
    {0x7F, 0x00, 0x3F, 0xFF},  // 3 multicolour
};

// The picture uses two of the system's static colours, not the chip's palette.
constexpr uint8_t InkIndex = 1;
constexpr uint8_t PaperIndex = 7;

// The frame routine sets the caption only when the mode changes, so frames in between never
// allocate.
const std::string ModeCaptions[4] = {"0", "1", "2", "3"};
uint8_t CaptionMode = 0xFF;

// The mode the mode bits select, or the current one for a combination the chip does not define.
uint8_t SelectMode(uint8_t r0, uint8_t r1) {
  switch ((r1 & 0x18) | ((r0 & 0x0E) >> 1)) {
    case 0x00:
      return 1;
    case 0x01:
      return 2;
    case 0x08:
      return 3;
    case 0x10:
      return 0;
    default:
      return Vdp.ScreenMode;
  }
}

void ComputeNameTable() {
  Vdp.NameTable = static_cast<uint16_t>((Vdp.R[2] & TableMasks[Vdp.ScreenMode][MaskR2]) << 10);
}
void ComputeColourTable() {
  Vdp.ColourTable = static_cast<uint16_t>((Vdp.R[3] & TableMasks[Vdp.ScreenMode][MaskR3]) << 6);
}
void ComputePatternTable() {
  Vdp.PatternTable = static_cast<uint16_t>((Vdp.R[4] & TableMasks[Vdp.ScreenMode][MaskR4]) << 11);
}
void ComputeSpriteAttributeTable() {
  Vdp.SpriteAttributeTable = static_cast<uint16_t>((Vdp.R[5] & TableMasks[Vdp.ScreenMode][MaskR5]) << 7);
}
void ComputeSpritePatternTable() { Vdp.SpritePatternTable = static_cast<uint16_t>((Vdp.R[6] & 0x3F) << 11); }

void ComputeTables() {
  ComputeNameTable();
  ComputeColourTable();
  ComputePatternTable();
  ComputeSpriteAttributeTable();
  ComputeSpritePatternTable();
}

void WriteRegister(uint8_t n, uint8_t data) {
  switch (n) {
    case 0:
    case 1: {
      const uint8_t mode = n == 0 ? SelectMode(data, Vdp.R[1]) : SelectMode(Vdp.R[0], data);
      if (mode != Vdp.ScreenMode) {
        Vdp.ScreenMode = mode;
        ComputeTables();
      }
      break;
    }
    case 2:
      Vdp.R[2] = data;
      ComputeNameTable();
      break;
    case 3:
      Vdp.R[3] = data;
      ComputeColourTable();
      break;
    case 4:
      Vdp.R[4] = data;
      ComputePatternTable();
      break;
    case 5:
      Vdp.R[5] = data;
      ComputeSpriteAttributeTable();
      break;
    case 6:
      Vdp.R[6] = data;
      ComputeSpritePatternTable();
      break;
    case 7:
      Vdp.Foreground = data >> 4;
      Vdp.Background = data & 0x0F;
      break;
  }
  Vdp.R[n] = data;
}

void WriteControl(uint8_t value) {
  if (Vdp.Latch) {
    Vdp.FirstByte = value;
    Vdp.Latch = 0;
    return;
  }
  Vdp.Latch = 1;
  switch (value & 0xC0) {
    case 0x00:
      Vdp.ReadAddress = static_cast<uint16_t>(value << 8 | Vdp.FirstByte);
      break;
    case 0x40:
      Vdp.WriteAddress = static_cast<uint16_t>((value & 0x3F) << 8 | Vdp.FirstByte);
      break;
    case 0x80:
      WriteRegister(value & 0x07, Vdp.FirstByte);
      break;
    default:
      break;  // C0h: no operation
  }
}

// 32 x 8 cells from one name-table run, with patterns from patterns + 8 * name.
void DrawCellRows(uint16_t names, uint16_t patterns, int top) {
  uint8_t* pixels = Screen->Pixels.data() + top * BitmapStride;
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t name = Vdp.Memory[(names + row * 32 + column) & (VideoMemorySize - 1)];
      const unsigned pattern = patterns + 8u * name;
      uint8_t* cell = pixels + (row * 8) * BitmapStride + column * 8;
      for (int line = 0; line < 8; ++line) {
        const uint8_t bits = Vdp.Memory[(pattern + line) & (VideoMemorySize - 1)];
        PutEightPixels(cell + line * BitmapStride, bits, InkIndex, PaperIndex);
      }
    }
  }
}

}  // namespace

uint8_t ColecoRead(uint16_t address) { return MemoryImage[address]; }

void ColecoWrite(uint8_t value, uint16_t address) { MemoryImage[address] = value; }

void ColecoPortOut(uint8_t value, uint8_t port) {
  if ((port & 0xE0) == 0xE0) ColecoSound.Write(value, ActiveContext->CycleCount, FrameSound);
  if ((port & 0xE0) != 0xA0) return;
  if (port & 1) {
    WriteControl(value);
  } else if (Vdp.Latch) {
    // A data byte between the two halves of a control pair is lost.
    Vdp.Memory[Vdp.WriteAddress & (VideoMemorySize - 1)] = value;
    Vdp.WriteAddress = (Vdp.WriteAddress + 1) & (VideoMemorySize - 1);
  }
}

uint8_t ColecoPortIn(uint16_t port) {
  if ((port & 0xE0) != 0xA0) return 0xFF;
  if (port & 1) {
    const uint8_t status = Vdp.Status;
    Vdp.Status &= static_cast<uint8_t>(~0xA0);
    Vdp.Latch = 1;
    return status;
  }
  const uint8_t value = Vdp.Memory[Vdp.ReadAddress & (VideoMemorySize - 1)];
  Vdp.ReadAddress = (Vdp.ReadAddress + 1) & (VideoMemorySize - 1);
  return value;
}

void ResetVdp() {
  std::memset(Vdp.R, 0, sizeof Vdp.R);
  Vdp.R[1] = 0x10;
  Vdp.Latch = 1;
  Vdp.Status = 0x9F;
  Vdp.ScreenMode = 0;
  Vdp.Foreground = Vdp.Background = 0;
  Vdp.WriteAddress = 0;
  ComputeTables();
}

bool VdpFrameStep() {
  // Half a control pair written: the chip is mid-command and shows nothing new.
  if (!Vdp.Latch) return false;
  if (Screen) {
    if (Vdp.ScreenMode == 2) {
      // Three thirds of 256 names, each third with its own 2 KB of patterns.
      for (int third = 0; third < 3; ++third)
        DrawCellRows(static_cast<uint16_t>(Vdp.NameTable + 256 * third),
                     static_cast<uint16_t>(Vdp.PatternTable + 0x800 * third), 64 * third);
    } else if (Vdp.ScreenMode == 1) {
      // Graphics I drawn like graphics II, but all 768 names share one pattern table.
      for (int third = 0; third < 3; ++third)
        DrawCellRows(static_cast<uint16_t>(Vdp.NameTable + 256 * third), Vdp.PatternTable, 64 * third);
    }
  }
  Vdp.Status = static_cast<uint8_t>((Vdp.Status & 0xDF) | 0x80);
  return (Vdp.R[1] & 0x20) != 0;
}

void ColecoFrame() {
  if (Vdp.ScreenMode != CaptionMode) {
    CaptionMode = Vdp.ScreenMode;
    // The mode follows the run's caption rather than replacing it, so the title stays in view.
    CurrentHost().setCaption(Game.Title + " [" + Game.Driver + "] mode " + ModeCaptions[CaptionMode & 3]);
  }
  const bool nmi = VdpFrameStep();
  ActiveContext->IrqState.Value = 0;
  if (nmi) ActiveContext->NmiRequest = 1;
  ColecoSound.EndFrame(FrameSound);
  PresentScreen();
}

void ColecoInitialise(uint8_t*) {
  ResetVdp();
  ColecoSound.Reset(ToneGenerator::ColecoClock);
  CaptionMode = 0xFF;  // the run has just captioned the screen with the title
}

bool LoadCartridgeFile(const std::string& path) {
  FileReadResult file = ReadWholeFile(path, 0, MaxCartridgeSize);
  const std::string size = std::to_string(file.Size) + " bytes";
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      CurrentHost().messageBox("Failed opening cartridge:\r" + path);
      return false;
    case FileReadStatus::WrongSize:
      CurrentHost().messageBox("Cartridge too large:\r" + path + "\r" + size +
                               "; at most 32768 bytes fit from 8000h. Nothing was loaded.");
      return false;
    case FileReadStatus::ReadFailed:
      CurrentHost().messageBox("Failed reading cartridge:\r" + path + "\r" + size +
                               " could not be read whole. Nothing was loaded.");
      return false;
  }
  // An empty file has no data pointer to copy from; copying its no bytes is still a load.
  std::copy(file.Bytes.begin(), file.Bytes.end(), MemoryImage + CartridgeAddress);
  return true;
}

void ColecoLoader() {
  const auto path = AskForFile("Coleco ROMs loader", "Coleco SnapShots|*.col", "COL", "*.col");
  if (path) LoadCartridgeFile(*path);
  RestoreProgramFolder();
}

namespace {
ScreenGeometry ColecoGeometry() { return {256, 192, 0, 0}; }
}  // namespace

const DriverInfo ColecoDriver{
    "COLECO",
    {ColecoRead, ColecoWrite, ColecoPortOut, ColecoPortIn, ColecoFrame, nullptr, nullptr, ColecoLoader,
     nullptr},
    NmiSource::Fixed,
    0x66,
    ColecoInitialise,
    ColecoGeometry,
    LoadCartridgeFile,
    60,
    [] { return RecordBytes(Vdp); },
};

}  // namespace tirvane
