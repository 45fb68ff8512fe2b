// SPDX-License-Identifier: GPL-3.0-or-later
// PHOENIX: two character layers and no sprites. The background scrolls along the long axis, the
// foreground stands still; the picture is redrawn only when a write changed it. No interrupts: the
// game polls a vertical-blank flag.
#pragma once

#include <cstdint>

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo PhoenixDriver;

// Latches: static, kept from run to run (the bank starts at 0 with the program).
// The board's state; nothing of it is reset per run.
struct PhoenixBoard {
  struct {
    uint8_t PaletteBank = 0;    // 0 or 1: bit 1 of the last write to 5000h-53FFh
    uint8_t VerticalBlank = 0;  // set at every frame end, cleared by the first read of 7800h
  } Persistent;
};
extern PhoenixBoard Phoenix;

uint8_t PhoenixRead(uint16_t address);
void PhoenixWrite(uint8_t value, uint16_t address);
// Colours, then "#charset=" banks of characters into CharTiles.
void PhoenixInitialise(uint8_t* graphicsRegion);
void PhoenixDraw();
void PhoenixFrame();

}  // namespace tirvane
