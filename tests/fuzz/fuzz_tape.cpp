// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a SPECTRUM tape: the reader either refuses them with a reason or returns blocks that
// hold exactly the file's bytes, and the ROM loader done at once never reaches past a block.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "drivers/spectrum_tape.h"
#include "machine/romset.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TapeReadResult read = ReadTape(std::span<const uint8_t>(data, size), "fuzz.tap");
  if (!read.Ok) {
    if (read.Message.empty()) __builtin_trap();
    return 0;
  }
  size_t total = 0;
  for (const TapeBlock& block : read.Read.Blocks) total += 2 + block.Data.size();
  if (total != size) __builtin_trap();

  TapeDeck deck;
  deck.Insert(read.Read);
  Z80Context z{};
  z.MemoryImage = MemoryImage;
  const WriteHandlerFn write = [](uint8_t value, uint16_t address) { MemoryImage[address] = value; };
  const PortOutHandlerFn out = [](uint8_t, uint8_t) {};
  for (size_t k = 0; k < deck.Inserted.Blocks.size() && k < 64; ++k) {
    z.AF.w = static_cast<uint16_t>(deck.Inserted.Blocks[k].Data.empty() ? 0 : deck.Inserted.Blocks[k].Data[0] << 8 | FlagC);
    z.IX.w = static_cast<uint16_t>(k * 977);
    z.DE.w = static_cast<uint16_t>(size - k);
    if (!InstantLoadBytes(z, deck, write, out) && !deck.AtEnd() && deck.Inserted.Blocks[deck.Next].Standard())
      __builtin_trap();
  }
  return 0;
}
