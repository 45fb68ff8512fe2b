// SPDX-License-Identifier: GPL-3.0-or-later
// The two buffers ROM files load into, and the loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "machine/description.h"

namespace tirvane {

constexpr size_t MemoryImageSize = 0x10000;
constexpr size_t GraphicsRegionSize = 0x20000;

// The one memory image of the Z80 address space; lives for the whole program, never cleared by Start.
extern uint8_t MemoryImage[MemoryImageSize];

struct RomLoadResult {
  bool Ok = true;
  std::string FailedPath;  // full path of the file that failed
  std::string Message;     // the whole text for the message box ("Failed when loading ROMS:" ...)
};

// programFolder ends with a path separator; file names are appended to it as written. Entries load in
// order; the first that cannot be opened, does not fit its buffer or cannot be read ends the load. The
// entries before it stay loaded; the failing one writes nothing.
RomLoadResult LoadRomSet(const GameDescription& game, const std::string& programFolder,
                         uint8_t* memoryImage, uint8_t* graphicsRegion);

// GALAXIAN with DriverTag 80 keeps its graphics ROMs in another order.
void RearrangeGalaxianGraphics(uint8_t* graphicsRegion);

}  // namespace tirvane
