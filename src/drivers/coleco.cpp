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
// With "#video=full" (the whole chip, drawn line by line):
//   6000-7FFF  1 KB of RAM, mirrored eight times    8000-FFFF  cartridge ROM (writes ignored)
//   80h-9Fh  write: controllers to keypad mode      C0h-DFh  write: controllers to joystick mode
//   E0h-FFh  read: controller 1 (A1 = 0) or 2 (A1 = 1), active low:
//            joystick mode  bit 0 up, 1 right, 2 down, 3 left, 6 left fire
//            keypad mode    bits 0-3 the key's code (0Fh: none), 6 right fire
// The frame ends as the chip enters its bottom border: the visible lines take the last 192 of the
// frame's 262 line times, so a register written mid-frame changes the picture from the line the
// beam has reached.
#include "drivers/coleco.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "devices/sound_mixer.h"
#include "drivers/file_loader.h"
#include "drivers/key_bits.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "video/screen.h"
#include "text/text.h"

namespace tirvane {

ColecoBoard Coleco;

namespace {

constexpr const char* ModeCaptions[4] = {" mode 0", " mode 1", " mode 2", " mode 3"};

// "#video=full" in the running description.
bool FullConsole = false;

using enum VirtualKey;

// The controllers' joystick halves; the keypads below answer on both controllers alike.
constexpr KeyBit Joystick1Keys[] = {{Up, 0x01}, {Right, 0x02}, {Down, 0x04}, {Left, 0x08}, {Z, 0x40}, {Ctrl, 0x40}};
constexpr KeyBit Joystick2Keys[] = {{I, 0x01}, {L, 0x02}, {K, 0x04}, {J, 0x08}, {N, 0x40}};
constexpr VirtualKey RightFireKeys[2] = {X, M};
// Keys 0-9, * and #, and the code each pulls onto bits 0-3 (several keys: their codes ANDed).
constexpr VirtualKey KeypadKeys[12] = {D0, D1, D2, D3, D4, D5, D6, D7, D8, D9, Minus, Equals};
constexpr uint8_t KeypadCodes[12] = {0x0A, 0x0D, 0x07, 0x0C, 0x02, 0x03, 0x0E, 0x05, 0x01, 0x0B, 0x09, 0x06};

// The line the beam is on, counted from the first visible one (negative in the border before it).
int BeamLine() {
  const uint32_t frame = ActiveContext->FrameLength;
  const uint32_t lineCycles = frame / VideoDisplayProcessor::FrameLines ? frame / VideoDisplayProcessor::FrameLines : 1;
  const int line = static_cast<int>(ActiveContext->CycleCount / lineCycles);
  return line - (VideoDisplayProcessor::FrameLines - VideoDisplayProcessor::VisibleLines);
}

uint8_t* Pixels() { return Screen ? Screen->Pixels.data() : nullptr; }

// Brings the picture up to the beam before the chip's state changes or is looked at.
void CatchUp() { Coleco.Display.DrawLinesTo(BeamLine(), Pixels()); }

// The chip's interrupt output feeds the NMI, which answers its falling edge only.
void WatchInterrupt() {
  const uint8_t line = Coleco.Display.InterruptPending() ? 1 : 0;
  if (line && !Coleco.InterruptLine) ActiveContext->NmiRequest = 1;
  Coleco.InterruptLine = line;
}

void FullPortOut(uint8_t value, uint8_t port) {
  switch (port & 0xE0) {
    case 0x80:
      Coleco.JoystickMode = 0;
      break;
    case 0xC0:
      Coleco.JoystickMode = 1;
      break;
    case 0xA0:
      CatchUp();
      if (port & 1)
        Coleco.Display.WriteControl(value);
      else
        Coleco.Display.WriteData(value);
      WatchInterrupt();
      break;
    case 0xE0:
      Coleco.Sound.Write(value, ActiveContext->CycleCount, FrameSound);
      break;
  }
}

uint8_t FullPortIn(uint16_t port) {
  switch (port & 0xE0) {
    case 0xA0: {
      if ((port & 1) == 0) return Coleco.Display.ReadData();
      CatchUp();
      const uint8_t status = Coleco.Display.ReadStatus();
      WatchInterrupt();
      return status;
    }
    case 0xE0:
      return ReadController((port >> 1) & 1);
    default:
      return 0xFF;
  }
}

}  // namespace

uint8_t ReadController(int n) {
  if (Coleco.JoystickMode) return (n & 1) ? ActiveLowInput(0x7F, Joystick2Keys) : ActiveLowInput(0x7F, Joystick1Keys);
  uint8_t value = KeyHeld(RightFireKeys[n & 1]) ? 0x3F : 0x7F;
  for (int k = 0; k < 12; ++k)
    if (KeyHeld(KeypadKeys[k])) value &= static_cast<uint8_t>(0xF0 | KeypadCodes[k]);
  return value;
}

const char ColecoKeyboardHelp[] =
    "Controller 1: cursor keys the joystick, Z or Ctrl the left fire button, X the right one.\n"
    "Controller 2: I, J, K, L the joystick, N the left fire button, M the right one.\n"
    "Keypad (both controllers): 0-9 as labelled, - is *, = is #.\n"
    "(Descriptions with #video=full; the first form of the board reads no controllers.)";

uint8_t ColecoRead(uint16_t address) { return MemoryImage[address]; }

void ColecoWrite(uint8_t value, uint16_t address) {
  if (FullConsole) {
    if (address >= CartridgeAddress) return;  // the cartridge is ROM
    if (address >= 0x6000) {
      // 1 KB of RAM answers throughout 6000h-7FFFh: every copy is kept equal, so reads stay direct.
      for (uint16_t mirror = 0x6000 | (address & 0x03FF); mirror < 0x8000; mirror += 0x400) MemoryImage[mirror] = value;
      return;
    }
  }
  MemoryImage[address] = value;
}

void ColecoPortOut(uint8_t value, uint8_t port) {
  if (FullConsole) return FullPortOut(value, port);
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
  if (FullConsole) return FullPortIn(port);
  if ((port & 0xE0) != 0xA0) return 0xFF;
  return (port & 1) ? Coleco.Video.ReadStatus() : Coleco.Video.ReadData();
}

void ResetVdp() { Coleco.Video.Reset(); }

bool VdpFrameStep() { return Coleco.Video.FrameStep(Screen ? Screen->Pixels.data() : nullptr); }

void ColecoFrame() {
  // No chip drives /INT on the console (the video chip uses NMI); the original processor still
  // raises it at every frame end, as it always has.
  ActiveContext->IrqState.Value = ActiveContext->Cpu == CpuModel::Silicon ? 0x01000000u : 0;
  if (FullConsole) {
    Coleco.Display.EndFrame(Pixels());
    WatchInterrupt();
  } else if (VdpFrameStep()) {
    ActiveContext->NmiRequest = 1;
  }
  Coleco.Sound.EndFrame(FrameSound);
  PresentScreen();
}

void ColecoInitialise(uint8_t*) {
  ResetVdp();
  FullConsole = UpperAscii(TrimSpaces(Game.Video)) == "FULL";
  Coleco.Display.Reset();
  Coleco.JoystickMode = 0;
  Coleco.InterruptLine = 0;
  if (FullConsole)
    for (int n = 0; n < 16; ++n) RgbTable[n] = VideoDisplayProcessor::Colours[n];
  Coleco.Sound.Reset(ToneGenerator::ColecoClock);
}

const char* ColecoCaption() {
  const unsigned mode = FullConsole ? static_cast<unsigned>(Coleco.Display.ScreenMode()) : Coleco.Video.ScreenMode;
  return ModeCaptions[mode & 3];
}

LoadResult LoadCartridgeFile(const std::string& path) {
  FileReadResult file = ReadWholeFile(path, 0, MaxCartridgeSize);
  const std::string size = std::to_string(file.Size) + " bytes";
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      return {false, "Failed opening cartridge:\r" + path};
    case FileReadStatus::WrongSize:
      return {false, "Cartridge too large:\r" + path + "\r" + size +
                         "; at most 32768 bytes fit from 8000h. Nothing was loaded."};
    case FileReadStatus::ReadFailed:
      return {false, "Failed reading cartridge:\r" + path + "\r" + size +
                         " could not be read whole. Nothing was loaded."};
  }
  if (const std::string problem = CartridgeProblem(file.Bytes, FullConsole); !problem.empty())
    return {false, "Cartridge refused:\r" + path + "\r" + problem + ". Nothing was loaded."};
  // Past a shorter cartridge the console's bus reads FFh, not the last cartridge's bytes.
  if (FullConsole) std::fill(MemoryImage + CartridgeAddress, MemoryImage + 0x10000, 0xFF);
  std::copy(file.Bytes.begin(), file.Bytes.end(), MemoryImage + CartridgeAddress);
  return {true, {}};
}

std::string CartridgeProblem(std::span<const uint8_t> bytes, bool consoleHeader) {
  if (bytes.empty()) return "The file is empty";
  if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; }))
    return "The file holds only zero bytes";
  if (!consoleHeader) return {};
  constexpr size_t HeaderSize = 12;  // signature, four pointers, the start address
  if (bytes.size() < HeaderSize)
    return "The header is short: " + std::to_string(bytes.size()) + " bytes, where the start address alone ends at 800Bh";
  const auto hex = [](unsigned value, int digits) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (int d = digits - 1; d >= 0; --d) text += Digits[(value >> (4 * d)) & 15];
    return text;
  };
  const bool signature = (bytes[0] == 0xAA && bytes[1] == 0x55) || (bytes[0] == 0x55 && bytes[1] == 0xAA);
  if (!signature)
    return "No cartridge signature: it begins " + hex(bytes[0], 2) + " " + hex(bytes[1], 2) + ", not AA 55 or 55 AA";
  const unsigned start = bytes[10] | bytes[11] << 8;
  const unsigned end = CartridgeAddress + static_cast<unsigned>(bytes.size()) - 1;
  if (start < CartridgeAddress || start > end)
    return "The start address " + hex(start, 4) + "h at 800Ah lies outside the cartridge (8000h-" + hex(end, 4) + "h)";
  return {};
}

FileChoice ColecoFileChoice() { return {"Coleco ROMs loader", "Coleco SnapShots|*.col", "COL", "*.col"}; }

namespace {
ScreenGeometry ColecoGeometry() { return {256, 192, 0, 0}; }
}  // namespace

const DriverInfo ColecoDriver{
    .Name = "COLECO",
    .Routines = {ColecoRead, ColecoWrite, ColecoPortOut, ColecoPortIn, ColecoFrame, nullptr, nullptr, nullptr},
    .Nmi = NmiSource::Fixed,
    .FixedNmiAddress = 0x66,
    .Initialise = ColecoInitialise,
    .Geometry = ColecoGeometry,
    .FileLoader = LoadCartridgeFile,
    .FrameRate = 60,
    .Board = [] { return RecordBytes(Coleco); },
    .CharacterKeys = PlainCharacterKeys,
    .KeyboardHelp = ColecoKeyboardHelp,
    .LoadChoice = ColecoFileChoice,
    .CaptionSuffix = ColecoCaption,
};

}  // namespace tirvane
