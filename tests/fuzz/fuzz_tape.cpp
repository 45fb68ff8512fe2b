// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a SPECTRUM tape, ".tap" or ".tzx" by the first byte: the reader either refuses them
// with a reason or returns blocks (for ".tap", exactly the file's bytes); the ROM loader done at
// once never reaches past a block, and playing the tape always comes back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "drivers/spectrum_tape.h"
#include "machine/romset.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool tzx = data[0] & 1;
  ++data;
  --size;
  const TapeReadResult read = ReadTape(std::span<const uint8_t>(data, size), tzx ? "fuzz.tzx" : "fuzz.tap");
  if (!read.Ok) {
    if (read.Message.empty()) __builtin_trap();
    return 0;
  }
  if (!tzx) {
    size_t total = 0;
    for (const TapeBlock& block : read.Read.Blocks) total += 2 + block.Data.size();
    if (total != size) __builtin_trap();
  }
  TapeDeck player;
  player.Insert(read.Read);
  player.Play();
  for (int frame = 0; frame < 50 && player.Playing(); ++frame) player.Advance(69888);

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
