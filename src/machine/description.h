// SPDX-License-Identifier: GPL-3.0-or-later
// Game descriptions: the *.ini text format, the one GameDescription record and the catalogue
// header reader. Qt-free; drivers read the record's fields directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace tirvane {

struct RomEntry {
  std::string FileName;  // relative to the program folder, at most 255 characters
  int32_t LoadAddress = 0;
  int32_t IsGraphics = 0;  // 1: GraphicsRegion, 0: memory image
};

struct GameDescription {
  std::string ColorProm;
  std::string Title;
  std::string Driver;
  int32_t StarsOn = 0;
  int32_t CharSets = 0;
  int32_t SpriteRam = 0;
  int32_t Sprites = 0;
  int32_t DriverTag = 0;
  int32_t RomCount = 0;
  std::vector<RomEntry> Roms;
  int32_t MaxDirectRead = 0;
  int32_t MaxRom = 0;
  int32_t BulletRam = 0;
  int32_t AttrRam = 0;
  int32_t VideoRam = 0;
  int32_t NmiInt = 0;
  int32_t NmiEnable = 0;
  int32_t Chars = 0;
  int32_t CharOffset = 0;
  int32_t DeltaPlane = 0;
  int32_t ScreenW = 0;
  int32_t ScreenH = 0;
  std::string CartridgeDir;  // ends with "\" when not empty
  uint8_t HasCartridge = 0;
  // "#framecycles=": T-states per frame; without the key, the core's 50,000 of every older file.
  int32_t FrameLength = 50000;
  std::string SoundProm;  // the PACMAN board's 256-byte waveform PROM, relative to the program folder
  std::string Timing;  // "exact": real T-state counts; anything else: the fixed tables
  // "exact": the processor as the silicon behaves, with real T-state counts; anything else: the
  // original processor.
  std::string Cpu;
  // Why the description cannot be started (a key with a value that means nothing); empty when it can.
  std::string Refused;
  std::string Video;   // "full": the COLECO's whole video chip, controllers and console header
  std::string Model;   // "#model=": the variant of a machine family (SPECTRUM: "48" or "128"); empty: the original board
  std::string Ay;      // SPECTRUM: "on" adds the sound chip to the 48K
};

// The one record, filled at every Start.
extern GameDescription Game;

// Parses description text into a record (every field reset first).
void ParseGameDescription(std::string_view text, GameDescription& out);
// Fills Game from a file; false when the file cannot be opened or read (Game is then reset).
bool LoadGameDescription(const std::string& path);
// Releases the ROM list; the other fields keep their values.
void FreeGameDescription();

struct CatalogueHeader {
  std::string Title;   // the file path when no "#TITLE=" line occurs
  std::string Driver;  // the file path when no "#DRIVER=" line occurs
};
CatalogueHeader ParseCatalogueHeader(std::string_view text, const std::string& path);
// false when the file cannot be read.
bool ReadCatalogueHeader(const std::string& path, CatalogueHeader& out);

}  // namespace tirvane
