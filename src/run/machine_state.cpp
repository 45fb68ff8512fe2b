// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/machine_state.h"

#include <cstring>

#include "drivers/driver.h"
#include "machine/romset.h"
#include "run/run.h"
#include "video/host.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

// Every processor field but the pointers, in one fixed order. Field by field rather than the
// whole record: the record has padding and pointers, neither of which belongs in a state.
template <typename Context, typename Fn>
void ForEachProcessorField(Context& z, Fn fn) {
  for (auto* pair : {&z.AF, &z.BC, &z.DE, &z.HL, &z.IX, &z.IY, &z.PC, &z.SP, &z.AltAF, &z.AltBC,
                     &z.AltDE, &z.AltHL})
    fn(pair->w);
  fn(z.IFF1), fn(z.IFF2), fn(z.I), fn(z.R);
  fn(z.CycleCount), fn(z.RomLimit), fn(z.DirectReadLimit), fn(z.NmiAddress), fn(z.Halted);
  fn(z.InterruptMode), fn(z.NmiRequest), fn(z.IrqState.Value), fn(z.FrameInstructions);
  fn(z.InstructionAddress), fn(z.FrameLength);
  fn(z.MemPtr), fn(z.Q), fn(z.Boundary);  // the Silicon processor's hidden state
}

size_t ProcessorSize() {
  size_t size = 0;
  Z80Context z{};
  ForEachProcessorField(z, [&size](auto& field) { size += sizeof field; });
  return size;
}

std::span<uint8_t> BoardBytes(const EmulationRun& run) {
  return run.Row() && run.Row()->Board ? run.Row()->Board() : std::span<uint8_t>{};
}

struct Geometry {
  int32_t Width, Height, OffsetX, OffsetY;
};

// Walks the state's parts in order; copy(part, size) moves one between the machine and the buffer.
template <typename Copy>
void ForEachPart(const EmulationRun& run, Copy copy) {
  copy(MemoryImage, MemoryImageSize);
  // A board without a record has no bytes and no address: memcpy must not see its null pointer.
  const std::span<uint8_t> board = BoardBytes(run);
  if (!board.empty()) copy(board.data(), board.size());
  copy(Screen->Pixels.data(), sizeof Screen->Pixels);
  copy(Screen->Palette.data(), sizeof Screen->Palette);
  copy(RgbTable, sizeof RgbTable);
  copy(ColourLookup, sizeof ColourLookup);
  copy(KeyState.data(), sizeof KeyState);
}

constexpr size_t TailSize = sizeof(Geometry) + 1 + 2 * sizeof(uint64_t);

}  // namespace

size_t MachineStateSize(const EmulationRun& run) {
  if (!run.Running() || Screen == nullptr || ActiveContext == nullptr) return 0;
  size_t size = ProcessorSize() + TailSize;
  ForEachPart(run, [&size](const void*, size_t n) { size += n; });
  return size;
}

void CaptureMachineState(const EmulationRun& run, MachineState& state) {
  const size_t size = MachineStateSize(run);
  state.bytes_.resize(size);
  if (size == 0) return;
  uint8_t* out = state.bytes_.data();
  auto put = [&out](const void* from, size_t n) {
    std::memcpy(out, from, n);
    out += n;
  };
  ForEachProcessorField(*ActiveContext, [&put](const auto& field) { put(&field, sizeof field); });
  ForEachPart(run, put);
  const Geometry geometry{ScreenWidth, ScreenHeight, ScreenOffsetX, ScreenOffsetY};
  put(&geometry, sizeof geometry);
  const uint8_t dirty = ScreenDirty ? 1 : 0;
  put(&dirty, 1);
  const uint64_t counters[2] = {run.FramesRun(), run.CyclesRun()};
  put(counters, sizeof counters);
}

// A file's checksum guards against damage, not against a crafted state: the fields the frame loop
// and the drawing trust as bounds are checked before anything is restored.
bool StateIsSound(const MachineState& state) {
  const uint8_t* in = state.Bytes().data();
  Z80Context probe{};
  ForEachProcessorField(probe, [&in](auto& field) {
    std::memcpy(&field, in, sizeof field);
    in += sizeof field;
  });
  Geometry geometry;
  std::memcpy(&geometry, state.Bytes().data() + state.Bytes().size() - TailSize, sizeof geometry);
  const bool frameSound = probe.FrameLength >= MinFrameLength && probe.FrameLength <= MaxFrameLength;
  const bool widthSound = geometry.Width > 0 && geometry.OffsetX >= 0 &&
                          geometry.OffsetX <= BitmapWidth - geometry.Width;
  const bool heightSound = geometry.Height > 0 && geometry.OffsetY >= 0 &&
                           geometry.OffsetY <= BitmapHeight - geometry.Height;
  return frameSound && widthSound && heightSound;
}

bool RestoreMachineState(EmulationRun& run, const MachineState& state) {
  const size_t size = MachineStateSize(run);
  if (size == 0 || state.Bytes().size() != size || !StateIsSound(state)) return false;
  const uint8_t* in = state.Bytes().data();
  auto get = [&in](void* to, size_t n) {
    std::memcpy(to, in, n);
    in += n;
  };
  ForEachProcessorField(*ActiveContext, [&get](auto& field) { get(&field, sizeof field); });
  ForEachPart(run, get);
  if (run.Row()->Restored) run.Row()->Restored();
  Geometry geometry;
  get(&geometry, sizeof geometry);
  ScreenWidth = geometry.Width, ScreenHeight = geometry.Height;
  ScreenOffsetX = geometry.OffsetX, ScreenOffsetY = geometry.OffsetY;
  uint8_t dirty;
  get(&dirty, 1);
  ScreenDirty = dirty != 0;
  uint64_t counters[2];
  get(counters, sizeof counters);
  run.SetCounters(counters[0], counters[1]);
  return true;
}

uint64_t MachineState::Hash() const { return HashBytes(bytes_); }

uint64_t HashBytes(std::span<const uint8_t> bytes, uint64_t seed) {
  constexpr uint64_t Prime = 0x100000001B3ull;
  uint64_t hash = seed;
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    hash = (hash ^ word) * Prime;
  }
  for (; i < bytes.size(); ++i) hash = (hash ^ bytes[i]) * Prime;
  return hash;
}

}  // namespace tirvane
