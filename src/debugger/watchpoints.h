// SPDX-License-Identifier: GPL-3.0-or-later
// Watchpoints: stop when the program reads or writes an address range or a port, optionally only
// for some values. They cost nothing while none is set: Arm puts wrapping handlers in the processor
// record's bus slots only for the stretch the debugger runs, lowers DirectReadLimit and RomLimit just
// enough that watched reads from the memory image and writes to ROM reach a wrapper too (a wrapper
// then serves them as the core would have), and Disarm puts the record back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

class SymbolTable;

enum class WatchSpace : uint8_t { Memory, Port };
// Bits: a watchpoint may watch both directions.
enum WatchAccess : uint8_t { WatchRead = 1, WatchWrite = 2, WatchReadWrite = 3 };

struct ValueMatch {
  enum class Test : uint8_t { Any, Equal, NotEqual, Mask };  // Mask: (value & Mask) == Value
  Test Kind = Test::Any;
  uint8_t Value = 0;
  uint8_t Mask = 0xFF;
  bool Matches(uint8_t value) const {
    switch (Kind) {
      case Test::Any: return true;
      case Test::Equal: return value == Value;
      case Test::NotEqual: return value != Value;
      case Test::Mask: return (value & Mask) == Value;
    }
    return true;
  }
};

struct Watchpoint {
  WatchSpace Space = WatchSpace::Memory;
  uint16_t First = 0;  // ports: 0-FF, matched against the port's low byte
  uint16_t Last = 0;
  uint8_t Access = WatchReadWrite;
  ValueMatch Match;
  bool Enabled = true;
};

// "8000h-80FFh write", "port FEh read = 1Fh": how lists and messages name a watchpoint.
std::string DescribeWatchpoint(const Watchpoint& watchpoint);

// What stopped the run: the access that matched and the instruction that made it.
struct WatchHit {
  int Index = -1;  // into the list
  uint16_t InstructionAddress = 0;
  WatchSpace Space = WatchSpace::Memory;
  bool Write = false;
  uint16_t Address = 0;  // memory address, or the full 16-bit port address
  uint8_t Value = 0;
};
// "Watchpoint 8000h-80FFh write: the instruction at 0150h wrote 3Eh to 8005h."
std::string WatchHitMessage(const Watchpoint& watchpoint, const WatchHit& hit);

class WatchpointList {
 public:
  WatchpointList() = default;
  ~WatchpointList();  // disarms
  WatchpointList(const WatchpointList&) = delete;
  WatchpointList& operator=(const WatchpointList&) = delete;

  int Add(const Watchpoint& watchpoint);  // returns its index
  bool RemoveAt(int index);
  void Clear();
  // False for an index outside the list.
  bool SetEnabled(int index, bool enabled);
  int Count() const { return static_cast<int>(items_.size()); }
  const Watchpoint& At(int index) const { return items_[static_cast<size_t>(index)]; }
  const std::vector<Watchpoint>& Items() const { return items_; }
  // Any enabled watchpoint: only then is there anything to arm.
  bool AnyEnabled() const { return anyEnabled_; }

  // Installs the wrappers in z for the stretch about to run. Only one list is armed at a time;
  // arming another disarms the first.
  void Arm(Z80Context& z);
  // Restores what Arm replaced, except a slot or limit that code between the core calls (a frame
  // handler, a loader) set meanwhile: that one is the machine's new value and stays.
  void Disarm(Z80Context& z);
  bool Armed() const;

  // The first matching access since the last TakeHit, if any; clears it.
  std::optional<WatchHit> TakeHit();
  bool HitPending() const { return hit_.has_value(); }
  // Called by the wrappers on the first match, e.g. to make the core's loop stop at the next
  // instruction. A plain function pointer: it runs inside the instruction.
  void (*OnHit)(void* context) = nullptr;
  void* OnHitContext = nullptr;

 private:
  friend struct WatchWrappers;
  void Rebuild();
  void Record(WatchSpace space, bool write, uint16_t address, uint8_t value);

  std::vector<Watchpoint> items_;
  bool anyEnabled_ = false;
  // Per address and per port, which accesses some enabled watchpoint covers: the wrappers look here
  // first, so an access nobody watches costs one table read.
  std::vector<uint8_t> memoryAccess_ = std::vector<uint8_t>(0x10000);
  std::array<uint8_t, 256> portAccess_{};
  uint16_t lowestRead_ = 0xFFFF;   // meaningful when some memory read is watched
  uint16_t lowestWrite_ = 0xFFFF;  // likewise for writes
  bool anyMemoryRead_ = false, anyMemoryWrite_ = false;
  std::optional<WatchHit> hit_;

  // What Arm replaced.
  struct Saved {
    ReadHandlerFn Read;
    WriteHandlerFn Write;
    PortOutHandlerFn PortOut;
    PortInHandlerFn PortIn;
    uint16_t DirectReadLimit;
    uint16_t RomLimit;
    uint16_t ArmedDirectReadLimit;
    uint16_t ArmedRomLimit;
  } saved_{};
  Z80Context* armedOn_ = nullptr;
};

// "8000", "8000-80FF", "start-end" with labels: the headless runner's and the dialogs' range form.
std::optional<std::pair<uint16_t, uint16_t>> ParseAddressRange(const std::string& text, const SymbolTable* symbols);
// The same with an optional page before the first address: "5:C000-DAFF" (see ParsePagedAddress).
struct PagedRange {
  std::optional<uint8_t> Page;
  uint16_t First = 0, Last = 0;
};
std::optional<PagedRange> ParsePagedRange(const std::string& text, const SymbolTable* symbols);

}  // namespace tirvane
