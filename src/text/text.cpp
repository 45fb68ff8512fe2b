// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text.h"

namespace tirvane {

int32_t ParseHex(std::string_view text) {
  constexpr std::string_view Digits = "0123456789ABCDEF";
  std::string trimmed = TrimSpaces(text);
  uint32_t sum = 0;
  uint32_t weight = 1;
  for (auto it = trimmed.rbegin(); it != trimmed.rend(); ++it) {
    size_t digit = Digits.find(*it);
    if (digit != std::string_view::npos) sum += static_cast<uint32_t>(digit) * weight;
    weight *= 16;  // also for characters that are not digits: they stand as zeros
  }
  return static_cast<int32_t>(sum);
}

std::string FormatHex(uint32_t value, int digits) {
  constexpr char Digits[] = "0123456789ABCDEF";
  if (digits <= 0) return {};
  std::string text(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0 && value != 0; --i) {
    text[static_cast<size_t>(i)] = Digits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::string TrimSpaces(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAsciiChar(c);
  return upper;
}

}  // namespace tirvane
