// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/symbols.h"

#include "debugger/locations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>

namespace tirvane {

namespace {

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    const size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// Hexadecimal digits only; values above FFFF are refused rather than cut, so a 24-bit address from
// another machine is reported instead of landing somewhere wrong.
std::optional<uint16_t> HexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                   ? c - '0'
                                                   : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

bool ValidName(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' || c == '?' ||
           c == '@';
  });
}

struct Parsed {
  std::string_view Name;
  uint16_t Address = 0;
};

// "name EQU 00105H"
std::optional<Parsed> PasmoLine(std::string_view line) {
  const auto w = Words(line);
  if (w.size() != 3 || !EqualsIgnoringCase(w[1], "EQU") || !ValidName(w[0])) return std::nullopt;
  std::string_view value = w[2];
  if (value.size() < 2 || std::tolower(static_cast<unsigned char>(value.back())) != 'h') return std::nullopt;
  const auto address = HexDigits(value.substr(0, value.size() - 1));
  if (!address) return std::nullopt;
  return Parsed{w[0], *address};
}

// "name:	equ $0105"
std::optional<Parsed> Z80asmLine(std::string_view line) {
  const auto w = Words(line);
  if (w.size() != 3 || w[0].size() < 2 || w[0].back() != ':' || !EqualsIgnoringCase(w[1], "equ") ||
      w[2].size() < 2 || w[2][0] != '$')
    return std::nullopt;
  const std::string_view name = w[0].substr(0, w[0].size() - 1);
  const auto address = HexDigits(w[2].substr(1));
  if (!ValidName(name) || !address) return std::nullopt;
  return Parsed{name, *address};
}

// "DEF _main 0x212"
std::optional<Parsed> NoiLine(std::string_view line) {
  const auto w = Words(line);
  if (w.size() != 3 || w[0] != "DEF" || !ValidName(w[1]) || w[2].size() < 3 || w[2].substr(0, 2) != "0x")
    return std::nullopt;
  const auto address = HexDigits(w[2].substr(2));
  if (!address) return std::nullopt;
  return Parsed{w[1], *address};
}

// "     00000212  _main    c" inside a "Value  Global" table
std::optional<Parsed> MapLine(std::string_view line) {
  const auto w = Words(line);
  if (w.size() < 2 || w.size() > 3 || !ValidName(w[1])) return std::nullopt;
  const auto address = HexDigits(w[0]);
  if (!address) return std::nullopt;
  return Parsed{w[1], *address};
}

// Linker bookkeeping, not places in the program: area lengths and the absolute area's name.
bool SdccBookkeeping(std::string_view name) { return name.starts_with("l__") || name.starts_with(".__."); }

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

SymbolFormat Detect(const std::vector<std::string_view>& lines) {
  std::array<int, 3> votes{};
  for (std::string_view raw : lines) {
    const std::string_view line = Trim(raw);  // linker pages begin with a form feed
    if (line.starts_with("ASxxxx Linker")) return SymbolFormat::SdccMap;
    if (PasmoLine(line)) ++votes[0];
    if (Z80asmLine(line)) ++votes[1];
    if (NoiLine(line)) ++votes[2];
  }
  const auto best = std::max_element(votes.begin(), votes.end());
  if (*best == 0) return SymbolFormat::Unknown;
  constexpr SymbolFormat Forms[] = {SymbolFormat::PasmoTable, SymbolFormat::Z80asmLabels, SymbolFormat::SdccNoi};
  return Forms[best - votes.begin()];
}

}  // namespace

const char* SymbolFormatName(SymbolFormat format) {
  switch (format) {
    case SymbolFormat::PasmoTable: return "pasmo symbol table";
    case SymbolFormat::Z80asmLabels: return "z80asm label file";
    case SymbolFormat::SdccNoi: return "sdcc .noi file";
    case SymbolFormat::SdccMap: return "sdcc linker map";
    case SymbolFormat::Unknown: break;
  }
  return "unknown";
}

void SymbolTable::Add(std::string_view name, uint16_t address) {
  const std::string key(name);
  if (const auto found = byName_.find(key); found != byName_.end()) {
    Symbol& symbol = symbols_[found->second];
    if (const auto at = byAddress_.find(symbol.Address); at != byAddress_.end() && at->second == found->second)
      byAddress_.erase(at);
    symbol.Address = address;
    byAddress_.emplace(address, found->second);
    return;
  }
  const size_t index = symbols_.size();
  symbols_.push_back({key, address});
  byName_.emplace(key, index);
  byFoldedName_[Folded(name)].push_back(index);
  byAddress_.emplace(address, index);
}

void SymbolTable::Clear() {
  symbols_.clear();
  byName_.clear();
  byFoldedName_.clear();
  byAddress_.clear();
}

std::optional<uint16_t> SymbolTable::Find(std::string_view name) const {
  if (const auto found = byName_.find(std::string(name)); found != byName_.end())
    return symbols_[found->second].Address;
  const auto folded = byFoldedName_.find(Folded(name));
  if (folded == byFoldedName_.end() || folded->second.size() != 1) return std::nullopt;
  return symbols_[folded->second.front()].Address;
}

const std::string* SymbolTable::NameAt(uint16_t address) const {
  const auto found = byAddress_.find(address);
  return found == byAddress_.end() ? nullptr : &symbols_[found->second].Name;
}

SymbolLoadResult ParseSymbols(std::string_view text, SymbolTable& table) {
  SymbolLoadResult result;
  const auto lines = Lines(text);
  result.Format = Detect(lines);
  if (result.Format == SymbolFormat::Unknown) {
    result.Message = "No symbols found: the file is not a symbol table, label file, .noi or .map file.";
    return result;
  }

  bool inMapTable = false;
  for (std::string_view raw : lines) {
    const std::string_view line = Trim(raw);
    std::optional<Parsed> parsed;
    switch (result.Format) {
      case SymbolFormat::PasmoTable:
        if (line.empty()) continue;
        parsed = PasmoLine(line);
        break;
      case SymbolFormat::Z80asmLabels:
        if (line.empty()) continue;
        parsed = Z80asmLine(line);
        break;
      case SymbolFormat::SdccNoi:
        // LOAD names the program's file, not a symbol.
        if (line.empty() || line.starts_with("LOAD ")) continue;
        parsed = NoiLine(line);
        break;
      case SymbolFormat::SdccMap:
        // Symbols are the rows of each "Value  Global" table, which ends at a blank line or a new page.
        if (line.starts_with("Value") && line.find("Global") != std::string_view::npos) {
          inMapTable = true;
          continue;
        }
        if (!inMapTable || line.starts_with("-----")) continue;
        if (line.empty() || line.starts_with("ASxxxx")) {
          inMapTable = false;
          continue;
        }
        parsed = MapLine(line);
        break;
      case SymbolFormat::Unknown:
        break;
    }
    if (!parsed) {
      ++result.Skipped;
      continue;
    }
    if (SdccBookkeeping(parsed->Name)) continue;
    table.Add(parsed->Name, parsed->Address);
    ++result.Loaded;
  }
  result.Ok = true;
  result.Message = std::to_string(result.Loaded) + " symbols loaded (" + SymbolFormatName(result.Format) + ")";
  if (result.Skipped > 0) result.Message += "; " + std::to_string(result.Skipped) + " malformed lines skipped";
  result.Message += ".";
  return result;
}

SymbolLoadResult LoadSymbolFile(const std::string& path, SymbolTable& table) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    SymbolLoadResult result;
    result.Message = "Cannot read the symbol file " + path + ".";
    return result;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseSymbols(text.str(), table);
}

std::string SymbolFileBeside(const std::string& descriptionPath) {
  const size_t slash = descriptionPath.find_last_of('/');
  const size_t dot = descriptionPath.rfind('.');
  const std::string stem =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? descriptionPath.substr(0, dot)
                                                                               : descriptionPath;
  const std::string path = stem + ".sym";
  return std::ifstream(path).good() ? path : std::string();
}

std::string WithLabels(std::string_view text, const SymbolTable& symbols) {
  std::string out;
  out.reserve(text.size() + 8);
  const size_t operands = text.find(' ');  // the mnemonic itself is never an address
  size_t i = 0;
  while (i < text.size()) {
    size_t end = i;
    while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
    if (end == i) {
      out += text[i++];
      continue;
    }
    const std::string_view word = text.substr(i, end - i);
    const std::string* name = nullptr;
    if (operands != std::string_view::npos && i > operands && word.size() == 4)
      if (const auto address = HexDigits(word)) name = symbols.NameAt(*address);
    out += name ? std::string_view(*name) : word;
    i = end;
  }
  return out;
}

std::optional<uint16_t> ParseAddress(std::string_view text, const SymbolTable* symbols, const Z80Context* registers) {
  LabelLookup labels;
  if (symbols != nullptr) labels = [symbols](std::string_view name) { return symbols->Find(name); };
  return ReadAddress(text, registers, labels);
}

std::optional<PagedAddress> ParsePagedAddress(std::string_view text, const SymbolTable* symbols,
                                              const Z80Context* registers) {
  text = Trim(text);
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    const auto address = ParseAddress(text, symbols, registers);
    if (!address) return std::nullopt;
    return PagedAddress{std::nullopt, *address};
  }
  const std::string_view page = Trim(text.substr(0, colon));
  if (page.empty() || page.size() > 2 ||
      !std::all_of(page.begin(), page.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  const auto address = ParseAddress(text.substr(colon + 1), symbols, registers);
  if (!address) return std::nullopt;
  return PagedAddress{static_cast<uint8_t>(std::stoi(std::string(page))), *address};
}

}  // namespace tirvane
