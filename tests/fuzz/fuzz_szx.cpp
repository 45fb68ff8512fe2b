// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a ".szx" snapshot: refused with a reason, or read into a machine (48K or 128K) that writes
// back and reads again as the same machine.
#include <cstddef>
#include <cstdint>
#include <span>

#include "drivers/spectrum_snapshot.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Read as the 48K reads it and as the 128K does (which takes 48K files too).
  for (const bool machine128 : {false, true}) {
    const SnapshotReadResult read = ReadSzx(std::span<const uint8_t>(data, size), "fuzz.szx", machine128);
    if (!read.Ok) {
      if (read.Message.empty()) __builtin_trap();
      continue;
    }
    const SnapshotWriteResult written = WriteSzx(read.Snapshot);
    const SnapshotReadResult again = ReadSzx(written.Bytes, "again.szx", machine128);
    if (!again.Ok || again.Snapshot.Ram != read.Snapshot.Ram || again.Snapshot.Pages != read.Snapshot.Pages ||
        again.Snapshot.PC != read.Snapshot.PC || again.Snapshot.R != read.Snapshot.R ||
        again.Snapshot.Port7FFD != read.Snapshot.Port7FFD || again.Snapshot.AyRegisters != read.Snapshot.AyRegisters ||
        again.Snapshot.Border != read.Snapshot.Border)
      __builtin_trap();
  }
  return 0;
}
