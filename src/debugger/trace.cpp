// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/trace.h"

#include <cstdio>
#include <fstream>

#include "debugger/disassembler.h"
#include "debugger/symbols.h"

namespace tirvane {

TraceBuffer::TraceBuffer(int capacity)
    : entries_(std::make_unique<TraceEntry[]>(static_cast<size_t>(capacity > 0 ? capacity : 1))),
      capacity_(static_cast<size_t>(capacity > 0 ? capacity : 1)) {}

void TraceBuffer::Clear() {
  next_ = 0;
  total_ = 0;
}

const TraceEntry& TraceBuffer::At(int index) const {
  const size_t oldest = total_ < capacity_ ? 0 : next_;
  return entries_[(oldest + static_cast<size_t>(index)) % capacity_];
}

bool TraceBuffer::Save(const std::string& path, const SymbolTable* symbols, std::string& error) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    error = "Cannot write the trace to " + path + ".";
    return false;
  }
  for (int i = 0; i < Count(); ++i) file << FormatTraceLine(At(i), symbols) << '\n';
  file.flush();
  if (!file) {
    error = "Writing the trace to " + path + " failed.";
    return false;
  }
  return true;
}

std::string FormatTraceLine(const TraceEntry& entry, const SymbolTable* symbols) {
  // The four bytes sit at address 0 of their own little image, which is all the decoder reads.
  const DecodedInstruction decoded = DecodeInstruction(entry.Bytes, 0);
  std::string text = FormatDisassemblyLine(entry.Address, decoded.Row, decoded.Bytes).substr(4);
  if (symbols != nullptr && !symbols->Empty()) text = WithLabels(text, *symbols);

  char line[128];
  int n = std::snprintf(line, sizeof line, "%04X ", entry.Address);
  for (int i = 0; i < 4; ++i)
    n += i < decoded.Length ? std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " %02X", entry.Bytes[i])
                            : std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "   ");
  std::string result(line, static_cast<size_t>(n));
  result += "  ";
  result += text;
  if (text.size() < 16) result.append(16 - text.size(), ' ');
  static constexpr const char* Names[8] = {"AF", "BC", "DE", "HL", "IX", "IY", "SP", "PC"};
  for (int i = 0; i < 8; ++i) {
    std::snprintf(line, sizeof line, " %s=%04X", Names[i], entry.Registers[i]);
    result += line;
  }
  return result;
}

}  // namespace tirvane
