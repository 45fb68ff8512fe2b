// SPDX-License-Identifier: GPL-3.0-or-later
// The execution entry points: one instruction, one step, one frame, a frame up to a marked address.
#include "z80/ops.h"
#include "z80/z80.h"

namespace tirvane {

uint32_t LastFrameLength = 0;

namespace {

// Processor numbers are 1-based; anything outside 1-10 has no record.
Z80Context* processorRecord(uint16_t processor) {
  if (processor < 1 || processor > ProcessorCount) return nullptr;
  return &Z80Contexts[processor - 1];
}

}  // namespace

void ExecuteOne(Z80Context& z) {
  if (z.Cpu == CpuModel::Silicon)
    SiliconExecuteOne(z);
  else
    z80ops::executeInline(z);
}

void RunFrame(uint16_t processor) {
  Z80Context* record = processorRecord(processor);
  if (record == nullptr) return;
  Z80Context& z = *record;
  z.CycleCount = 0;
  if (z.Cpu == CpuModel::Silicon)
    SiliconRunFrame(z);
  else
    z80ops::runFrameLoop(z);
  z.FrameInstructions = 0;
  FrameEvent(z);
  LastFrameLength = z.CycleCount;
}

void StepInstruction(uint16_t processor) {
  Z80Context* record = processorRecord(processor);
  if (record == nullptr) return;
  Z80Context& z = *record;
  z.InstructionAddress = z.PC.w;
  if (z.Cpu == CpuModel::Silicon) {
    SiliconExecuteOne(z);
  } else {
    ++z.R;
    z80ops::executeInline(z);
  }
  if (z.CycleCount >= z.FrameLength || ++z.FrameInstructions >= MaxFrameInstructions) {
    FrameEvent(z);
    LastFrameLength = z.CycleCount;
    z.CycleCount = 0;
    z.FrameInstructions = 0;
  }
}

bool RunFrameUntil(uint16_t processor, const std::bitset<0x10000>& stops) {
  Z80Context* record = processorRecord(processor);
  if (record == nullptr) return false;
  Z80Context& z = *record;
  const bool stopped =
      z.Cpu == CpuModel::Silicon ? SiliconRunUntil(z, &stops) : z80ops::runFrameLoopUntil(z, stops);
  if (stopped) return true;
  FrameEvent(z);
  LastFrameLength = z.CycleCount;
  z.CycleCount = 0;
  z.FrameInstructions = 0;
  return false;
}

}  // namespace tirvane
