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
                         {"IY", z.IY.w}, {"BC", z.BC.w}, {"DE", z.DE.w}};
  for (const Named& pair : pairs)
    if (upper == pair.Name) return pair.Value;
  return std::nullopt;
}

std::optional<uint16_t> HexNumber(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  else if (!text.empty() && text[0] == '$')
    text.remove_prefix(1);
  else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H'))
    text.remove_suffix(1);
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

std::optional<uint16_t> ResolveLocation(std::string_view text, const Z80Context& z, const LabelLookup& labels) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  if (const std::optional<uint16_t> value = RegisterValue(text, z)) return value;
  if (labels)
    if (const std::optional<uint16_t> value = labels(text)) return value;
  return HexNumber(text);
}

}  // namespace tirvane
