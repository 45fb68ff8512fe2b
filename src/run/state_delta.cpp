// SPDX-License-Identifier: GPL-3.0-or-later
// Layout: the size of current, then pairs (equal run, changed run), each a base-128 number, the
// changed run followed by its bytes XOR base. Words compare eight bytes at a time: most of a
// machine's memory image does not change between two captures.
#include "run/state_delta.h"

#include <cstring>

namespace tirvane {
namespace {

void PutNumber(std::vector<uint8_t>& out, size_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

bool GetNumber(std::span<const uint8_t> in, size_t& at, size_t& value) {
  value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at >= in.size()) return false;
    const uint8_t byte = in[at++];
    value |= static_cast<size_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

uint8_t BaseAt(std::span<const uint8_t> base, size_t i) { return i < base.size() ? base[i] : 0; }

// The first index at or after i where the two differ, or end.
size_t SkipEqual(std::span<const uint8_t> base, std::span<const uint8_t> current, size_t i) {
  const size_t common = std::min(base.size(), current.size());
  while (i + 8 <= common) {
    uint64_t a, b;
    std::memcpy(&a, base.data() + i, 8);
    std::memcpy(&b, current.data() + i, 8);
    if (a != b) break;
    i += 8;
  }
  while (i < current.size() && current[i] == BaseAt(base, i)) ++i;
  return i;
}

// The first index at or after i where a run of equal bytes long enough to be worth a new pair starts.
size_t SkipChanged(std::span<const uint8_t> base, std::span<const uint8_t> current, size_t i) {
  constexpr size_t WorthSplitting = 4;
  size_t equal = 0;
  for (; i < current.size(); ++i) {
    if (current[i] == BaseAt(base, i)) {
      if (++equal == WorthSplitting) return i + 1 - WorthSplitting;
    } else {
      equal = 0;
    }
  }
  return current.size() - equal;
}

}  // namespace

void EncodeStateDelta(std::span<const uint8_t> base, std::span<const uint8_t> current, std::vector<uint8_t>& out) {
  PutNumber(out, current.size());
  size_t i = 0;
  while (i < current.size()) {
    const size_t changedStart = SkipEqual(base, current, i);
    if (changedStart == current.size()) break;
    const size_t changedEnd = SkipChanged(base, current, changedStart);
    PutNumber(out, changedStart - i);
    PutNumber(out, changedEnd - changedStart);
    const size_t at = out.size();
    out.resize(at + changedEnd - changedStart);
    uint8_t* to = out.data() + at;
    for (size_t k = changedStart; k < changedEnd; ++k) *to++ = current[k] ^ BaseAt(base, k);
    i = changedEnd;
  }
}

bool DecodeStateDelta(std::span<const uint8_t> base, std::span<const uint8_t> delta, std::vector<uint8_t>& out) {
  size_t at = 0, size = 0;
  if (!GetNumber(delta, at, size) || size > (size_t{1} << 30)) return false;
  out.resize(size);
  const size_t fromBase = std::min(size, base.size());
  std::memcpy(out.data(), base.data(), fromBase);
  std::memset(out.data() + fromBase, 0, size - fromBase);
  size_t i = 0;
  while (at < delta.size()) {
    size_t equal = 0, changed = 0;
    if (!GetNumber(delta, at, equal) || !GetNumber(delta, at, changed)) return false;
    if (equal > size - i || changed > size - i - equal || changed > delta.size() - at) return false;
    i += equal;
    for (size_t k = 0; k < changed; ++k, ++i) out[i] ^= delta[at++];
  }
  return true;
}

}  // namespace tirvane
