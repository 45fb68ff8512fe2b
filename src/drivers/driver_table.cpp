// SPDX-License-Identifier: GPL-3.0-or-later
// The driver table, in the order names are compared with the upper-cased "#driver=" value.
#include <cstring>
#include <iterator>

#include "drivers/driver.h"
#include "drivers/coleco.h"
#include "drivers/galaxian_family.h"
#include "drivers/gberet.h"
#include "drivers/home_computer.h"
#include "drivers/spectrum_paging.h"
#include "drivers/invaders.h"
#include "drivers/ladybug.h"
#include "drivers/pacman.h"
#include "drivers/phoenix.h"
#include "drivers/rom_keyboard.h"

namespace tirvane {

// Each row is defined beside its driver.
extern const DriverInfo GalaxianDriver;
extern const DriverInfo LadybugDriver;
extern const DriverInfo FroggerDriver;
extern const DriverInfo InvadersDriver;
extern const DriverInfo PhoenixDriver;
extern const DriverInfo ScrambleDriver;
extern const DriverInfo SpectrumDriver;
extern const DriverInfo ColecoDriver;
extern const DriverInfo PooyanDriver;
extern const DriverInfo PacmanDriver;
extern const DriverInfo GberetDriver;

namespace {
const DriverInfo* const Rows[] = {
    &GalaxianDriver,
    &LadybugDriver,
    &FroggerDriver,
    &InvadersDriver,
    &PhoenixDriver,
    &ScrambleDriver,
    &SpectrumDriver,
    &ColecoDriver,
    &PooyanDriver,
    &PacmanDriver,
    &GberetDriver,
};

// Machines that show for themselves when they have taken a typed key (see TypingSigns); the
// others are judged by how often their program looks at the key.
struct TypingRow {
  const DriverInfo* Row;
  const TypingSigns* Signs;
};
const TypingRow TypingRows[] = {{&SpectrumDriver, &RomKeyboardSigns}};
}  // namespace

bool ScreenDirty = false;
Tile** CharTiles = nullptr;
Tile** SpriteTiles = nullptr;
int CharTileCount = 0;
int SpriteTileCount = 0;

void ResetBoards() {
  GalaxianFamily = {};
  Invaders = {};
  Phoenix = {};
  SpectrumState = {};
  SpectrumModel = {};
  Pacman = {};
  Gberet = {};
  Ladybug = {};
  Coleco = {};
  ScreenDirty = false;
}

std::span<const DriverInfo> DriverTable() {
  static const auto table = [] {
    static DriverInfo rows[std::size(Rows)];
    for (size_t i = 0; i < std::size(Rows); ++i) {
      rows[i] = *Rows[i];
      for (const TypingRow& typing : TypingRows)
        if (typing.Row == Rows[i]) rows[i].Typing = *typing.Signs;
    }
    return std::span<const DriverInfo>(rows);
  }();
  return table;
}

bool PlainCharacterKeys(char32_t c, KeyChord& chord) {
  const auto from = [](VirtualKey first, char32_t steps) {
    return static_cast<VirtualKey>(static_cast<int>(first) + static_cast<int>(steps));
  };
  VirtualKey key;
  if (c >= 'a' && c <= 'z')
    key = from(VirtualKey::A, c - 'a');
  else if (c >= 'A' && c <= 'Z')
    key = from(VirtualKey::A, c - 'A');
  else if (c >= '0' && c <= '9')
    key = from(VirtualKey::D0, c - '0');
  else if (c == ' ')
    key = VirtualKey::Space;
  else if (c == '\n')
    key = VirtualKey::Return;
  else
    return false;
  chord = {{key, key}, 1};
  return true;
}

const DriverInfo* FindDriver(const char* upperCaseName) {
  for (const DriverInfo& row : DriverTable())
    if (std::strcmp(row.Name, upperCaseName) == 0) return &row;
  return nullptr;
}

}  // namespace tirvane
