// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/conditional_breakpoints.h"

#include <cstdio>

#include "debugger/symbols.h"

namespace tirvane {

std::string ConditionalBreakpointMessage(const ConditionalBreakpoint& b) {
  char address[8];
  std::snprintf(address, sizeof address, "%04X", b.Address);
  std::string text = "Breakpoint at " + std::string(address) + "h";
  const auto typed = ParseAddress(b.Where);
  if (!typed || *typed != b.Address) text += " (" + b.Where + ")";
  if (!b.When.AlwaysTrue()) text += " when " + b.When.Text();
  text += ": hit " + std::to_string(b.Hits) + (b.Hits == 1 ? " time." : " times.");
  return text;
}

std::optional<int> ConditionalBreakpointList::Add(std::string_view where, std::string_view condition,
                                                  uint32_t hitCount, const SymbolTable* symbols,
                                                  ConditionError& error) {
  const auto address = ParseAddress(where, symbols);
  if (!address) {
    std::string message = "'";
    message.append(where).append("' is neither a label nor a hexadecimal address");
    error = {0, std::move(message)};
    return std::nullopt;
  }
  auto parsed = Condition::Parse(condition, symbols, error);
  if (!parsed) return std::nullopt;
  ConditionalBreakpoint breakpoint;
  breakpoint.Address = *address;
  breakpoint.Where = std::string(where);
  breakpoint.When = std::move(*parsed);
  breakpoint.HitCount = hitCount == 0 ? 1 : hitCount;
  items_.push_back(std::move(breakpoint));
  Remark();
  return Count() - 1;
}

bool ConditionalBreakpointList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + index);
  Remark();
  return true;
}

void ConditionalBreakpointList::Clear() {
  items_.clear();
  Remark();
}

bool ConditionalBreakpointList::SetEnabled(int index, bool enabled) {
  if (index < 0 || index >= Count()) return false;
  items_[static_cast<size_t>(index)].Enabled = enabled;
  Remark();
  return true;
}

void ConditionalBreakpointList::ResetHits() {
  for (ConditionalBreakpoint& b : items_) b.Hits = 0;
}

void ConditionalBreakpointList::Remark() {
  marks_.reset();
  anyEnabled_ = false;
  for (const ConditionalBreakpoint& b : items_) {
    if (!b.Enabled) continue;
    marks_.set(b.Address);
    anyEnabled_ = true;
  }
}

int ConditionalBreakpointList::Check(uint16_t pc, const Z80Context& z, const uint8_t* memory) {
  if (!marks_[pc]) return -1;
  int first = -1;
  for (size_t i = 0; i < items_.size(); ++i) {
    ConditionalBreakpoint& b = items_[i];
    if (!b.Enabled || b.Address != pc || !b.When.Evaluate(z, memory)) continue;
    ++b.Hits;
    if (first < 0 && b.Hits >= b.HitCount) first = static_cast<int>(i);
  }
  return first;
}

}  // namespace tirvane
