// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO: a console around a video display processor with 16 KB of its own memory, reached through
// ports A0h-BFh. The BIOS comes from the description; ".col" cartridges load at 8000h.
#pragma once

#include <cstdint>
#include <string>

#include "devices/tone_generator.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo ColecoDriver;

constexpr uint16_t VideoMemorySize = 0x4000;

// The video chip.
struct VideoChip {
  uint8_t Memory[VideoMemorySize];
  uint16_t ReadAddress;   // next byte the data port returns
  uint16_t WriteAddress;  // next byte the data port stores
  uint8_t R[8];
  uint16_t ColourTable;           // (R3 & mask) << 6
  uint16_t NameTable;             // (R2 & mask) << 10
  uint16_t SpriteAttributeTable;  // (R5 & mask) << 7
  uint16_t SpritePatternTable;    // (R6 & 3Fh) << 11
  uint16_t PatternTable;          // (R4 & mask) << 11
  uint8_t Latch;                  // 1: the next control byte is the first of a pair
  uint8_t FirstByte;              // the first byte of a control pair
  uint8_t Status;                 // bit 7 frame flag, bit 5 cleared by every frame
  uint8_t ScreenMode;             // 0 text, 1 graphics I, 2 graphics II, 3 multicolour
  uint8_t Foreground, Background;
};

extern VideoChip Vdp;
// The sound generator on ports E0h-FFh; to join the board's record.
extern ToneGenerator ColecoSound;

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
