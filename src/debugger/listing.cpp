// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/listing.h"

#include "debugger/disassembler.h"

namespace tirvane {

namespace {

// Decoding from 24 bytes back is nearly always in step by the time it reaches the address.
constexpr int SyncDistance = 24;

}  // namespace

uint16_t PreviousInstruction(const uint8_t* memory, uint16_t address) {
  if (address == 0) return 0;
  const int farthest = address < SyncDistance ? address : SyncDistance;
  for (int back = farthest; back >= 1; --back) {
    int at = address - back, last = at;
    while (at < address) {
      last = at;
      at += DecodeInstruction(memory, static_cast<uint16_t>(at)).Length;
    }
    if (at == address) return static_cast<uint16_t>(last);
  }
  return static_cast<uint16_t>(address - 1);
}

uint16_t ListingStartBefore(const uint8_t* memory, uint16_t address, int lines) {
  for (int i = 0; i < lines && address > 0; ++i) address = PreviousInstruction(memory, address);
  return address;
}

}  // namespace tirvane
