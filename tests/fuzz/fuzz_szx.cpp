// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a ".szx" snapshot: refused with a reason, or read into a machine that writes back
// and reads again as the same machine.
#include <cstddef>
#include <cstdint>
#include <span>

#include "drivers/spectrum_snapshot.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SnapshotReadResult read = ReadSzx(std::span<const uint8_t>(data, size), "fuzz.szx");
  if (!read.Ok) {
    if (read.Message.empty()) __builtin_trap();
    return 0;
  }
  const SnapshotWriteResult written = WriteSzx(read.Snapshot);
  const SnapshotReadResult again = ReadSzx(written.Bytes, "again.szx");
  if (!again.Ok || again.Snapshot.Ram != read.Snapshot.Ram || again.Snapshot.PC != read.Snapshot.PC ||
      again.Snapshot.Border != read.Snapshot.Border)
    __builtin_trap();
  return 0;
}
