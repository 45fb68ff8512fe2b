// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/catalogue.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "machine/description.h"

namespace tirvane {

namespace {

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive order of the lists; equal texts in different case fall back to the exact bytes
// so the order never depends on the order the folder was read in.
bool ListOrder(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(LowerChar(a[i]));
    auto cb = static_cast<unsigned char>(LowerChar(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool IsDescriptionName(const std::string& name) {
  constexpr std::string_view Extension = ".ini";
  if (name.size() < Extension.size()) return false;
  std::string_view tail = std::string_view(name).substr(name.size() - Extension.size());
  for (size_t i = 0; i < Extension.size(); ++i) {
    if (LowerChar(tail[i]) != Extension[i]) return false;
  }
  return true;
}

bool HasSeparator(const std::string& text) {
  return text.find(CatalogueSep1) != std::string::npos || text.find(CatalogueSep2) != std::string::npos;
}

// A separator inside a title or driver name would move the split points of the item, and the list
// would start another file than the one shown.
std::string WithoutSeparators(std::string text) {
  std::replace(text.begin(), text.end(), CatalogueSep1, ' ');
  std::replace(text.begin(), text.end(), CatalogueSep2, ' ');
  return text;
}

}  // namespace

GameCatalogue BuildGameCatalogue(const std::string& folder) {
  namespace fs = std::filesystem;
  GameCatalogue catalogue;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const fs::directory_entry& entry = *it;
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    std::string name = entry.path().filename().string();
    if (!IsDescriptionName(name)) continue;
    std::string path = (fs::path(folder) / name).string();
    if (HasSeparator(path)) continue;  // the path could not be told apart from the title
    CatalogueHeader header;
    if (!ReadCatalogueHeader(path, header)) continue;  // an unreadable file must not stop start-up
    if (header.Driver == path) {
      header.Driver = UnreadableDriver;
      header.Title = name + ": no #driver= line";
    }
    catalogue.Items.push_back(WithoutSeparators(header.Driver) + CatalogueSep1 +
                              WithoutSeparators(header.Title) + CatalogueSep2 + path);
  }
  std::sort(catalogue.Items.begin(), catalogue.Items.end(), ListOrder);
  return catalogue;
}

std::vector<std::string> CatalogueDrivers(const GameCatalogue& catalogue) {
  std::vector<std::string> drivers;
  for (const std::string& item : catalogue.Items) {
    size_t sep = item.find(CatalogueSep1);
    if (sep == std::string::npos) continue;
    std::string driver = item.substr(0, sep);
    // Names differing only in case can interleave in the case-insensitive order, so comparing with
    // the last name added alone would list one driver twice.
    if (std::find(drivers.begin(), drivers.end(), driver) == drivers.end()) drivers.push_back(driver);
  }
  return drivers;
}

int PreselectedDriver(const std::vector<std::string>& drivers) {
  if (drivers.empty()) return -1;
  auto it = std::find(drivers.begin(), drivers.end(), "GALAXIAN");
  return it == drivers.end() ? 0 : static_cast<int>(it - drivers.begin());
}

std::vector<std::string> CatalogueGames(const GameCatalogue& catalogue, const std::string& driver) {
  std::vector<std::string> games;
  for (const std::string& item : catalogue.Items) {
    size_t sep = item.find(CatalogueSep1);
    if (sep == std::string::npos || std::string_view(item).substr(0, sep) != driver) continue;
    games.push_back(item.substr(sep + 1));
  }
  std::sort(games.begin(), games.end(), ListOrder);
  return games;
}

std::string GameItemTitle(const std::string& item) { return item.substr(0, item.find(CatalogueSep2)); }

std::string GameItemPath(const std::string& item) {
  size_t sep = item.find(CatalogueSep2);
  return sep == std::string::npos ? std::string() : item.substr(sep + 1);
}

}  // namespace tirvane
