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
#include "drivers/file_loader.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {

ColecoBoard Coleco;

namespace {

// The frame routine sets the caption only when the mode changes, so frames in between never
// allocate.
const std::string ModeCaptions[4] = {"0", "1", "2", "3"};
uint8_t CaptionMode = 0xFF;

}  // namespace

uint8_t ColecoRead(uint16_t address) { return MemoryImage[address]; }

void ColecoWrite(uint8_t value, uint16_t address) { MemoryImage[address] = value; }

void ColecoPortOut(uint8_t value, uint8_t port) {
  switch (port & 0xE0) {
    case 0xA0:
      if (port & 1)
        Coleco.Video.WriteControl(value);
      else
        Coleco.Video.WriteData(value);
      break;
    case 0xE0:
      Coleco.Sound.Write(value, ActiveContext->CycleCount, FrameSound);
      break;
  }
}

uint8_t ColecoPortIn(uint16_t port) {
  if ((port & 0xE0) != 0xA0) return 0xFF;
  return (port & 1) ? Coleco.Video.ReadStatus() : Coleco.Video.ReadData();
}

void ResetVdp() { Coleco.Video.Reset(); }

bool VdpFrameStep() { return Coleco.Video.FrameStep(Screen ? Screen->Pixels.data() : nullptr); }

void ColecoFrame() {
  if (Coleco.Video.ScreenMode != CaptionMode) {
    CaptionMode = Coleco.Video.ScreenMode;
    // The mode follows the run's caption rather than replacing it, so the title stays in view.
    CurrentHost().setCaption(Game.Title + " [" + Game.Driver + "] mode " + ModeCaptions[CaptionMode & 3]);
  }
  const bool nmi = VdpFrameStep();
  // No chip drives /INT on the console (the video chip uses NMI); the original processor still
  // raises it at every frame end, as it always has.
  ActiveContext->IrqState.Value = ActiveContext->Cpu == CpuModel::Silicon ? 0x01000000u : 0;
  if (nmi) ActiveContext->NmiRequest = 1;
  Coleco.Sound.EndFrame(FrameSound);
  PresentScreen();
}

void ColecoInitialise(uint8_t*) {
  ResetVdp();
  Coleco.Sound.Reset(ToneGenerator::ColecoClock);
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
    [] { return RecordBytes(Coleco); },
};

}  // namespace tirvane
