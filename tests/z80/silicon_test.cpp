// SPDX-License-Identifier: GPL-3.0-or-later
// The Silicon processor where ZEX does not look: interrupts at instruction boundaries (after EI,
// after prefixes, between block iterations, out of HALT, the bus byte in modes 0 and 2), checked
// step by step against libz80ex; and, where libz80ex predates what is known of the part, tables
// from published documents: SCF/CCF with Q, the flags of a repeating block instruction, the P/V of
// LD A,I when an interrupt follows, and the board's /INT window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reference_z80.h"
#include "test_machine.h"

namespace tirvane::testing {
namespace {

struct SiliconMachine : TestMachine {
  SiliconMachine() {
    z.Cpu = CpuModel::Silicon;
    z.ExactTiming = 1;
    z.IrqState.Value = 0x01000000;
    z.FrameLength = 1000000;
    z.NmiAddress = 0x0066;
  }
  void step() { StepInstruction(1); }
};

// ---- Against libz80ex, step by step --------------------------------------------------------------

uint16_t referenceMode(uint16_t code) { return code == 0 ? 0 : code == 3 ? 2 : 1; }

struct Scenario {
  const char* name;
  std::vector<uint8_t> program;  // at 0100h
  uint8_t iff;                   // IFF1 and IFF2 at the start
  uint16_t modeCode;             // 0 mode 0, 1 mode 1, 3 mode 2
  int raiseBeforeStep;           // the line goes up before this step (0: from the start)
  int steps;
  bool nmi = false;
  uint8_t bus = 0xFF;
};

// Handlers: RST 28h and 38h end with EI; RETI, the mode-2 vector at 80FFh points at 4000h.
void placeHandlers(std::array<uint8_t, 65536>& memory) {
  for (uint16_t at : {0x0028, 0x0038, 0x0066, 0x4000}) {
    memory[at] = 0xFB;
    memory[at + 1] = 0xED;
    memory[at + 2] = 0x4D;
  }
  memory[0x80FF] = 0x00;
  memory[0x8100] = 0x40;
  for (int i = 0; i < 16; ++i) memory[0x2000 + i] = static_cast<uint8_t>(0x10 + i * 7);
}

const Scenario Scenarios[] = {
    {"EI holds the interrupt off for one instruction", {0xFB, 0x00, 0x00, 0x00}, 0, 1, 0, 3},
    {"each EI of a run of them holds it off again", {0xFB, 0xFB, 0xFB, 0x00, 0x00}, 0, 1, 0, 5},
    {"EI then DI takes none", {0xFB, 0xF3, 0x00, 0x00}, 0, 1, 0, 4},
    {"a prefix chain is one instruction", {0xDD, 0xFD, 0xDD, 0x21, 0x34, 0x12, 0x00}, 1, 1, 0, 2},
    {"DD CB d op is one instruction", {0xDD, 0xCB, 0x01, 0xC6, 0x00}, 1, 1, 0, 2},
    {"LDIR is interrupted between iterations",
     {0x21, 0x00, 0x20, 0x11, 0x00, 0x30, 0x01, 0x05, 0x00, 0xED, 0xB0, 0x00}, 1, 1, 5, 14},
    {"LDDR is interrupted between iterations",
     {0x21, 0x08, 0x20, 0x11, 0x08, 0x30, 0x01, 0x05, 0x00, 0xED, 0xB8, 0x00}, 1, 1, 6, 14},
    {"CPIR is interrupted between iterations",
     {0x21, 0x00, 0x20, 0x3E, 0xFF, 0x01, 0x06, 0x00, 0xED, 0xB1, 0x00}, 1, 1, 4, 14},
    {"INIR is interrupted between iterations", {0x21, 0x00, 0x30, 0x01, 0x42, 0x04, 0xED, 0xB2, 0x00}, 1, 1, 3, 12},
    {"OTDR is interrupted between iterations", {0x21, 0x04, 0x20, 0x01, 0x42, 0x04, 0xED, 0xBB, 0x00}, 1, 1, 3, 12},
    {"HALT runs until the interrupt and returns past itself", {0x76, 0x00, 0x00}, 1, 1, 4, 9},
    {"mode 0 runs the bus byte", {0x00, 0x00, 0x00}, 1, 0, 0, 5, false, 0xEF},
    {"mode 2 takes its vector from I and the bus byte",
     {0x3E, 0x80, 0xED, 0x47, 0x00, 0x00, 0x00}, 1, 3, 2, 7, false, 0xFF},
    {"NMI waits for the end of a prefix chain", {0xFD, 0xDD, 0x36, 0x02, 0x99, 0x00}, 0, 1, 0, 3, true},
};

TEST(SiliconInterrupts, AcceptedWhereTheReferenceAcceptsThem) {
  for (const Scenario& s : Scenarios) {
    SCOPED_TRACE(s.name);
    SiliconMachine m;
    Reference ref;
    placeHandlers(m.memory);
    placeHandlers(ref.memory);
    for (size_t i = 0; i < s.program.size(); ++i) m.memory[0x0100 + i] = ref.memory[0x0100 + i] = s.program[i];
    Z80Context& z = m.z;
    z.PC.w = 0x0100;
    z.IFF1 = z.IFF2 = s.iff;
    z.InterruptMode = s.modeCode;
    z.IX.w = z.IY.w = 0x3000;
    z80ex_reset(ref.cpu);
    for (auto reg : {regAF, regBC, regDE, regHL, regI}) z80ex_set_reg(ref.cpu, reg, 0);
    z80ex_set_reg(ref.cpu, regIX, 0x3000);
    z80ex_set_reg(ref.cpu, regIY, 0x3000);
    z80ex_set_reg(ref.cpu, regPC, 0x0100);
    z80ex_set_reg(ref.cpu, regSP, 0xF000);
    z80ex_set_reg(ref.cpu, regIFF1, s.iff);
    z80ex_set_reg(ref.cpu, regIFF2, s.iff);
    z80ex_set_reg(ref.cpu, regIM, referenceMode(s.modeCode));
    z80ex_set_reg(ref.cpu, regR, 0);
    ref.bus = s.bus;
    bool raised = false;
    bool taken = false;
    uint64_t refStates = 0;
    for (int n = 0; n < s.steps; ++n) {
      if (n == s.raiseBeforeStep) {
        raised = true;
        if (s.nmi)
          z.NmiRequest = 1;
        else
          z.IrqState.Value = s.bus;
      }
      m.step();
      refStates += static_cast<uint64_t>(ref.stepInstruction());
      if (raised && !taken) {
        const int states = s.nmi ? z80ex_nmi(ref.cpu) : z80ex_int(ref.cpu);
        taken = states > 0;
        refStates += static_cast<uint64_t>(states);
      }
      SCOPED_TRACE("after step " + std::to_string(n + 1));
      ASSERT_EQ(z.PC.w, z80ex_get_reg(ref.cpu, regPC));
      EXPECT_EQ(z.SP.w, z80ex_get_reg(ref.cpu, regSP));
      // S, Z, N and C: the other bits of a repeating block instruction are the table's below.
      EXPECT_EQ(z.AF.w & 0xFFC3, z80ex_get_reg(ref.cpu, regAF) & 0xFFC3);
      EXPECT_EQ(z.BC.w, z80ex_get_reg(ref.cpu, regBC));
      EXPECT_EQ(z.HL.w, z80ex_get_reg(ref.cpu, regHL));
      EXPECT_EQ(z.R & 0x7F, z80ex_get_reg(ref.cpu, regR) & 0x7F);
      EXPECT_EQ(z.IFF1, z80ex_get_reg(ref.cpu, regIFF1));
      EXPECT_EQ(z.CycleCount, refStates);
    }
    EXPECT_TRUE(taken || s.name == std::string("EI then DI takes none"));
    EXPECT_EQ(m.log.writes, ref.log.writes);
  }
}

// ---- Published behaviour libz80ex does not model -------------------------------------------------

// SCF and CCF on Zilog NMOS parts: bits 5 and 3 are (Q xor F) or A, Q being the flags the previous
// instruction computed, 0 after one that computed none (P. Rak, z80test documentation, "SCF/CCF";
// D. Banks, Z80Decoder wiki, "Undocumented Flags", section SCF/CCF).
TEST(SiliconFlags, ScfAndCcfFoldQIntoBits5And3) {
  struct Case {
    const char* name;
    std::vector<uint8_t> program;  // ends with SCF or CCF
    uint16_t af;                   // before the program
    uint8_t f;                     // after it
  };
  const Case cases[] = {
      {"after OR A, which computed flags: bits from A", {0xB7, 0x37}, 0x0028, 0x45},
      {"after LD B,B, which computed none: bits from F or A", {0x40, 0x37}, 0x0028, 0x29},
      {"after POP AF, which loads but computes none", {0xF1, 0x37}, 0x0000, 0x29},
      {"CCF after OR A with A = 08h", {0xB7, 0x3F}, 0x0800, 0x09},
      {"SCF after SCF: the first computed flags", {0x37, 0x37}, 0x0028, 0x01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SiliconMachine m;
    m.z.PC.w = 0x0100;
    m.z.AF.w = c.af;
    m.z.SP.w = 0x5000;
    m.memory[0x5000] = 0x28;  // POP AF: F = 28h, A = 00h
    m.memory[0x5001] = 0x00;
    for (size_t i = 0; i < c.program.size(); ++i) m.memory[0x0100 + i] = c.program[i];
    for (size_t i = 0; i < c.program.size(); ++i) m.step();
    EXPECT_EQ(m.z.AF.l, c.f);
  }
}

// While a block instruction repeats, bits 5 and 3 are those of the high byte of its own address
// and MEMPTR is that address + 1; the I/O forms also change P/V and H (D. Banks, Z80Decoder wiki,
// "Undocumented Flags", sections LDxR, CPxR, INxR/OTxR). The instruction sits at 2D00h: bits 5 and
// 3 of 2Dh are 1 and 1.
TEST(SiliconFlags, RepeatingBlockInstructionsTakeBits5And3FromPc) {
  struct Case {
    const char* name;
    uint8_t op;
    uint16_t af, bc, hl;
    uint8_t f;  // after the first iteration
  };
  const Case cases[] = {
      // LDIR, A = 00h, value 10h: P/V set (BC 2), bits from 2Dh.
      {"LDIR", 0xB0, 0x0000, 0x0003, 0x2000, 0x2C},
      // CPIR, A = FFh against 10h: N, P/V, no H; bits from 2Dh.
      {"CPIR", 0xB1, 0xFF00, 0x0003, 0x2000, 0xAE},
      // INIR, B 07h -> 06h, value 48h: k = 48h + C3h > FFh gives C (H cleared by the repeat) and
      // P/V = parity of (k & 7) ^ B, even; value bit 7 clear: P/V flips with the odd parity of
      // (B + 1) & 7 = 7, and H = ((B & 0Fh) == 0Fh) stays 0.
      {"INIR", 0xB2, 0x0000, 0x07C2, 0x3000, 0x29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SiliconMachine m;
    m.memory[0x2000] = 0x10;
    m.z.PC.w = 0x2D00;
    m.memory[0x2D00] = 0xED;
    m.memory[0x2D01] = c.op;
    m.z.AF.w = c.af;
    m.z.BC.w = c.bc;
    m.z.HL.w = c.hl;
    m.z.DE.w = 0x3000;
    m.portInput = [](uint16_t) -> uint8_t { return 0x48; };
    m.step();
    EXPECT_EQ(m.z.PC.w, 0x2D00);
    EXPECT_EQ(m.z.MemPtr, 0x2D01);
    EXPECT_EQ(m.z.AF.l, c.f);
  }
}

// LD A,I and LD A,R copy IFF2 into P/V, but on NMOS parts an interrupt accepted right after them
// leaves P/V at 0 (S. Young, "The Undocumented Z80 Documented", section "LD A,I and LD A,R").
TEST(SiliconInterrupts, LdAiReadsZeroWhenAnInterruptFollows) {
  struct Case {
    uint8_t op;
    bool pending;
    uint8_t pv;
  };
  const Case cases[] = {{0x57, false, FlagPV}, {0x57, true, 0}, {0x5F, false, FlagPV}, {0x5F, true, 0}};
  for (const Case& c : cases) {
    SiliconMachine m;
    m.z.IFF1 = m.z.IFF2 = 1;
    m.z.InterruptMode = 1;
    if (c.pending) m.z.IrqState.Value = 0xFF;
    m.run({0xED, c.op});
    EXPECT_EQ(m.memory[m.z.SP.w + 1] << 8 | m.memory[m.z.SP.w], c.pending ? 0x0002 : 0x0000) << int{c.op};
    EXPECT_EQ(m.z.AF.l & FlagPV, c.pv) << int{c.op} << (c.pending ? " with an interrupt" : "");
  }
}

// The board holds /INT for IntHoldCycles T-states from the frame start: an instruction ending
// inside the window is followed by the interrupt, one ending on its edge or later is not.
TEST(SiliconInterrupts, LineIsSampledOnlyInsideTheBoardsWindow) {
  struct Case {
    uint32_t startCycles;  // before a 4 T-state NOP
    bool taken;
  };
  for (const Case& c : {Case{0, true}, Case{27, true}, Case{28, false}, Case{40, false}}) {
    SiliconMachine m;
    m.z.IntHoldCycles = 32;
    m.z.IFF1 = m.z.IFF2 = 1;
    m.z.InterruptMode = 1;
    m.z.IrqState.Value = 0xFF;
    m.z.CycleCount = c.startCycles;
    m.run({0x00});
    EXPECT_EQ(m.z.PC.w == 0x0038, c.taken) << "NOP from T-state " << c.startCycles;
  }
}

// The frame handler raises the line and the boundary at the frame's end takes it.
TEST(SiliconInterrupts, FrameEndRaisesTheLineAndAcceptsAtOnce) {
  SiliconMachine m;
  m.z.IntHoldCycles = 32;
  m.z.FrameLength = 100;
  m.z.InterruptMode = 1;
  m.onFrame = [](Z80Context& z) { z.IrqState.Value = 0xFF; };
  m.load(0x0000, {0xF3, 0x00, 0xFB});  // DI; NOP; EI; then NOPs to the frame end
  RunFrame(1);
  EXPECT_EQ(m.z.IFF1, 0);
  EXPECT_EQ(m.z.PC.w, 0x0038);
  EXPECT_EQ(m.log.frames, 1);
}

// HALT executes NOPs: R counts each one and PC stays on the HALT until the interrupt.
TEST(SiliconInterrupts, HaltCountsRefreshesUntilTheInterrupt) {
  SiliconMachine m;
  m.z.IFF1 = m.z.IFF2 = 1;
  m.z.InterruptMode = 1;
  m.load(0x0000, {0x76});
  for (int n = 0; n < 5; ++n) m.step();
  EXPECT_EQ(m.z.PC.w, 0x0000);
  EXPECT_EQ(m.z.R, 5);
  EXPECT_EQ(m.z.CycleCount, 20u);
  m.z.IrqState.Value = 0xFF;
  m.step();
  EXPECT_EQ(m.z.PC.w, 0x0038);
  EXPECT_EQ(m.memory[m.z.SP.w], 0x01);  // returns past the HALT
}

}  // namespace
}  // namespace tirvane::testing
