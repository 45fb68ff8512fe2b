// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshot formats, little-endian throughout.
//
// ".sna"  27-byte header: I, HL', DE', BC', AF', HL, DE, BC, IY, IX, IFF2 (bit 2), R, AF, SP,
//         interrupt mode, border; then memory 4000h-FFFFh. PC is on the stack.
// ".z80"  30-byte header: A, F, BC, HL, PC, SP, I, R, flags (R bit 7, border, compressed), DE, BC',
//         DE', HL', A', F', IY, IX, IFF1, IFF2, mode. PC 0 means version 2 or 3: a second header
//         of 23 (v2) or 54/55 (v3) bytes with PC, the hardware mode and the T-state counter, then
//         16 KB pages, each with a length (FFFFh: stored plain) and a page number (48K: 8 is
//         4000h, 4 is 8000h, 5 is C000h; 128K: 3-10 are RAM pages 0-7). The 128K's header holds
//         the last 7FFDh byte (35), the latched sound register (38) and its 16 registers (39-54).
//         Version 1 holds the 48 KB as one block.
// ".szx"  "ZXST", version, machine (1: 48K), flags; then blocks of a four-letter id, a 32-bit
//         length and the data: Z80R the registers (37 bytes), SPCR the border, 7FFDh and port
//         FEh, KEYB the keyboard, AY the sound chip (flags, latched register, 16 registers), RAMP
//         a 16 KB page (flags: 1 zlib-compressed; the 48K's page 5 is 4000h, 2 is 8000h, 0 is
//         C000h; the 128K has all eight). Machine 2 is the 128K, 3 the +2. Other blocks are skipped.
#include "drivers/spectrum_snapshot.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tirvane {

namespace {

uint16_t Word(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

SnapshotReadResult Refuse(std::string_view name, const std::string& why) {
  SnapshotReadResult result;
  result.Message = "Not loaded: " + std::string(name) + "\r" + why + " Nothing was changed.";
  return result;
}

// T-states per quarter of a frame: the unit of the ".z80" counter.
uint32_t QuarterFrame(bool model128) { return (model128 ? Spectrum128FrameCycles : Spectrum48FrameCycles) / 4; }

// The 128K's pages as one 128 KB block, zeroed.
std::vector<uint8_t> EmptyPages() { return std::vector<uint8_t>(Snapshot128Pages * SnapshotPageSize, 0); }

// The 16 KB page of a 48K ".z80" as an offset into 4000h-FFFFh; -1 for pages a 48K lacks.
int PageOffset(uint8_t page) {
  switch (page) {
    case 8:
      return 0x0000;
    case 4:
      return 0x4000;
    case 5:
      return 0x8000;
    default:
      return -1;
  }
}

// The ".z80" hardware modes of the 128K and the +2, which page alike (bit 7 of byte 37 turns a
// 128K mode into the +2).
bool Paged128Mode(bool version2, uint8_t mode) {
  return version2 ? (mode == 3 || mode == 4) : ((mode >= 4 && mode <= 6) || mode == 12);
}

// The name of a ".z80" hardware mode this machine does not take, for the refusal.
std::string HardwareName(bool version2, uint8_t mode, bool machine128) {
  const std::string what = " (hardware mode " + std::to_string(mode) + ")";
  if (!version2 && (mode == 7 || mode == 8 || mode == 13))
    return "a +2A/+3 snapshot" + what + "; their paging through port 1FFDh is not emulated, only the 128K's.";
  if (!machine128 && (Paged128Mode(version2, mode) || (!version2 && mode >= 9 && mode <= 10)))
    return "a 128K snapshot" + what + "; 128K snapshots need #model=128.";
  if (mode == 2) return "a SamRam snapshot (hardware mode 2); this machine is a " + std::string(machine128 ? "128K." : "48K.");
  return "a snapshot of hardware mode " + std::to_string(mode) + ", which this " + (machine128 ? "128K" : "48K") +
         " machine is not.";
}

}  // namespace

std::vector<uint8_t> CompressZ80Block(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  size_t i = 0;
  // A byte right after a single ED is never the start of a run: ED ED would read as a code.
  bool afterSingleEd = false;
  while (i < bytes.size()) {
    const uint8_t value = bytes[i];
    size_t run = 1;
    while (i + run < bytes.size() && bytes[i + run] == value && run < 255) ++run;
    if (!afterSingleEd && (run >= 5 || (value == 0xED && run >= 2))) {
      out.insert(out.end(), {0xED, 0xED, static_cast<uint8_t>(run), value});
      i += run;
      afterSingleEd = false;
    } else {
      out.push_back(value);
      ++i;
      afterSingleEd = value == 0xED;
    }
  }
  return out;
}

bool ExpandZ80Block(std::span<const uint8_t> code, std::span<uint8_t> out) {
  size_t at = 0, filled = 0;
  while (at < code.size()) {
    if (at + 1 < code.size() && code[at] == 0xED && code[at + 1] == 0xED) {
      if (at + 3 >= code.size()) return false;
      const size_t count = code[at + 2];
      if (count > out.size() - filled) return false;
      std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(filled), count, code[at + 3]);
      filled += count;
      at += 4;
    } else {
      if (filled == out.size()) return false;
      out[filled++] = code[at++];
    }
  }
  return filled == out.size();
}

SnapshotFormat SnapshotFormatOf(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return SnapshotFormat::Unknown;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "sna") return SnapshotFormat::Sna;
  if (extension == "z80") return SnapshotFormat::Z80;
  if (extension == "szx") return SnapshotFormat::Szx;
  return SnapshotFormat::Unknown;
}

SnapshotReadResult ReadSna(std::span<const uint8_t> bytes, std::string_view name) {
  if (bytes.size() != SnaFileSize)
    return Refuse(name, std::to_string(bytes.size()) + " bytes; a 48K .sna is exactly 49179 bytes.");
  SnapshotReadResult result;
  SpectrumSnapshot& s = result.Snapshot;
  s.I = bytes[0];
  s.AltHL = Word(bytes, 1);
  s.AltDE = Word(bytes, 3);
  s.AltBC = Word(bytes, 5);
  s.AltAF = Word(bytes, 7);
  s.HL = Word(bytes, 9);
  s.DE = Word(bytes, 11);
  s.BC = Word(bytes, 13);
  s.IY = Word(bytes, 15);
  s.IX = Word(bytes, 17);
  s.IFF1 = s.IFF2 = (bytes[19] >> 2) & 1;
  s.R = bytes[20];
  s.AF = Word(bytes, 21);
  s.SP = Word(bytes, 23);
  s.InterruptMode = bytes[25] <= 2 ? bytes[25] : 1;
  s.Border = bytes[26] & 7;
  s.PcOnStack = true;
  std::copy(bytes.begin() + 27, bytes.end(), s.Ram.begin());
  result.Ok = true;
  return result;
}

SnapshotReadResult ReadZ80(std::span<const uint8_t> bytes, std::string_view name, bool machine128) {
  if (bytes.size() < 30) return Refuse(name, "The file is too short for a .z80 header (30 bytes).");
  SnapshotReadResult result;
  SpectrumSnapshot& s = result.Snapshot;
  s.AF = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  s.BC = Word(bytes, 2);
  s.HL = Word(bytes, 4);
  s.PC = Word(bytes, 6);
  s.SP = Word(bytes, 8);
  s.I = bytes[10];
  const uint8_t flags = bytes[12] == 0xFF ? 1 : bytes[12];  // 255 stands for 1, as old files wrote it
  s.R = static_cast<uint8_t>((bytes[11] & 0x7F) | (flags & 1) << 7);
  s.Border = (flags >> 1) & 7;
  s.DE = Word(bytes, 13);
  s.AltBC = Word(bytes, 15);
  s.AltDE = Word(bytes, 17);
  s.AltHL = Word(bytes, 19);
  s.AltAF = static_cast<uint16_t>(bytes[21] << 8 | bytes[22]);
  s.IY = Word(bytes, 23);
  s.IX = Word(bytes, 25);
  s.IFF1 = bytes[27] ? 1 : 0;
  s.IFF2 = bytes[28] ? 1 : 0;
  s.InterruptMode = (bytes[29] & 3) == 3 ? 1 : bytes[29] & 3;

  std::span<uint8_t> ram(s.Ram);
  if (s.PC != 0) {  // version 1: the 48 KB in one block
    const std::span<const uint8_t> data = bytes.subspan(30);
    if (flags & 0x20) {
      // The end marker 00 ED ED 00 is optional in practice; without it the code runs to the end.
      std::span<const uint8_t> code = data;
      if (code.size() >= 4 && code[code.size() - 4] == 0 && code[code.size() - 3] == 0xED &&
          code[code.size() - 2] == 0xED && code[code.size() - 1] == 0)
        code = code.first(code.size() - 4);
      if (!ExpandZ80Block(code, ram))
        return Refuse(name, "The compressed memory of this version 1 .z80 is damaged or not 48 KB.");
    } else {
      if (data.size() < ram.size())
        return Refuse(name, "The memory of this version 1 .z80 is shorter than 48 KB.");
      std::copy_n(data.begin(), ram.size(), ram.begin());
    }
    result.Ok = true;
    return result;
  }

  if (bytes.size() < 32) return Refuse(name, "The file ends inside its second header.");
  const uint16_t extra = Word(bytes, 30);
  if (extra != 23 && extra != 54 && extra != 55)
    return Refuse(name, "Its second header is " + std::to_string(extra) +
                            " bytes long; versions 2 and 3 have 23, 54 or 55.");
  const size_t headerEnd = 32 + size_t{extra};
  if (bytes.size() < headerEnd) return Refuse(name, "The file ends inside its second header.");
  const bool version2 = extra == 23;
  s.PC = Word(bytes, 32);
  const uint8_t mode = bytes[34];
  const bool plain48 = mode == 0 || mode == 1 || (!version2 && mode == 3);
  const bool paged = machine128 && Paged128Mode(version2, mode);
  if (!plain48 && !paged) return Refuse(name, "It is " + HardwareName(version2, mode, machine128));
  if (plain48 && (bytes[37] & 0x80)) return Refuse(name, "It is a 16K snapshot; this machine is a 48K.");
  if (!version2) {
    const uint32_t quarter = QuarterFrame(paged);
    const uint32_t low = Word(bytes, 55);
    const uint32_t high = bytes[57];
    // The counter runs down through each quarter of the frame; the high byte names the quarter.
    if (low < quarter && high < 4) s.FrameCycle = ((high + 1) % 4 + 1) * quarter - (low + 1);
  }
  if (paged) {
    s.Pages = EmptyPages();
    s.Port7FFD = bytes[35];
    s.AyAddress = bytes[38] & 0x0F;
    std::copy_n(bytes.begin() + 39, 16, s.AyRegisters.begin());
  }

  bool seen[Snapshot128Pages] = {};
  const size_t needed = paged ? Snapshot128Pages : 3;
  for (size_t at = headerEnd; at < bytes.size();) {
    if (bytes.size() - at < 3) return Refuse(name, "The file ends inside a page header.");
    const uint16_t length = Word(bytes, at);
    const uint8_t page = bytes[at + 2];
    at += 3;
    const size_t stored = length == 0xFFFF ? 0x4000 : length;
    if (bytes.size() - at < stored)
      return Refuse(name, "Page " + std::to_string(page) + " is cut short: the file ends inside it.");
    // Where the page goes: a slot of the 48K's RAM, or one of the 128K's pages.
    const int slot = paged ? (page >= 3 && page <= 10 ? page - 3 : -1) : PageOffset(page) / 0x4000;
    if (slot >= 0) {
      const std::span<uint8_t> target = paged ? std::span<uint8_t>(s.Pages).subspan(slot * SnapshotPageSize, SnapshotPageSize)
                                              : ram.subspan(slot * SnapshotPageSize, SnapshotPageSize);
      const std::span<const uint8_t> data = bytes.subspan(at, stored);
      if (length == 0xFFFF)
        std::copy(data.begin(), data.end(), target.begin());
      else if (!ExpandZ80Block(data, target))
        return Refuse(name, "Page " + std::to_string(page) + " is damaged: it does not expand to 16 KB.");
      seen[slot] = true;
    }
    at += stored;
  }
  for (size_t k = 0; k < needed; ++k) {
    if (seen[k]) continue;
    if (paged) return Refuse(name, "It lacks RAM page " + std::to_string(k) + " of the 128K's eight.");
    return Refuse(name, "It lacks the page for " + std::string(k == 0 ? "4000h" : k == 1 ? "8000h" : "C000h") + ".");
  }
  result.Ok = true;
  return result;
}

SnapshotWriteResult WriteSna(const SpectrumSnapshot& s) {
  SnapshotWriteResult result;
  if (s.SP < 0x4002) {
    result.Message = "A .sna keeps the program counter on the stack, and the stack pointer (" +
                     std::to_string(s.SP) + ") leaves no RAM below it. Save as .z80 or .szx instead.";
    return result;
  }
  const uint16_t sp = static_cast<uint16_t>(s.SP - 2);
  std::vector<uint8_t>& out = result.Bytes;
  out.push_back(s.I);
  for (uint16_t w : {s.AltHL, s.AltDE, s.AltBC, s.AltAF, s.HL, s.DE, s.BC, s.IY, s.IX}) PutWord(out, w);
  out.push_back(static_cast<uint8_t>(s.IFF2 ? 0x04 : 0));
  out.push_back(s.R);
  PutWord(out, s.AF);
  PutWord(out, sp);
  out.push_back(s.InterruptMode);
  out.push_back(s.Border & 7);
  const size_t memory = out.size();
  out.insert(out.end(), s.Ram.begin(), s.Ram.end());
  out[memory + sp - 0x4000] = static_cast<uint8_t>(s.PC);
  out[memory + sp - 0x4000 + 1] = static_cast<uint8_t>(s.PC >> 8);
  result.Ok = true;
  return result;
}

SnapshotWriteResult WriteZ80(const SpectrumSnapshot& s) {
  SnapshotWriteResult result;
  std::vector<uint8_t>& out = result.Bytes;
  out.push_back(static_cast<uint8_t>(s.AF >> 8));
  out.push_back(static_cast<uint8_t>(s.AF));
  PutWord(out, s.BC);
  PutWord(out, s.HL);
  PutWord(out, 0);  // version 2 and later
  PutWord(out, s.SP);
  out.push_back(s.I);
  out.push_back(s.R & 0x7F);
  out.push_back(static_cast<uint8_t>((s.R >> 7) | (s.Border & 7) << 1));
  PutWord(out, s.DE);
  PutWord(out, s.AltBC);
  PutWord(out, s.AltDE);
  PutWord(out, s.AltHL);
  out.push_back(static_cast<uint8_t>(s.AltAF >> 8));
  out.push_back(static_cast<uint8_t>(s.AltAF));
  PutWord(out, s.IY);
  PutWord(out, s.IX);
  out.push_back(s.IFF1);
  out.push_back(s.IFF2);
  out.push_back(s.InterruptMode & 3);
  // Second header, 54 bytes: PC, hardware mode 0 (48K) or 4 (128K) with its port and sound chip,
  // the rest as a plain machine leaves it.
  PutWord(out, 54);
  const size_t second = out.size();
  out.resize(second + 54, 0);
  out[second] = static_cast<uint8_t>(s.PC);
  out[second + 1] = static_cast<uint8_t>(s.PC >> 8);
  const bool paged = s.Is128() && s.Pages.size() == Snapshot128Pages * SnapshotPageSize;
  if (paged) {
    out[second + 2] = 4;
    out[second + 3] = s.Port7FFD;
    out[second + 6] = s.AyAddress & 0x0F;
    std::copy(s.AyRegisters.begin(), s.AyRegisters.end(), out.begin() + static_cast<std::ptrdiff_t>(second + 7));
  }
  const uint32_t quarter = QuarterFrame(paged);
  const uint32_t cycle = s.FrameCycle % (4 * quarter);
  const uint32_t low = quarter - cycle % quarter - 1;
  out[second + 23] = static_cast<uint8_t>(low);
  out[second + 24] = static_cast<uint8_t>(low >> 8);
  out[second + 25] = static_cast<uint8_t>((cycle / quarter + 3) % 4);
  std::vector<uint8_t> pageNumbers = {8, 4, 5};
  if (paged) pageNumbers = {3, 4, 5, 6, 7, 8, 9, 10};
  for (const uint8_t page : pageNumbers) {
    const auto data = paged ? std::span<const uint8_t>(s.Pages).subspan((page - 3) * SnapshotPageSize, SnapshotPageSize)
                            : std::span<const uint8_t>(s.Ram).subspan(static_cast<size_t>(PageOffset(page)), 0x4000);
    const std::vector<uint8_t> code = CompressZ80Block(data);
    // A page the code would not shrink is stored plain, as the length FFFFh says.
    const bool plain = code.size() >= 0x4000;
    PutWord(out, plain ? 0xFFFF : static_cast<uint16_t>(code.size()));
    out.push_back(page);
    if (plain)
      out.insert(out.end(), data.begin(), data.end());
    else
      out.insert(out.end(), code.begin(), code.end());
  }
  result.Ok = true;
  return result;
}

namespace {

uint32_t Long(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16) |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void PutLong(std::vector<uint8_t>& out, uint32_t value) {
  PutWord(out, static_cast<uint16_t>(value));
  PutWord(out, static_cast<uint16_t>(value >> 16));
}

void PutBlockHeader(std::vector<uint8_t>& out, const char (&id)[5], uint32_t size) {
  out.insert(out.end(), id, id + 4);
  PutLong(out, size);
}

// The 48K's pages as ".szx" numbers them.
int SzxPageOffset(uint8_t page) {
  switch (page) {
    case 5:
      return 0x0000;
    case 2:
      return 0x4000;
    case 0:
      return 0x8000;
    default:
      return -1;
  }
}

constexpr uint8_t SzxHalted = 0x02;
constexpr uint8_t Szx48 = 1, Szx128 = 2, SzxPlus2 = 3;

// Why a ".szx" of another machine is not taken here.
std::string SzxMachineRefusal(uint8_t machine, bool machine128) {
  const std::string what = " (machine " + std::to_string(machine) + ")";
  if (machine >= 4 && machine <= 6)
    return "It is a +2A/+3 snapshot" + what + "; their paging through port 1FFDh is not emulated, only the 128K's.";
  if (!machine128 && (machine == Szx128 || machine == SzxPlus2 || machine == 7 || machine == 16))
    return "It is a 128K snapshot" + what + "; 128K snapshots need #model=128.";
  return "It is a snapshot of machine " + std::to_string(machine) + ", which this " +
         (machine128 ? "128K" : "48K") + " machine is not.";
}

}  // namespace

SnapshotReadResult ReadSzx(std::span<const uint8_t> bytes, std::string_view name, bool machine128) {
  if (bytes.size() < 8 || std::memcmp(bytes.data(), "ZXST", 4) != 0)
    return Refuse(name, "It does not begin with \"ZXST\": not a .szx file.");
  const uint8_t machine = bytes[6];
  const bool paged = machine128 && (machine == Szx128 || machine == SzxPlus2);
  if (machine != Szx48 && !paged) return Refuse(name, SzxMachineRefusal(machine, machine128));
  SnapshotReadResult result;
  SpectrumSnapshot& s = result.Snapshot;
  if (paged) s.Pages = EmptyPages();
  const uint32_t frameCycles = paged ? Spectrum128FrameCycles : Spectrum48FrameCycles;
  bool registers = false;
  bool seen[Snapshot128Pages] = {};
  const size_t needed = paged ? Snapshot128Pages : 3;
  std::span<uint8_t> ram(s.Ram);
  for (size_t at = 8; at < bytes.size();) {
    if (bytes.size() - at < 8) return Refuse(name, "The file ends inside a block header.");
    const std::string id(reinterpret_cast<const char*>(bytes.data() + at), 4);
    const uint32_t size = Long(bytes, at + 4);
    at += 8;
    if (bytes.size() - at < size)
      return Refuse(name, "Block " + id + " says " + std::to_string(size) + " bytes; the file ends before.");
    const std::span<const uint8_t> data = bytes.subspan(at, size);
    at += size;
    if (id == "Z80R") {
      if (size < 37) return Refuse(name, "Its register block is " + std::to_string(size) + " bytes, not 37.");
      s.AF = Word(data, 0);
      s.BC = Word(data, 2);
      s.DE = Word(data, 4);
      s.HL = Word(data, 6);
      s.AltAF = Word(data, 8);
      s.AltBC = Word(data, 10);
      s.AltDE = Word(data, 12);
      s.AltHL = Word(data, 14);
      s.IX = Word(data, 16);
      s.IY = Word(data, 18);
      s.SP = Word(data, 20);
      s.PC = Word(data, 22);
      s.I = data[24];
      s.R = data[25];
      s.IFF1 = data[26] ? 1 : 0;
      s.IFF2 = data[27] ? 1 : 0;
      s.InterruptMode = data[28] <= 2 ? data[28] : 1;
      const uint32_t cycle = Long(data, 29);
      s.FrameCycle = cycle < frameCycles ? cycle : 0;
      s.Halted = (data[34] & SzxHalted) != 0;
      registers = true;
    } else if (id == "SPCR") {
      if (size < 8) return Refuse(name, "Its SPCR block is " + std::to_string(size) + " bytes, not 8.");
      s.Border = data[0] & 7;
      if (paged) s.Port7FFD = data[1];
    } else if (paged && id == std::string("AY\0\0", 4)) {  // a 48K's add-on chip is not kept
      if (size < 18) return Refuse(name, "Its AY block is " + std::to_string(size) + " bytes, not 18.");
      s.AyAddress = data[1] & 0x0F;
      std::copy_n(data.begin() + 2, 16, s.AyRegisters.begin());
    } else if (id == "RAMP") {
      if (size < 3) return Refuse(name, "A RAMP block is too short for its page header.");
      const uint16_t flags = Word(data, 0);
      const uint8_t page = data[2];
      const int slot = paged ? (page < Snapshot128Pages ? page : -1) : SzxPageOffset(page) / 0x4000;
      if (slot < 0) continue;  // a page this machine lacks
      const std::span<uint8_t> target = paged ? std::span<uint8_t>(s.Pages).subspan(slot * SnapshotPageSize, SnapshotPageSize)
                                              : ram.subspan(slot * SnapshotPageSize, SnapshotPageSize);
      const std::span<const uint8_t> stored = data.subspan(3);
      if (flags & 1) {
        uLongf length = 0x4000;
        if (uncompress(target.data(), &length, stored.data(), static_cast<uLong>(stored.size())) != Z_OK ||
            length != 0x4000)
          return Refuse(name, "RAM page " + std::to_string(page) + " is damaged: it does not expand to 16 KB.");
      } else {
        if (stored.size() != 0x4000)
          return Refuse(name, "RAM page " + std::to_string(page) + " holds " + std::to_string(stored.size()) +
                                  " bytes, not 16 KB.");
        std::copy(stored.begin(), stored.end(), target.begin());
      }
      seen[slot] = true;
    }
  }
  if (!registers) return Refuse(name, "It has no register block (Z80R).");
  for (size_t k = 0; k < needed; ++k) {
    if (seen[k]) continue;
    if (paged) return Refuse(name, "It lacks RAM page " + std::to_string(k) + " of the 128K's eight.");
    return Refuse(name, "It lacks the RAM page for " + std::string(k == 0 ? "4000h" : k == 1 ? "8000h" : "C000h") + ".");
  }
  result.Ok = true;
  return result;
}

SnapshotWriteResult WriteSzx(const SpectrumSnapshot& s) {
  SnapshotWriteResult result;
  std::vector<uint8_t>& out = result.Bytes;
  const bool paged = s.Is128() && s.Pages.size() == Snapshot128Pages * SnapshotPageSize;
  out.insert(out.end(), {'Z', 'X', 'S', 'T', 1, 4, paged ? Szx128 : Szx48, 0});
  PutBlockHeader(out, "Z80R", 37);
  for (uint16_t w : {s.AF, s.BC, s.DE, s.HL, s.AltAF, s.AltBC, s.AltDE, s.AltHL, s.IX, s.IY, s.SP, s.PC})
    PutWord(out, w);
  out.insert(out.end(), {s.I, s.R, s.IFF1, s.IFF2, s.InterruptMode});
  PutLong(out, s.FrameCycle);
  out.push_back(0);  // how long /INT is still held: the frame start's 32 T-states are not modelled
  out.push_back(s.Halted ? SzxHalted : 0);
  PutWord(out, 0);  // MEMPTR, which the processor does not keep
  PutBlockHeader(out, "SPCR", 8);
  const uint8_t border = s.Border & 7;
  out.insert(out.end(), {border, paged ? s.Port7FFD : uint8_t{0}, 0, border, 0, 0, 0, 0});
  PutBlockHeader(out, "KEYB", 5);
  PutLong(out, 0);
  out.push_back(0);
  std::vector<uint8_t> pageNumbers = {5, 2, 0};
  if (paged) {
    PutBlockHeader(out, "AY\0\0", 18);
    out.push_back(0);
    out.push_back(s.AyAddress & 0x0F);
    out.insert(out.end(), s.AyRegisters.begin(), s.AyRegisters.end());
    pageNumbers = {0, 1, 2, 3, 4, 5, 6, 7};
  }
  for (const uint8_t page : pageNumbers) {
    const uint8_t* data = paged ? s.Pages.data() + page * SnapshotPageSize : s.Ram.data() + SzxPageOffset(page);
    uLongf length = compressBound(0x4000);
    std::vector<uint8_t> code(length);
    if (compress2(code.data(), &length, data, 0x4000, Z_BEST_COMPRESSION) != Z_OK) {
      result.Message = "zlib could not compress a RAM page.";
      result.Bytes.clear();
      return result;
    }
    PutBlockHeader(out, "RAMP", static_cast<uint32_t>(3 + length));
    PutWord(out, 1);
    out.push_back(page);
    out.insert(out.end(), code.begin(), code.begin() + static_cast<std::ptrdiff_t>(length));
  }
  result.Ok = true;
  return result;
}

}  // namespace tirvane
