// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace tirvane {
namespace {

using testing::TempFolder;

std::string Item(const std::string& driver, const std::string& title, const std::string& path) {
  return driver + CatalogueSep1 + title + CatalogueSep2 + path;
}

TEST(GameCatalogue, ItemsCarryDriverTitleAndPathSortedCaseInsensitively) {
  TempFolder folder;
  std::string pac = folder.Write("pacman_demo.ini", "#TITLE=Maze\r\n#driver=PACMAN\r\n");
  std::string gal = folder.Write("galaxian_demo.ini", "#TITLE=zeta\n#DRIVER=GALAXIAN\n");
  std::string gal2 = folder.Write("galaxian_b.INI", "#TITLE=Alpha\n#DRIVER=galaxian\n");
  std::string bare = folder.Write("bare.ini", "just text\n");
  folder.Write("notes.txt", "#TITLE=ignored\n");
  folder.Write("sub/inner.ini", "#TITLE=not scanned\n");
  folder.Write("folder.ini/x.txt", "");

  GameCatalogue catalogue = BuildGameCatalogue(folder.Folder());
  std::vector<std::string> expected = {
      Item("galaxian", "Alpha", gal2),
      Item("GALAXIAN", "zeta", gal),
      Item("PACMAN", "Maze", pac),
      Item(UnreadableDriver, "bare.ini: no #driver= line", bare),
  };
  EXPECT_EQ(catalogue.Items, expected);
}

TEST(GameCatalogue, MissingOrEmptyFolderGivesEmptyLists) {
  TempFolder folder;
  GameCatalogue empty = BuildGameCatalogue(folder.Folder());
  EXPECT_TRUE(empty.Items.empty());
  EXPECT_TRUE(CatalogueDrivers(empty).empty());
  EXPECT_EQ(PreselectedDriver(CatalogueDrivers(empty)), -1);
  EXPECT_TRUE(CatalogueGames(empty, "").empty());
  EXPECT_TRUE(BuildGameCatalogue(folder.PathOf("nowhere")).Items.empty());
}

TEST(GameCatalogue, UnreadableEntriesAreSkipped) {
  TempFolder folder;
  std::string good = folder.Write("good.ini", "#TITLE=Good\n#DRIVER=PACMAN\n");
  std::filesystem::create_symlink(folder.PathOf("gone.ini"), folder.PathOf("dangling.ini"));
  GameCatalogue catalogue = BuildGameCatalogue(folder.Folder());
  EXPECT_EQ(catalogue.Items, std::vector<std::string>{Item("PACMAN", "Good", good)});
}

TEST(GameCatalogue, SeparatorsInsideHeaderValuesCannotMisdirectTheGameList) {
  TempFolder folder;
  std::string path =
      folder.Write("odd.ini", std::string("#TITLE=a\x02/etc/passwd\n#DRIVER=X\x01Y\n"));
  GameCatalogue catalogue = BuildGameCatalogue(folder.Folder());
  ASSERT_EQ(catalogue.Items.size(), 1u);
  std::vector<std::string> games = CatalogueGames(catalogue, "X Y");
  ASSERT_EQ(games.size(), 1u);
  EXPECT_EQ(GameItemPath(games[0]), path);
  EXPECT_EQ(GameItemTitle(games[0]), "a /etc/passwd");
}

TEST(DriverList, DistinctExactNamesInCatalogueOrderWithGalaxianPreselected) {
  GameCatalogue catalogue;
  catalogue.Items = {Item("Galaxian", "A", "/a"), Item("GALAXIAN", "B", "/b"), Item("Galaxian", "C", "/c"),
                     Item("PACMAN", "D", "/d")};
  std::vector<std::string> drivers = CatalogueDrivers(catalogue);
  EXPECT_EQ(drivers, (std::vector<std::string>{"Galaxian", "GALAXIAN", "PACMAN"}));
  EXPECT_EQ(PreselectedDriver(drivers), 1);
  EXPECT_EQ(PreselectedDriver({"FROGGER", "Galaxian", "PACMAN"}), 0);  // only the exact name counts
}

TEST(GameList, ExactDriverMatchSortedByTitle) {
  GameCatalogue catalogue;
  catalogue.Items = {Item("GALAXIAN", "beta", "/1"), Item("GALAXIAN", "Alpha", "/2"),
                     Item("galaxian", "Aardvark", "/3"), Item("GALAXIANS", "Other", "/4"),
                     Item("GALAXIAN", "Gamma", "/5")};
  std::vector<std::string> games = CatalogueGames(catalogue, "GALAXIAN");
  ASSERT_EQ(games.size(), 3u);
  EXPECT_EQ(GameItemTitle(games[0]), "Alpha");
  EXPECT_EQ(GameItemTitle(games[1]), "beta");
  EXPECT_EQ(GameItemTitle(games[2]), "Gamma");
  EXPECT_EQ(GameItemPath(games[0]), "/2");
  EXPECT_EQ(CatalogueGames(catalogue, "galaxian").size(), 1u);
}

}  // namespace
}  // namespace tirvane
