// SPDX-License-Identifier: GPL-3.0-or-later
// Random memory, addresses near the top of memory and short sweeps: every line stays within its
// 16 characters (plus the "DB" form) and lengths stay between 1 and 4.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "debugger/disassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static std::vector<uint8_t> memory(0x10000);
  // The input fills memory from an address it chooses, so prefixes straddle FFFF -> 0000 too.
  uint16_t base = static_cast<uint16_t>(data[0] << 8 | data[1]);
  std::memset(memory.data(), 0, memory.size());
  for (size_t i = 2; i < size && i - 2 < memory.size(); ++i)
    memory[static_cast<uint16_t>(base + i - 2)] = data[i];
  for (uint32_t a = 0xFFF0; a <= 0xFFFF; ++a) {
    auto line = tirvane::Disassemble(memory.data(), static_cast<uint16_t>(a));
    if (line.Length < 1 || line.Length > 4 || line.Text.size() > 16) __builtin_trap();
  }
  auto start = tirvane::Disassemble(memory.data(), base);
  if (start.Length < 1 || start.Length > 4) __builtin_trap();
  // A short sweep from 0 over what the input wrote there.
  uint16_t limit = static_cast<uint16_t>(data[1]);
  auto lines = tirvane::DisassembleRomArea(memory.data(), limit);
  if (lines.empty()) __builtin_trap();
  return 0;
}
