// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/breakpoints.h"

#include <algorithm>

#include "text/text.h"
#include "video/host.h"

namespace tirvane {

int BreakpointList::Add(std::string_view item) {
  const auto at = std::upper_bound(items_.begin(), items_.end(), item,
                                   [](std::string_view a, const std::string& b) { return a < b; });
  const auto index = at - items_.begin();
  items_.insert(at, std::string(item));
  Remark();
  return static_cast<int>(index);
}

bool BreakpointList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + index);
  Remark();
  return true;
}

void BreakpointList::Clear() {
  items_.clear();
  Remark();
}

void BreakpointList::Remark() {
  addresses_.clear();
  marked_.reset();
  for (const std::string& item : items_) {
    const auto address = static_cast<uint16_t>(ParseHex(UpperAscii(item)));
    addresses_.push_back(address);
    marked_.set(address);
  }
}

std::string BreakpointMessage(std::string_view item) {
  return "The instruction in address of the breakpoint [" + std::string(item) +
         "] is the next to be executed.";
}

int CheckBreakpoints(const BreakpointList& list, uint16_t pc, const BreakpointHitActions& actions) {
  if (!list.Contains(pc)) return 0;
  // The hit's own handlers run inside modal message boxes; a copy keeps this walk valid whatever
  // they do to the list.
  const std::vector<std::string> items = list.Items();
  std::vector<uint16_t> addresses;
  addresses.reserve(items.size());
  for (int i = 0; i < list.Count(); ++i) addresses.push_back(list.Address(i));

  int hits = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (addresses[i] != pc) continue;
    ++hits;
    if (actions.Refresh) actions.Refresh();
    CurrentHost().messageBox(BreakpointMessage(items[i]));
    if (actions.TickDebug) actions.TickDebug();
    if (actions.Pause) actions.Pause();
  }
  return hits;
}

}  // namespace tirvane
