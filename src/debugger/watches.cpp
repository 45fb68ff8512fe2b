// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/watches.h"

#include "text/text.h"

namespace tirvane {

namespace {

constexpr size_t WatchFieldCount = 6;
constexpr size_t WatchFieldWidth = 7;

// Splits at commas into at most six fields, each cut to its first seven characters; the sixth field
// keeps any further commas.
std::vector<std::string> SplitWatch(std::string_view text) {
  std::vector<std::string> fields;
  while (fields.size() + 1 < WatchFieldCount) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) break;
    fields.emplace_back(text.substr(0, std::min(comma, WatchFieldWidth)));
    text.remove_prefix(comma + 1);
  }
  fields.emplace_back(text.substr(0, std::min(text.size(), WatchFieldWidth)));
  fields.resize(WatchFieldCount);
  return fields;
}

std::string Binary(uint32_t value, int digits) {
  std::string text(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 1)
    if (value & 1) text[static_cast<size_t>(i)] = '1';
  return text;
}

}  // namespace

Watch ParseWatch(std::string_view text) {
  const std::vector<std::string> fields = SplitWatch(text);
  Watch watch;
  watch.Text = std::string(text);
  watch.AddressText = fields[0];
  watch.DisplacementText = fields[1];
  watch.Address = static_cast<uint16_t>(ParseHex(fields[0]));
  watch.Displacement = static_cast<int8_t>(static_cast<uint8_t>(ParseHex(fields[1])));

  const std::string& kind = fields[2];
  if (kind.size() == 1 && kind[0] >= '0' && kind[0] <= '7')
    watch.Kind = static_cast<WatchKind>(kind[0] - '0');
  if (fields[3] == "1") watch.View = WatchView::Decimal;
  if (fields[3] == "2") watch.View = WatchView::Binary;
  if (fields[4].empty())
    watch.Type = WatchType::None;
  else
    watch.Type = fields[4] == "0" ? WatchType::Byte : WatchType::Word;
  return watch;
}

std::string WatchLabel(const Watch& watch) {
  std::string label;
  switch (watch.Type) {
    case WatchType::None:
      label = "???";
      break;
    case WatchType::Byte:
      label = "bptr ";
      break;
    case WatchType::Word:
      label = "wptr ";
      break;
  }
  switch (watch.Kind) {
    case WatchKind::BC:
      return label + "[BC]";
    case WatchKind::DE:
      return label + "[DE]";
    case WatchKind::HL:
      return label + "[HL]";
    case WatchKind::IndexX:
      return label + "[IX+" + watch.DisplacementText + "]";
    case WatchKind::IndexY:
      return label + "[IY+" + watch.DisplacementText + "]";
    case WatchKind::Address:
      return label + "[" + watch.AddressText + "]";
    case WatchKind::PC:
      return label + "[PC]";
    case WatchKind::SP:
      return label + "[SP]";
    case WatchKind::Plain:
      return label;
  }
  return label;
}

uint16_t EffectiveAddress(const Watch& watch, const Z80Context& z) {
  switch (watch.Kind) {
    case WatchKind::BC:
      return z.BC.w;
    case WatchKind::DE:
      return z.DE.w;
    case WatchKind::HL:
      return z.HL.w;
    case WatchKind::IndexX:
      return static_cast<uint16_t>(z.IX.w + watch.Displacement);
    case WatchKind::IndexY:
      return static_cast<uint16_t>(z.IY.w + watch.Displacement);
    case WatchKind::PC:
      return z.PC.w;
    case WatchKind::SP:
      return z.SP.w;
    case WatchKind::Address:
    case WatchKind::Plain:
      return watch.Address;
  }
  return watch.Address;
}

int32_t SampleWatch(const Watch& watch, const Z80Context& z, const uint8_t* memory) {
  if (watch.Type == WatchType::None) return -1;
  const uint16_t address = EffectiveAddress(watch, z);
  if (watch.Type == WatchType::Byte) return memory[address];
  return memory[address] | memory[static_cast<uint16_t>(address + 1)] << 8;
}

std::string FormatWatchValue(const Watch& watch, int32_t value) {
  if (watch.Type == WatchType::None || value < 0) return "????";
  const bool word = watch.Type == WatchType::Word;
  switch (watch.View) {
    case WatchView::Decimal:
      return std::to_string(value);
    case WatchView::Binary:
      return Binary(static_cast<uint32_t>(value), word ? 16 : 8);
    case WatchView::Hexa:
      break;
  }
  return FormatHex(static_cast<uint32_t>(value), word ? 4 : 2);
}

std::string NewWatchText(std::string_view address, std::string_view displacement, WatchKind kind,
                         WatchView view, WatchType type) {
  std::string text(address);
  text += ',';
  text += displacement;
  text += ',';
  text += std::to_string(static_cast<int>(kind));
  text += ',';
  text += std::to_string(static_cast<int>(view));
  text += ',';
  text += type == WatchType::Word ? '1' : '0';
  text += ",?????";
  return text;
}

const std::vector<std::string>& DefaultWatchTexts() {
  static const std::vector<std::string> texts = {
      "0000,00,0,0,0,????", "0000,00,1,0,0,????", "0000,00,2,0,0,????", "0000,00,3,0,0,????",
      "0000,00,4,0,0,????", "0000,00,6,0,0,????", "0000,00,7,0,1,????",
  };
  return texts;
}

WatchList::WatchList() {
  for (const std::string& text : DefaultWatchTexts()) Append(text);
}

void WatchList::Append(std::string_view text) { watches_.push_back(ParseWatch(text)); }

bool WatchList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return false;
  watches_.erase(watches_.begin() + index);
  return true;
}

void WatchList::Sample(const Z80Context& z, const uint8_t* memory) {
  if (values_.size() < watches_.size()) values_.resize(watches_.size());
  for (size_t i = 0; i < watches_.size(); ++i) {
    const Watch& watch = watches_[i];
    values_[i] = {SampleWatch(watch, z, memory), watch.View, watch.Type};
  }
}

std::string WatchList::ValueText(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= values_.size()) return {};
  const StoredValue& stored = values_[static_cast<size_t>(index)];
  Watch shape;
  shape.View = stored.View;
  shape.Type = stored.Type;
  return FormatWatchValue(shape, stored.Value);
}

}  // namespace tirvane
