// SPDX-License-Identifier: GPL-3.0-or-later
// SCRAMBLE: the Galaxian-family video with its own memory map, active-low inputs, a read counter
// and a check of the program counter on one input read.
#pragma once

#include <cstdint>

#include "drivers/driver.h"
#include "drivers/galaxian_family.h"

namespace tirvane {

extern const DriverInfo ScrambleDriver;

extern const PromTable ScramblePromS;

// Counts reads of 7000h and 7008h; starts at 0 with the program and is never reset.

uint8_t ScrambleRead(uint16_t address);
void ScrambleWrite(uint8_t value, uint16_t address);
void ScrambleInitialise(uint8_t* graphicsRegion);

// A board with nothing on its ports; PHOENIX installs the same pair.
void ScramblePortOut(uint8_t value, uint8_t port);
uint8_t ScramblePortIn(uint16_t port);

}  // namespace tirvane
