// SPDX-License-Identifier: GPL-3.0-or-later
// Internals shared by the instruction handlers and the entry points: how a handler reaches PC, the
// cycle count and the bus, register selection for the HL/IX/IY forms, and the dispatch tables.
// Not for use outside src/z80: everything else goes through z80.h.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "z80/timing.h"
#include "z80/z80.h"

namespace tirvane::z80ops {

// Which register stands in for HL: the unprefixed, the DD and the FD forms of one handler template.
enum Index : int { UseHL = 0, UseIX = 1, UseIY = 2 };

// Handlers are templates over an access object for PC, CycleCount and the memory limits.
// ContextAccess goes to the record every time, as ExecuteOne must. FrameAccess holds them in locals
// for the frame loop, so the chains of dependent instructions through PC and CycleCount stay in
// registers, and reads the frame length, the memory limits and the image pointer once per frame. Bus handlers may read
// the record (a driver may look at PC or CycleCount) but change only the interrupt requests, so
// FrameAccess writes PC and CycleCount back before every handler call and reads nothing back; around
// the core's own out-of-line routines, which do move PC and CycleCount, it writes them back and reads
// them again.
struct ContextAccess {
  explicit ContextAccess(Z80Context& context) : z(context), pc(context.PC.w), cycles(context.CycleCount) {}
  bool isDirect(uint16_t address) const {
    // DirectReadLimit + 1 wraps to 0 for FFFFh, which sends every read to the handler in one compare.
    return address < static_cast<uint16_t>(z.DirectReadLimit + 1);
  }
  uint8_t image(uint16_t address) const { return z.MemoryImage[address]; }
  uint16_t romLimit() const { return z.RomLimit; }
  // Single instructions and the core's own routines always write through the handler.
  static constexpr bool plainRam(uint16_t) { return false; }
  void writeImage(uint16_t, uint8_t) {}
  void store() {}
  void load() {}
  // The extra cost of a taken branch, counted only under exact timing.
  void taken(uint8_t extra) {
    if (z.ExactTiming != 0) cycles += extra;
  }

  Z80Context& z;
  uint16_t& pc;
  uint32_t& cycles;
};

template <bool Exact>
struct FrameAccess {
  explicit FrameAccess(Z80Context& context)
      : z(context),
        pc(context.PC.w),
        cycles(context.CycleCount),
        frameLength(context.FrameLength),
        directEnd(static_cast<uint16_t>(context.DirectReadLimit + 1)),
        writeStart(context.RomLimit),
        memory(context.MemoryImage),
        plainPages(context.PlainRamPages != nullptr && context.WriteHandler == context.PlainRamWriter
                       ? context.PlainRamPages
                       : NoPlainRam.data()) {}
  bool isDirect(uint16_t address) const { return address < directEnd; }
  uint8_t image(uint16_t address) const { return memory[address]; }
  uint16_t romLimit() const { return writeStart; }
  bool plainRam(uint16_t address) const { return plainPages[address >> 8] != 0; }
  void writeImage(uint16_t address, uint8_t value) { memory[address] = value; }
  void store() {
    z.PC.w = pc;
    z.CycleCount = cycles;
  }
  void load() {
    pc = z.PC.w;
    cycles = z.CycleCount;
  }
  void taken(uint8_t extra) {
    if constexpr (Exact) cycles += extra;
  }

  Z80Context& z;
  uint16_t pc;
  uint32_t cycles;
  const uint32_t frameLength;
  const uint16_t directEnd;
  const uint16_t writeStart;
  uint8_t* const memory;
  const uint8_t* const plainPages;

  static constexpr std::array<uint8_t, 256> NoPlainRam{};
};

template <class A>
[[gnu::always_inline]] inline uint8_t readByte(A& c, uint16_t address) {
  if (c.isDirect(address)) return c.image(address);
  c.store();
  return c.z.ReadHandler(address);
}

// Writes below RomLimit never reach the handler: ROM stays intact without a check in every driver.
template <class A>
[[gnu::always_inline]] inline void writeByte(A& c, uint16_t address, uint8_t value) {
  if (address < c.romLimit()) return;
  if (c.plainRam(address)) {
    c.writeImage(address, value);
    return;
  }
  c.store();
  c.z.WriteHandler(value, address);
}

template <class A>
[[gnu::always_inline]] inline void portOut(A& c, uint8_t port, uint8_t value, uint8_t high) {
  c.store();
  c.z.PortOutHigh = high;
  c.z.PortOutHandler(value, port);
}

template <class A>
[[gnu::always_inline]] inline uint8_t portIn(A& c, uint8_t low, uint8_t high) {
  c.store();
  return c.z.PortInHandler(static_cast<uint16_t>(high << 8 | low));
}

// Runs an out-of-line routine that works on the record itself.
template <class A>
[[gnu::always_inline]] inline void callOnRecord(A& c, void (*routine)(Z80Context&)) {
  c.store();
  routine(c.z);
  c.load();
}

template <class A>
[[gnu::always_inline]] inline uint8_t fetch(A& c) {
  return readByte(c, c.pc++);
}

template <class A>
[[gnu::always_inline]] inline uint16_t fetchWord(A& c) {
  const uint8_t low = fetch(c);
  return static_cast<uint16_t>(fetch(c) << 8 | low);
}

template <class A>
[[gnu::always_inline]] inline uint16_t readWord(A& c, uint16_t address) {
  const uint8_t low = readByte(c, address);
  return static_cast<uint16_t>(readByte(c, static_cast<uint16_t>(address + 1)) << 8 | low);
}

template <class A>
[[gnu::always_inline]] inline void writeWord(A& c, uint16_t address, uint16_t value) {
  writeByte(c, address, static_cast<uint8_t>(value));
  writeByte(c, static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value >> 8));
}

template <class A>
[[gnu::always_inline]] inline void push(A& c, uint16_t value) {
  Z80Context& z = c.z;
  writeByte(c, --z.SP.w, static_cast<uint8_t>(value >> 8));
  writeByte(c, --z.SP.w, static_cast<uint8_t>(value));
}

template <class A>
[[gnu::always_inline]] inline uint16_t pop(A& c) {
  Z80Context& z = c.z;
  const uint8_t low = readByte(c, z.SP.w++);
  return static_cast<uint16_t>(readByte(c, z.SP.w++) << 8 | low);
}

template <int X>
[[gnu::always_inline]] inline RegisterPair& indexPair(Z80Context& z) {
  if constexpr (X == UseIX)
    return z.IX;
  else if constexpr (X == UseIY)
    return z.IY;
  else
    return z.HL;
}

// Register by its 3-bit opcode code (0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 7 A); with X set, codes 4 and 5
// name the index register's halves. Code 6, the memory operand, is the caller's business.
template <int X, int Code>
[[gnu::always_inline]] inline uint8_t& reg8(Z80Context& z) {
  static_assert(Code != 6);
  if constexpr (Code == 0)
    return z.BC.h;
  else if constexpr (Code == 1)
    return z.BC.l;
  else if constexpr (Code == 2)
    return z.DE.h;
  else if constexpr (Code == 3)
    return z.DE.l;
  else if constexpr (Code == 4)
    return indexPair<X>(z).h;
  else if constexpr (Code == 5)
    return indexPair<X>(z).l;
  else
    return z.AF.h;
}

// Register pair by its 2-bit code in the BC, DE, HL, SP group.
template <int X, int Code>
[[gnu::always_inline]] inline RegisterPair& pairSP(Z80Context& z) {
  if constexpr (Code == 0)
    return z.BC;
  else if constexpr (Code == 1)
    return z.DE;
  else if constexpr (Code == 2)
    return indexPair<X>(z);
  else
    return z.SP;
}

// The memory operand of an (HL) form: HL itself, or IX+d / IY+d with d fetched here.
template <int X, class A>
[[gnu::always_inline]] inline uint16_t memoryOperand(A& c) {
  if constexpr (X == UseHL) {
    return c.z.HL.w;
  } else {
    const auto d = static_cast<int8_t>(fetch(c));
    return static_cast<uint16_t>(indexPair<X>(c.z).w + d);
  }
}

// Prefix bytes decoded in one instruction before the rest of a chain is left to the next
// ExecuteOne: memory full of DD or ED bytes would otherwise keep one instruction running forever.
// No real program repeats a prefix more than a few times, so decoding is unchanged for all of them.
constexpr int MaxPrefixChain = 16;

using OpHandler = void (*)(Z80Context&);
// DD CB d op and FD CB d op handlers get the operand address (IX+d or IY+d) already computed, so one
// table serves both prefixes.
using IndexedCbHandler = void (*)(Z80Context&, uint16_t address);

// ops_main.cpp
extern const std::array<OpHandler, 256> MainTable;
extern const std::array<OpHandler, 256> DdTable;
extern const std::array<OpHandler, 256> FdTable;
void ddPrefix(Z80Context& z);
void fdPrefix(Z80Context& z);
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
// frame_loop.cpp
void runFrameLoop(Z80Context& z);
// Goes on from CycleCount and FrameInstructions as they stand; stops before an instruction at a
// marked address (true) or at the frame's end (false, the frame event not yet made).
bool runFrameLoopUntil(Z80Context& z, const std::bitset<0x10000>& stops);
// interrupts.cpp
void enableInterrupts(Z80Context& z);

// The loops' bounds, shared by both processors.
using StopWord = unsigned long;
static_assert(sizeof(std::bitset<0x10000>) == 0x10000 / 8, "the marks are read as words of bits");
[[gnu::always_inline]] inline bool stopsAt(const StopWord* words, uint16_t address) {
  constexpr unsigned Bits = sizeof(StopWord) * 8;
  return ((words[address / Bits] >> (address % Bits)) & 1) != 0;
}

// How many instructions of a loop (counted from its start) reach the frame's budget when used had
// run before it; at least the one always run.
[[gnu::always_inline]] inline uint32_t countLimitAfter(uint32_t used) {
  return used + 1 >= MaxFrameInstructions ? 1 : MaxFrameInstructions - used;
}

// Under exact timing, where no instruction costs under 4 T-states: a cycle count that cannot be
// passed before either bound is reached, and that reaches the nearer one when every instruction
// costs just 4, used being the instructions the frame has run.
[[gnu::always_inline]] inline uint32_t checkpointAfter(uint32_t cycles, uint32_t frameLength, uint32_t used) {
  const uint32_t left = cycles < frameLength ? frameLength - cycles : 0;
  const uint32_t instructions = used < MaxFrameInstructions ? MaxFrameInstructions - used : 0;
  return cycles + (left < 4 * instructions ? left : 4 * instructions);
}

// The tables the out-of-line routines charge from; the frame loop picks its set at compile time.
[[gnu::always_inline]] inline const TimingTables& timingOf(const Z80Context& z) {
  return z.ExactTiming != 0 ? ExactTimingTables : DefaultTimingTables;
}

// One whole instruction through the tables; the body of ExecuteOne.
[[gnu::always_inline]] inline void executeInline(Z80Context& z) {
  ContextAccess c(z);
  const uint8_t op = fetch(c);
  z.CycleCount += timingOf(z).Main[op];
  MainTable[op](z);
}

}  // namespace tirvane::z80ops
