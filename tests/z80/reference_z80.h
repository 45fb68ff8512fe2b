// SPDX-License-Identifier: GPL-3.0-or-later
// libz80ex, an independent Z80 implementation, behind the same bus log as the test machine.
#pragma once

#include <z80ex/z80ex.h>

#include <array>

#include "test_machine.h"

namespace tirvane::testing {

struct Reference {
  std::array<uint8_t, 65536> memory{};
  BusLog log;
  uint8_t bus = 0xFF;  // what a device puts on the data bus when an interrupt is accepted
  Z80EX_CONTEXT* cpu = nullptr;

  Reference() {
    cpu =
        z80ex_create([](Z80EX_CONTEXT*, Z80EX_WORD a, int,
                        void* self) -> Z80EX_BYTE { return static_cast<Reference*>(self)->memory[a]; },
                     this,
                     [](Z80EX_CONTEXT*, Z80EX_WORD a, Z80EX_BYTE v, void* self) {
                       auto* r = static_cast<Reference*>(self);
                       r->log.writes.emplace_back(a, v);
                       r->memory[a] = v;
                     },
                     this,
                     [](Z80EX_CONTEXT*, Z80EX_WORD p, void* self) -> Z80EX_BYTE {
                       static_cast<Reference*>(self)->log.portReads.push_back(p);
                       return portValue(p);
                     },
                     this,
                     [](Z80EX_CONTEXT*, Z80EX_WORD p, Z80EX_BYTE v, void* self) {
                       static_cast<Reference*>(self)->log.portWrites.emplace_back(static_cast<uint8_t>(p), v);
                     },
                     this, [](Z80EX_CONTEXT*, void* self) -> Z80EX_BYTE { return static_cast<Reference*>(self)->bus; }, this);
  }
  ~Reference() { z80ex_destroy(cpu); }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;

  // Returns the T-states spent.
  int stepInstruction() {
    int states = 0;
    do states += z80ex_step(cpu);
    while (z80ex_last_op_type(cpu) != 0);
    return states;
  }
};

}  // namespace tirvane::testing
