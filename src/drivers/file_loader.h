// SPDX-License-Identifier: GPL-3.0-or-later
// What the two file loaders (SPECTRUM snapshots, COLECO cartridges) share: the open-file dialog in
// the description's cartridge folder, the folder restore afterwards, and a whole-file read that
// checks the size before a single byte reaches the running machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tirvane {

// The dialog starts in Game.CartridgeDir (relative to the program folder, '\' read as '/').
// pattern is the initial file name, e.g. "*.sna". nullopt when cancelled.
std::optional<std::string> AskForFile(const char* title, const char* filter, const char* defaultExtension,
                                      const char* pattern);

// Sets the current folder back to the program's own; on failure shows "Failed changing directory...".
void RestoreProgramFolder();

enum class FileReadStatus { Ok, CannotOpen, WrongSize, ReadFailed };

struct FileReadResult {
  FileReadStatus Status = FileReadStatus::CannotOpen;
  uint64_t Size = 0;  // the file's size as the file system reports it (0 when unknown)
  std::vector<uint8_t> Bytes;
};

// Reads a file whole when its size lies in [minSize, maxSize]; otherwise reads nothing.
FileReadResult ReadWholeFile(const std::string& path, uint64_t minSize, uint64_t maxSize);

}  // namespace tirvane
