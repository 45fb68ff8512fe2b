// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wav_writer.h"

#include <array>

namespace tirvane {

namespace {

constexpr uint32_t SampleRate = 48000;
constexpr uint32_t HeaderSize = 44;
// The RIFF sizes are 32-bit: a longer capture stops growing rather than writing a broken header.
constexpr uint64_t MaxDataBytes = 0xFFFFFFFFull - HeaderSize;

void PutLe(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

std::array<uint8_t, HeaderSize> Header(uint32_t dataBytes) {
  std::array<uint8_t, HeaderSize> h{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  PutLe(&h[4], 36 + dataBytes, 4);
  PutLe(&h[16], 16, 4);  // format chunk size
  PutLe(&h[20], 1, 2);   // PCM
  PutLe(&h[22], 1, 2);   // mono
  PutLe(&h[24], SampleRate, 4);
  PutLe(&h[28], SampleRate * 2, 4);
  PutLe(&h[32], 2, 2);   // bytes per frame
  PutLe(&h[34], 16, 2);  // bits per sample
  h[36] = 'd', h[37] = 'a', h[38] = 't', h[39] = 'a';
  PutLe(&h[40], dataBytes, 4);
  return h;
}

}  // namespace

WavWriter::~WavWriter() {
  std::string ignored;
  Close(ignored);
}

bool WavWriter::Open(const std::string& path, std::string& error) {
  std::string ignored;
  Close(ignored);
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error = "cannot create " + path;
    return false;
  }
  path_ = path;
  samples_ = 0;
  const auto header = Header(0);
  failed_ = std::fwrite(header.data(), 1, header.size(), file_) != header.size();
  return true;
}

void WavWriter::Append(std::span<const int16_t> samples) {
  if (file_ == nullptr || failed_) return;
  const uint64_t room = (MaxDataBytes - samples_ * 2) / 2;
  const size_t count = static_cast<size_t>(std::min<uint64_t>(samples.size(), room));
  // Little-endian bytes whatever the host's order.
  uint8_t buffer[4096];
  size_t done = 0;
  while (done < count) {
    const size_t n = std::min(count - done, sizeof buffer / 2);
    for (size_t i = 0; i < n; ++i) {
      const auto v = static_cast<uint16_t>(samples[done + i]);
      buffer[2 * i] = static_cast<uint8_t>(v);
      buffer[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    if (std::fwrite(buffer, 2, n, file_) != n) failed_ = true;
    done += n;
  }
  samples_ += count;
}

bool WavWriter::Close(std::string& error) {
  if (file_ == nullptr) return true;
  const auto header = Header(static_cast<uint32_t>(samples_ * 2));
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 &&
            std::fwrite(header.data(), 1, header.size(), file_) == header.size();
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (!ok) error = "failed writing " + path_;
  return ok;
}

}  // namespace tirvane
