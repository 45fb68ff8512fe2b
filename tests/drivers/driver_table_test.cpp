// SPDX-License-Identifier: GPL-3.0-or-later
// Every row a driver adds must keep the table's comparison order, its NMI source, its screen geometry
// and the set of routines its board provides.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "machine/description.h"
#include "drivers/driver.h"

namespace tirvane {
namespace {

struct ExpectedRow {
  const char* Name;
  NmiSource Nmi;
  uint16_t FixedNmi;
  ScreenGeometry Geometry;  // LADYBUG: with DriverTag 0
  bool Draw, Stop, Loader, SpriteSets;
};

constexpr NmiSource Desc = NmiSource::Description;
constexpr NmiSource Fixed = NmiSource::Fixed;

// In comparison order.
constexpr ExpectedRow Expected[] = {
    {"GALAXIAN", Desc, 0, {224, 256, 16, 0}, true, true, false, false},
    {"LADYBUG", Desc, 0, {192, 240, 32, 16}, true, true, false, true},
    {"FROGGER", Desc, 0, {224, 256, 16, 0}, true, true, false, false},
    {"INVADERS", Fixed, 0x10, {256, 256, 0, 0}, false, false, false, false},
    {"PHOENIX", Desc, 0, {208, 256, 0, 0}, true, false, false, false},
    {"SCRAMBLE", Desc, 0, {224, 256, 16, 0}, true, true, false, false},
    {"SPECTRUM", Fixed, 0x66, {256, 192, 0, 0}, false, false, true, false},
    {"COLECO", Fixed, 0x66, {256, 192, 0, 0}, false, false, true, false},
    {"POOYAN", Fixed, 0x66, {224, 256, 16, 0}, true, true, false, true},
    {"PACMAN", Fixed, 0x66, {224, 288, 16, 0}, true, true, false, true},
    {"GBERET", Fixed, 0x66, {256, 256, 0, 0}, true, true, false, true},
};

bool SameGeometry(const ScreenGeometry& a, const ScreenGeometry& b) {
  return a.Width == b.Width && a.Height == b.Height && a.OffsetX == b.OffsetX && a.OffsetY == b.OffsetY;
}

TEST(DriverTable, RowsKeepTheirOrderNmiGeometryAndRoutines) {
  const int32_t savedTag = Game.DriverTag;
  Game.DriverTag = 0;
  size_t next = 0;
  for (const DriverInfo& row : DriverTable()) {
    SCOPED_TRACE(row.Name);
    while (next < std::size(Expected) && std::strcmp(Expected[next].Name, row.Name) != 0) ++next;
    ASSERT_LT(next, std::size(Expected)) << "unknown name or out of order";
    const ExpectedRow& e = Expected[next++];

    EXPECT_EQ(FindDriver(row.Name), &row);
    EXPECT_EQ(row.Nmi, e.Nmi);
    if (e.Nmi == NmiSource::Fixed) {
      EXPECT_EQ(row.FixedNmiAddress, e.FixedNmi);
    }
    ASSERT_NE(row.Geometry, nullptr);
    EXPECT_TRUE(SameGeometry(row.Geometry(), e.Geometry));
    const MachineDriver& r = row.Routines;
    EXPECT_NE(r.ReadHandler, nullptr);
    EXPECT_NE(r.WriteHandler, nullptr);
    EXPECT_NE(r.PortOutHandler, nullptr);
    EXPECT_NE(r.PortInHandler, nullptr);
    EXPECT_NE(r.FrameHandler, nullptr);
    EXPECT_EQ(r.DrawRoutine != nullptr, e.Draw);
    EXPECT_EQ(r.StopRoutine != nullptr, e.Stop);
    EXPECT_EQ(row.FileLoader != nullptr && row.LoadChoice != nullptr, e.Loader);
    EXPECT_EQ(r.SpriteSetsRoutine != nullptr, e.SpriteSets);
  }
  if (const DriverInfo* ladybug = FindDriver("LADYBUG")) {
    Game.DriverTag = 1;
    EXPECT_TRUE(SameGeometry(ladybug->Geometry(), {240, 192, 8, 32}));
  }
  Game.DriverTag = savedTag;

  // The run upper-cases before it asks; the table itself compares exactly.
  EXPECT_EQ(FindDriver("galaxian"), nullptr);
  EXPECT_EQ(FindDriver("NOSUCHBOARD"), nullptr);
  EXPECT_EQ(FindDriver(""), nullptr);
}

}  // namespace
}  // namespace tirvane
