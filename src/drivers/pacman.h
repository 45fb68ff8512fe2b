// SPDX-License-Identifier: GPL-3.0-or-later
// PACMAN board: portrait tilemap around the playfield, eight sprites, vectored interrupt.
#pragma once

#include "devices/wave_sound_generator.h"
#include "drivers/driver.h"

namespace tirvane {

extern const DriverInfo PacmanDriver;
// The board's state.
struct PacmanBoard {
  struct {
    uint32_t VectorLatch = 0;  // a game writes port 0 before enabling interrupts
  } Persistent;                // survives from run to run, as on the board
  WaveSoundGenerator Sound;
  // The sound PROM ("#soundprom="), read at every Start; WavesLoaded 0 while the description names
  // none or it could not be read, and the board runs silent.
  uint8_t WaveProm[WaveSoundGenerator::PromSize];
  uint32_t WavesLoaded;
};
extern PacmanBoard Pacman;

}  // namespace tirvane
