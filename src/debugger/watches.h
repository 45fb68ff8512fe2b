// SPDX-License-Identifier: GPL-3.0-or-later
// Memory watches of the register window. A watch is kept as the text the user sees in the list
// ("address,displacement,kind,view,type,placeholder") and parsed once when the list changes, so
// sampling at every instruction only reads registers and memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

// Where a watch looks; the numbers are the codes stored in the watch text.
enum class WatchKind : int8_t {
  BC = 0,
  DE = 1,
  HL = 2,
  IndexX = 3,
  IndexY = 4,
  Address = 5,
  PC = 6,
  SP = 7,
  Plain = -1,  // any other kind character: the address field, and no address part in the label
};
enum class WatchView : uint8_t { Hexa = 0, Decimal = 1, Binary = 2 };
enum class WatchType : uint8_t { None, Byte, Word };  // None: an empty type field

struct Watch {
  std::string Text;         // the list item, as stored
  std::string AddressText;  // fields as typed, each cut to 7 characters
  std::string DisplacementText;
  WatchKind Kind = WatchKind::Plain;
  WatchView View = WatchView::Hexa;
  WatchType Type = WatchType::None;
  uint16_t Address = 0;
  int8_t Displacement = 0;  // the low byte of the field, signed
};

Watch ParseWatch(std::string_view text);
// "bptr [IX+F0]", "wptr [SP]", "???[1000]".
std::string WatchLabel(const Watch& watch);
// Index registers plus a displacement wrap within the 16-bit address space.
uint16_t EffectiveAddress(const Watch& watch, const Z80Context& z);
// The value read from memory (64 KB; a word's second byte at FFFF wraps to 0000), or -1 for a watch
// without a type.
int32_t SampleWatch(const Watch& watch, const Z80Context& z, const uint8_t* memory);
// A sampled value as the list shows it: "????" without a type, otherwise hexadecimal (2 or 4 digits),
// decimal, or binary (8 or 16 digits) by the watch's view.
std::string FormatWatchValue(const Watch& watch, int32_t value);

// The text of a watch added through the dialog.
std::string NewWatchText(std::string_view address, std::string_view displacement, WatchKind kind,
                         WatchView view, WatchType type);

// The seven watches a fresh register window lists.
const std::vector<std::string>& DefaultWatchTexts();

class WatchList {
 public:
  WatchList();  // holds the default watches

  void Append(std::string_view text);
  bool RemoveAt(int index);
  int Count() const { return static_cast<int>(watches_.size()); }
  const Watch& At(int index) const { return watches_[static_cast<size_t>(index)]; }

  // Samples every watch; values stay stored per position until the next sample, so a watch added
  // since shows what was last stored at its position (nothing when no value was).
  void Sample(const Z80Context& z, const uint8_t* memory);
  // The text last stored for a position; empty when none was.
  std::string ValueText(int index) const;

 private:
  struct StoredValue {
    int32_t Value = -1;
    WatchView View = WatchView::Hexa;  // the shape of the watch it was sampled for
    WatchType Type = WatchType::None;
  };

  std::vector<Watch> watches_;
  std::vector<StoredValue> values_;  // one per position ever sampled
};

}  // namespace tirvane
