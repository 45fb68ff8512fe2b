// SPDX-License-Identifier: GPL-3.0-or-later
// The small text routines descriptions, the debugger and the runner share: hexadecimal numbers as the
// description files and the debugger's fields write them, and ASCII-only case and blank handling.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tirvane {

int32_t ParseHex(std::string_view text);
std::string FormatHex(uint32_t value, int digits);
std::string TrimSpaces(std::string_view text);
std::string UpperAscii(std::string_view text);
inline char UpperAsciiChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace tirvane
