// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO: a console around a video display processor with 16 KB of its own memory, reached through
// ports A0h-BFh. The BIOS comes from the description; ".col" cartridges load at 8000h.
#pragma once

#include <cstdint>
#include <string>

#include "devices/tone_generator.h"
#include "devices/video_chip.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo ColecoDriver;

constexpr uint16_t VideoMemorySize = VideoChip::MemorySize;

// The board's state: the video chip on ports A0h-BFh, the sound generator on E0h-FFh.
struct ColecoBoard {
  VideoChip Video;
  ToneGenerator Sound;
};
extern ColecoBoard Coleco;

uint8_t ColecoRead(uint16_t address);
void ColecoWrite(uint8_t value, uint16_t address);
void ColecoPortOut(uint8_t value, uint8_t port);
uint8_t ColecoPortIn(uint16_t port);
void ColecoFrame();
void ColecoInitialise(uint8_t* graphicsRegion);
// The Cartridge button: asks for a cartridge, loads it, restores the current folder.
void ColecoLoader();

void ResetVdp();
// Draws the picture and sets the frame flag; true when the chip raises its interrupt (an NMI).
bool VdpFrameStep();

constexpr uint16_t CartridgeAddress = 0x8000;
constexpr uint64_t MaxCartridgeSize = 0x8000;  // 8000h-FFFFh

// Loads a cartridge at 8000h without resetting the processor. A file longer than 32,768 bytes, or
// one that cannot be read whole, is refused with a message and nothing is loaded.
bool LoadCartridgeFile(const std::string& path);

}  // namespace tirvane
