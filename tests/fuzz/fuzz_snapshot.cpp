// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes of any length as a snapshot file: a file of the wrong size is refused with one message
// and leaves registers and memory as they were; a right-sized one loads and the machine runs a frame.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "machine_harness.h"

using namespace tirvane;

namespace {

// Everything a snapshot sets; a refused file must leave all of it alone.
bool SameRegisters(const Z80Context& a, const Z80Context& b) {
  const RegisterPair Z80Context::*const pairs[] = {
      &Z80Context::AF,    &Z80Context::BC,    &Z80Context::DE,    &Z80Context::HL,
      &Z80Context::IX,    &Z80Context::IY,    &Z80Context::PC,    &Z80Context::SP,
      &Z80Context::AltAF, &Z80Context::AltBC, &Z80Context::AltDE, &Z80Context::AltHL};
  for (const auto pair : pairs)
    if ((a.*pair).w != (b.*pair).w) return false;
  return a.IFF1 == b.IFF1 && a.IFF2 == b.IFF2 && a.I == b.I && a.R == b.R &&
         a.InterruptMode == b.InterruptMode && a.Halted == b.Halted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DriverInfo* const row = FindDriver("SPECTRUM");
  if (!row || !row->FileLoader) return 0;
  fuzz::ByteReader none(nullptr, 0);
  fuzz::Machine machine(*row, none);
  Z80Context& z = machine.Context();
  std::memset(MemoryImage, 0x76, MemoryImageSize);  // HALT everywhere: a refused load stays parked

  static std::vector<uint8_t> memoryBefore(MemoryImageSize);
  std::memcpy(memoryBefore.data(), MemoryImage, MemoryImageSize);
  const Z80Context before = z;

  const std::string path = fuzz::WriteInputFile("fuzz.sna", data, size);
  const LoadResult result = row->FileLoader(path);
  const bool loaded = result.Ok;
  // A refusal carries its reason; nothing is shown by the loader itself.
  if (result.Message.empty() != loaded || !fuzz::Host().Messages.empty()) __builtin_trap();
  if (loaded != (size == 49179)) __builtin_trap();
  if (!loaded) {
    if (!SameRegisters(before, z)) __builtin_trap();
    if (std::memcmp(memoryBefore.data(), MemoryImage, MemoryImageSize) != 0) __builtin_trap();
    return 0;
  }
  RunFrame(1);
  return 0;
}
