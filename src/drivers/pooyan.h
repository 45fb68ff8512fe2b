// SPDX-License-Identifier: GPL-3.0-or-later
// POOYAN board: 4-bit tilemap with per-cell flips, 24 sprites, colour cube and NMI.
#pragma once

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo PooyanDriver;

}  // namespace tirvane
