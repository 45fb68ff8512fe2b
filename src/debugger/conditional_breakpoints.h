// SPDX-License-Identifier: GPL-3.0-or-later
// Breakpoints with a condition and a hit count, kept apart from the plain list (which keeps its
// own texts and message). A hit is the program reaching the address with the condition holding;
// the breakpoint stops the run on its n-th hit and on every hit after.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "debugger/condition.h"

namespace tirvane {

struct ConditionalBreakpoint {
  uint16_t Address = 0;
  std::string Where;  // the address as typed: a label or hexadecimal digits
  Condition When;
  uint32_t HitCount = 1;
  uint32_t Hits = 0;
  bool Enabled = true;
};

// "Breakpoint at 0150h (start) when A = 3 and Z: hit 3 times." The condition part is left out
// when there is none, the label part when Where is the address itself.
std::string ConditionalBreakpointMessage(const ConditionalBreakpoint& breakpoint);

class ConditionalBreakpointList {
 public:
  // Reads where as ParseAddress does and condition as Condition::Parse. A bad address is reported at
  // position 0, a bad condition at its column; nothing is added then.
  std::optional<int> Add(std::string_view where, std::string_view condition, uint32_t hitCount,
                         const SymbolTable* symbols, ConditionError& error);
  bool RemoveAt(int index);
  void Clear();
  bool SetEnabled(int index, bool enabled);
  void ResetHits();
  int Count() const { return static_cast<int>(items_.size()); }
  const ConditionalBreakpoint& At(int index) const { return items_[static_cast<size_t>(index)]; }
  bool AnyEnabled() const { return anyEnabled_; }
  // The addresses of the enabled ones.
  const std::bitset<0x10000>& Marks() const { return marks_; }

  // Counts a hit for every enabled breakpoint at pc whose condition holds; the index of the first
  // that reached its count, or -1.
  int Check(uint16_t pc, const Z80Context& z, const uint8_t* memory);

 private:
  void Remark();

  std::vector<ConditionalBreakpoint> items_;
  std::bitset<0x10000> marks_;
  bool anyEnabled_ = false;
};

}  // namespace tirvane
