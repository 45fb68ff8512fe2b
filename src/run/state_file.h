// SPDX-License-Identifier: GPL-3.0-or-later
// Save-state files. Layout, little-endian:
//   "TIRVSTAT"  8 bytes
//   version     u32 (StateFileVersion)
//   driver      u16 length, then the upper-case driver name
//   description u16 length, then the description's file name (no folder)
//   roms        u64 checksum of the loaded ROM files (RomLoadResult::Checksum)
//   payload     u32 length of the state, u32 length of its zlib form, then the zlib form
//   checksum    u64 HashBytes of everything before it
// A file is checked whole against the running machine before anything of it is used.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "run/machine_state.h"

namespace tirvane {

class EmulationRun;

// 2: the held keys include the PC keys that the SPECTRUM reads as chords.
// 3: the SPECTRUM's record holds its border, FLASH phase, tape counters and the deck's position, the
//    PACMAN's its sound PROM.
constexpr uint32_t StateFileVersion = 3;

// The file for a state captured from run (which must be running).
std::vector<uint8_t> EncodeStateFile(const EmulationRun& run, const MachineState& state);

struct StateFileCheck {
  bool Ok = false;
  std::string Message;  // why the file was refused, for the user
};
// Checks a file against the running machine and unpacks its state into out. On failure out may
// hold anything, the machine is untouched.
StateFileCheck DecodeStateFile(std::span<const uint8_t> file, const EmulationRun& run, MachineState& out);

// Capture and write; false with the reason when the run is stopped or the file cannot be written.
StateFileCheck SaveStateFile(const EmulationRun& run, const std::string& path);
// Read, check and restore; the machine changes only when Ok.
StateFileCheck LoadStateFile(EmulationRun& run, const std::string& path);

}  // namespace tirvane
