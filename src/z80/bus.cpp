// SPDX-License-Identifier: GPL-3.0-or-later
// The processor records and the out-of-line bus operations. The handlers inline the same code from
// ops.h; these exist for callers outside the core (the debugger, drivers, tests).
#include "z80/ops.h"
#include "z80/z80.h"

namespace tirvane {

Z80Context Z80Contexts[ProcessorCount];
// Points at processor 1 from the start, so a reader never meets a null record.
Z80Context* ActiveContext = &Z80Contexts[0];

using z80ops::ContextAccess;

uint8_t ReadByte(Z80Context& z, uint16_t address) {
  ContextAccess c(z);
  return z80ops::readByte(c, address);
}

void WriteByte(Z80Context& z, uint16_t address, uint8_t value) {
  ContextAccess c(z);
  z80ops::writeByte(c, address, value);
}

void PortOut(Z80Context& z, uint8_t port, uint8_t value, uint8_t high) {
  ContextAccess c(z);
  z80ops::portOut(c, port, value, high);
}

uint8_t PortIn(Z80Context& z, uint8_t low, uint8_t high) {
  ContextAccess c(z);
  return z80ops::portIn(c, low, high);
}

}  // namespace tirvane
