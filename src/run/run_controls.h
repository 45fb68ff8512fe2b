// SPDX-License-Identifier: GPL-3.0-or-later
// RunControls: what the windows may read and change of the run. A window holds a reference to the
// one instance and never touches the run's, the screen's or the processor's globals itself, so the
// globals can change shape without the windows noticing.
#pragma once

#include <cstdint>
#include <span>

#include "drivers/driver.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "run/run.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

class RunControls {
 public:
  struct TileList {
    Tile** Tiles;
    int Count;
  };

  // Stop: the run ends its loop before the next pass.
  bool Running() const { return !StopRequested; }
  void RequestStop() { StopRequested = true; }

  // The debugger's three switches.
  DebugStateKind DebugState() const { return tirvane::DebugState; }
  void SetDebugState(DebugStateKind state) { tirvane::DebugState = state; }
  bool DebugMode() const { return tirvane::DebugMode; }
  void SetDebugMode(bool on) { tirvane::DebugMode = on; }
  bool BreakpointsEnabled() const { return tirvane::BreakpointsEnabled; }
  void SetBreakpointsEnabled(bool on) { tirvane::BreakpointsEnabled = on; }

  // The picture: the part of the bitmap the machine shows, the bitmap (null while stopped), the
  // palette the drivers build, and the window's doubling.
  ScreenGeometry Geometry() const { return {ScreenWidth, ScreenHeight, ScreenOffsetX, ScreenOffsetY}; }
  void ResetGeometry() { ScreenWidth = ScreenHeight = 256, ScreenOffsetX = ScreenOffsetY = 0; }
  const ScreenBitmap* Bitmap() const { return Screen; }
  std::span<const Rgb> Palette() const { return RgbTable; }
  bool DoubleScreen() const { return tirvane::DoubleScreen; }
  void SetDoubleScreen(bool on) { tirvane::DoubleScreen = on; }

  // The machine: its processor record (null before the first Start), the memory image and the
  // description it was started from.
  Z80Context* Registers() const { return ActiveContext; }
  uint8_t* Memory() const { return MemoryImage; }
  const GameDescription& Description() const { return Game; }
  // The decoded tiles the Galaxian-family and PHOENIX boards publish.
  TileList CharTiles() const { return {tirvane::CharTiles, CharTileCount}; }
  TileList SpriteTiles() const { return {tirvane::SpriteTiles, SpriteTileCount}; }
};

// The program's one instance.
RunControls& Controls();

}  // namespace tirvane
