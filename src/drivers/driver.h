// SPDX-License-Identifier: GPL-3.0-or-later
// What a machine driver installs for a run, the state drivers share, and the driver table.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

using RoutineFn = void (*)();
using SpriteSetsFn = void (*)(int& count, TileSet**& sets);
using InitialiseFn = void (*)(uint8_t* graphicsRegion);  // GraphicsRegion, 128 KB
// Loads a snapshot or cartridge file into the running machine without a dialog; false when refused.
using FileLoaderFn = bool (*)(const std::string& path);

struct MachineDriver {
  ReadHandlerFn ReadHandler = nullptr;
  WriteHandlerFn WriteHandler = nullptr;
  PortOutHandlerFn PortOutHandler = nullptr;
  PortInHandlerFn PortInHandler = nullptr;
  FrameHandlerFn FrameHandler = nullptr;
  RoutineFn DrawRoutine = nullptr;
  RoutineFn StopRoutine = nullptr;
  RoutineFn LoaderRoutine = nullptr;
  SpriteSetsFn SpriteSetsRoutine = nullptr;
};

enum class NmiSource : uint8_t { Description, Fixed };

struct ScreenGeometry {
  int Width, Height, OffsetX, OffsetY;
};

// One row of the driver table. Initialise runs the driver's own initialisation and then its
// decoder, in the order the board needs; it receives GraphicsRegion.
struct DriverInfo {
  const char* Name;  // upper case, as compared with the upper-cased "#driver=" value
  MachineDriver Routines;
  NmiSource Nmi;
  uint16_t FixedNmiAddress;      // when Nmi is Fixed
  InitialiseFn Initialise;       // may be null
  ScreenGeometry (*Geometry)();  // reads the description where the board has variants
  // What LoaderRoutine does after its dialog, for callers that already have the path.
  FileLoaderFn FileLoader = nullptr;
  int FrameRate = 60;  // frames per second when the speed is limited
};

// The rows in comparison order; a name whose driver is not built yet has no row.
std::span<const DriverInfo> DriverTable();
const DriverInfo* FindDriver(const char* upperCaseName);

// Shared driver state.
extern bool ScreenDirty;
extern Tile** CharTiles;  // the Galaxian-family and PHOENIX decoders fill these arrays
extern Tile** SpriteTiles;
extern int CharTileCount;
extern int SpriteTileCount;

}  // namespace tirvane
