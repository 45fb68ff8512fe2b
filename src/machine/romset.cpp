// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/romset.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tirvane {

uint8_t MemoryImage[MemoryImageSize] = {};

namespace {

constexpr char FailurePhrase[] = "Failed when loading ROMS:";

// Fewest hexadecimal digits that show the value, at least four (the address width), marked "h" so
// that a size is not read as decimal.
std::string Hex(uint64_t value) {
  int digits = 4;
  while (digits < 16 && (value >> (4 * digits)) != 0) ++digits;
  std::string text;
  for (int i = digits - 1; i >= 0; --i) text += "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
  return text + 'h';
}

RomLoadResult Failure(const std::string& path, const std::string& reason) {
  RomLoadResult result;
  result.Ok = false;
  result.FailedPath = path;
  result.Message = std::string(FailurePhrase) + '\r' + path;
  if (!reason.empty()) result.Message += '\r' + reason;
  return result;
}

// Reads the whole file into a scratch buffer first, so a file refused for its size or cut short by a
// read error leaves the target untouched. Returns an empty reason on success.
std::string LoadOne(std::FILE* file, const std::string& path, int32_t loadAddress, uint8_t* target,
                    size_t targetSize, const char* targetName, uint64_t& checksum) {
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "Cannot read the file: " + error.message() + ".";
  if (loadAddress < 0 || static_cast<uintmax_t>(loadAddress) + size > targetSize) {
    return "Size " + Hex(size) + " at address " + Hex(static_cast<uint32_t>(loadAddress)) +
           " runs past the end of the " + targetName + " (size " + Hex(targetSize) + ").";
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
  if (got != bytes.size() || std::ferror(file) != 0) {
    return "Read error after " + Hex(got) + " of " + Hex(size) + " bytes.";
  }
  std::copy(bytes.begin(), bytes.end(), target + loadAddress);
  // 64-bit FNV-1a, continued over every file.
  for (uint8_t byte : bytes) checksum = (checksum ^ byte) * 0x100000001B3ull;
  return {};
}

}  // namespace

RomLoadResult LoadRomSet(const GameDescription& game, const std::string& programFolder, uint8_t* memoryImage,
                         uint8_t* graphicsRegion) {
  RomLoadResult result;
  result.Checksum = 0xCBF29CE484222325ull;
  size_t count = game.RomCount > 0 ? std::min(static_cast<size_t>(game.RomCount), game.Roms.size()) : 0;
  for (size_t i = 0; i < count; ++i) {
    const RomEntry& rom = game.Roms[i];
    bool graphics = rom.IsGraphics != 0;
    // A name with sub-folders resolves under the games folder; an absolute one stands as it is.
    const bool absolute = !rom.FileName.empty() && rom.FileName.front() == '/';
    std::string path = absolute ? rom.FileName : programFolder + rom.FileName;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Failure(path, {});
    std::string reason = graphics ? LoadOne(file, path, rom.LoadAddress, graphicsRegion, GraphicsRegionSize,
                                            "graphics region", result.Checksum)
                                  : LoadOne(file, path, rom.LoadAddress, memoryImage, MemoryImageSize,
                                            "memory image", result.Checksum);
    std::fclose(file);
    if (!reason.empty()) return Failure(path, reason);
  }
  return result;
}

void RearrangeGalaxianGraphics(uint8_t* graphicsRegion) {
  constexpr size_t Block = 0x800;
  struct Move {
    size_t From, To;
  };
  // Sources and destinations are disjoint, so the order of the copies does not matter for the result.
  constexpr Move Moves[] = {{0x3000, 0x0800}, {0x3800, 0x1800}, {0x4000, 0x0000}, {0x4800, 0x1000}};
  for (const Move& move : Moves) std::memcpy(graphicsRegion + move.To, graphicsRegion + move.From, Block);
}

}  // namespace tirvane
