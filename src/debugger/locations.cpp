// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/locations.h"

#include <cctype>
#include <string>

namespace tirvane {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::optional<uint16_t> RegisterValue(std::string_view name, const Z80Context& z) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  struct Named {
    const char* Name;
    uint16_t Value;
  };
  const Named pairs[] = {{"PC", z.PC.w}, {"SP", z.SP.w}, {"HL", z.HL.w}, {"IX", z.IX.w},
                         {"IY", z.IY.w}, {"BC", z.BC.w}, {"DE", z.DE.w}, {"AF", z.AF.w}};
  for (const Named& pair : pairs)
    if (upper == pair.Name) return pair.Value;
  return std::nullopt;
}

// Hexadecimal digits only; values above FFFF are refused rather than cut, so a 24-bit address from
// another machine is reported instead of landing somewhere wrong.
std::optional<uint16_t> HexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                   ? c - '0'
                                                   : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// "$BEEF", "#BEEF", "0xBEEF" and assembler style "0BEEFh" (a digit first, so "beach" stays a word)
// are numbers whatever the labels and registers are called.
std::optional<uint16_t> ExplicitNumber(std::string_view text) {
  if (text.front() == '$' || text.front() == '#') return HexDigits(text.substr(1));
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return HexDigits(text.substr(2));
  if (text.size() > 1 && std::isdigit(static_cast<unsigned char>(text.front())) &&
      (text.back() == 'h' || text.back() == 'H'))
    return HexDigits(text.substr(0, text.size() - 1));
  return std::nullopt;
}

}  // namespace

std::optional<uint16_t> ReadAddress(std::string_view text, const Z80Context* registers, const LabelLookup& labels) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  if (const std::optional<uint16_t> value = ExplicitNumber(text)) return value;
  if (registers != nullptr)
    if (const std::optional<uint16_t> value = RegisterValue(text, *registers)) return value;
  if (labels)
    if (const std::optional<uint16_t> value = labels(text)) return value;
  if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) text.remove_suffix(1);  // "FFh"
  return HexDigits(text);
}

std::optional<uint16_t> ResolveLocation(std::string_view text, const Z80Context& z, const LabelLookup& labels) {
  return ReadAddress(text, &z, labels);
}

}  // namespace tirvane
