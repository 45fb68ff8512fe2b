// SPDX-License-Identifier: GPL-3.0-or-later
// The 128K's snapshots: ".sna" read and written here, ".z80" and ".szx" through the format code of
// spectrum_snapshot.h with the pages, 7FFDh and the sound chip carried between its record and the
// machine. 128K ".sna" snapshots:
//   0-26          the 48K header: I, HL', DE', BC', AF', HL, DE, BC, IY, IX, interrupt byte (bit 2:
//                 IFF2), R, F, A, SP, interrupt mode, border
//   27            pages 5, 2 and the page at C000h, 16 KB each
//   49179         PC, the 7FFDh byte, a TR-DOS flag (0)
//   49183         the other pages in rising order: five, or six when the page at C000h is 5 or 2
#include <algorithm>
#include <cstring>
#include <fstream>

#include "devices/sound_mixer.h"
#include "drivers/file_loader.h"
#include "drivers/home_computer.h"
#include "drivers/spectrum_paging.h"
#include "drivers/spectrum_snapshot.h"
#include "drivers/spectrum_tape.h"
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

namespace {

// The sound chip takes the file's registers as the processor would write them. One that already
// holds its value is left alone, so the machine's own snapshot loaded back changes nothing (a write
// of the envelope shape starts the envelope afresh).
void ApplyAyRegisters(const std::array<uint8_t, 16>& registers, uint8_t address, uint32_t cycle) {
  AyChip& ay = SpectrumState.Ay;
  for (uint8_t r = 0; r < 16; ++r) {
    ay.WriteAddress(r);
    if (ay.Registers[r] != registers[r]) ay.WriteData(registers[r], cycle, FrameSound);
  }
  ay.WriteAddress(address);
}

// Puts a checked ".z80" or ".szx" record into the running 128K. A 48K record runs in the 128K's 48K
// mode: its RAM in pages 5, 2 and 0, BASIC's ROM in and the port locked.
void Apply128(const SpectrumSnapshot& s) {
  ApplySnapshotProcessor(s);
  const Z80Context& z = *ActiveContext;
  if (s.Is128()) {
    SpectrumState.Port7FFD = s.Port7FFD & 0x3F;
    for (unsigned p = 0; p < PageCount; ++p) std::memcpy(SpectrumState.Pages[p], s.Pages.data() + p * PageSize, PageSize);
    ApplyAyRegisters(s.AyRegisters, s.AyAddress, z.CycleCount);
  } else {
    SpectrumState.Port7FFD = Rom1Bit | PagingLockBit;
    for (unsigned slot = 0; slot < 3; ++slot)
      std::memcpy(SpectrumState.Pages[slot == 0 ? 5 : slot == 1 ? 2 : 0], s.Ram.data() + slot * PageSize, PageSize);
    ApplyAyRegisters({}, 0, z.CycleCount);  // a 48K has no sound chip: whatever played stops
  }
  ShowPagesInMemory();
  RedrawSpectrumScreen();
}

// The running 128K as a ".z80" or ".szx" record.
SpectrumSnapshot Capture128() {
  SpectrumSnapshot s;
  CaptureSnapshotProcessor(s);
  s.Pages.resize(PageCount * PageSize);
  for (unsigned p = 0; p < PageCount; ++p) std::memcpy(s.Pages.data() + p * PageSize, SpectrumState.Pages[p], PageSize);
  s.Port7FFD = SpectrumState.Port7FFD;
  const AyChip& ay = SpectrumState.Ay;
  s.AyAddress = ay.Address;
  std::copy(std::begin(ay.Registers), std::end(ay.Registers), s.AyRegisters.begin());
  return s;
}

}  // namespace

std::string Save128SnapshotFile(const std::string& path) {
  if (!ActiveContext) return "No machine is running.";
  // A 128K ".sna" is its own layout, written from the pages rather than from the captured record.
  return WriteSpectrumSnapshot(path, Capture128(),
                               [](const SpectrumSnapshot&) { return SnapshotWriteResult{true, {}, Save128Snapshot()}; });
}

LoadResult Load128SnapshotFile(const std::string& path) {
  const SnapshotFormat format = SnapshotFormatOf(path);
  if (IsTapeFile(path))
    return {false, "Not loaded: " + path +
                       "\rThe 128K model plays no tapes yet; a 48K description (#model=48) loads them. "
                       "Nothing was changed."};
  if (format == SnapshotFormat::Z80 || format == SnapshotFormat::Szx) {
    constexpr uint64_t MaxFileSize = 4u << 20;
    FileReadResult file = ReadWholeFile(path, 1, MaxFileSize);
    if (file.Status != FileReadStatus::Ok)
      return {false, file.Status == FileReadStatus::WrongSize
                         ? "Not loaded: " + path + "\rThe file is empty or larger than 4 MB."
                         : "Failed reading:\r" + path + "\rNothing was changed."};
    const SnapshotReadResult read =
        format == SnapshotFormat::Z80 ? ReadZ80(file.Bytes, path, true) : ReadSzx(file.Bytes, path, true);
    if (!read.Ok) return {false, read.Message};
    Apply128(read.Snapshot);
    return {true, {}};
  }
  FileReadResult file = ReadWholeFile(path, Snapshot128Size, Snapshot128LongSize);
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      return {false, "Failed opening snapshot:\r" + path};
    case FileReadStatus::WrongSize:
      return {false, "Not a 128K snapshot:\r" + path + "\r" + std::to_string(file.Size) +
                         " bytes; a 128K snapshot is 131103 or 147487 bytes. Nothing was loaded."};
    case FileReadStatus::ReadFailed:
      return {false, "Failed reading snapshot:\r" + path + "\rNothing was loaded."};
  }
  const std::string refusal = Load128Snapshot(file.Bytes);
  if (!refusal.empty()) return {false, "Not a 128K snapshot:\r" + path + "\r" + refusal + ". Nothing was loaded."};
  return {true, {}};
}

}  // namespace tirvane
