// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/state_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "run/history.h"
#include "run/run.h"
#include "video/screen.h"

namespace tirvane {

namespace {

constexpr char Magic[8] = {'T', 'I', 'R', 'V', 'S', 'T', 'A', 'T'};
// Far above any board's state; a header claiming more is damaged, and is refused before allocating.
constexpr uint32_t MaxStateSize = 4u << 20;

void PutBytes(std::vector<uint8_t>& out, const void* bytes, size_t n) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  out.insert(out.end(), p, p + n);
}
template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
  for (size_t i = 0; i < sizeof value; ++i) out.push_back(static_cast<uint8_t>(uint64_t(value) >> (8 * i)));
}
void PutText(std::vector<uint8_t>& out, const std::string& text) {
  Put<uint16_t>(out, static_cast<uint16_t>(text.size()));
  PutBytes(out, text.data(), text.size());
}

// Reads fields in order; once a read runs past the end every later one fails too.
struct Reader {
  std::span<const uint8_t> bytes;
  size_t at = 0;
  bool ok = true;
  template <typename T>
  T Get() {
    if (!ok || bytes.size() - at < sizeof(T)) {
      ok = false;
      return T{};
    }
    uint64_t value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= uint64_t(bytes[at + i]) << (8 * i);
    at += sizeof(T);
    return static_cast<T>(value);
  }
  std::span<const uint8_t> Take(size_t n) {
    if (!ok || bytes.size() - at < n) {
      ok = false;
      return {};
    }
    const auto part = bytes.subspan(at, n);
    at += n;
    return part;
  }
  std::string Text() {
    const auto part = Take(Get<uint16_t>());
    return std::string(part.begin(), part.end());
  }
};

}  // namespace

std::vector<uint8_t> EncodeStateFile(const EmulationRun& run, const MachineState& state) {
  std::vector<uint8_t> out;
  PutBytes(out, Magic, sizeof Magic);
  Put<uint32_t>(out, StateFileVersion);
  PutText(out, run.DriverName());
  PutText(out, run.DescriptionFile());
  Put<uint64_t>(out, run.RomChecksum());
  const std::span<const uint8_t> raw = state.Bytes();
  uLongf packed = compressBound(static_cast<uLong>(raw.size()));
  Put<uint32_t>(out, static_cast<uint32_t>(raw.size()));
  const size_t lengthAt = out.size();
  Put<uint32_t>(out, 0);
  const size_t payloadAt = out.size();
  out.resize(payloadAt + packed);
  // Level 1: the bitmap and memory are mostly runs, and a state must save within a frame's time.
  compress2(out.data() + payloadAt, &packed, raw.data(), static_cast<uLong>(raw.size()), 1);
  out.resize(payloadAt + packed);
  for (size_t i = 0; i < 4; ++i) out[lengthAt + i] = static_cast<uint8_t>(packed >> (8 * i));
  Put<uint64_t>(out, HashBytes(out));
  return out;
}

StateFileCheck DecodeStateFile(std::span<const uint8_t> file, const EmulationRun& run, MachineState& out) {
  if (file.size() < sizeof Magic || std::memcmp(file.data(), Magic, sizeof Magic) != 0)
    return {false, "This is not a save state file."};
  if (file.size() < sizeof Magic + 4 + 8) return {false, "The save state is cut short."};
  const auto body = file.first(file.size() - 8);
  Reader tail{file.last(8)};
  if (tail.Get<uint64_t>() != HashBytes(body))
    return {false, "The save state is damaged or cut short: its checksum does not match."};
  Reader in{body, sizeof Magic};
  const uint32_t version = in.Get<uint32_t>();
  if (version != StateFileVersion)
    return {false, "The save state has format version " + std::to_string(version) + "; this program reads version " +
                       std::to_string(StateFileVersion) + "."};
  const std::string driver = in.Text();
  in.Text();  // the description's name: informative, the ROM checksum decides
  const uint64_t roms = in.Get<uint64_t>();
  const uint32_t rawSize = in.Get<uint32_t>();
  const uint32_t packedSize = in.Get<uint32_t>();
  const auto packed = in.Take(packedSize);
  if (!in.ok || in.at != body.size()) return {false, "The save state is damaged: its parts do not add up."};
  if (!run.Running()) return {false, "No game is running to load the save state into."};
  if (driver != run.DriverName())
    return {false, "The save state is of the " + driver + " driver; the running game uses " + run.DriverName() + "."};
  if (roms != run.RomChecksum())
    return {false, "The save state was made with other ROMs than those of the running game."};
  if (rawSize != MachineStateSize(run) || rawSize > MaxStateSize)
    return {false, "The save state does not fit this machine: its state has another size."};
  std::vector<uint8_t> raw(rawSize);
  uLongf got = rawSize;
  if (uncompress(raw.data(), &got, packed.data(), packedSize) != Z_OK || got != rawSize)
    return {false, "The save state is damaged: its payload does not unpack."};
  out.Assign(raw);
  return {true, {}};
}

StateFileCheck SaveStateFile(const EmulationRun& run, const std::string& path) {
  if (!run.Running()) return {false, "No game is running."};
  MachineState state;
  CaptureMachineState(run, state);
  const std::vector<uint8_t> file = EncodeStateFile(run, state);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return {false, "Cannot write the save state:\r" + path};
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) return {false, "Cannot write the save state:\r" + path};
  return {true, {}};
}

StateFileCheck LoadStateFile(EmulationRun& run, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return {false, "Cannot open the save state:\r" + path};
  std::vector<uint8_t> file;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0 && file.size() <= 2 * MaxStateSize)
    file.insert(file.end(), chunk, chunk + got);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return {false, "Cannot read the save state:\r" + path};
  MachineState state;
  StateFileCheck check = DecodeStateFile(file, run, state);
  if (!check.Ok) return {false, check.Message + "\r" + path};
  if (!RestoreMachineState(run, state)) return {false, "The save state does not fit this machine."};
  // The past before the loaded state is another run's: replaying it would not lead here.
  if (run.History) run.History->Begin();
  PresentScreen();
  return {true, {}};
}

}  // namespace tirvane
