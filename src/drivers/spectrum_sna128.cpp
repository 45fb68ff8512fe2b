// SPDX-License-Identifier: GPL-3.0-or-later
// 128K ".sna" snapshots:
//   0-26          the 48K header: I, HL', DE', BC', AF', HL, DE, BC, IY, IX, interrupt byte (bit 2:
//                 IFF2), R, F, A, SP, interrupt mode, border
//   27            pages 5, 2 and the page at C000h, 16 KB each
//   49179         PC, the 7FFDh byte, a TR-DOS flag (0)
//   49183         the other pages in rising order: five, or six when the page at C000h is 5 or 2
#include <algorithm>
#include <cstring>

#include "devices/sound_mixer.h"
#include "drivers/file_loader.h"
#include "drivers/home_computer.h"
#include "drivers/spectrum_paging.h"
#include "machine/romset.h"
#include "video/host.h"

namespace tirvane {

namespace {

constexpr size_t HeaderSize = 27;
constexpr size_t TailAt = HeaderSize + 3 * PageSize;
constexpr size_t RestAt = TailAt + 4;

uint16_t Word(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }
void PutWord(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

bool PagedTwice(unsigned page) { return page == 5 || page == 2; }

// The pages after the tail, in file order.
std::vector<unsigned> RestPages(unsigned paged) {
  std::vector<unsigned> pages;
  for (unsigned p = 0; p < PageCount; ++p)
    if (!PagedTwice(p) && p != paged) pages.push_back(p);
  return pages;
}

}  // namespace

std::string Load128Snapshot(std::span<const uint8_t> bytes) {
  if (bytes.size() != Snapshot128Size && bytes.size() != Snapshot128LongSize)
    return "a 128K snapshot is 131103 or 147487 bytes, this one " + std::to_string(bytes.size());
  const uint8_t* file = bytes.data();
  const uint8_t port = file[TailAt + 2];
  const unsigned paged = port & PageBits;
  if ((bytes.size() == Snapshot128LongSize) != PagedTwice(paged))
    return "its length does not fit the page it has at C000h (" + std::to_string(paged) + ")";

  Z80Context& z = *ActiveContext;
  ApplySnaRegisters(file);
  z.Halted = 0;
  z.PC.w = Word(file + TailAt);

  SpectrumState.Port7FFD = port & 0x3F;
  std::memcpy(SpectrumState.Pages[5], file + HeaderSize, PageSize);
  std::memcpy(SpectrumState.Pages[2], file + HeaderSize + PageSize, PageSize);
  std::memcpy(SpectrumState.Pages[paged], file + HeaderSize + 2 * PageSize, PageSize);
  const uint8_t* rest = file + RestAt;
  for (unsigned p : RestPages(paged)) {
    std::memcpy(SpectrumState.Pages[p], rest, PageSize);
    rest += PageSize;
  }
  ShowPagesInMemory();
  // The format has no sound chip: whatever it played stops rather than hangs on.
  AyChip& ay = SpectrumState.Ay;
  const uint8_t latched = ay.Address;
  for (uint8_t r = AyChip::LevelA; r < AyChip::LevelA + AyChip::Channels; ++r) {
    ay.WriteAddress(r);
    ay.WriteData(0, z.CycleCount, FrameSound);
  }
  ay.Address = latched;
  RedrawSpectrumScreen();
  return {};
}

std::vector<uint8_t> Save128Snapshot() {
  const Z80Context& z = *ActiveContext;
  const unsigned paged = SpectrumState.Port7FFD & PageBits;
  std::vector<uint8_t> bytes(PagedTwice(paged) ? Snapshot128LongSize : Snapshot128Size);
  uint8_t* file = bytes.data();
  file[0] = z.I;
  PutWord(file + 1, z.AltHL.w);
  PutWord(file + 3, z.AltDE.w);
  PutWord(file + 5, z.AltBC.w);
  PutWord(file + 7, z.AltAF.w);
  PutWord(file + 9, z.HL.w);
  PutWord(file + 11, z.DE.w);
  PutWord(file + 13, z.BC.w);
  PutWord(file + 15, z.IY.w);
  PutWord(file + 17, z.IX.w);
  file[19] = static_cast<uint8_t>(z.IFF2 ? 0x04 : 0);
  file[20] = z.R;
  file[21] = z.AF.l;
  file[22] = z.AF.h;
  PutWord(file + 23, z.SP.w);
  file[25] = static_cast<uint8_t>(z.InterruptMode == 0 ? 0 : z.InterruptMode == 3 ? 2 : 1);
  std::memcpy(file + HeaderSize, SpectrumState.Pages[5], PageSize);
  std::memcpy(file + HeaderSize + PageSize, SpectrumState.Pages[2], PageSize);
  std::memcpy(file + HeaderSize + 2 * PageSize, SpectrumState.Pages[paged], PageSize);
  PutWord(file + TailAt, z.PC.w);
  file[TailAt + 2] = SpectrumState.Port7FFD;
  uint8_t* rest = file + RestAt;
  for (unsigned p : RestPages(paged)) {
    std::memcpy(rest, SpectrumState.Pages[p], PageSize);
    rest += PageSize;
  }
  return bytes;
}

bool Load128SnapshotFile(const std::string& path) {
  FileReadResult file = ReadWholeFile(path, Snapshot128Size, Snapshot128LongSize);
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      CurrentHost().messageBox("Failed opening snapshot:\r" + path);
      return false;
    case FileReadStatus::WrongSize:
      CurrentHost().messageBox("Not a 128K snapshot:\r" + path + "\r" + std::to_string(file.Size) +
                               " bytes; a 128K snapshot is 131103 or 147487 bytes. Nothing was loaded.");
      return false;
    case FileReadStatus::ReadFailed:
      CurrentHost().messageBox("Failed reading snapshot:\r" + path + "\rNothing was loaded.");
      return false;
  }
  const std::string refusal = Load128Snapshot(file.Bytes);
  if (!refusal.empty()) {
    CurrentHost().messageBox("Not a 128K snapshot:\r" + path + "\r" + refusal + ". Nothing was loaded.");
    return false;
  }
  return true;
}

}  // namespace tirvane
