// SPDX-License-Identifier: GPL-3.0-or-later
// Symbols: names for addresses, read from the files Z80 assemblers and compilers write beside a
// program (pasmo's symbol table, z80asm's label file, sdcc's .noi and linker .map), told apart by
// their content. Also the one reading of an address every view accepts: a number, a label or a
// register.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

enum class SymbolFormat { Unknown, PasmoTable, Z80asmLabels, SdccNoi, SdccMap };
const char* SymbolFormatName(SymbolFormat format);

class SymbolTable {
 public:
  struct Symbol {
    std::string Name;
    uint16_t Address;
  };

  // A name already present takes the new address.
  void Add(std::string_view name, uint16_t address);
  void Clear();
  bool Empty() const { return symbols_.empty(); }
  int Count() const { return static_cast<int>(symbols_.size()); }
  // In the order added.
  const std::vector<Symbol>& All() const { return symbols_; }

  // The exact name first, then a unique match ignoring case (assemblers differ on case).
  std::optional<uint16_t> Find(std::string_view name) const;
  // The first name added for the address, or nullptr.
  const std::string* NameAt(uint16_t address) const;

 private:
  std::vector<Symbol> symbols_;
  std::unordered_map<std::string, size_t> byName_;
  std::unordered_map<std::string, std::vector<size_t>> byFoldedName_;
  std::map<uint16_t, size_t> byAddress_;
};

struct SymbolLoadResult {
  bool Ok = false;
  SymbolFormat Format = SymbolFormat::Unknown;
  int Loaded = 0;
  int Skipped = 0;      // malformed lines, counted and left out
  std::string Message;  // one line for the user: what was loaded, what was skipped, or why nothing
};

// Detects the form and adds every symbol to table; a text of no known form changes nothing.
SymbolLoadResult ParseSymbols(std::string_view text, SymbolTable& table);
SymbolLoadResult LoadSymbolFile(const std::string& path, SymbolTable& table);
// NAME.sym beside NAME.ini when it exists, else empty.
std::string SymbolFileBeside(const std::string& descriptionPath);

// An instruction's text with every four-digit hexadecimal operand the symbols name replaced by the
// name: "CALL 0150" becomes "CALL start", "LD A,(8000)" becomes "LD A,(score)".
std::string WithLabels(std::string_view instructionText, const SymbolTable& symbols);

// The one reading of an address typed by a person or sent by a tool, for every view: ReadAddress
// (debugger/locations.h) with the table's labels.
std::optional<uint16_t> ParseAddress(std::string_view text, const SymbolTable* symbols = nullptr,
                                     const Z80Context* registers = nullptr);

// "5:C000": an address read with RAM page 5 in; the page is one or two decimal digits before the
// colon, the address as ParseAddress reads it. Without a colon Page is empty.
struct PagedAddress {
  std::optional<uint8_t> Page;
  uint16_t Address = 0;
};
std::optional<PagedAddress> ParsePagedAddress(std::string_view text, const SymbolTable* symbols = nullptr,
                                              const Z80Context* registers = nullptr);

}  // namespace tirvane
