// SPDX-License-Identifier: GPL-3.0-or-later
// A 48 kHz 16-bit mono WAV file written as the samples come; the header's sizes are filled in when
// it closes, so an unfinished file still opens in most players.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace tirvane {

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // false, with the reason in error, when the file cannot be created.
  bool Open(const std::string& path, std::string& error);
  void Append(std::span<const int16_t> samples);
  // Completes the header; false when any write failed.
  bool Close(std::string& error);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  uint64_t samples_ = 0;
  bool failed_ = false;
};

}  // namespace tirvane
