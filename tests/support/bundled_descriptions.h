// SPDX-License-Identifier: GPL-3.0-or-later
// The descriptions the build puts beside the programs, in a stable order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tirvane {

inline std::vector<std::string> BundledDescriptions() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(TIRVANE_BIN_DIR))
    if (entry.path().extension() == ".ini") paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace tirvane
