// SPDX-License-Identifier: GPL-3.0-or-later
// The trace: the last instructions executed while the debugger is on, each with its address, its
// bytes and the registers after it, kept in a ring so recording is a copy of a few words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

class SymbolTable;

struct TraceEntry {
  uint16_t Address;
  uint8_t Bytes[4];  // as fetched before the instruction ran (self-modifying code shows its old form)
  // After the instruction: AF BC DE HL IX IY SP PC.
  uint16_t Registers[8];
};

class TraceBuffer {
 public:
  static constexpr int DefaultCapacity = 100000;
  explicit TraceBuffer(int capacity = DefaultCapacity);

  // Before the instruction: its address and bytes; After: the registers it left.
  void Before(const Z80Context& z, const uint8_t* memory) {
    TraceEntry& e = entries_[next_];
    e.Address = z.PC.w;
    for (int i = 0; i < 4; ++i) e.Bytes[i] = memory[static_cast<uint16_t>(z.PC.w + i)];
  }
  void After(const Z80Context& z) {
    TraceEntry& e = entries_[next_];
    e.Registers[0] = z.AF.w;
    e.Registers[1] = z.BC.w;
    e.Registers[2] = z.DE.w;
    e.Registers[3] = z.HL.w;
    e.Registers[4] = z.IX.w;
    e.Registers[5] = z.IY.w;
    e.Registers[6] = z.SP.w;
    e.Registers[7] = z.PC.w;
    if (++next_ == entries_.size()) next_ = 0;
    if (count_ < entries_.size()) ++count_;
    ++total_;
  }

  void Clear();
  int Count() const { return static_cast<int>(count_); }
  int Capacity() const { return static_cast<int>(entries_.size()); }
  // 0 is the oldest kept entry.
  const TraceEntry& At(int index) const;
  // Every instruction recorded since the last Clear, kept or not.
  uint64_t Total() const { return total_; }

  // The kept lines, oldest first; false with error set when the file cannot be written.
  bool Save(const std::string& path, const SymbolTable* symbols, std::string& error) const;

 private:
  std::vector<TraceEntry> entries_;
  size_t next_ = 0;
  size_t count_ = 0;
  uint64_t total_ = 0;
};

// "0150  3E 03        LD A,03         AF=0344 BC=0000 DE=0000 HL=0000 IX=0000 IY=0000 SP=F000 PC=0152";
// the instruction text is the disassembler's, with labels for addresses the symbols name.
std::string FormatTraceLine(const TraceEntry& entry, const SymbolTable* symbols = nullptr);

}  // namespace tirvane
