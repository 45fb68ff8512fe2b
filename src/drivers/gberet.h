// SPDX-License-Identifier: GPL-3.0-or-later
// GBERET board: 64 x 32 tilemap with a 9-bit scroll per column, NMI and IRQ on alternate frames.
#pragma once

#include "devices/tone_generator.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo GberetDriver;

// The board's state.
struct GberetBoard {
  struct {
    uint32_t FrameCounter = 0;  // the interrupt that comes first depends on the frames run before
  } Persistent;                 // kept across runs
  ToneGenerator Sound;          // at F400h
};
extern GberetBoard Gberet;

}  // namespace tirvane
