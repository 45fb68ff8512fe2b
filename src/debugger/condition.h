// SPDX-License-Identifier: GPL-3.0-or-later
// Breakpoint conditions over registers, flags and memory, written as a Z80 programmer reads them:
//   A = 3 and (HL) <> 0 and Z        BC > 1000h        (IX+5) = 0FFh        not NC or SP < stack_top
// Operands: registers (A F B C D E H L I R IXH IXL IYH IYL, AF BC DE HL IX IY SP PC, AF' BC' DE' HL'),
// numbers (decimal; hexadecimal as 0FFh, $FF or 0xFF; binary as %101), labels from a symbol table,
// and (expression) for the byte in memory there, as in Z80 operands; parentheses around a comparison
// group it instead. A flag or condition code standing alone (Z NZ C NC PE PO P M S H N PV) tests the
// flag, so C alone is the carry and C = 3 the register. Operators, loosest first: or ||, and &&,
// not !, = == <> != < > <= >=, + - | ^ &, unary - ~. A value standing alone is true when not zero.
// Parsed once; evaluating reads the record and the memory image only, never a bus handler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

class SymbolTable;

struct ConditionError {
  int Position = 0;  // 1-based character position in the text
  std::string Message;
  // "Column 7: expected a value after '='" as the dialog shows it.
  std::string Text() const;
};

class Condition {
 public:
  // An empty (or all-space) text is the condition that always holds.
  static std::optional<Condition> Parse(std::string_view text, const SymbolTable* symbols,
                                        ConditionError& error);

  bool Evaluate(const Z80Context& z, const uint8_t* memory) const;
  // The value, for showing what an expression amounts to (true and false as 1 and 0).
  int32_t Value(const Z80Context& z, const uint8_t* memory) const;
  bool AlwaysTrue() const { return code_.empty(); }
  const std::string& Text() const { return text_; }

  enum class Op : uint8_t;
  struct Instruction {
    Op Code;
    int32_t Operand;
  };

 private:
  std::string text_;
  std::vector<Instruction> code_;  // postfix
  int depth_ = 0;                  // the evaluation stack's greatest height
};

}  // namespace tirvane
