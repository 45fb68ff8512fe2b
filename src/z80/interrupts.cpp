// SPDX-License-Identifier: GPL-3.0-or-later
// Interrupt acceptance, EI and the frame event. Interrupts are looked at only at the end of a frame
// and right after the instruction that follows an enabling EI, never between other instructions.
#include "z80/ops.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

// Depth of mode-0 acceptances in progress. The data-bus instruction may be EI, whose own acceptance
// could take another mode-0 interrupt if a bus handler re-raised the line meanwhile; refusing the
// nested one (it stays pending) keeps the native stack bounded whatever the program does.
int mode0Depth = 0;

}  // namespace

void FrameEvent(Z80Context& z) {
  if (z.FrameHandler != nullptr) z.FrameHandler();
  AcceptInterrupt(z);
}

void AcceptInterrupt(Z80Context& z) {
  if (z.Cpu == CpuModel::Silicon) return SiliconAcceptInterrupt(z, true);
  const bool nmi = z.NmiRequest != 0;
  if (!nmi) {
    if (z.IrqState.IrqDone != 0) return;
    // A maskable interrupt is taken when either flip-flop is set.
    if (z.IFF1 == 0 && z.IFF2 == 0) return;
    if (z.InterruptMode == 0 && mode0Depth > 0) return;
  }
  z.IFF1 = 0;
  z.IFF2 = 0;
  if (z.Halted != 0) {
    ++z.PC.w;  // resume past the HALT opcode
    z.Halted = 0;
  }
  z80ops::ContextAccess c(z);
  if (nmi) {
    z.NmiRequest = 0;
    if (z.ExactTiming != 0) z.CycleCount += NmiAcceptance;
    z80ops::push(c, z.PC.w);
    z.PC.w = z.NmiAddress;
    return;
  }
  z.IrqState.IrqDone = 1;
  switch (z.InterruptMode) {
    case 0: {
      // The device's byte runs as an opcode; operands, if any, come from memory at PC. DataBusOp is
      // not consulted: it carries no target address, so a call or jump form would have to invent
      // one; every mode-0 acceptance executes DataBus.
      const uint8_t op = z.IrqState.DataBus;
      z.CycleCount += z80ops::timingOf(z).Main[op];
      if (z.ExactTiming != 0) z.CycleCount += Mode0Acceptance;
      ++mode0Depth;
      z80ops::MainTable[op](z);
      --mode0Depth;
      break;
    }
    case 3: {
      if (z.ExactTiming != 0) z.CycleCount += Mode2Acceptance;
      z80ops::push(c, z.PC.w);
      const auto vector = static_cast<uint16_t>(z.I << 8 | z.IrqState.DataBus);
      z.PC.w = z80ops::readWord(c, vector);
      break;
    }
    default:  // codes 1 and 2 are mode 1
      if (z.ExactTiming != 0) z.CycleCount += Mode1Acceptance;
      z80ops::push(c, z.PC.w);
      z.PC.w = 0x0038;
      break;
  }
}

namespace z80ops {

// With IFF1 already set only IFF2 changes, so an EI inside an EI stops the nesting after one level.
void enableInterrupts(Z80Context& z) {
  if (z.IFF1 != 0) {
    z.IFF2 = 1;
    z.InlineRan = 0;  // nothing ran inside this EI: an older note must not stop the loop here
    return;
  }
  z.IFF1 = 1;
  z.IFF2 = 1;
  ++z.R;
  z.InlineRan = 1;
  z.InlineAddress = z.PC.w;
  executeInline(z);
  AcceptInterrupt(z);
}

}  // namespace z80ops

}  // namespace tirvane
