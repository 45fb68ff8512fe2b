// SPDX-License-Identifier: GPL-3.0-or-later
// DebugSession: the one way an edit from outside the program reaches the running machine. The
// workspace's memory and register panes and the automation server write through it, so every edit
// lands in the board's record where the image is only a copy (the 128K's pages), is marked in the
// history (replay cannot reproduce it: going back across it restores the machine as it was), and
// tells the views. Reads go to the processor record and the memory image as the run leaves them.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "run/run.h"
#include "z80/z80.h"

namespace tirvane {

// The register fields a person or a tool can set, in the register pane's order.
enum class RegisterField : uint8_t { AF, BC, DE, HL, IX, IY, SP, PC, AltAF, AltBC, AltDE, AltHL, I, R };
constexpr int RegisterFieldCount = 14;

uint16_t ReadRegister(const Z80Context& z, RegisterField field);

class DebugSession {
 public:
  // Without a run (a window with no machine attached yet) edits reach the records but no history.
  explicit DebugSession(EmulationRun* run = nullptr) : run_(run) {}
  void SetRun(EmulationRun* run) { run_ = run; }

  // Null before the first Start.
  Z80Context* Registers() const { return ActiveContext; }
  uint8_t Read(uint16_t address) const;

  // Each marks the history and calls Edited; nothing happens without a machine.
  void Write(uint16_t address, std::span<const uint8_t> bytes);
  void WriteRegister(RegisterField field, uint16_t value);
  void SetFlag(uint8_t mask, bool on);
  // Several registers at once through the record (the server's set_registers).
  void EditRegisters(const std::function<void(Z80Context&)>& edit);

  // The views' refresh after an edit.
  std::function<void()> Edited;

 private:
  void Marked();
  EmulationRun* run_;
};

}  // namespace tirvane
