// SPDX-License-Identifier: GPL-3.0-or-later
// The Silicon processor: the NMOS Zilog Z80 as the part behaves, undocumented behaviour included.
// One call executes one instruction: a prefix chain with its instruction, or one iteration of a
// block instruction (which moves PC back by 2 while it repeats), so interrupts are looked at between
// any two of them. It shares the bus, the timing tables and the flag tables with the Original
// processor but none of its handlers, so the Original's frame loop stays as it was.
//
// MEMPTR (WZ) is kept by every instruction that changes it; Q is the flag byte the last instruction
// computed (0 when it computed none), which SCF and CCF fold into bits 5 and 3.
#include <utility>

#include "z80/flags.h"
#include "z80/ops.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

using z80ops::fetch;
using z80ops::fetchWord;
using z80ops::Index;
using z80ops::readByte;
using z80ops::readWord;
using z80ops::UseHL;
using z80ops::UseIX;
using z80ops::UseIY;
using z80ops::writeByte;
using z80ops::writeWord;

constexpr uint8_t F53 = FlagUD5 | FlagUD3;
constexpr const TimingTables& Tm = ExactTimingTables;

// S, Z, bits 5 and 3 (and parity) of a byte result.
constexpr std::array<uint8_t, 256> Sz53 = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v) t[v] = static_cast<uint8_t>(SzFlags[v] | (v & F53));
  return t;
}();
constexpr std::array<uint8_t, 256> Sz53p = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v) t[v] = static_cast<uint8_t>(SzpFlags[v] | (v & F53));
  return t;
}();

// PC and the cycle count live in the access object between instructions and go back to the record
// before any handler runs (FrameAccess), as in the original processor's frame loop.
using Cpu = z80ops::FrameAccess<true>;

// R counts M1 cycles in its low 7 bits; bit 7 stays as LD R,A left it.
inline void refresh(Z80Context& z) { z.R = static_cast<uint8_t>((z.R & 0x80) | ((z.R + 1) & 0x7F)); }

inline void setFlags(Z80Context& z, unsigned f) {
  z.AF.l = static_cast<uint8_t>(f);
  z.Q = z.AF.l;
}

[[gnu::always_inline]] inline RegisterPair& indexPair(Z80Context& z, int x) { return x == UseIX ? z.IX : x == UseIY ? z.IY : z.HL; }

// Register by its 3-bit code; with an index prefix, codes 4 and 5 are its halves. Not code 6.
[[gnu::always_inline]] inline uint8_t& reg8(Z80Context& z, int x, int code) {
  switch (code) {
    case 0: return z.BC.h;
    case 1: return z.BC.l;
    case 2: return z.DE.h;
    case 3: return z.DE.l;
    case 4: return indexPair(z, x).h;
    case 5: return indexPair(z, x).l;
    default: return z.AF.h;
  }
}

[[gnu::always_inline]] inline RegisterPair& pairSP(Z80Context& z, int x, int code) {
  switch (code) {
    case 0: return z.BC;
    case 1: return z.DE;
    case 2: return indexPair(z, x);
    default: return z.SP;
  }
}

[[gnu::always_inline]] inline bool condition(const Z80Context& z, int cc) {
  constexpr uint8_t Masks[4] = {FlagZ, FlagC, FlagPV, FlagS};
  return ((z.AF.l & Masks[cc >> 1]) != 0) == ((cc & 1) != 0);
}

// The (HL) operand, or IX+d / IY+d with d fetched here; the indexed forms set MEMPTR to the address.
[[gnu::always_inline]] inline uint16_t memoryOperand(Cpu& c, int x) {
  if (x == UseHL) return c.z.HL.w;
  const auto address = static_cast<uint16_t>(indexPair(c.z, x).w + static_cast<int8_t>(fetch(c)));
  c.z.MemPtr = address;
  return address;
}

inline void push(Cpu& c, uint16_t v) { z80ops::push(c, v); }
inline uint16_t pop(Cpu& c) { return z80ops::pop(c); }

// ---- 8-bit arithmetic: ADD ADC SUB SBC AND XOR OR CP, flags S Z 5 H 3 P/V N C -------------------
[[gnu::always_inline]] inline void add8(Z80Context& z, unsigned v, unsigned carry) {
  const unsigned a = z.AF.h, r = a + v + carry;
  z.AF.h = static_cast<uint8_t>(r);
  setFlags(z, Sz53[r & 0xFF] | ((a ^ v ^ r) & FlagH) | (((a ^ ~v) & (a ^ r) & 0x80) >> 5) | ((r >> 8) & FlagC));
}

// CP takes bits 5 and 3 from the operand, SUB and SBC from the result.
inline unsigned sub8Flags(unsigned a, unsigned v, unsigned r) {
  return (r & FlagS) | ((r & 0xFF) == 0 ? FlagZ : 0) | ((a ^ v ^ r) & FlagH) | (((a ^ v) & (a ^ r) & 0x80) >> 5) |
         FlagN | ((r >> 8) & FlagC);
}

[[gnu::always_inline]] inline void alu8(Z80Context& z, int op, uint8_t v) {
  const unsigned a = z.AF.h;
  switch (op) {
    case 0: add8(z, v, 0); break;
    case 1: add8(z, v, z.AF.l & FlagC); break;
    case 2:
    case 3: {
      const unsigned r = a - v - (op == 3 ? (z.AF.l & FlagC) : 0u);
      z.AF.h = static_cast<uint8_t>(r);
      setFlags(z, sub8Flags(a, v, r) | (r & F53));
      break;
    }
    case 4: z.AF.h = static_cast<uint8_t>(a & v); setFlags(z, Sz53p[z.AF.h] | FlagH); break;
    case 5: z.AF.h = static_cast<uint8_t>(a ^ v); setFlags(z, Sz53p[z.AF.h]); break;
    case 6: z.AF.h = static_cast<uint8_t>(a | v); setFlags(z, Sz53p[z.AF.h]); break;
    default: setFlags(z, sub8Flags(a, v, a - v) | (v & F53)); break;
  }
}

[[gnu::always_inline]] inline uint8_t inc8(Z80Context& z, uint8_t v) {
  setFlags(z, (z.AF.l & FlagC) | IncFlags[v]);
  return static_cast<uint8_t>(v + 1);
}
[[gnu::always_inline]] inline uint8_t dec8(Z80Context& z, uint8_t v) {
  setFlags(z, (z.AF.l & FlagC) | DecFlags[v]);
  return static_cast<uint8_t>(v - 1);
}

// ---- 16-bit arithmetic: ADD HL,rr (H C 5 3 from the high byte), ADC/SBC HL,rr (all flags) --------
[[gnu::always_inline]] inline void add16(Z80Context& z, RegisterPair& target, unsigned v) {
  const unsigned h = target.w, r = h + v;
  z.MemPtr = static_cast<uint16_t>(h + 1);
  target.w = static_cast<uint16_t>(r);
  setFlags(z, (z.AF.l & (FlagS | FlagZ | FlagPV)) | ((r >> 16) & FlagC) | ((r >> 8) & F53) | (((h ^ v ^ r) >> 8) & FlagH));
}

inline void adc16(Z80Context& z, unsigned v) {
  const unsigned h = z.HL.w, r = h + v + (z.AF.l & FlagC);
  z.MemPtr = static_cast<uint16_t>(h + 1);
  z.HL.w = static_cast<uint16_t>(r);
  setFlags(z, ((r >> 16) & FlagC) | ((r >> 8) & (FlagS | F53)) | ((r & 0xFFFF) == 0 ? FlagZ : 0) |
                  (((h ^ v ^ r) >> 8) & FlagH) | (((h ^ ~v) & (h ^ r) & 0x8000) >> 13));
}

inline void sbc16(Z80Context& z, unsigned v) {
  const unsigned h = z.HL.w, r = h - v - (z.AF.l & FlagC);
  z.MemPtr = static_cast<uint16_t>(h + 1);
  z.HL.w = static_cast<uint16_t>(r);
  setFlags(z, FlagN | ((r >> 16) & FlagC) | ((r >> 8) & (FlagS | F53)) | ((r & 0xFFFF) == 0 ? FlagZ : 0) |
                  (((h ^ v ^ r) >> 8) & FlagH) | (((h ^ v) & (h ^ r) & 0x8000) >> 13));
}

// ---- CB page: RLC RRC RL RR SLA SRA SLL SRL (S Z 5 P 3 C; H N 0), BIT (S Z H P; 5 3 see callers) -
inline uint8_t rotate(Z80Context& z, int op, uint8_t v) {
  unsigned r = 0, carry = 0;
  const unsigned oldCarry = z.AF.l & FlagC;
  switch (op) {
    case 0: carry = v >> 7; r = (v << 1) | carry; break;
    case 1: carry = v & 1; r = (v >> 1) | (carry << 7); break;
    case 2: carry = v >> 7; r = (v << 1) | oldCarry; break;
    case 3: carry = v & 1; r = (v >> 1) | (oldCarry << 7); break;
    case 4: carry = v >> 7; r = v << 1; break;
    case 5: carry = v & 1; r = (v >> 1) | (v & 0x80); break;
    case 6: carry = v >> 7; r = (v << 1) | 1; break;
    default: carry = v & 1; r = v >> 1; break;
  }
  r &= 0xFF;
  setFlags(z, Sz53p[r] | carry);
  return static_cast<uint8_t>(r);
}

// BIT n: Z and P/V when the bit is 0, S when bit 7 is 1; bits 5 and 3 come from `hidden`: the
// register itself, MEMPTR's high byte for (HL), the address's high byte for (IX+d).
inline void bitTest(Z80Context& z, int bit, uint8_t v, uint8_t hidden) {
  const unsigned set = v & (1u << bit);
  setFlags(z, (z.AF.l & FlagC) | FlagH | (hidden & F53) | (set == 0 ? FlagZ | FlagPV : 0) | (set & FlagS));
}

inline uint8_t cbResult(Z80Context& z, uint8_t op, uint8_t v) {
  const int y = (op >> 3) & 7;
  switch (op >> 6) {
    case 0: return rotate(z, y, v);
    case 2: return static_cast<uint8_t>(v & ~(1u << y));
    default: return static_cast<uint8_t>(v | (1u << y));
  }
}

void cbPage(Cpu& c) {
  Z80Context& z = c.z;
  refresh(z);
  const uint8_t op = fetch(c);
  c.cycles += Tm.CB[op];
  const int k = op & 7;
  if (k == 6) {
    const uint8_t v = readByte(c, z.HL.w);
    if ((op >> 6) == 1)
      bitTest(z, (op >> 3) & 7, v, static_cast<uint8_t>(z.MemPtr >> 8));
    else
      writeByte(c, z.HL.w, cbResult(z, op, v));
    return;
  }
  uint8_t& r = reg8(z, UseHL, k);
  if ((op >> 6) == 1)
    bitTest(z, (op >> 3) & 7, r, r);
  else
    r = cbResult(z, op, r);
}

// DD CB d op / FD CB d op: the operation on (IX+d); the forms naming a register other than (HL)
// also copy the result there. BIT ignores the register field.
void indexedCbPage(Cpu& c, int x) {
  Z80Context& z = c.z;
  const auto address = static_cast<uint16_t>(indexPair(z, x).w + static_cast<int8_t>(fetch(c)));
  const uint8_t op = fetch(c);
  c.cycles += Tm.IndexedCB[op];
  z.MemPtr = address;
  const uint8_t v = readByte(c, address);
  if ((op >> 6) == 1) {
    bitTest(z, (op >> 3) & 7, v, static_cast<uint8_t>(address >> 8));
    return;
  }
  const uint8_t r = cbResult(z, op, v);
  writeByte(c, address, r);
  if ((op & 7) != 6) reg8(z, UseHL, op & 7) = r;
}

// ---- ED page ------------------------------------------------------------------------------------
// The block instructions' undocumented flags: LDI/LDD take bits 3 and 1 of A + value into bits 3
// and 5; CPI/CPD the same of A - value - H. While a block instruction repeats, PC steps back to it,
// MEMPTR becomes PC + 1 and bits 5 and 3 are those of PC's high byte.
inline void repeatBlock(Cpu& c) {
  Z80Context& z = c.z;
  c.pc = static_cast<uint16_t>(c.pc - 2);
  c.cycles += BlockRepeat;
  z.MemPtr = static_cast<uint16_t>(c.pc + 1);
  z.AF.l = static_cast<uint8_t>((z.AF.l & ~F53) | ((c.pc >> 8) & F53));
  z.Q = z.AF.l;
}

void blockLoad(Cpu& c, int step, bool repeat) {
  Z80Context& z = c.z;
  const uint8_t v = readByte(c, z.HL.w);
  writeByte(c, z.DE.w, v);
  z.HL.w = static_cast<uint16_t>(z.HL.w + step);
  z.DE.w = static_cast<uint16_t>(z.DE.w + step);
  --z.BC.w;
  const unsigned n = z.AF.h + v;
  setFlags(z, (z.AF.l & (FlagS | FlagZ | FlagC)) | (z.BC.w != 0 ? FlagPV : 0) | (n & FlagUD3) | ((n << 4) & FlagUD5));
  if (repeat && z.BC.w != 0) repeatBlock(c);
}

void blockCompare(Cpu& c, int step, bool repeat) {
  Z80Context& z = c.z;
  const unsigned a = z.AF.h, v = readByte(c, z.HL.w), r = (a - v) & 0xFF;
  z.HL.w = static_cast<uint16_t>(z.HL.w + step);
  z.MemPtr = static_cast<uint16_t>(z.MemPtr + step);
  --z.BC.w;
  const unsigned h = (a ^ v ^ r) & FlagH;
  const unsigned n = r - (h >> 4);
  setFlags(z, (z.AF.l & FlagC) | FlagN | (r & FlagS) | (r == 0 ? FlagZ : 0) | h | (z.BC.w != 0 ? FlagPV : 0) |
                  (n & FlagUD3) | ((n << 4) & FlagUD5));
  if (repeat && z.BC.w != 0 && r != 0) repeatBlock(c);
}

// INI/IND/OUTI/OUTD: S Z 5 3 from the new B, N from bit 7 of the value, H and C from k = value +
// (C ± 1) for input, value + L for output, P/V the parity of (k & 7) xor B. A repeating iteration
// then changes P/V and H as the part's B-register incrementer leaves them.
void blockIoFlags(Cpu& c, uint8_t v, unsigned k, bool repeat) {
  Z80Context& z = c.z;
  const uint8_t b = z.BC.h;
  unsigned f = Sz53[b] | ((v >> 6) & FlagN);
  if (k > 0xFF) f |= FlagH | FlagC;
  f |= SzpFlags[(k & 7) ^ b] & FlagPV;
  if (repeat && b != 0) {
    c.pc = static_cast<uint16_t>(c.pc - 2);
    c.cycles += BlockRepeat;
    z.MemPtr = static_cast<uint16_t>(c.pc + 1);
    f = (f & ~F53) | ((c.pc >> 8) & F53);
    const auto oddParity = [](unsigned x) { return (SzpFlags[x & 7] & FlagPV) != 0 ? 0u : unsigned{FlagPV}; };
    if (f & FlagC) {
      f &= ~FlagH;
      if (v & 0x80) {
        f ^= oddParity(b - 1u);
        if ((b & 0x0F) == 0x00) f |= FlagH;
      } else {
        f ^= oddParity(b + 1u);
        if ((b & 0x0F) == 0x0F) f |= FlagH;
      }
    } else {
      f ^= oddParity(b);
    }
  }
  setFlags(z, f);
}

void blockIn(Cpu& c, int step, bool repeat) {
  Z80Context& z = c.z;
  const uint8_t v = z80ops::portIn(c, z.BC.l, z.BC.h);
  z.MemPtr = static_cast<uint16_t>(z.BC.w + step);
  writeByte(c, z.HL.w, v);
  --z.BC.h;
  z.HL.w = static_cast<uint16_t>(z.HL.w + step);
  blockIoFlags(c, v, v + ((z.BC.l + step) & 0xFF), repeat);
}

void blockOut(Cpu& c, int step, bool repeat) {
  Z80Context& z = c.z;
  const uint8_t v = readByte(c, z.HL.w);
  --z.BC.h;
  z80ops::portOut(c, z.BC.l, v, z.BC.h);
  z.MemPtr = static_cast<uint16_t>(z.BC.w + step);
  z.HL.w = static_cast<uint16_t>(z.HL.w + step);
  blockIoFlags(c, v, v + z.HL.l, repeat);
}

void edPage(Cpu& c) {
  Z80Context& z = c.z;
  refresh(z);
  const uint8_t op = fetch(c);
  c.cycles += Tm.ED[op];
  const int y = (op >> 3) & 7;
  if (op >= 0x40 && op < 0x80) {
    switch (op & 7) {
      case 0: {  // IN r,(C); ED 70 sets the flags only
        const uint8_t v = z80ops::portIn(c, z.BC.l, z.BC.h);
        z.MemPtr = static_cast<uint16_t>(z.BC.w + 1);
        if (y != 6) reg8(z, UseHL, y) = v;
        setFlags(z, (z.AF.l & FlagC) | Sz53p[v]);
        return;
      }
      case 1:  // OUT (C),r; ED 71 sends 0 on the NMOS part
        z80ops::portOut(c, z.BC.l, y == 6 ? 0 : reg8(z, UseHL, y), z.BC.h);
        z.MemPtr = static_cast<uint16_t>(z.BC.w + 1);
        return;
      case 2:
        if (y & 1)
          adc16(z, pairSP(z, UseHL, y >> 1).w);
        else
          sbc16(z, pairSP(z, UseHL, y >> 1).w);
        return;
      case 3: {
        const uint16_t address = fetchWord(c);
        z.MemPtr = static_cast<uint16_t>(address + 1);
        RegisterPair& rp = pairSP(z, UseHL, y >> 1);
        if (y & 1)
          rp.w = readWord(c, address);
        else
          writeWord(c, address, rp.w);
        return;
      }
      case 4: {  // NEG and its copies
        const uint16_t af = NegTable[z.AF.h];
        z.AF.h = static_cast<uint8_t>(af >> 8);
        setFlags(z, af & 0xFF);
        return;
      }
      case 5:  // RETN, RETI and their copies all restore IFF1 from IFF2
        z.IFF1 = z.IFF2;
        c.pc = pop(c);
        z.MemPtr = c.pc;
        return;
      case 6: {
        constexpr uint16_t Modes[4] = {0, 0, 1, 3};  // IM 0, IM 0/1 (acts as 0), IM 1, IM 2
        z.InterruptMode = Modes[y & 3];
        return;
      }
      default:
        switch (y) {
          case 0: z.I = z.AF.h; return;
          case 1: z.R = z.AF.h; return;
          case 2:
          case 3:
            z.AF.h = y == 2 ? z.I : z.R;
            setFlags(z, (z.AF.l & FlagC) | Sz53[z.AF.h] | (z.IFF2 ? FlagPV : 0));
            z.Boundary |= BoundaryAfterLdAir;
            return;
          case 4:
          case 5: {  // RRD, RLD
            const uint8_t m = readByte(c, z.HL.w);
            const uint8_t a = z.AF.h;
            uint8_t result;
            if (y == 4) {
              result = static_cast<uint8_t>((a << 4) | (m >> 4));
              z.AF.h = static_cast<uint8_t>((a & 0xF0) | (m & 0x0F));
            } else {
              result = static_cast<uint8_t>((m << 4) | (a & 0x0F));
              z.AF.h = static_cast<uint8_t>((a & 0xF0) | (m >> 4));
            }
            writeByte(c, z.HL.w, result);
            z.MemPtr = static_cast<uint16_t>(z.HL.w + 1);
            setFlags(z, (z.AF.l & FlagC) | Sz53p[z.AF.h]);
            return;
          }
          default: return;  // ED 77, ED 7F: no operation
        }
    }
  }
  if (op >= 0xA0 && op <= 0xBB && (op & 7) < 4) {
    const int step = (op & 0x08) ? -1 : 1;
    const bool repeat = op >= 0xB0;
    switch (op & 3) {
      case 0: blockLoad(c, step, repeat); return;
      case 1: blockCompare(c, step, repeat); return;
      case 2: blockIn(c, step, repeat); return;
      default: blockOut(c, step, repeat); return;
    }
  }
  // Every other code, ED itself included, is an 8 T-state no-operation.
}

// ---- main page (HL, or IX/IY after a prefix) ----------------------------------------------------
template <int X>
void dispatchMain(Cpu& c, uint8_t op);

// After DD or FD: one more prefix byte continues the chain (only the last one counts); a chain cut
// at MaxPrefixChain ends the step with interrupts held off, as they are between real prefixes.
void indexedPage(Cpu& c, int x) {
  Z80Context& z = c.z;
  for (int chain = 1;; ++chain) {
    refresh(z);
    const uint8_t op = fetch(c);
    c.cycles += Tm.DDFD[op];
    if (op == 0xDD || op == 0xFD) {
      x = op == 0xDD ? UseIX : UseIY;
      if (chain == z80ops::MaxPrefixChain) {
        z.Boundary |= BoundaryInPrefix;
        --c.pc;
        c.cycles -= Tm.DDFD[op];
        z.R = static_cast<uint8_t>((z.R & 0x80) | ((z.R - 1) & 0x7F));
        return;
      }
      continue;
    }
    if (op == 0xCB) return indexedCbPage(c, x);
    if (op == 0xED) return edPage(c);
    if (x == UseIX) return dispatchMain<UseIX>(c, op);
    return dispatchMain<UseIY>(c, op);
  }
}

// Inlined with constant opcode and index by dispatchMain, so every switch below folds away.
[[gnu::always_inline]] inline void mainBody(Cpu& c, uint8_t op, int x) {
  Z80Context& z = c.z;
  uint8_t& a = z.AF.h;
  const int y = (op >> 3) & 7, k = op & 7, p = y >> 1;
  switch (op >> 6) {
    case 1:
      if (op == 0x76) {
        // HALT stays on its own opcode: each later step executes it again, as the part runs NOPs.
        z.Halted = 1;
        --c.pc;
      } else if (y == 6) {
        const uint16_t address = memoryOperand(c, x);
        writeByte(c, address, reg8(z, UseHL, k));
      } else if (k == 6) {
        const uint16_t address = memoryOperand(c, x);
        reg8(z, UseHL, y) = readByte(c, address);
      } else {
        reg8(z, x, y) = reg8(z, x, k);
      }
      return;
    case 2:
      alu8(z, y, k == 6 ? readByte(c, memoryOperand(c, x)) : reg8(z, x, k));
      return;
    case 0:
      switch (k) {
        case 0:
          if (y == 1) {
            std::swap(z.AF.w, z.AltAF.w);
          } else if (y >= 2) {
            const auto e = static_cast<int8_t>(fetch(c));
            const bool jump = y == 2 ? --z.BC.h != 0 : y == 3 || condition(z, y - 4);
            if (jump) {
              c.pc = static_cast<uint16_t>(c.pc + e);
              z.MemPtr = c.pc;
              if (y != 3) c.cycles += TakenJump;
            }
          }
          return;
        case 1:
          if (y & 1)
            add16(z, indexPair(z, x), pairSP(z, x, p).w);
          else
            pairSP(z, x, p).w = fetchWord(c);
          return;
        case 2: {
          switch (y) {
            case 0:
            case 2: {  // LD (BC),A / LD (DE),A
              const uint16_t address = y == 0 ? z.BC.w : z.DE.w;
              writeByte(c, address, a);
              z.MemPtr = static_cast<uint16_t>(a << 8 | ((address + 1) & 0xFF));
              return;
            }
            case 1:
            case 3: {
              const uint16_t address = y == 1 ? z.BC.w : z.DE.w;
              a = readByte(c, address);
              z.MemPtr = static_cast<uint16_t>(address + 1);
              return;
            }
            case 4:
            case 5: {
              const uint16_t address = fetchWord(c);
              z.MemPtr = static_cast<uint16_t>(address + 1);
              if (y == 4)
                writeWord(c, address, indexPair(z, x).w);
              else
                indexPair(z, x).w = readWord(c, address);
              return;
            }
            case 6: {
              const uint16_t address = fetchWord(c);
              writeByte(c, address, a);
              z.MemPtr = static_cast<uint16_t>(a << 8 | ((address + 1) & 0xFF));
              return;
            }
            default: {
              const uint16_t address = fetchWord(c);
              a = readByte(c, address);
              z.MemPtr = static_cast<uint16_t>(address + 1);
              return;
            }
          }
        }
        case 3:
          if (y & 1)
            --pairSP(z, x, p).w;
          else
            ++pairSP(z, x, p).w;
          return;
        case 4:
        case 5:
          if (y == 6) {
            const uint16_t address = memoryOperand(c, x);
            const uint8_t v = readByte(c, address);
            writeByte(c, address, k == 4 ? inc8(z, v) : dec8(z, v));
          } else {
            uint8_t& r = reg8(z, x, y);
            r = k == 4 ? inc8(z, r) : dec8(z, r);
          }
          return;
        case 6:
          if (y == 6) {
            const uint16_t address = memoryOperand(c, x);
            writeByte(c, address, fetch(c));
          } else {
            reg8(z, x, y) = fetch(c);
          }
          return;
        default: {
          const uint8_t f = z.AF.l;
          const unsigned keep = f & (FlagS | FlagZ | FlagPV);
          switch (y) {
            case 0: a = static_cast<uint8_t>((a << 1) | (a >> 7)); setFlags(z, keep | (a & F53) | (a & 1)); return;
            case 1: {
              const unsigned carry = a & 1;
              a = static_cast<uint8_t>((a >> 1) | (carry << 7));
              setFlags(z, keep | (a & F53) | carry);
              return;
            }
            case 2: {
              const unsigned carry = a >> 7;
              a = static_cast<uint8_t>((a << 1) | (f & FlagC));
              setFlags(z, keep | (a & F53) | carry);
              return;
            }
            case 3: {
              const unsigned carry = a & 1;
              a = static_cast<uint8_t>((a >> 1) | ((f & FlagC) << 7));
              setFlags(z, keep | (a & F53) | carry);
              return;
            }
            case 4: {
              const uint16_t af = DaaTable[((f & FlagH) >> 2 | (f & (FlagN | FlagC))) * 256 + a];
              a = static_cast<uint8_t>(af >> 8);
              setFlags(z, af & 0xFF);
              return;
            }
            case 5: a = static_cast<uint8_t>(~a); setFlags(z, (f & (FlagS | FlagZ | FlagPV | FlagC)) | FlagH | FlagN | (a & F53)); return;
            // SCF and CCF: bits 5 and 3 from (Q xor F) or A, as on Zilog parts.
            case 6: setFlags(z, keep | FlagC | (((z.LastQ ^ f) | a) & F53)); return;
            default:
              setFlags(z, keep | ((f & FlagC) << 4) | ((f & FlagC) ^ FlagC) | (((z.LastQ ^ f) | a) & F53));
              return;
          }
        }
      }
    default:
      break;
  }
  // x == 3
  switch (k) {
    case 0:
      if (condition(z, y)) {
        c.pc = pop(c);
        z.MemPtr = c.pc;
        c.cycles += TakenReturn;
      }
      return;
    case 1:
      switch (y) {
        case 1: c.pc = pop(c); z.MemPtr = c.pc; return;  // RET
        case 3: std::swap(z.BC.w, z.AltBC.w); std::swap(z.DE.w, z.AltDE.w); std::swap(z.HL.w, z.AltHL.w); return;
        case 5: c.pc = indexPair(z, x).w; return;  // JP (HL)
        case 7: z.SP.w = indexPair(z, x).w; return;
        default: {
          const uint16_t v = pop(c);
          if (p == 3) z.AF.w = v; else pairSP(z, x, p).w = v;
          return;
        }
      }
    case 2: {
      const uint16_t target = fetchWord(c);
      z.MemPtr = target;
      if (condition(z, y)) c.pc = target;
      return;
    }
    case 3:
      switch (y) {
        case 0: c.pc = fetchWord(c); z.MemPtr = c.pc; return;
        case 1: cbPage(c); return;  // only reached unprefixed: DD CB goes to indexedCbPage
        case 2: {
          const uint8_t n = fetch(c);
          z80ops::portOut(c, n, a, a);
          z.MemPtr = static_cast<uint16_t>(a << 8 | ((n + 1) & 0xFF));
          return;
        }
        case 3: {
          const uint8_t n = fetch(c);
          z.MemPtr = static_cast<uint16_t>((a << 8 | n) + 1);
          a = z80ops::portIn(c, n, a);
          return;
        }
        case 4: {  // EX (SP),HL
          RegisterPair& rp = indexPair(z, x);
          const uint16_t v = readWord(c, z.SP.w);
          writeWord(c, z.SP.w, rp.w);
          rp.w = v;
          z.MemPtr = v;
          return;
        }
        case 5: std::swap(z.DE.w, z.HL.w); return;
        case 6: z.IFF1 = z.IFF2 = 0; return;
        default:
          z.IFF1 = z.IFF2 = 1;
          z.Boundary |= BoundaryAfterEi;
          return;
      }
    case 4: {
      const uint16_t target = fetchWord(c);
      z.MemPtr = target;
      if (condition(z, y)) {
        push(c, c.pc);
        c.pc = target;
        c.cycles += TakenCall;
      }
      return;
    }
    case 5:
      if (y & 1) {
        if (y == 1) {  // CALL nn
          const uint16_t target = fetchWord(c);
          z.MemPtr = target;
          push(c, c.pc);
          c.pc = target;
        } else if (y == 3) {
          indexedPage(c, UseIX);
        } else if (y == 5) {
          edPage(c);
        } else {
          indexedPage(c, UseIY);
        }
      } else {
        const uint16_t v = p == 3 ? z.AF.w : pairSP(z, x, p).w;
        push(c, v);
      }
      return;
    case 6: alu8(z, y, fetch(c)); return;
    default:
      push(c, c.pc);
      c.pc = static_cast<uint16_t>(y * 8);
      z.MemPtr = c.pc;
      return;
  }
}

// clang-format off
#define SILICON_ROW(h, M) M(h##0) M(h##1) M(h##2) M(h##3) M(h##4) M(h##5) M(h##6) M(h##7) \
                          M(h##8) M(h##9) M(h##A) M(h##B) M(h##C) M(h##D) M(h##E) M(h##F)
#define SILICON_ALL(M) SILICON_ROW(0, M) SILICON_ROW(1, M) SILICON_ROW(2, M) SILICON_ROW(3, M) \
                       SILICON_ROW(4, M) SILICON_ROW(5, M) SILICON_ROW(6, M) SILICON_ROW(7, M) \
                       SILICON_ROW(8, M) SILICON_ROW(9, M) SILICON_ROW(A, M) SILICON_ROW(B, M) \
                       SILICON_ROW(C, M) SILICON_ROW(D, M) SILICON_ROW(E, M) SILICON_ROW(F, M)
#define SILICON_CASE(n) case 0x##n: mainBody(c, 0x##n, X); return;
// clang-format on

template <int X>
void dispatchMain(Cpu& c, uint8_t op) {
  switch (op) { SILICON_ALL(SILICON_CASE) }
}

// One instruction at PC.
[[gnu::always_inline]] inline void executeInstruction(Cpu& c) {
  Z80Context& z = c.z;
  z.LastQ = z.Q;
  z.Q = 0;
  z.Boundary = 0;
  refresh(z);
  const uint8_t op = fetch(c);
  c.cycles += Tm.Main[op];
  dispatchMain<UseHL>(c, op);
}

void acceptInterrupt(Cpu& c, bool frameStart);

// The boundary after an instruction.
[[gnu::always_inline]] inline void boundary(Cpu& c) {
  const Z80Context& z = c.z;
  if (z.NmiRequest != 0 || (z.IFF1 != 0 && z.IrqState.IrqDone == 0)) acceptInterrupt(c, false);
}

void acceptInterrupt(Cpu& c, bool frameStart) {
  Z80Context& z = c.z;
  if (z.Boundary & BoundaryInPrefix) return;
  const bool nmi = z.NmiRequest != 0;
  if (!nmi) {
    if (z.IFF1 == 0 || z.IrqState.IrqDone != 0 || (z.Boundary & BoundaryAfterEi)) return;
    if (!frameStart && z.IntHoldCycles != 0 && c.cycles >= z.IntHoldCycles) {
      z.IrqState.IrqDone = 1;  // the board has let the line go for this frame
      return;
    }
    // IFF2 is cleared while LD A,I / LD A,R is still writing F: the copy they made reads 0.
    if (z.Boundary & BoundaryAfterLdAir) z.AF.l &= static_cast<uint8_t>(~FlagPV);
  }
  if (z.Halted != 0) {
    ++c.pc;  // resume past the HALT opcode
    z.Halted = 0;
  }
  refresh(z);
  z.Boundary = 0;
  z.Q = 0;
  if (nmi) {
    z.NmiRequest = 0;
    z.IFF1 = 0;
    c.cycles += NmiAcceptance;
    push(c, c.pc);
    c.pc = z.NmiAddress;
    z.MemPtr = c.pc;
    return;
  }
  z.IFF1 = z.IFF2 = 0;
  z.IrqState.IrqDone = 1;
  switch (z.InterruptMode) {
    case 0: {
      // The byte on the bus runs as an opcode (operands, if any, from memory at PC).
      const uint8_t op = z.IrqState.DataBus;
      c.cycles += Tm.Main[op] + Mode0Acceptance;
      z.LastQ = 0;
      dispatchMain<UseHL>(c, op);
      break;
    }
    case 3:
      c.cycles += Mode2Acceptance;
      push(c, c.pc);
      c.pc = readWord(c, static_cast<uint16_t>(z.I << 8 | z.IrqState.DataBus));
      z.MemPtr = c.pc;
      break;
    default:
      c.cycles += Mode1Acceptance;
      push(c, c.pc);
      c.pc = 0x0038;
      z.MemPtr = c.pc;
      break;
  }
}

}  // namespace

void SiliconAcceptInterrupt(Z80Context& z, bool frameStart) {
  Cpu c(z);
  acceptInterrupt(c, frameStart);
  c.store();
}

void SiliconExecuteOne(Z80Context& z) {
  Cpu c(z);
  executeInstruction(c);
  boundary(c);
  c.store();
}

void SiliconRunFrame(Z80Context& z) {
  Cpu c(z);
  uint32_t executed = 0;
  uint32_t checkpoint = z80ops::checkpointAfter(c.cycles, c.frameLength, executed);
  for (;;) {
    executeInstruction(c);
    boundary(c);
    ++executed;
    if (c.cycles >= checkpoint) {
      if (c.cycles >= c.frameLength || executed >= MaxFrameInstructions) break;
      checkpoint = z80ops::checkpointAfter(c.cycles, c.frameLength, executed);
    }
  }
  c.store();
}

bool SiliconRunUntil(Z80Context& z, const std::bitset<0x10000>* stops) {
  Cpu c(z);
  uint32_t executed = z.FrameInstructions;
  const z80ops::StopWord* const stopWords = reinterpret_cast<const z80ops::StopWord*>(stops);
  // Every step costs at least 4 T-states, so the bounds need looking at only from the checkpoint on.
  uint32_t checkpoint = z80ops::checkpointAfter(c.cycles, c.frameLength, executed);
  for (;;) {
    z.InstructionAddress = c.pc;
    executeInstruction(c);
    boundary(c);
    ++executed;
    if (c.cycles >= checkpoint) {
      if (c.cycles >= c.frameLength || executed >= MaxFrameInstructions) break;
      checkpoint = z80ops::checkpointAfter(c.cycles, c.frameLength, executed);
    }
    if (stopWords != nullptr && z80ops::stopsAt(stopWords, c.pc)) {
      c.store();
      z.FrameInstructions = executed;
      return true;
    }
  }
  c.store();
  return false;
}

}  // namespace tirvane
