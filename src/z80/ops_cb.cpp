// The CB page (rotates, shifts, BIT, RES, SET) and the DD CB / FD CB page built on it.
#include <cstddef>
#include <utility>

#include "z80/alu.h"
#include "z80/ops.h"

namespace tirvane::z80ops {
namespace {

// Opcode fields: x = bits 7-6 (shift, BIT, RES, SET), y = bits 5-3 (operation or bit), k = bits 2-0.
template <int Op>
[[gnu::always_inline]] inline void cbOnMemory(Z80Context& z, uint16_t address) {
  constexpr int x = Op >> 6, y = (Op >> 3) & 7;
  const uint8_t v = readByte(z, address);
  if constexpr (x == 0) writeByte(z, address, shift8<y>(z, v));
  else if constexpr (x == 1) testBit<y>(z, v);
  else if constexpr (x == 2) writeByte(z, address, static_cast<uint8_t>(v & ~(1 << y)));
  else writeByte(z, address, static_cast<uint8_t>(v | (1 << y)));
}

template <int Op>
void cbOp(Z80Context& z) {
  constexpr int x = Op >> 6, y = (Op >> 3) & 7, k = Op & 7;
  if constexpr (k == 6) {
    cbOnMemory<Op>(z, z.HL.w);
  } else {
    uint8_t& r = reg8<UseHL, k>(z);
    if constexpr (x == 0) r = shift8<y>(z, r);
    else if constexpr (x == 1) testBit<y>(z, r);
    else if constexpr (x == 2) r = static_cast<uint8_t>(r & ~(1 << y));
    else r = static_cast<uint8_t>(r | (1 << y));
  }
}

// DD CB d op: the (IX+d) forms work on memory; RLC with a register code rotates memory and copies
// the result into the register; every other register code is the plain CB instruction and leaves
// memory alone.
template <int Op>
void indexedCbOp(Z80Context& z, uint16_t address) {
  constexpr int k = Op & 7;
  if constexpr (k == 6) {
    cbOnMemory<Op>(z, address);
  } else if constexpr (Op < 0x08) {
    const uint8_t r = shift8<0>(z, readByte(z, address));
    writeByte(z, address, r);
    reg8<UseHL, k>(z) = r;
  } else {
    cbOp<Op>(z);
  }
}

template <std::size_t... Ops>
constexpr std::array<OpHandler, 256> buildCbTable(std::index_sequence<Ops...>) {
  return {&cbOp<static_cast<int>(Ops)>...};
}

template <std::size_t... Ops>
constexpr std::array<IndexedCbHandler, 256> buildIndexedCbTable(std::index_sequence<Ops...>) {
  return {&indexedCbOp<static_cast<int>(Ops)>...};
}

template <int X>
void indexedCbPrefix(Z80Context& z) {
  const auto d = static_cast<int8_t>(fetch(z));
  const auto address = static_cast<uint16_t>(indexPair<X>(z).w + d);
  const uint8_t op = fetch(z);
  z.CycleCount += TimingIndexedCB[op];
  IndexedCbTable[op](z, address);
}

}  // namespace

const std::array<OpHandler, 256> CbTable = buildCbTable(std::make_index_sequence<256>{});
const std::array<IndexedCbHandler, 256> IndexedCbTable =
    buildIndexedCbTable(std::make_index_sequence<256>{});

void cbPrefix(Z80Context& z) {
  const uint8_t op = fetch(z);
  z.CycleCount += TimingCB[op];
  CbTable[op](z);
}

void ddCbPrefix(Z80Context& z) { indexedCbPrefix<UseIX>(z); }
void fdCbPrefix(Z80Context& z) { indexedCbPrefix<UseIY>(z); }

}  // namespace tirvane::z80ops
