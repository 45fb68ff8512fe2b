// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM snapshot files as bytes: ".sna", ".z80" (versions 1 to 3) and ".szx" read into one record
// of a 48K or 128K machine and written back from it. The readers check the whole file before they return
// a record, so a refused file never reaches the running machine; they open no dialog and show no
// message, the caller shows the reason.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tirvane {

// A 48K or 128K machine as a snapshot holds it.
struct SpectrumSnapshot {
  uint16_t AF = 0, BC = 0, DE = 0, HL = 0;
  uint16_t AltAF = 0, AltBC = 0, AltDE = 0, AltHL = 0;
  uint16_t IX = 0, IY = 0, SP = 0, PC = 0;
  uint8_t I = 0, R = 0;
  uint8_t IFF1 = 0, IFF2 = 0;
  uint8_t InterruptMode = 1;  // 0, 1 or 2, as the processor counts them
  uint8_t Border = 7;
  bool Halted = false;
  // A ".sna" keeps the program counter on the stack: it is popped once the memory is in place,
  // where the stack may lie in the ROM.
  bool PcOnStack = false;
  uint32_t FrameCycle = 0;  // T-states into the frame, where the file says
  std::array<uint8_t, 8> KeyRows{0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
  std::array<uint8_t, 0xC000> Ram{};  // 4000h-FFFFh of a 48K
  // A 128K's eight RAM pages one after another (Ram is then unused), its port 7FFDh and its sound
  // chip's latched register and registers; a 48K's Pages are empty.
  std::vector<uint8_t> Pages;
  uint8_t Port7FFD = 0;
  uint8_t AyAddress = 0;
  std::array<uint8_t, 16> AyRegisters{};
  bool Is128() const { return !Pages.empty(); }
};

constexpr size_t Snapshot128Pages = 8;
constexpr size_t SnapshotPageSize = 0x4000;

struct SnapshotReadResult {
  bool Ok = false;
  std::string Message;  // why the file was refused, naming it
  SpectrumSnapshot Snapshot;
};

constexpr size_t SnaFileSize = 49179;  // 27-byte header + memory 4000h-FFFFh
constexpr uint32_t Spectrum48FrameCycles = 69888;
constexpr uint32_t Spectrum128FrameCycles = 70908;

SnapshotReadResult ReadSna(std::span<const uint8_t> bytes, std::string_view name);
// With machine128 the machine in use is the 128K: 128K files are read (the 128K and the +2, which
// pages alike), and 48K files too, for its 48K mode; without, 128K files are refused.
SnapshotReadResult ReadZ80(std::span<const uint8_t> bytes, std::string_view name, bool machine128 = false);
SnapshotReadResult ReadSzx(std::span<const uint8_t> bytes, std::string_view name, bool machine128 = false);

enum class SnapshotFormat { Sna, Z80, Szx, Unknown };
// By the file name's extension, in any case.
SnapshotFormat SnapshotFormatOf(std::string_view name);

struct SnapshotWriteResult {
  bool Ok = false;
  std::string Message;
  std::vector<uint8_t> Bytes;
};

// A ".sna" keeps the program counter on the stack, so the two bytes below SP take it; a stack
// pointer below 4002h leaves no RAM for it and the machine cannot be saved in this format.
SnapshotWriteResult WriteSna(const SpectrumSnapshot& snapshot);
// Version 3, 48K or 128K (hardware mode 4) by the record, every page compressed.
SnapshotWriteResult WriteZ80(const SpectrumSnapshot& snapshot);
// Version 1.4, 48K or 128K by the record, the pages zlib-compressed.
SnapshotWriteResult WriteSzx(const SpectrumSnapshot& snapshot);

// The ".z80" run-length code (ED ED count byte) of one block; exposed for the tests.
std::vector<uint8_t> CompressZ80Block(std::span<const uint8_t> bytes);
// False when the code is damaged or does not fill out exactly.
bool ExpandZ80Block(std::span<const uint8_t> code, std::span<uint8_t> out);

}  // namespace tirvane
