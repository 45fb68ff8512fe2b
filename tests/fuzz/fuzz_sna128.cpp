// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes of any length as a 128K snapshot: a file that is not one is refused with one message
// and leaves registers, pages and the paging port as they were; one that is loads and the machine
// runs a frame.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "drivers/spectrum_paging.h"
#include "machine_harness.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DriverInfo* const row = FindDriver("SPECTRUM");
  if (!row || !row->FileLoader) return 0;
  fuzz::ByteReader none(nullptr, 0);
  fuzz::Machine machine(*row, none);
  Game.Model = "128";
  PagingInitialise(nullptr);
  Z80Context& z = machine.Context();

  static std::vector<uint8_t> before;
  before.assign(reinterpret_cast<const uint8_t*>(&SpectrumState),
                reinterpret_cast<const uint8_t*>(&SpectrumState) + sizeof SpectrumState);
  const Z80Context registers = z;

  const std::string path = fuzz::WriteInputFile("fuzz128.sna", data, size);
  const LoadResult result = row->FileLoader(path);
  const bool loaded = result.Ok;
  // A refusal carries its reason; nothing is shown by the loader itself.
  if (result.Message.empty() != loaded || !fuzz::Host().Messages.empty()) __builtin_trap();
  const bool wellFormed = (size == Snapshot128Size || size == Snapshot128LongSize) &&
                          (size == Snapshot128LongSize) == (data[49181] % 8 == 5 || data[49181] % 8 == 2);
  if (loaded != wellFormed) __builtin_trap();
  if (!loaded) {
    if (std::memcmp(before.data(), &SpectrumState, sizeof SpectrumState) != 0) __builtin_trap();
    if (registers.PC.w != z.PC.w || registers.SP.w != z.SP.w || registers.AF.w != z.AF.w) __builtin_trap();
    return 0;
  }
  RunFrame(1);
  return 0;
}
