// SPDX-License-Identifier: GPL-3.0-or-later
// GBERET board: 64 x 32 tilemap with a 9-bit scroll per column, NMI and IRQ on alternate frames.
#pragma once

#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo GberetDriver;

}  // namespace tirvane
