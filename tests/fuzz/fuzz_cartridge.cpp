// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes of any length as a cartridge file, for the first board and for "#video=full": a load
// puts the file at 8000h (with the console's header, FFh after it) and changes nothing else; a
// refusal gives one message and changes nothing. Nothing longer than 32 KB, nothing empty or all
// zero, and with the header nothing without a signature and a start inside the cartridge loads.
// Either way the console runs on.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "machine_harness.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DriverInfo* const row = FindDriver("COLECO");
  if (!row || !row->FileLoader) return 0;
  constexpr size_t Capacity = 0x8000;
  const std::string path = fuzz::WriteInputFile("fuzz.col", data, size);
  for (const bool full : {false, true}) {
    fuzz::ByteReader none(nullptr, 0);
    fuzz::Machine machine(*row, none);
    Game.Video = full ? "full" : "";
    row->Initialise(nullptr);
    // A BIOS that jumps to the cartridge's start: 8002h's for the first board, 800Ah's with the
    // console's header; the rest of memory blank.
    std::memset(MemoryImage, 0xFF, MemoryImageSize);
    const uint8_t boot[] = {0x2A, static_cast<uint8_t>(full ? 0x0A : 0x02), 0x80, 0xE9};
    std::memcpy(MemoryImage, boot, sizeof boot);
    machine.Context().RomLimit = 0x2000;

    static std::vector<uint8_t> before(MemoryImageSize);
    std::memcpy(before.data(), MemoryImage, MemoryImageSize);
    const LoadResult result = row->FileLoader(path);
    const bool loaded = result.Ok;
    // A refusal carries its reason; nothing is shown by the loader itself.
    if (result.Message.empty() != loaded || !fuzz::Host().Messages.empty()) __builtin_trap();
    if (loaded) {
      if (size == 0 || size > Capacity) __builtin_trap();
      if (std::all_of(data, data + size, [](uint8_t b) { return b == 0; })) __builtin_trap();
      if (std::memcmp(MemoryImage + 0x8000, data, size) != 0) __builtin_trap();
      if (std::memcmp(MemoryImage, before.data(), 0x8000) != 0) __builtin_trap();
      if (full) {
        if (size < 12 || !((data[0] == 0xAA && data[1] == 0x55) || (data[0] == 0x55 && data[1] == 0xAA)))
          __builtin_trap();
        const unsigned start = data[10] | data[11] << 8;
        if (start < 0x8000 || start >= 0x8000 + size) __builtin_trap();
      }
    } else if (std::memcmp(MemoryImage, before.data(), MemoryImageSize) != 0) {
      __builtin_trap();
    }
    RunFrame(1);
    RunFrame(1);
  }
  return 0;
}
