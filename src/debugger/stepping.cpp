// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/stepping.h"

namespace tirvane {

namespace {

uint8_t At(const uint8_t* memory, uint16_t pc, int offset) { return memory[static_cast<uint16_t>(pc + offset)]; }

// A DD or FD before an instruction that does not use HL leaves it as it is; skip such prefixes so
// the tests below see the opcode (bounded: memory full of prefixes is not an instruction).
uint16_t SkipIndexPrefixes(const uint8_t* memory, uint16_t pc) {
  for (int i = 0; i < 16 && (At(memory, pc, 0) == 0xDD || At(memory, pc, 0) == 0xFD); ++i) ++pc;
  return pc;
}

bool IsCall(uint8_t op) { return op == 0xCD || (op & 0xC7) == 0xC4; }
bool IsRst(uint8_t op) { return (op & 0xC7) == 0xC7; }

}  // namespace

StepOverPlan PlanStepOver(const uint8_t* memory, uint16_t pc) {
  const uint16_t at = SkipIndexPrefixes(memory, pc);
  const uint8_t op = At(memory, at, 0);
  if (IsCall(op)) return {StepOverPlan::Kind::RunTo, static_cast<uint16_t>(at + 3)};
  if (IsRst(op)) return {StepOverPlan::Kind::RunTo, static_cast<uint16_t>(at + 1)};
  if (op == 0x10) return {StepOverPlan::Kind::RunTo, static_cast<uint16_t>(at + 2)};
  // ED B0-B3, B8-BB: LDIR, CPIR, INIR, OTIR and the D forms.
  if (op == 0xED && (At(memory, at, 1) & 0xF4) == 0xB0)
    return {StepOverPlan::Kind::RunTo, static_cast<uint16_t>(at + 2)};
  if (op == 0x76) return {StepOverPlan::Kind::Interrupt, static_cast<uint16_t>(at + 1)};
  return {};
}

bool IsReturn(const uint8_t* memory, uint16_t pc) {
  const uint16_t at = SkipIndexPrefixes(memory, pc);
  const uint8_t op = At(memory, at, 0);
  if (op == 0xC9 || (op & 0xC7) == 0xC0) return true;
  // ED 45, 4D, 55, 5D, 65, 6D, 75, 7D: RETN and RETI and their copies.
  return op == 0xED && (At(memory, at, 1) & 0xC7) == 0x45;
}

std::optional<uint16_t> BranchTarget(const uint8_t* memory, uint16_t pc) {
  const uint16_t at = SkipIndexPrefixes(memory, pc);
  const uint8_t op = At(memory, at, 0);
  const auto word = static_cast<uint16_t>(At(memory, at, 1) | At(memory, at, 2) << 8);
  if (op == 0xC3 || (op & 0xC7) == 0xC2 || IsCall(op)) return word;
  if (IsRst(op)) return static_cast<uint16_t>(op & 0x38);
  if (op == 0x10 || op == 0x18 || (op & 0xE7) == 0x20)
    return static_cast<uint16_t>(at + 2 + static_cast<int8_t>(At(memory, at, 1)));
  return std::nullopt;
}

}  // namespace tirvane
