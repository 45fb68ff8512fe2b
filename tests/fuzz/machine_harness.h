// SPDX-License-Identifier: GPL-3.0-or-later
// A driver's machine built from fuzzer bytes instead of a description file and ROM files: the same
// steps a Start takes from the driver row on, and the same steps back at Stop. The machine targets
// share it so every one of them sees the drivers exactly as a run does.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "machine/description.h"
#include "app/headless_host.h"
#include "machine/romset.h"
#include "drivers/driver.h"
#include "video/host.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane::fuzz {

// Fuzzer bytes read front to back; past the end every read is 0, so short inputs stay valid.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  // Little-endian; the low part is read first in its own statement, as operands of | are unordered.
  uint16_t Word() {
    const uint8_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  uint32_t Long() {
    const uint16_t low = Word();
    return low | static_cast<uint32_t>(Word()) << 16;
  }
  std::span<const uint8_t> Rest() {
    std::span<const uint8_t> rest(data_ + offset_, size_ - offset_);
    offset_ = size_;
    return rest;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

// A description address: most inputs pick one in 0-FFFFh, some a full 32-bit value (negative, or
// past the memory image) as a hand-edited description could hold.
inline int32_t Address(ByteReader& in) {
  const uint8_t form = in.Byte();
  if (form < 0x20) return static_cast<int32_t>(in.Long());
  return in.Word();
}

// A description count: mostly small, sometimes anything.
inline int32_t Count(ByteReader& in) {
  const uint8_t form = in.Byte();
  if (form < 0x10) return static_cast<int32_t>(in.Long());
  return form & 0x3F;
}

// Fills a buffer from the mode byte: zeros, one value throughout, noise from a seed, or a pattern
// of up to 16 bytes repeated. Noise makes every tile non-blank; patterns make repeating pictures.
// Not traced for coverage: its loops would tell the fuzzer nothing and cost a fair share of each run.
__attribute__((no_sanitize("coverage"))) inline void Fill(uint8_t* buffer, size_t size, ByteReader& in) {
  switch (in.Byte() & 3) {
    case 0:
      std::memset(buffer, 0, size);
      break;
    case 1:
      std::memset(buffer, in.Byte(), size);
      break;
    case 2: {
      uint32_t state = in.Long() | 1;
      for (size_t i = 0; i + 4 <= size; i += 4) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        std::memcpy(buffer + i, &state, 4);
      }
      break;
    }
    default: {
      const size_t length = std::min<size_t>(size, 1 + (in.Byte() & 15));
      for (size_t i = 0; i < length; ++i) buffer[i] = in.Byte();
      // Doubling copies: the pattern repeats with a period of length whatever the buffer's size.
      for (size_t done = length; done < size; done *= 2)
        std::memcpy(buffer + done, buffer, std::min(done, size - done));
      break;
    }
  }
}

// Every fuzz execution runs on this host, so nothing blocks; each Machine empties its records.
// Its program folder is a temporary one, removed when the fuzzer exits normally.
inline HeadlessHost& Host() {
  struct Folder {
    std::filesystem::path Path =
        std::filesystem::temp_directory_path() / ("tirvane-fuzz-" + std::to_string(::getpid()));
    Folder() { std::filesystem::create_directories(Path); }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static Folder folder;
  static HeadlessHost host(folder.Path.string());
  static ScopedHost installed(host);
  return host;
}

inline const DriverInfo& PickDriver(ByteReader& in) {
  const auto table = DriverTable();
  return table[in.Byte() % table.size()];
}

// Description fields from the input; the driver name is the row's, so the driver is the one chosen.
inline void DescribeGame(const DriverInfo& row, ByteReader& in) {
  ParseGameDescription("", Game);
  Game.Driver = row.Name;
  Game.Title = "Fuzz";
  Game.VideoRam = Address(in);
  Game.AttrRam = Address(in);
  Game.SpriteRam = Address(in);
  Game.BulletRam = Address(in);
  Game.StarsOn = Address(in);
  Game.NmiEnable = Address(in);
  Game.NmiInt = Address(in);
  Game.MaxRom = Address(in);
  Game.MaxDirectRead = Address(in);
  Game.CharSets = Count(in);
  Game.Sprites = Count(in);
  Game.Chars = Count(in);
  Game.CharOffset = Count(in);
  Game.DeltaPlane = Count(in);
  Game.ScreenW = Count(in);
  Game.ScreenH = Count(in);
  // Variants are picked by single tag values, so the tag is a whole byte and sometimes more.
  const uint8_t tag = in.Byte();
  Game.DriverTag = tag == 0xFF ? static_cast<int32_t>(in.Long()) : tag;
}

// Keys held while the machine runs: drivers sample them when the program reads its inputs.
inline void HoldKeys(ByteReader& in) {
  const uint64_t low = in.Long();
  const uint64_t held = static_cast<uint64_t>(in.Long()) << 32 | low;
  // The first 64 keys come from the input; the PC's character keys past them stay up.
  for (int k = 0; k < VirtualKeyCount; ++k) KeyState[k] = k < 64 && ((held >> k) & 1);
}

// The Start sequence from the description on, with GraphicsRegion filled from the input instead of
// ROM files; the destructor is Stop followed by the driver's stop routine.
class Machine {
 public:
  Machine(const DriverInfo& row, ByteReader& in) : row_(row) {
    HeadlessHost& host = Host();
    host.Messages.clear();
    host.DialogRequests.clear();
    host.DialogAnswers.clear();
    DescribeGame(row, in);
    HoldKeys(in);
    Fill(graphics_, GraphicsRegionSize, in);

    ScreenWidth = 256;
    ScreenHeight = 256;
    ScreenOffsetX = 0;
    ScreenOffsetY = 0;
    for (Z80Context& context : Z80Contexts) context = Z80Context{};
    Z80Context& z = Z80Contexts[0];
    z.SP.w = 0xF000;
    ActiveContext = &z;
    z.DirectReadLimit = static_cast<uint16_t>(Game.MaxDirectRead);
    z.RomLimit = static_cast<uint16_t>(Game.MaxRom);
    // Every row in the table fills all five bus slots; a row that did not would fail here at once.
    z.ReadHandler = row.Routines.ReadHandler;
    z.WriteHandler = row.Routines.WriteHandler;
    z.PortOutHandler = row.Routines.PortOutHandler;
    z.PortInHandler = row.Routines.PortInHandler;
    z.FrameHandler = row.Routines.FrameHandler;
    z.MemoryImage = MemoryImage;
    z.NmiAddress = row.Nmi == NmiSource::Fixed ? row.FixedNmiAddress : static_cast<uint16_t>(Game.NmiInt);

    if (row.Initialise) row.Initialise(graphics_);
    if (row.Geometry) {
      const ScreenGeometry g = row.Geometry();
      ScreenWidth = g.Width;
      ScreenHeight = g.Height;
      ScreenOffsetX = g.OffsetX;
      ScreenOffsetY = g.OffsetY;
    }
    CreateScreenBitmap();
  }

  ~Machine() {
    FreeGameDescription();
    FreeScreenBitmap();
    if (row_.Routines.StopRoutine) row_.Routines.StopRoutine();
  }

  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  const DriverInfo& Row() const { return row_; }
  Z80Context& Context() { return Z80Contexts[0]; }

 private:
  const DriverInfo& row_;
  // One region for every input: a fresh 128 KB each time would cost more than many a frame.
  static inline uint8_t graphics_[GraphicsRegionSize];
};

// The rest of the input laid over memory from a chosen address (wrapping past FFFFh), so a
// program, video RAM or both can be written directly.
inline void OverlayMemory(ByteReader& in) {
  const uint16_t base = in.Word();
  const auto rest = in.Rest();
  for (size_t i = 0; i < rest.size() && i < MemoryImageSize; ++i)
    MemoryImage[static_cast<uint16_t>(base + i)] = rest[i];
}

// The input written whole to a file in the host's program folder, for loaders that take a path.
inline std::string WriteInputFile(const char* name, const uint8_t* data, size_t size) {
  const std::string path = Host().programFolder() + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) __builtin_trap();
  if (size && std::fwrite(data, 1, size, file) != size) __builtin_trap();
  std::fclose(file);
  return path;
}

}  // namespace tirvane::fuzz
