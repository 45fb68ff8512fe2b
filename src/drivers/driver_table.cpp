// The driver table, in the order names are compared. Each driver adds its row where it belongs.
#include <cstring>

#include "drivers/driver.h"

namespace tirvane {

// Driver rows are declared by their own files.
// DRIVER DECLARATIONS (one line each, keep this order): GALAXIAN, LADYBUG, FROGGER, INVADERS,
// PHOENIX, SCRAMBLE, SPECTRUM, COLECO, POOYAN, PACMAN, GBERET
extern const DriverInfo GalaxianDriver;
extern const DriverInfo InvadersDriver;
extern const DriverInfo ScrambleDriver;
extern const DriverInfo SpectrumDriver;
extern const DriverInfo ColecoDriver;

namespace {
const DriverInfo* const Rows[] = {
    // DRIVER ROWS (one line each, same order as above)
    &GalaxianDriver,
    &InvadersDriver,
    &ScrambleDriver,
    &SpectrumDriver,
    &ColecoDriver,
    nullptr,  // keeps the array non-empty until the first driver lands
};
}  // namespace

bool ScreenDirty = false;
Tile** CharTiles = nullptr;
Tile** SpriteTiles = nullptr;
int CharTileCount = 0;
int SpriteTileCount = 0;

std::span<const DriverInfo> DriverTable() {
  static const auto table = [] {
    static DriverInfo rows[sizeof(Rows) / sizeof(Rows[0])];
    size_t n = 0;
    for (const DriverInfo* row : Rows)
      if (row) rows[n++] = *row;
    return std::span<const DriverInfo>(rows, n);
  }();
  return table;
}

const DriverInfo* FindDriver(const char* upperCaseName) {
  for (const DriverInfo& row : DriverTable())
    if (std::strcmp(row.Name, upperCaseName) == 0) return &row;
  return nullptr;
}

}  // namespace tirvane
