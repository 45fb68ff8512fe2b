// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/debug_session.h"

#include "run/history.h"

namespace tirvane {

namespace {

RegisterPair* PairOf(Z80Context& z, RegisterField field) {
  RegisterPair* pairs[] = {&z.AF, &z.BC, &z.DE, &z.HL, &z.IX, &z.IY, &z.SP, &z.PC,
                           &z.AltAF, &z.AltBC, &z.AltDE, &z.AltHL};
  const auto index = static_cast<size_t>(field);
  return index < std::size(pairs) ? pairs[index] : nullptr;
}

}  // namespace

uint16_t ReadRegister(const Z80Context& z, RegisterField field) {
  if (const RegisterPair* pair = PairOf(const_cast<Z80Context&>(z), field)) return pair->w;
  return field == RegisterField::I ? z.I : z.R;
}

uint8_t DebugSession::Read(uint16_t address) const {
  return ActiveContext != nullptr && ActiveContext->MemoryImage != nullptr ? ActiveContext->MemoryImage[address] : 0;
}

void DebugSession::Write(uint16_t address, std::span<const uint8_t> bytes) {
  if (ActiveContext == nullptr || ActiveContext->MemoryImage == nullptr || bytes.empty()) return;
  const DriverInfo* row = run_ != nullptr ? run_->Row() : nullptr;
  for (const uint8_t byte : bytes) {
    if (row != nullptr && row->StoreOutside != nullptr) row->StoreOutside(address, byte);
    else ActiveContext->MemoryImage[address] = byte;
    address = static_cast<uint16_t>(address + 1);
  }
  Marked();
}

void DebugSession::WriteRegister(RegisterField field, uint16_t value) {
  EditRegisters([&](Z80Context& z) {
    if (RegisterPair* pair = PairOf(z, field)) pair->w = value;
    else (field == RegisterField::I ? z.I : z.R) = static_cast<uint8_t>(value);
  });
}

void DebugSession::SetFlag(uint8_t mask, bool on) {
  EditRegisters([&](Z80Context& z) { z.AF.l = on ? static_cast<uint8_t>(z.AF.l | mask) : static_cast<uint8_t>(z.AF.l & ~mask); });
}

void DebugSession::EditRegisters(const std::function<void(Z80Context&)>& edit) {
  if (ActiveContext == nullptr) return;
  edit(*ActiveContext);
  Marked();
}

void DebugSession::Marked() {
  if (run_ != nullptr && run_->History != nullptr) run_->History->MarkOutsideChange();
  if (Edited) Edited();
}

}  // namespace tirvane
