// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/games_folder.h"

#include <filesystem>
#include <system_error>

namespace tirvane {
namespace {

namespace fs = std::filesystem;

bool HoldsDescription(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->path().extension() == ".ini" && it->is_regular_file(error)) return true;
  }
  return false;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string BundledGamesFolder(const std::string& programFolder) {
  const fs::path program(programFolder.empty() ? "." : programFolder);
  if (HoldsDescription(program)) return WithSlash(programFolder);
  const fs::path data = program / ".." / "share" / "tirvane";
  if (HoldsDescription(data)) return WithSlash(data.lexically_normal().string());
  return WithSlash(programFolder);
}

}  // namespace tirvane
