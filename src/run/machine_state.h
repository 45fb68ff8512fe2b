// SPDX-License-Identifier: GPL-3.0-or-later
// MachineState: everything that decides what a started machine does next and what it shows — the
// processor record (all but its handler and memory pointers), the memory image, the board's record,
// the bitmap with its palette, the colour tables, the screen geometry, the held keys and the run's
// frame and cycle counts. Restoring a capture and running on is bit-identical to never having
// stopped. The description, the ROM set and the decoded tiles are not in it: a state is restored
// into a run started from the same description.
//
// The state is one flat byte buffer, so capturing is a few block copies, saving is one write and
// the hash sees exactly what a restore would put back. Capturing into a state that already holds
// one of the same board allocates nothing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tirvane {

class EmulationRun;

class MachineState {
 public:
  std::span<const uint8_t> Bytes() const { return bytes_; }
  // Takes bytes read back from a file; RestoreMachineState decides whether they fit.
  void Assign(std::span<const uint8_t> bytes) { bytes_.assign(bytes.begin(), bytes.end()); }
  bool Empty() const { return bytes_.empty(); }
  // The 64-bit hash of the whole state: equal states, equal hashes.
  uint64_t Hash() const;

 private:
  friend void CaptureMachineState(const EmulationRun& run, MachineState& state);
  std::vector<uint8_t> bytes_;
};

// Does nothing to a run that is not running (the state is then left empty).
void CaptureMachineState(const EmulationRun& run, MachineState& state);
// False, and nothing changed, when the run is not running or the state was captured on another
// board (its size differs). The caller shows the restored picture (PresentScreen).
bool RestoreMachineState(EmulationRun& run, const MachineState& state);
// The size a capture of the running machine has; 0 when nothing runs.
size_t MachineStateSize(const EmulationRun& run);

// 64-bit FNV-1a, eight bytes a step.
uint64_t HashBytes(std::span<const uint8_t> bytes, uint64_t seed = 0xCBF29CE484222325ull);

}  // namespace tirvane
