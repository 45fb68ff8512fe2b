// SPDX-License-Identifier: GPL-3.0-or-later
#include "drivers/file_loader.h"

#include <filesystem>
#include <fstream>

namespace tirvane {

FileReadResult ReadWholeFile(const std::string& path, uint64_t minSize, uint64_t maxSize) {
  FileReadResult result;
  std::ifstream in(path, std::ios::binary);
  if (!in) return result;

  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    result.Status = FileReadStatus::ReadFailed;
    return result;
  }
  result.Size = std::filesystem::file_size(path, error);
  if (error) {
    result.Size = 0;
    result.Status = FileReadStatus::ReadFailed;
    return result;
  }
  if (result.Size < minSize || result.Size > maxSize) {
    result.Status = FileReadStatus::WrongSize;
    return result;
  }

  result.Bytes.resize(result.Size);
  in.read(reinterpret_cast<char*>(result.Bytes.data()), static_cast<std::streamsize>(result.Size));
  // A file that shrinks between the size check and the read is as unreadable as a failing disk.
  if (static_cast<uint64_t>(in.gcount()) != result.Size) {
    result.Bytes.clear();
    result.Status = FileReadStatus::ReadFailed;
    return result;
  }
  result.Status = FileReadStatus::Ok;
  return result;
}

}  // namespace tirvane
