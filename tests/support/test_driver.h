// SPDX-License-Identifier: GPL-3.0-or-later
// A machine that exists only in the tests: plain memory, one input port, a frame routine that paints
// a pattern moving with the frame count and counts everything the run calls. Register it with
// EmulationRun::SetExtraDrivers(TestDrivers) and name it in a description as "TESTBOARD".
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "machine/romset.h"
#include "drivers/driver.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane::testdriver {

struct Calls {
  int Initialise = 0;
  int Frames = 0;
  int Draws = 0;
  int Stops = 0;
  int Loads = 0;
  int FramesAtLoad = -1;
  bool ScreenAtStop = true;           // whether the bitmap still existed when StopRoutine ran
  uint8_t RegionFirstByte = 0;        // GraphicsRegion[0] as Initialise saw it
  std::vector<uint8_t> KeysPerFrame;  // bit 0 Left, bit 1 Ctrl, bit 2 '3'
  std::string LoadedFile;
};
inline Calls calls;

inline constexpr uint16_t LoadAddress = 0xC000;
// Pattern colours: driver colours 0-3, so palette indices 10-13.
inline constexpr Rgb PatternColours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
inline constexpr ScreenGeometry Geometry{200, 100, 8, 16};

inline uint8_t PatternPixel(int x, int y, int frame) { return 10 + ((x / 8 + y / 8 + frame) & 3); }

inline uint8_t Read(uint16_t address) { return MemoryImage[address]; }
inline void Write(uint8_t value, uint16_t address) { MemoryImage[address] = value; }
inline void PortOut(uint8_t, uint8_t) {}
inline uint8_t PortIn(uint16_t) { return KeyHeld(VirtualKey::Space) ? 0x00 : 0xFF; }

inline void Paint() {
  for (int y = 0; y < BitmapHeight; ++y)
    for (int x = 0; x < BitmapWidth; ++x)
      Screen->Pixels[y * BitmapStride + x] = PatternPixel(x, y, calls.Frames);
}

inline void Frame() {
  ++calls.Frames;
  calls.KeysPerFrame.push_back(static_cast<uint8_t>(
      KeyHeld(VirtualKey::Left) | KeyHeld(VirtualKey::Ctrl) << 1 | KeyHeld(VirtualKey::D3) << 2));
  Paint();
  PresentScreen();
  ActiveContext->IrqState.Value = 0x01000000;
}

inline void Draw() {
  ++calls.Draws;
  Paint();
}

inline void Stop() {
  ++calls.Stops;
  calls.ScreenAtStop = Screen != nullptr;
}

inline LoadResult Loader(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  if (bytes.empty()) return {false, "Empty file:\r" + file};  // as the real loaders refuse files
  for (size_t i = 0; i < bytes.size() && LoadAddress + i < MemoryImageSize; ++i)
    MemoryImage[LoadAddress + i] = static_cast<uint8_t>(bytes[i]);
  ++calls.Loads;
  calls.FramesAtLoad = calls.Frames;
  calls.LoadedFile = file;
  return {true, {}};
}
inline FileChoice LoaderChoice() { return {"Load", "Test files|*.bin", "bin", ""}; }

inline void Initialise(uint8_t* graphicsRegion) {
  ++calls.Initialise;
  calls.RegionFirstByte = graphicsRegion[0];
  for (int i = 0; i < 4; ++i) RgbTable[i] = PatternColours[i];
}

inline ScreenGeometry TestGeometry() { return Geometry; }

// TESTBOARD fills every slot; TESTBARE fills none, has a fixed NMI address and keeps the default geometry.
inline const DriverInfo TestDrivers[] = {
    {.Name = "TESTBOARD",
     .Routines = {Read, Write, PortOut, PortIn, Frame, Draw, Stop, nullptr},
     .Nmi = NmiSource::Description,
     .FixedNmiAddress = 0,
     .Initialise = Initialise,
     .Geometry = TestGeometry,
     .FileLoader = Loader,
     .LoadChoice = LoaderChoice},
    {"TESTBARE", {}, NmiSource::Fixed, 0x1234, nullptr, nullptr},
};

// The program every test description runs: a counter at 8000h incremented forever.
//   0000 LD HL,8000h / 0003 INC (HL) / 0004 JR 0003
inline const std::vector<uint8_t> CounterProgram = {0x21, 0x00, 0x80, 0x34, 0x18, 0xFD};

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("tirvane-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A description of the counter program for a driver, with its ROM beside it.
inline std::string WriteCounterGame(const TempFolder& folder, const std::string& driver) {
  WriteFile(folder.path() / "counter.bin", CounterProgram);
  WriteFile(folder.path() / "gfx.bin", {0x5A});
  const std::string ini = folder / "counter.ini";
  WriteText(ini,
            "#title=Counter\n#driver=" + driver +
                "\n#maxrom=4000\n#maxdirectread=7FFF\n#nmiint=0ABC\n0000~counter.bin\n#grf=0000~gfx.bin\n");
  return ini;
}

}  // namespace tirvane::testdriver
