// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/watchpoints.h"

#include <cstdio>

#include "debugger/symbols.h"

namespace tirvane {

namespace {

// Bus handlers carry no context, so the wrappers find their list here; set only while armed.
WatchpointList* armedList = nullptr;

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

}  // namespace

struct WatchWrappers {
  static uint8_t Read(uint16_t address) {
    WatchpointList& list = *armedList;
    const auto& saved = list.saved_;
    const uint8_t value = address < static_cast<uint16_t>(saved.DirectReadLimit + 1) ? list.armedOn_->MemoryImage[address]
                                                                                   : saved.Read(address);
    // An opcode or operand fetch reads the byte just behind PC; only data reads are watched.
    if ((list.memoryAccess_[address] & WatchRead) && static_cast<uint16_t>(list.armedOn_->PC.w - 1) != address)
      list.Record(WatchSpace::Memory, false, address, value);
    return value;
  }
  static void Write(uint8_t value, uint16_t address) {
    WatchpointList& list = *armedList;
    if (list.memoryAccess_[address] & WatchWrite) list.Record(WatchSpace::Memory, true, address, value);
    // Below the machine's own RomLimit the write is dropped, as the core would have dropped it.
    if (address >= list.saved_.RomLimit) list.saved_.Write(value, address);
  }
  static void PortOut(uint8_t value, uint8_t port) {
    WatchpointList& list = *armedList;
    if (list.portAccess_[port] & WatchWrite) list.Record(WatchSpace::Port, true, port, value);
    list.saved_.PortOut(value, port);
  }
  static uint8_t PortIn(uint16_t port) {
    WatchpointList& list = *armedList;
    const uint8_t value = list.saved_.PortIn(port);
    if (list.portAccess_[port & 0xFF] & WatchRead) list.Record(WatchSpace::Port, false, port, value);
    return value;
  }
};

std::string DescribeWatchpoint(const Watchpoint& w) {
  const int digits = w.Space == WatchSpace::Port ? 2 : 4;
  std::string text = w.Space == WatchSpace::Port ? "port " : "";
  text += Hex(w.First, digits) + "h";
  if (w.Last != w.First) text += "-" + Hex(w.Last, digits) + "h";
  const bool port = w.Space == WatchSpace::Port;
  text += w.Access == WatchReadWrite ? (port ? " in/out" : " read/write")
          : w.Access == WatchRead    ? (port ? " in" : " read")
                                     : (port ? " out" : " write");
  switch (w.Match.Kind) {
    case ValueMatch::Test::Any: break;
    case ValueMatch::Test::Equal: text += " = " + Hex(w.Match.Value, 2) + "h"; break;
    case ValueMatch::Test::NotEqual: text += " <> " + Hex(w.Match.Value, 2) + "h"; break;
    case ValueMatch::Test::Mask:
      text += " & " + Hex(w.Match.Mask, 2) + "h = " + Hex(w.Match.Value, 2) + "h";
      break;
  }
  return text;
}

std::string WatchHitMessage(const Watchpoint& watchpoint, const WatchHit& hit) {
  std::string text = "Watchpoint " + DescribeWatchpoint(watchpoint) + ": the instruction at " +
                     Hex(hit.InstructionAddress, 4) + "h ";
  const std::string value = Hex(hit.Value, 2) + "h";
  if (hit.Space == WatchSpace::Port)
    text += hit.Write ? "sent " + value + " to port " + Hex(hit.Address & 0xFF, 2) + "h"
                      : "read " + value + " from port " + Hex(hit.Address & 0xFF, 2) + "h";
  else
    text += hit.Write ? "wrote " + value + " to " + Hex(hit.Address, 4) + "h"
                      : "read " + value + " from " + Hex(hit.Address, 4) + "h";
  return text + ".";
}

WatchpointList::~WatchpointList() {
  if (Armed()) Disarm(*armedOn_);
}

int WatchpointList::Add(const Watchpoint& watchpoint) {
  items_.push_back(watchpoint);
  if (items_.back().Space == WatchSpace::Port) {
    items_.back().First &= 0xFF;
    items_.back().Last &= 0xFF;
  }
  if (items_.back().Last < items_.back().First) std::swap(items_.back().First, items_.back().Last);
  Rebuild();
  return Count() - 1;
}

bool WatchpointList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + index);
  Rebuild();
  return true;
}

void WatchpointList::Clear() {
  items_.clear();
  Rebuild();
}

bool WatchpointList::SetEnabled(int index, bool enabled) {
  if (index < 0 || index >= Count()) return false;
  items_[static_cast<size_t>(index)].Enabled = enabled;
  Rebuild();
  return true;
}

void WatchpointList::Rebuild() {
  std::fill(memoryAccess_.begin(), memoryAccess_.end(), 0);
  portAccess_.fill(0);
  anyEnabled_ = anyMemoryRead_ = anyMemoryWrite_ = false;
  lowestRead_ = lowestWrite_ = 0xFFFF;
  for (const Watchpoint& w : items_) {
    if (!w.Enabled || w.Access == 0) continue;
    anyEnabled_ = true;
    for (uint32_t a = w.First; a <= w.Last; ++a) {
      if (w.Space == WatchSpace::Port)
        portAccess_[a & 0xFF] |= w.Access;
      else
        memoryAccess_[a] |= w.Access;
    }
    if (w.Space != WatchSpace::Memory) continue;
    if (w.Access & WatchRead) {
      anyMemoryRead_ = true;
      lowestRead_ = std::min(lowestRead_, w.First);
    }
    if (w.Access & WatchWrite) {
      anyMemoryWrite_ = true;
      lowestWrite_ = std::min(lowestWrite_, w.First);
    }
  }
  // A list changed while armed (from inside a hit's handling) keeps watching with the new table;
  // the limits are recomputed at the next Arm.
}

void WatchpointList::Record(WatchSpace space, bool write, uint16_t address, uint8_t value) {
  if (hit_) return;
  const uint16_t key = space == WatchSpace::Port ? (address & 0xFF) : address;
  const uint8_t access = write ? WatchWrite : WatchRead;
  for (size_t i = 0; i < items_.size(); ++i) {
    const Watchpoint& w = items_[i];
    if (!w.Enabled || w.Space != space || !(w.Access & access) || key < w.First || key > w.Last ||
        !w.Match.Matches(value))
      continue;
    hit_ = WatchHit{static_cast<int>(i), armedOn_->InstructionAddress, space, write, address, value};
    if (OnHit) OnHit(OnHitContext);
    return;
  }
}

void WatchpointList::Arm(Z80Context& z) {
  if (armedList != nullptr) armedList->Disarm(*armedList->armedOn_);
  if (!anyEnabled_) return;
  saved_ = {z.ReadHandler, z.WriteHandler, z.PortOutHandler, z.PortInHandler, z.DirectReadLimit, z.RomLimit, 0, 0};
  armedList = this;
  armedOn_ = &z;
  bool anyPortRead = false, anyPortWrite = false;
  for (uint8_t access : portAccess_) {
    anyPortRead = anyPortRead || (access & WatchRead);
    anyPortWrite = anyPortWrite || (access & WatchWrite);
  }
  if (anyMemoryRead_) {
    z.ReadHandler = &WatchWrappers::Read;
    // Reads up to DirectReadLimit never reach a handler; below the lowest watched address they
    // still need not.
    if (lowestRead_ < static_cast<uint16_t>(z.DirectReadLimit + 1))
      z.DirectReadLimit = static_cast<uint16_t>(lowestRead_ - 1);  // 0 wraps to FFFFh: no direct reads
  }
  if (anyMemoryWrite_) {
    z.WriteHandler = &WatchWrappers::Write;
    if (lowestWrite_ < z.RomLimit) z.RomLimit = lowestWrite_;
  }
  if (anyPortWrite) z.PortOutHandler = &WatchWrappers::PortOut;
  if (anyPortRead) z.PortInHandler = &WatchWrappers::PortIn;
  saved_.ArmedDirectReadLimit = z.DirectReadLimit;
  saved_.ArmedRomLimit = z.RomLimit;
}

void WatchpointList::Disarm(Z80Context& z) {
  if (armedList != this || armedOn_ != &z) return;
  if (z.ReadHandler == &WatchWrappers::Read) z.ReadHandler = saved_.Read;
  if (z.WriteHandler == &WatchWrappers::Write) z.WriteHandler = saved_.Write;
  if (z.PortOutHandler == &WatchWrappers::PortOut) z.PortOutHandler = saved_.PortOut;
  if (z.PortInHandler == &WatchWrappers::PortIn) z.PortInHandler = saved_.PortIn;
  if (z.DirectReadLimit == saved_.ArmedDirectReadLimit) z.DirectReadLimit = saved_.DirectReadLimit;
  if (z.RomLimit == saved_.ArmedRomLimit) z.RomLimit = saved_.RomLimit;
  armedList = nullptr;
  armedOn_ = nullptr;
}

bool WatchpointList::Armed() const { return armedList == this; }

std::optional<WatchHit> WatchpointList::TakeHit() {
  std::optional<WatchHit> hit = hit_;
  hit_.reset();
  return hit;
}

std::optional<std::pair<uint16_t, uint16_t>> ParseAddressRange(const std::string& text, const SymbolTable* symbols) {
  // A label may itself hold '-' only in no form we read, so the first '-' splits the range.
  const size_t dash = text.find('-');
  const auto first = ParseAddress(std::string_view(text).substr(0, dash), symbols);
  if (!first) return std::nullopt;
  if (dash == std::string::npos) return std::make_pair(*first, *first);
  const auto last = ParseAddress(std::string_view(text).substr(dash + 1), symbols);
  if (!last || *last < *first) return std::nullopt;
  return std::make_pair(*first, *last);
}

std::optional<PagedRange> ParsePagedRange(const std::string& text, const SymbolTable* symbols) {
  const size_t dash = text.find('-');
  const auto first = ParsePagedAddress(std::string_view(text).substr(0, dash), symbols);
  if (!first) return std::nullopt;
  if (dash == std::string::npos) return PagedRange{first->Page, first->Address, first->Address};
  const auto last = ParseAddress(std::string_view(text).substr(dash + 1), symbols);
  if (!last || *last < first->Address) return std::nullopt;
  return PagedRange{first->Page, first->Address, *last};
}

}  // namespace tirvane
