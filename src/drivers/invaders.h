// SPDX-License-Identifier: GPL-3.0-or-later
// INVADERS: a 1-bit bitmap in RAM drawn at write time, a shift register and inputs on I/O ports,
// and maskable interrupts taken as RST 10h and RST 08h in turn.
#pragma once

#include <cstdint>

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo InvadersDriver;

// The board's state: latches never reset per run, so a later run starts from what an earlier one left.
struct InvadersBoard {
  struct {
    uint32_t FrameCounter = 0;
    uint8_t ShiftHigh = 0;
    uint8_t ShiftLow = 0;
    uint8_t ShiftAmount = 0;
    uint8_t SoundLatch1 = 0;  // stored, nothing plays them
    uint8_t SoundLatch2 = 0;
    uint8_t Unused[3] = {};  // no padding: the record's bytes alone are its state
  } Persistent;
};
extern InvadersBoard Invaders;

uint8_t InvadersRead(uint16_t address);
void InvadersWrite(uint8_t value, uint16_t address);
void InvadersFrame();

// The inputs and the shift register on ports; GALAXIAN boards install the same two handlers.
uint8_t InvadersPortIn(uint16_t port);
void InvadersPortOut(uint8_t value, uint8_t port);

}  // namespace tirvane
