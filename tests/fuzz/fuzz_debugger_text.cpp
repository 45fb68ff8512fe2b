// SPDX-License-Identifier: GPL-3.0-or-later
// What a person or a file hands the debugger as text: conditions (parsed, then evaluated over
// registers and memory the input also fills), symbol files and address ranges. A refused text
// carries an error position inside it; an accepted one evaluates without reading outside memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "debugger/condition.h"
#include "debugger/symbols.h"
#include "debugger/watchpoints.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tirvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  SymbolTable symbols;
  ParseSymbols(text, symbols);
  symbols.Add("label", 0x1234);
  ParseAddressRange(std::string(text), &symbols);

  // Refilled whole each time, so a finding replays the same from its file alone.
  static std::vector<uint8_t> memory(0x10000);
  std::fill(memory.begin(), memory.end(), 0);
  Z80Context z{};
  RegisterPair* pairs[] = {&z.AF, &z.BC, &z.DE, &z.HL, &z.IX, &z.IY, &z.SP, &z.PC, &z.AltAF, &z.AltDE};
  for (size_t i = 0; i + 1 < size && i / 2 < std::size(pairs); i += 2)
    pairs[i / 2]->w = static_cast<uint16_t>(data[i] | data[i + 1] << 8);
  for (size_t i = 0; i < size && i < memory.size(); ++i) memory[i] = data[i];

  ConditionError error;
  const auto condition = Condition::Parse(text, &symbols, error);
  if (condition) {
    condition->Evaluate(z, memory.data());
  } else if (error.Position < 1 || static_cast<size_t>(error.Position) > size + 1 || error.Message.empty()) {
    __builtin_trap();
  }
  return 0;
}
