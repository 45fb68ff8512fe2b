// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/games_folder.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace tirvane {
namespace {

TEST(GamesFolder, BesideTheProgramThenTheInstalledDataFolder) {
  struct Case {
    const char* name;
    bool besideProgram;
    bool inDataFolder;
    const char* expected;  // relative to the temporary prefix
  };
  const Case cases[] = {
      {"build tree", true, false, "bin/"},
      {"both: the one beside wins", true, true, "bin/"},
      {"installed", false, true, "share/tirvane/"},
      {"neither: the program folder", false, false, "bin/"},
  };
  for (const Case& c : cases) {
    testing::TempFolder prefix;
    prefix.Write("bin/tirvane", "");
    if (c.besideProgram) prefix.Write("bin/game.ini", "#DRIVER=PACMAN\n");
    if (c.inDataFolder) prefix.Write("share/tirvane/game.ini", "#DRIVER=PACMAN\n");
    EXPECT_EQ(BundledGamesFolder(prefix.Folder() + "bin"), prefix.Folder() + c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tirvane
