// SPDX-License-Identifier: GPL-3.0-or-later
// GALAXIAN: the Galaxian-family board in its variants, chosen by "#drvtag=".
#pragma once

#include <cstdint>

#include "drivers/driver.h"
#include "drivers/galaxian_family.h"

namespace tirvane {

extern const DriverInfo GalaxianDriver;

// Colour PROMs of the variants.
extern const PromTable GalaxianPromA;  // variant 0
extern const PromTable GalaxianPromB;  // variants 80 and 81
extern const PromTable GalaxianPromC;  // variant 2
extern const PromTable GalaxianPromD;  // variant 48

// The built-in colour table of a variant; null when the variant writes no colours.
const PromTable* GalaxianPromFor(int32_t variant);

// Where a variant reads IN0; IN1 is 800h above it.
constexpr uint16_t GalaxianIn0For(int32_t variant) { return variant == 48 ? 0xA000 : 0x6000; }

uint8_t GalaxianRead(uint16_t address);
void GalaxianWrite(uint8_t value, uint16_t address);
// Variant setup, palette and starfield, then the decoder.
void GalaxianInitialise(uint8_t* graphicsRegion);

}  // namespace tirvane
