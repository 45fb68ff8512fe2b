// SPDX-License-Identifier: GPL-3.0-or-later
// GBERET board: 64 x 32 tilemap with a 9-bit scroll per column, NMI and IRQ on alternate frames.
#pragma once

#include "devices/tone_generator.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo GberetDriver;
// The board's sound generator at F400h; to join the board's record.
extern ToneGenerator GberetSound;

// The board's state.
struct GberetBoard {
  struct {
    uint16_t FrameCounter = 0;  // the interrupt that comes first depends on the frames run before
  } Persistent;                 // kept across runs
};
extern GberetBoard Gberet;

}  // namespace tirvane
