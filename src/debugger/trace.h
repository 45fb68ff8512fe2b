// SPDX-License-Identifier: GPL-3.0-or-later
// The trace: the last instructions executed while the debugger is on, each with its address, its
// bytes and the registers after it, kept in a ring so recording is a copy of a few words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

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

  // Before the instruction: its address and bytes; After: the registers it left. Both are plain
  // stores into the ring: the text is made only when lines are shown or saved.
  void Before(const Z80Context& z, const uint8_t* memory) {
    TraceEntry& e = entries_[next_];
    const uint16_t pc = z.PC.w;
    e.Address = pc;
    if (pc <= 0xFFFC) {
      std::memcpy(e.Bytes, memory + pc, 4);
    } else {
      for (int i = 0; i < 4; ++i) e.Bytes[i] = memory[static_cast<uint16_t>(pc + i)];
    }
  }
  void After(const Z80Context& z) {
    TraceEntry& e = entries_[next_];
    // AF to IY lie side by side in the record, as in the entry.
    static_assert(offsetof(Z80Context, IY) == offsetof(Z80Context, AF) + 5 * sizeof(RegisterPair));
    std::memcpy(e.Registers, &z.AF, 6 * sizeof(uint16_t));
    e.Registers[6] = z.SP.w;
    e.Registers[7] = z.PC.w;
    if (++next_ == capacity_) next_ = 0;
    ++total_;
    // The ring is larger than the caches: ask for the line a few entries on before it is written.
    __builtin_prefetch(&entries_[next_ + 8 < capacity_ ? next_ + 8 : 0], 1);
  }
  // The entry After completed last; only while Count() > 0.
  const TraceEntry& Last() const { return entries_[next_ == 0 ? capacity_ - 1 : next_ - 1]; }

  void Clear();
  int Count() const { return static_cast<int>(total_ < capacity_ ? total_ : capacity_); }
  int Capacity() const { return static_cast<int>(capacity_); }
  // 0 is the oldest kept entry.
  const TraceEntry& At(int index) const;
  // Every instruction recorded since the last Clear, kept or not.
  uint64_t Total() const { return total_; }

  // The kept lines, oldest first; false with error set when the file cannot be written.
  bool Save(const std::string& path, const SymbolTable* symbols, std::string& error) const;

 private:
  std::unique_ptr<TraceEntry[]> entries_;
  size_t capacity_;
  size_t next_ = 0;
  uint64_t total_ = 0;
};

// "0150  3E 03        LD A,03         AF=0344 BC=0000 DE=0000 HL=0000 IX=0000 IY=0000 SP=F000 PC=0152";
// the instruction text is the disassembler's, with labels for addresses the symbols name.
std::string FormatTraceLine(const TraceEntry& entry, const SymbolTable* symbols = nullptr);

}  // namespace tirvane
