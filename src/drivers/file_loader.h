// SPDX-License-Identifier: GPL-3.0-or-later
// What the file loaders (SPECTRUM snapshots and tapes, COLECO cartridges, a board's PROM) share: a
// whole-file read that checks the size before a single byte reaches the running machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tirvane {

enum class FileReadStatus { Ok, CannotOpen, WrongSize, ReadFailed };

struct FileReadResult {
  FileReadStatus Status = FileReadStatus::CannotOpen;
  uint64_t Size = 0;  // the file's size as the file system reports it (0 when unknown)
  std::vector<uint8_t> Bytes;
};

// Reads a file whole when its size lies in [minSize, maxSize]; otherwise reads nothing.
FileReadResult ReadWholeFile(const std::string& path, uint64_t minSize, uint64_t maxSize);

}  // namespace tirvane
