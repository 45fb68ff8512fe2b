// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a description file: both readers must take them without reading past the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "machine/description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // A first byte FFh asks for a huge text: the rest repeated past 64 KB, so lines longer than any
  // 16-bit count and than any input the fuzzer writes reach both readers.
  std::string huge;
  if (size > 1 && data[0] == 0xFF) {
    while (huge.size() < 70000) huge.append(text.substr(1));
    text = huge;
  }
  tirvane::GameDescription game;
  tirvane::ParseGameDescription(text, game);
  if (game.RomCount != static_cast<int32_t>(game.Roms.size())) __builtin_trap();
  for (const auto& rom : game.Roms)
    if (rom.FileName.size() > 255) __builtin_trap();
  tirvane::ParseCatalogueHeader(text, "/games/x.ini");
  tirvane::ParseHex(text);
  return 0;
}
