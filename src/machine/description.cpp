// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/description.h"

#include <cstddef>
#include <cstdio>

namespace tirvane {

GameDescription Game;

namespace {

constexpr size_t MaxValueLength = 255;

enum class FieldKind { Text, Hex, Cartridge };

struct KeyField {
  std::string_view Key;  // upper case: a line matches when its first characters, upper-cased, equal it
  FieldKind Kind;
  std::string GameDescription::* Text = nullptr;
  int32_t GameDescription::* Number = nullptr;
};

const KeyField KeyFields[] = {
    {"#COLORPROM=", FieldKind::Text, &GameDescription::ColorProm},
    {"#TITLE=", FieldKind::Text, &GameDescription::Title},
    {"#DRIVER=", FieldKind::Text, &GameDescription::Driver},
    {"#STARSON=", FieldKind::Hex, nullptr, &GameDescription::StarsOn},
    {"#CHARSET=", FieldKind::Hex, nullptr, &GameDescription::CharSets},
    {"#SPRITERAM=", FieldKind::Hex, nullptr, &GameDescription::SpriteRam},
    {"#SPRITES=", FieldKind::Hex, nullptr, &GameDescription::Sprites},
    {"#DRVTAG=", FieldKind::Hex, nullptr, &GameDescription::DriverTag},
    {"#MAXDIRECTREAD=", FieldKind::Hex, nullptr, &GameDescription::MaxDirectRead},
    {"#MAXROM=", FieldKind::Hex, nullptr, &GameDescription::MaxRom},
    {"#BULLETRAM=", FieldKind::Hex, nullptr, &GameDescription::BulletRam},
    {"#ATTRRAM=", FieldKind::Hex, nullptr, &GameDescription::AttrRam},
    {"#VRAM=", FieldKind::Hex, nullptr, &GameDescription::VideoRam},
    {"#NMIINT=", FieldKind::Hex, nullptr, &GameDescription::NmiInt},
    {"#NMIENABLE=", FieldKind::Hex, nullptr, &GameDescription::NmiEnable},
    {"#CHARS=", FieldKind::Hex, nullptr, &GameDescription::Chars},
    {"#CHAROFFSET=", FieldKind::Hex, nullptr, &GameDescription::CharOffset},
    {"#DELTAPLANE=", FieldKind::Hex, nullptr, &GameDescription::DeltaPlane},
    {"#SCREENW=", FieldKind::Hex, nullptr, &GameDescription::ScreenW},
    {"#SCREENH=", FieldKind::Hex, nullptr, &GameDescription::ScreenH},
    {"#CARTRIDGE=", FieldKind::Cartridge},
    {"#FRAMECYCLES=", FieldKind::Hex, nullptr, &GameDescription::FrameLength},
    {"#TIMING=", FieldKind::Text, &GameDescription::Timing},
    {"#SOUNDPROM=", FieldKind::Text, &GameDescription::SoundProm},
    {"#MODEL=", FieldKind::Text, &GameDescription::Model},
};

constexpr std::string_view GraphicsPrefix = "#GRF=";
// The header reader matches its title key case-sensitively, unlike the full reader.
constexpr std::string_view HeaderTitleKey = "#TITLE=";
constexpr std::string_view HeaderDriverKey = "#DRIVER=";

// Calls fn for every non-empty line; a line ends at LF, and a CR right before the LF is dropped,
// so files written with either convention read alike.
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) fn(line);
    start = end + 1;
  }
}

bool HasKey(std::string_view line, std::string_view upperKey) {
  if (line.size() < upperKey.size()) return false;
  for (size_t i = 0; i < upperKey.size(); ++i) {
    if (UpperAsciiChar(line[i]) != upperKey[i]) return false;
  }
  return true;
}

bool IsRomLineStart(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void ParseRomLine(std::string_view line, GameDescription& out) {
  int32_t isGraphics = 0;
  if (HasKey(line, GraphicsPrefix)) {
    isGraphics = 1;
    line.remove_prefix(GraphicsPrefix.size());
  }
  if (line.empty() || !IsRomLineStart(line.front())) return;
  size_t tilde = line.find('~');
  // Without a file name there is nothing to load; such a line is not an entry.
  if (tilde == std::string_view::npos) return;
  RomEntry entry;
  entry.LoadAddress = ParseHex(line.substr(0, tilde));
  entry.FileName = std::string(line.substr(tilde + 1, MaxValueLength));
  entry.IsGraphics = isGraphics;
  out.Roms.push_back(std::move(entry));
}

// stdio rather than streams: a directory opens like a file here, and only ferror tells the
// failed read of one from an empty file.
bool ReadWholeFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

}  // namespace

void ParseGameDescription(std::string_view text, GameDescription& out) {
  out = GameDescription{};
  ForEachLine(text, [&out](std::string_view line) {
    for (const KeyField& field : KeyFields) {
      if (!HasKey(line, field.Key)) continue;
      std::string_view value = line.substr(field.Key.size(), MaxValueLength);
      switch (field.Kind) {
        case FieldKind::Text:
          out.*field.Text = std::string(value);
          break;
        case FieldKind::Hex:
          out.*field.Number = ParseHex(value);
          break;
        case FieldKind::Cartridge:
          out.HasCartridge = 1;
          out.CartridgeDir = std::string(value);
          if (!value.empty() && value.back() != '\\') out.CartridgeDir += '\\';
          break;
      }
    }
    ParseRomLine(line, out);
  });
  out.RomCount = static_cast<int32_t>(out.Roms.size());
}

bool LoadGameDescription(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) {
    Game = GameDescription{};
    return false;
  }
  ParseGameDescription(text, Game);
  return true;
}

void FreeGameDescription() {
  std::vector<RomEntry>().swap(Game.Roms);
  // The count describes the released list; leaving it would invite a read past its end.
  Game.RomCount = 0;
}

CatalogueHeader ParseCatalogueHeader(std::string_view text, const std::string& path) {
  CatalogueHeader header{path, path};
  ForEachLine(text, [&header](std::string_view line) {
    if (line.substr(0, HeaderTitleKey.size()) == HeaderTitleKey) {
      header.Title = std::string(line.substr(HeaderTitleKey.size()));
    } else if (HasKey(line, HeaderDriverKey)) {
      header.Driver = std::string(line.substr(HeaderDriverKey.size()));
    }
  });
  return header;
}

bool ReadCatalogueHeader(const std::string& path, CatalogueHeader& out) {
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  out = ParseCatalogueHeader(text, path);
  return true;
}

}  // namespace tirvane
