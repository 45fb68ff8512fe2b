// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes of any length as a cartridge file: up to 32 KB loads at 8000h and nothing else changes;
// anything longer is refused with one message and nothing is loaded. Either way the console runs on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "machine_harness.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DriverInfo* const row = FindDriver("COLECO");
  if (!row || !row->FileLoader) return 0;
  fuzz::ByteReader none(nullptr, 0);
  fuzz::Machine machine(*row, none);
  // A BIOS that jumps to the cartridge as the console's own does, with the rest of memory blank.
  std::memset(MemoryImage, 0xFF, MemoryImageSize);
  const uint8_t boot[] = {0xC3, 0x00, 0x80};
  std::memcpy(MemoryImage, boot, sizeof boot);
  machine.Context().RomLimit = 0x2000;

  static std::vector<uint8_t> expected(MemoryImageSize);
  std::memcpy(expected.data(), MemoryImage, MemoryImageSize);
  constexpr size_t Capacity = 0x8000;
  if (size <= Capacity) std::memcpy(expected.data() + 0x8000, data, size);

  const std::string path = fuzz::WriteInputFile("fuzz.col", data, size);
  const bool loaded = row->FileLoader(path);
  if (loaded != (size <= Capacity)) __builtin_trap();
  if (fuzz::Host().Messages.size() != (loaded ? 0u : 1u)) __builtin_trap();
  if (std::memcmp(expected.data(), MemoryImage, MemoryImageSize) != 0) __builtin_trap();
  RunFrame(1);
  return 0;
}
