// SPDX-License-Identifier: GPL-3.0-or-later
// FROGGER: a Galaxian-family board with its own memory map, nibble-swapped scroll and sprite X,
// an opaque tilemap whose upper columns use a second palette bank, and no bullets or stars.
#pragma once

#include <cstdint>

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo FroggerDriver;

// The board stores column scroll and sprite X with their nibbles exchanged.
constexpr uint8_t SwapNibbles(uint8_t v) { return static_cast<uint8_t>((v << 4) | (v >> 4)); }

uint8_t FroggerRead(uint16_t address);
void FroggerWrite(uint8_t value, uint16_t address);
void FroggerPortOut(uint8_t value, uint8_t port);
uint8_t FroggerPortIn(uint16_t port);
// Palette, then the Galaxian-family decoder.
void FroggerInitialise(uint8_t* graphicsRegion);
void FroggerDraw();
void FroggerFrame();

}  // namespace tirvane
