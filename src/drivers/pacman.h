// SPDX-License-Identifier: GPL-3.0-or-later
// PACMAN board: portrait tilemap around the playfield, eight sprites, vectored interrupt.
#pragma once

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo PacmanDriver;

}  // namespace tirvane
