// SPDX-License-Identifier: GPL-3.0-or-later
// Descriptions naming files of random sizes at random addresses in both buffers: the loader must
// load what fits, refuse what does not, and never write outside the memory image or GraphicsRegion.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("tirvane-fuzz-romset-" + std::to_string(getpid()));
    fs::create_directories(p);
    return p;
  }();
  // Each 5-byte record: graphics flag, 24-bit load address, file size in 64-byte units.
  std::string text = "#driver=GALAXIAN\n";
  size_t offset = 0;
  int index = 0;
  while (offset + 5 <= size && index < 8) {
    const uint8_t* r = data + offset;
    offset += 5;
    uint32_t address = r[1] << 16 | r[2] << 8 | r[3];
    size_t fileSize = static_cast<size_t>(r[4]) * 64 + (r[0] >> 1);
    std::string name = "rom" + std::to_string(index++) + ".bin";
    if (r[4] != 0xFF) {  // 0xFF: a file that does not exist
      std::ofstream(folder / name, std::ios::binary)
          .write(std::string(fileSize, static_cast<char>(r[0])).data(), static_cast<std::streamsize>(fileSize));
    } else {
      fs::remove(folder / name);
    }
    char line[64];
    snprintf(line, sizeof line, "%s%X~%s\n", (r[0] & 1) ? "#grf=" : "", address, name.c_str());
    text += line;
  }
  tirvane::GameDescription game;
  tirvane::ParseGameDescription(text, game);
  static std::vector<uint8_t> memory(tirvane::MemoryImageSize);
  static std::vector<uint8_t> graphics(tirvane::GraphicsRegionSize);
  auto result = tirvane::LoadRomSet(game, folder.string() + "/", memory.data(), graphics.data());
  if (!result.Ok && result.Message.rfind("Failed when loading ROMS:\r", 0) != 0) __builtin_trap();
  return 0;
}
