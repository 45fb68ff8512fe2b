// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO: a console around a video display processor with 16 KB of its own memory, reached through
// ports A0h-BFh. The BIOS comes from the description; ".col" cartridges load at 8000h.
// "#video=full" selects the whole video chip, the two controllers and the console's cartridge
// header; without it the board keeps its first, two-colour form.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "devices/tone_generator.h"
#include "devices/video_chip.h"
#include "devices/video_display_processor.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo ColecoDriver;

constexpr uint16_t VideoMemorySize = VideoChip::MemorySize;

// The board's state: the video chip on ports A0h-BFh, the sound generator on E0h-FFh.
// With "#video=full" Display replaces Video, and the controllers answer on E0h-FFh in the mode
// the last write to 80h-9Fh (keypad) or C0h-DFh (joystick) chose.
struct ColecoBoard {
  VideoChip Video;
  ToneGenerator Sound;
  VideoDisplayProcessor Display;
  uint8_t JoystickMode;   // 1: joystick and left fire; 0: keypad and right fire
  uint8_t InterruptLine;  // the display's interrupt output at the last look, for its falling edge
  uint8_t Unused[2];      // the record has no padding, so equal states have equal bytes
};
extern ColecoBoard Coleco;

uint8_t ColecoRead(uint16_t address);
void ColecoWrite(uint8_t value, uint16_t address);
void ColecoPortOut(uint8_t value, uint8_t port);
uint8_t ColecoPortIn(uint16_t port);
void ColecoFrame();
void ColecoInitialise(uint8_t* graphicsRegion);
// The screen mode for the caption (" mode 2").
const char* ColecoCaption();
// The file the Cartridge button asks for.
FileChoice ColecoFileChoice();

void ResetVdp();
// Draws the picture and sets the frame flag; true when the chip raises its interrupt (an NMI).
bool VdpFrameStep();

constexpr uint16_t CartridgeAddress = 0x8000;
constexpr uint64_t MaxCartridgeSize = 0x8000;  // 8000h-FFFFh

// Loads a cartridge at 8000h without resetting the processor. A file longer than 32,768 bytes, or
// one that cannot be read whole, is refused with the reason and nothing is loaded.
LoadResult LoadCartridgeFile(const std::string& path);
// Why a cartridge cannot run, or empty when it can: an empty or all-zero file always; with the
// console's header also a short header, a wrong signature or a start outside the cartridge.
std::string CartridgeProblem(std::span<const uint8_t> bytes, bool consoleHeader);

// Controller n's byte (0 or 1) in the current strobe mode: active low, bit 6 a fire button.
uint8_t ReadController(int n);
extern const char ColecoKeyboardHelp[];

}  // namespace tirvane
