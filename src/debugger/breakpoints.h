// SPDX-License-Identifier: GPL-3.0-or-later
// Code breakpoints: the list the user keeps (text, sorted as text, duplicates allowed) and the check the
// run loop makes before each instruction while "Break" is ticked.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tirvane {

class BreakpointList {
 public:
  // Inserts after every item that sorts before or equal to it; returns the new item's index.
  int Add(std::string_view item);
  // False (and no change) for an index outside the list.
  bool RemoveAt(int index);
  void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  const std::vector<std::string>& Items() const { return items_; }
  const std::string& Item(int index) const { return items_[static_cast<size_t>(index)]; }
  // The item read as a hexadecimal number (digits of either case), cut to 16 bits; empty reads as 0.
  uint16_t Address(int index) const { return addresses_[static_cast<size_t>(index)]; }

  // The per-instruction question. Items are parsed when the list changes, so this is one bit test.
  bool Contains(uint16_t pc) const { return marked_[pc]; }
  // Every address some item names, for the core's loop that stops at them.
  const std::bitset<65536>& Marks() const { return marked_; }

 private:
  void Remark();

  std::vector<std::string> items_;
  std::vector<uint16_t> addresses_;
  std::bitset<65536> marked_;
};

// What a hit does besides the message, supplied by the windows.
struct BreakpointHitActions {
  std::function<void()> Refresh;    // registers and watches, showing PC at the breakpoint
  std::function<void()> TickDebug;  // the main window's "Debug" box; switches the debugger on if it was off
  std::function<void()> Pause;      // the debugger state becomes Paused
};

std::string BreakpointMessage(std::string_view item);

// Every item equal to pc, in list order, refreshes, shows its message through the host, ticks Debug
// and pauses, the instruction at pc not yet run. Returns the number of hits.
int CheckBreakpoints(const BreakpointList& list, uint16_t pc, const BreakpointHitActions& actions);

}  // namespace tirvane
