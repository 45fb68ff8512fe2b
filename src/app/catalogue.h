// SPDX-License-Identifier: GPL-3.0-or-later
// The game catalogue: every *.ini of a folder, as the main window lists it. Files that cannot be read
// are left out; titles and driver names lose any separator character they contain. A file without a
// driver line (random bytes, a stray text file) is listed under UnreadableDriver, titled with its
// name and the reason, so starting it shows the full message.
#pragma once

#include <string>
#include <vector>

namespace tirvane {

// Item text: driver + '\x01' + title + '\x02' + full path.
constexpr char CatalogueSep1 = '\x01';
constexpr char CatalogueSep2 = '\x02';

inline constexpr const char* UnreadableDriver = "Unreadable descriptions";

struct GameCatalogue {
  std::vector<std::string> Items;  // sorted case-insensitively
};

GameCatalogue BuildGameCatalogue(const std::string& folder);
// Distinct driver names in catalogue order (exact comparison).
std::vector<std::string> CatalogueDrivers(const GameCatalogue& catalogue);
// "GALAXIAN" when present, else 0; -1 for an empty list.
int PreselectedDriver(const std::vector<std::string>& drivers);
// Game-list items of one driver (title + '\x02' + path), sorted by title.
std::vector<std::string> CatalogueGames(const GameCatalogue& catalogue, const std::string& driver);
// The two halves of a game-list item: the title the list shows, the path Start opens.
std::string GameItemTitle(const std::string& item);
std::string GameItemPath(const std::string& item);

}  // namespace tirvane
