// SPDX-License-Identifier: GPL-3.0-or-later
// One driver initialised over random graphics ROM contents and description addresses anywhere in
// and beyond 0-FFFFh, then bus accesses, its draw routine and its frame routine over random RAM:
// decoding, drawing and the sets the viewers show stay inside their buffers.
#include <cstddef>
#include <cstdint>

#include "machine_harness.h"

using namespace tirvane;

namespace {

// The sets the viewers draw: every tile must hold exactly its width times height pens.
void CheckSpriteSets(const MachineDriver& driver) {
  if (!driver.SpriteSetsRoutine) return;
  int count = 0;
  TileSet** sets = nullptr;
  driver.SpriteSetsRoutine(count, sets);
  if (count < 0 || (count > 0 && !sets)) __builtin_trap();
  for (int s = 0; s < count; ++s) {
    const TileSet* set = sets[s];
    if (!set) continue;
    if (set->Count != static_cast<int32_t>(set->Tiles.size())) __builtin_trap();
    for (const Tile* tile : set->Tiles)
      if (!tile ||
          tile->Pixels.size() != static_cast<size_t>(tile->Width) * static_cast<size_t>(tile->Height))
        __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteReader in(data, size);
  fuzz::Machine machine(fuzz::PickDriver(in), in);
  Z80Context& z = machine.Context();
  const MachineDriver& driver = machine.Row().Routines;
  CheckSpriteSets(driver);

  fuzz::Fill(MemoryImage, MemoryImageSize, in);
  // Bus accesses through the core, so the limits filter them as they filter a program's: latches,
  // write-time drawing and input reads with whatever the input asks.
  const int accesses = in.Byte() & 31;
  for (int i = 0; i < accesses; ++i) {
    const uint8_t kind = in.Byte();
    const uint16_t address = in.Word();
    const uint8_t value = in.Byte();
    switch (kind & 3) {
      case 0:
        ReadByte(z, address);
        break;
      case 1:
        WriteByte(z, address, value);
        break;
      case 2:
        PortOut(z, static_cast<uint8_t>(address), value);
        break;
      default:
        PortIn(z, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8));
        break;
    }
  }
  fuzz::OverlayMemory(in);

  if (driver.DrawRoutine) driver.DrawRoutine();
  z.FrameHandler();
  z.FrameHandler();
  return 0;
}
