// SPDX-License-Identifier: GPL-3.0-or-later
// The CB and DD CB / FD CB tables and their prefix decoding.
#include "z80/ops_cb.h"

#include <cstddef>
#include <utility>

namespace tirvane::z80ops {
namespace {

template <int Op>
void cbHandler(Z80Context& z) {
  ContextAccess c(z);
  cbOp<Op>(c);
}

template <int Op>
void indexedCbHandler(Z80Context& z, uint16_t address) {
  ContextAccess c(z);
  indexedCbOp<Op>(c, address);
}

template <std::size_t... Ops>
constexpr std::array<OpHandler, 256> buildCbTable(std::index_sequence<Ops...>) {
  return {&cbHandler<static_cast<int>(Ops)>...};
}

template <std::size_t... Ops>
constexpr std::array<IndexedCbHandler, 256> buildIndexedCbTable(std::index_sequence<Ops...>) {
  return {&indexedCbHandler<static_cast<int>(Ops)>...};
}

template <int X>
void indexedCbPrefix(Z80Context& z) {
  ContextAccess c(z);
  const auto d = static_cast<int8_t>(fetch(c));
  const auto address = static_cast<uint16_t>(indexPair<X>(z).w + d);
  const uint8_t op = fetch(c);
  z.CycleCount += timingOf(z).IndexedCB[op];
  IndexedCbTable[op](z, address);
}

}  // namespace

const std::array<OpHandler, 256> CbTable = buildCbTable(std::make_index_sequence<256>{});
const std::array<IndexedCbHandler, 256> IndexedCbTable = buildIndexedCbTable(std::make_index_sequence<256>{});

void cbPrefix(Z80Context& z) {
  ContextAccess c(z);
  const uint8_t op = fetch(c);
  z.CycleCount += timingOf(z).CB[op];
  CbTable[op](z);
}

void ddCbPrefix(Z80Context& z) { indexedCbPrefix<UseIX>(z); }
void fdCbPrefix(Z80Context& z) { indexedCbPrefix<UseIY>(z); }

}  // namespace tirvane::z80ops
