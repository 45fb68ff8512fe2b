// Internals shared by the instruction handlers and the entry points: the inlined bus operations,
// register selection for the HL/IX/IY forms, and the dispatch tables.
// Not for use outside src/z80: everything else goes through z80.h.
#pragma once

#include <array>
#include <cstdint>

#include "z80/timing.h"
#include "z80/z80.h"

namespace tirvane::z80ops {

// Which register stands in for HL: the unprefixed, the DD and the FD forms of one handler template.
enum Index : int { UseHL = 0, UseIX = 1, UseIY = 2 };

using OpHandler = void (*)(Z80Context&);
// DD CB d op and FD CB d op handlers get the operand address (IX+d or IY+d) already computed, so one
// table serves both prefixes.
using IndexedCbHandler = void (*)(Z80Context&, uint16_t address);

// ops_main.cpp
extern const std::array<OpHandler, 256> MainTable;
extern const std::array<OpHandler, 256> DdTable;
extern const std::array<OpHandler, 256> FdTable;
// ops_cb.cpp
extern const std::array<OpHandler, 256> CbTable;
extern const std::array<IndexedCbHandler, 256> IndexedCbTable;
void cbPrefix(Z80Context& z);
void ddCbPrefix(Z80Context& z);
void fdCbPrefix(Z80Context& z);
// ops_ed.cpp
extern const std::array<OpHandler, 256> EdTable;
extern const std::array<OpHandler, 256> EdAfterDdTable;
extern const std::array<OpHandler, 256> EdAfterFdTable;
void edPrefix(Z80Context& z);
void edAfterDdPrefix(Z80Context& z);
void edAfterFdPrefix(Z80Context& z);
// interrupts.cpp
void enableInterrupts(Z80Context& z);

// Prefix bytes decoded in one instruction before the rest of a chain is left to the next
// ExecuteOne: memory full of DD or ED bytes would otherwise keep one instruction running forever.
// No real program repeats a prefix more than a few times, so decoding is unchanged for all of them.
constexpr int MaxPrefixChain = 16;

[[gnu::always_inline]] inline uint8_t readByte(Z80Context& z, uint16_t address) {
  // DirectReadLimit + 1 wraps to 0 for FFFFh, which sends every read to the handler in one compare.
  if (address < static_cast<uint16_t>(z.DirectReadLimit + 1)) return z.MemoryImage[address];
  return z.ReadHandler(address);
}

[[gnu::always_inline]] inline void writeByte(Z80Context& z, uint16_t address, uint8_t value) {
  if (address >= z.RomLimit) z.WriteHandler(value, address);
}

[[gnu::always_inline]] inline void portOut(Z80Context& z, uint8_t port, uint8_t value) {
  z.PortOutHandler(value, port);
}

[[gnu::always_inline]] inline uint8_t portIn(Z80Context& z, uint8_t low, uint8_t high) {
  return z.PortInHandler(static_cast<uint16_t>(high << 8 | low));
}

[[gnu::always_inline]] inline uint8_t fetch(Z80Context& z) { return readByte(z, z.PC.w++); }

[[gnu::always_inline]] inline uint16_t fetchWord(Z80Context& z) {
  const uint8_t low = fetch(z);
  return static_cast<uint16_t>(fetch(z) << 8 | low);
}

inline uint16_t readWord(Z80Context& z, uint16_t address) {
  const uint8_t low = readByte(z, address);
  return static_cast<uint16_t>(readByte(z, static_cast<uint16_t>(address + 1)) << 8 | low);
}

inline void writeWord(Z80Context& z, uint16_t address, uint16_t value) {
  writeByte(z, address, static_cast<uint8_t>(value));
  writeByte(z, static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value >> 8));
}

inline void push(Z80Context& z, uint16_t value) {
  writeByte(z, --z.SP.w, static_cast<uint8_t>(value >> 8));
  writeByte(z, --z.SP.w, static_cast<uint8_t>(value));
}

inline uint16_t pop(Z80Context& z) {
  const uint8_t low = readByte(z, z.SP.w++);
  return static_cast<uint16_t>(readByte(z, z.SP.w++) << 8 | low);
}

template <int X>
[[gnu::always_inline]] inline RegisterPair& indexPair(Z80Context& z) {
  if constexpr (X == UseIX) return z.IX;
  else if constexpr (X == UseIY) return z.IY;
  else return z.HL;
}

// Register by its 3-bit opcode code (0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 7 A); with X set, codes 4 and 5
// name the index register's halves. Code 6, the memory operand, is the caller's business.
template <int X, int Code>
[[gnu::always_inline]] inline uint8_t& reg8(Z80Context& z) {
  static_assert(Code != 6);
  if constexpr (Code == 0) return z.BC.h;
  else if constexpr (Code == 1) return z.BC.l;
  else if constexpr (Code == 2) return z.DE.h;
  else if constexpr (Code == 3) return z.DE.l;
  else if constexpr (Code == 4) return indexPair<X>(z).h;
  else if constexpr (Code == 5) return indexPair<X>(z).l;
  else return z.AF.h;
}

// Register pair by its 2-bit code in the BC, DE, HL, SP group.
template <int X, int Code>
[[gnu::always_inline]] inline RegisterPair& pairSP(Z80Context& z) {
  if constexpr (Code == 0) return z.BC;
  else if constexpr (Code == 1) return z.DE;
  else if constexpr (Code == 2) return indexPair<X>(z);
  else return z.SP;
}

// The memory operand of an (HL) form: HL itself, or IX+d / IY+d with d fetched here.
template <int X>
[[gnu::always_inline]] inline uint16_t memoryOperand(Z80Context& z) {
  if constexpr (X == UseHL) {
    return z.HL.w;
  } else {
    const auto d = static_cast<int8_t>(fetch(z));
    return static_cast<uint16_t>(indexPair<X>(z).w + d);
  }
}

// One whole instruction; the body of ExecuteOne, inlined into the frame loop.
[[gnu::always_inline]] inline void executeInline(Z80Context& z) {
  const uint8_t op = fetch(z);
  z.CycleCount += TimingMain[op];
  MainTable[op](z);
}

}  // namespace tirvane::z80ops
