// SPDX-License-Identifier: GPL-3.0-or-later
// The main, DD and FD tables, and the decoding of DD/FD prefix chains.
#include "z80/ops_main.h"

#include <cstddef>
#include <utility>

namespace tirvane::z80ops {
namespace {

template <int X, int Op>
void mainHandler(Z80Context& z) {
  ContextAccess c(z);
  mainOp<X, Op>(c);
}

// DD and FD chains are decoded in this loop, never by nesting: the last prefix wins.
void indexChain(Z80Context& z, bool useIY) {
  ContextAccess c(z);
  for (int n = 0;; ++n) {
    const uint8_t op = fetch(c);
    z.CycleCount += timingOf(z).DDFD[op];
    if ((op | 0x20) == 0xFD) {  // DD or FD
      if (n == MaxPrefixChain) {
        --z.PC.w;  // the rest of the chain decodes as the next instruction
        return;
      }
      useIY = op == 0xFD;
      continue;
    }
    (useIY ? FdTable : DdTable)[op](z);
    return;
  }
}

template <int X, int Op>
constexpr OpHandler tableEntry() {
  if constexpr (Op == 0xCB)
    return X == UseHL ? &cbPrefix : X == UseIX ? &ddCbPrefix : &fdCbPrefix;
  else if constexpr (Op == 0xED)
    return X == UseHL ? &edPrefix : X == UseIX ? &edAfterDdPrefix : &edAfterFdPrefix;
  else if constexpr (Op == 0xDD)
    return &ddPrefix;
  else if constexpr (Op == 0xFD)
    return &fdPrefix;
  else if constexpr (X != UseHL && !involvesIndex(Op))
    return &mainHandler<UseHL, Op>;
  else
    return &mainHandler<X, Op>;
}

template <int X, std::size_t... Ops>
constexpr std::array<OpHandler, 256> buildTable(std::index_sequence<Ops...>) {
  return {tableEntry<X, static_cast<int>(Ops)>()...};
}

}  // namespace

const std::array<OpHandler, 256> MainTable = buildTable<UseHL>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> DdTable = buildTable<UseIX>(std::make_index_sequence<256>{});
const std::array<OpHandler, 256> FdTable = buildTable<UseIY>(std::make_index_sequence<256>{});

void ddPrefix(Z80Context& z) { indexChain(z, false); }
void fdPrefix(Z80Context& z) { indexChain(z, true); }

}  // namespace tirvane::z80ops
