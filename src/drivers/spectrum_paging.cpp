// SPDX-License-Identifier: GPL-3.0-or-later
#include "drivers/spectrum_paging.h"

#include <cstdio>
#include <cstring>

#include "machine/description.h"
#include "machine/romset.h"
#include "text/text.h"

namespace tirvane {

SpectrumMachine SpectrumState;
SpectrumBoard& Spectrum = SpectrumState.Board;
SpectrumOptions SpectrumModel;

namespace {

// Constant for a run, so outside the record: the memory image carries the one visible.
uint8_t Roms[2][PageSize];

}  // namespace

void PagingInitialise(const uint8_t* graphicsRegion) {
  const std::string model = UpperAscii(TrimSpaces(Game.Model));
  const std::string ay = UpperAscii(TrimSpaces(Game.Ay));
  SpectrumModel.Paged = model == "128";
  SpectrumModel.Ay = SpectrumModel.Paged || ay == "ON";
  // The board part belongs to the 48K's own initialisation.
  const SpectrumBoard board = SpectrumState.Board;
  SpectrumState = {};
  SpectrumState.Board = board;
  SpectrumState.Ay.Reset(SpectrumModel.Ay ? AyChip::Clock128 : 0);
  if (!SpectrumModel.Paged) return;
  if (graphicsRegion)
    std::memcpy(Roms, graphicsRegion, sizeof Roms);
  else
    std::memset(Roms, 0xFF, sizeof Roms);
  ShowPagesInMemory();
}

void ShowPagesInMemory() {
  const uint8_t port = SpectrumState.Port7FFD;
  std::memcpy(MemoryImage, Roms[(port & Rom1Bit) ? 1 : 0], PageSize);
  std::memcpy(MemoryImage + 0x4000, SpectrumState.Pages[5], PageSize);
  std::memcpy(MemoryImage + 0x8000, SpectrumState.Pages[2], PageSize);
  std::memcpy(MemoryImage + 0xC000, SpectrumState.Pages[port & PageBits], PageSize);
}

bool WritePagingPort(uint8_t value) {
  const uint8_t old = SpectrumState.Port7FFD;
  if (old & PagingLockBit) return false;
  value &= 0x3F;
  SpectrumState.Port7FFD = value;
  const uint8_t changed = old ^ value;
  if (changed & Rom1Bit) std::memcpy(MemoryImage, Roms[(value & Rom1Bit) ? 1 : 0], PageSize);
  if (changed & PageBits) std::memcpy(MemoryImage + 0xC000, SpectrumState.Pages[value & PageBits], PageSize);
  return (changed & ShadowScreenBit) != 0;
}

unsigned PageAt(uint16_t address) {
  switch (address >> 14) {
    case 1:
      return 5;
    case 2:
      return 2;
    default:
      return SpectrumState.Port7FFD & PageBits;
  }
}

unsigned PagedStore(uint8_t value, uint16_t address) {
  const unsigned page = PageAt(address);
  const unsigned offset = address & (PageSize - 1);
  SpectrumState.Pages[page][offset] = value;
  MemoryImage[address] = value;
  if ((SpectrumState.Port7FFD & PageBits) == page) {  // visible at C000h and at its own place
    if (page == 5) MemoryImage[0x4000 + offset] = MemoryImage[0xC000 + offset] = value;
    if (page == 2) MemoryImage[0x8000 + offset] = MemoryImage[0xC000 + offset] = value;
  }
  return page;
}

unsigned ShownScreenPage() { return (SpectrumState.Port7FFD & ShadowScreenBit) ? 7 : 5; }

const uint8_t* ShownScreen() { return SpectrumState.Pages[ShownScreenPage()]; }

uint8_t ReadPagedByte(unsigned page, uint16_t offset) {
  return SpectrumState.Pages[page & 7][offset & (PageSize - 1)];
}

void StoreSpectrumByte(uint16_t address, uint8_t value) {
  if (SpectrumModel.Paged && address >= 0x4000) PagedStore(value, address);
  else MemoryImage[address] = value;
}

bool ReadSpectrumPage(unsigned page, uint16_t address, uint8_t& value) {
  if (!SpectrumModel.Paged || page >= PageCount) return false;
  value = ReadPagedByte(page, address);
  return true;
}

std::string SpectrumBoardLine() {
  if (!SpectrumModel.Paged) return {};
  const uint8_t port = SpectrumState.Port7FFD;
  char line[80];
  std::snprintf(line, sizeof line, "7FFD=%02X (RAM %d at C000, ROM %d, screen %d%s)", port, port & PageBits,
                (port & Rom1Bit) ? 1 : 0, ShownScreenPage(), (port & PagingLockBit) ? ", locked" : "");
  return line;
}

std::span<uint8_t> SpectrumRecordBytes() {
  Spectrum.Tape = SpectrumTape.Position();
  const std::span<uint8_t> all = RecordBytes(SpectrumState);
  if (SpectrumModel.Paged) return all;
  if (SpectrumModel.Ay) return all.first(offsetof(SpectrumMachine, Pages));
  return RecordBytes(SpectrumState.Board);
}

}  // namespace tirvane
