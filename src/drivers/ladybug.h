// SPDX-License-Identifier: GPL-3.0-or-later
// LADYBUG: a 32 x 32 tilemap scrolled per tile row, 512 characters, large and small sprites in 13
// bands, inverted colour PROM and a sprite lookup PROM. "#drvtag=" 0 shows the picture upright.
#pragma once

#include <cstdint>

#include "devices/tone_generator.h"
#include "drivers/driver.h"
#include "video/tiles.h"

namespace tirvane {

extern const DriverInfo LadybugDriver;
// The board's state: its two sound generators (B000h, C000h).
struct LadybugBoard {
  ToneGenerator Sound[2];
};
extern LadybugBoard Ladybug;

uint8_t LadybugRead(uint16_t address);
void LadybugWrite(uint8_t value, uint16_t address);
void LadybugPortOut(uint8_t value, uint8_t port);
uint8_t LadybugPortIn(uint16_t port);
// Tile sets, colours and lookup table.
void LadybugInitialise(uint8_t* graphicsRegion);
void LadybugDraw();
// Draws, presents, and offers the coin interrupts while keys 3 and 4 are held.
void LadybugFrame();
void LadybugStop();
// "CharSet (8x8)", "Sprite Set #1 (16x16)", "Sprite Set #2 (8x8)"; null until initialised.
void LadybugSpriteSets(int& count, TileSet**& sets);

}  // namespace tirvane
