// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/disassembler.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace tirvane {

namespace {

// ---- The instruction table, built at compile time ---------------------------------------------

constexpr std::string_view R[8] = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};
constexpr std::string_view RR[4] = {"BC", "DE", "HL", "SP"};
constexpr std::string_view QQ[4] = {"BC", "DE", "HL", "AF"};
constexpr std::string_view CC[8] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
constexpr std::string_view Digit[8] = {"0", "1", "2", "3", "4", "5", "6", "7"};
// With a register operand SUB and SBC carry no "A,"; with an immediate or an index operand SBC does.
constexpr std::string_view AluReg[8] = {"ADD A,", "ADC A,", "SUB ", "SBC ", "AND ", "XOR ", "OR ", "CP "};
constexpr std::string_view AluImm[8] = {"ADD A,", "ADC A,", "SUB ", "SBC A,", "AND ", "XOR ", "OR ", "CP "};
constexpr std::string_view RotReg[8] = {"RLC ", "RRC ", "RL  ", "RR  ", "SLA ", "SRA ", "", "SRL "};
constexpr std::string_view RotIndex[6] = {"RLC ", "RRC ", "RL ", "RR ", "SLA ", "SRA "};
constexpr std::string_view BitOps[4] = {"", "BIT ", "RES ", "SET "};

// Descriptor high nibbles: which of the instruction bytes are fixed.
constexpr uint8_t Fixed0 = 0x80;         // unprefixed opcode
constexpr uint8_t Fixed01 = 0xC0;        // prefix and opcode
constexpr uint8_t Fixed013 = 0xD0;       // DD/FD CB, displacement, opcode

struct EdRow {
  uint8_t Op;
  std::string_view Text;
  uint8_t Length;
};
constexpr EdRow EdRows[] = {
    {0x40, "IN B,(C)", 2},     {0x41, "OUT (C),B", 2},    {0x42, "SBC HL,BC", 2}, {0x43, "LD (####),BC", 4},
    {0x44, "NEG", 2},          {0x45, "RETN", 2},         {0x46, "IM 0", 2},      {0x47, "LD I,A", 2},
    {0x48, "IN C,(C)", 2},     {0x49, "OUT (C),C", 2},    {0x4A, "ADC HL,BC", 2}, {0x4B, "LD BC,(####)", 4},
    {0x4D, "RETI", 2},         {0x50, "IN D,(C)", 2},     {0x51, "OUT (C),D", 2}, {0x52, "SBC HL,DE", 2},
    {0x53, "LD (####),DE", 4}, {0x56, "IM 1", 2},         {0x57, "LD A,I", 2},    {0x58, "IN E,(C)", 2},
    {0x59, "OUT (C),E", 2},    {0x5A, "ADC HL,DE", 2},    {0x5B, "LD DE,(####)", 4}, {0x5E, "IM 2", 2},
    {0x60, "IN H,(C)", 2},     {0x61, "OUT (C),H", 2},    {0x62, "SBC HL,HL", 2}, {0x67, "RRD", 2},
    {0x68, "IN L,(C)", 2},     {0x69, "OUT (C),L", 2},    {0x6A, "ADC HL,HL", 2}, {0x6F, "RLD", 2},
    {0x72, "SBC HL,SP", 2},    {0x73, "LD (####),SP", 4}, {0x78, "IN A,(C)", 2},  {0x79, "OUT (C),A", 2},
    {0x7A, "ADC HL,SP", 2},    {0x7B, "LD SP,(####)", 4}, {0xA0, "LDI", 2},       {0xA1, "CPI", 2},
    {0xA2, "INI", 2},          {0xA3, "OUTI", 2},         {0xA8, "LDD", 2},       {0xA9, "CPD", 2},
    {0xAA, "IND", 2},          {0xAB, "OUTD", 2},         {0xB0, "LDIR", 2},      {0xB1, "CPIR", 2},
    {0xB2, "INIR", 2},         {0xB3, "OTIR", 2},         {0xB8, "LDDR", 2},      {0xB9, "CPDR", 2},
    {0xBA, "INDR", 2},         {0xBB, "OTDR", 2},
};

constexpr size_t RowCapacity = 1024;

struct TableBuilder {
  std::array<MnemonicRow, RowCapacity> Rows{};
  size_t Count = 0;

  // Texts longer than 14 characters fail to compile: the write below runs out of the array.
  constexpr void Add(std::initializer_list<std::string_view> parts, uint8_t fixed, uint8_t length,
                     std::array<uint8_t, 4> code) {
    MnemonicRow& row = Rows[Count++];
    row.TextLength = 0;
    for (std::string_view part : parts) {
      for (char c : part) row.Text[row.TextLength++] = c;
    }
    row.Descriptor = static_cast<uint8_t>(fixed | length);
    for (int i = 0; i < 4; ++i) row.Code[i] = code[i];
  }

  constexpr void Unprefixed(uint8_t op, std::initializer_list<std::string_view> parts, uint8_t length) {
    Add(parts, Fixed0, length, {op, 0, 0, 0});
  }
  constexpr void Prefixed(uint8_t prefix, uint8_t op, std::initializer_list<std::string_view> parts,
                          uint8_t length) {
    Add(parts, Fixed01, length, {prefix, op, 0, 0});
  }
};

constexpr void AddUnprefixedRows(TableBuilder& t) {
  constexpr std::string_view Z7[8] = {"RLCA", "RRCA", "RLA", "RRA", "DAA", "CPL", "SCF", "CCF"};
  constexpr std::string_view Rst[8] = {"00h", "08h", "10h", "18h", "20h", "28h", "30h", "38h"};
  for (int code = 0; code < 256; ++code) {
    const auto op = static_cast<uint8_t>(code);
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
    if (x == 0) {
      switch (z) {
        case 0:
          if (y == 0) t.Unprefixed(op, {"NOP"}, 1);
          if (y == 1) t.Unprefixed(op, {"EX AF,AF\""}, 1);  // a double quote stands for the apostrophe
          if (y == 2) t.Unprefixed(op, {"DJNZ ##"}, 2);
          if (y == 3) t.Unprefixed(op, {"JR ##"}, 2);
          if (y >= 4) t.Unprefixed(op, {"JR ", CC[y - 4], ",##"}, 2);
          break;
        case 1:
          if (q == 0) t.Unprefixed(op, {"LD ", RR[p], ",####"}, 3);
          else t.Unprefixed(op, {"ADD HL,", RR[p]}, 1);
          break;
        case 2: {
          constexpr std::string_view Texts[8] = {"LD (BC),A",    "LD A,(BC)",    "LD (DE),A",   "LD A,(DE)",
                                                 "LD (####),HL", "LD HL,(####)", "LD (####),A", "LD A,(####)"};
          t.Unprefixed(op, {Texts[y]}, y < 4 ? 1 : 3);
          break;
        }
        case 3: t.Unprefixed(op, {q == 0 ? "INC " : "DEC ", RR[p]}, 1); break;
        case 4: t.Unprefixed(op, {"INC ", R[y]}, 1); break;
        case 5: t.Unprefixed(op, {"DEC ", R[y]}, 1); break;
        case 6: t.Unprefixed(op, {"LD ", R[y], ",##"}, 2); break;
        case 7: t.Unprefixed(op, {Z7[y]}, 1); break;
      }
    } else if (x == 1) {
      if (op == 0x76) t.Unprefixed(op, {"HALT"}, 1);
      else t.Unprefixed(op, {"LD ", R[y], ",", R[z]}, 1);
    } else if (x == 2) {
      t.Unprefixed(op, {AluReg[y], R[z]}, 1);
    } else {
      switch (z) {
        case 0: t.Unprefixed(op, {"RET ", CC[y]}, 1); break;
        case 1: {
          constexpr std::string_view Q1[4] = {"RET", "EXX", "JP (HL)", "LD SP,HL"};
          if (q == 0) t.Unprefixed(op, {"POP ", QQ[p]}, 1);
          else t.Unprefixed(op, {Q1[p]}, 1);
          break;
        }
        case 2: t.Unprefixed(op, {"JP ", CC[y], ",####"}, 3); break;
        case 3:
          if (y == 0) t.Unprefixed(op, {"JP ####"}, 3);
          if (y == 2) t.Unprefixed(op, {"OUT (##),A"}, 2);
          if (y == 3) t.Unprefixed(op, {"IN A,(##)"}, 2);
          if (y == 4) t.Unprefixed(op, {"EX (SP),HL"}, 1);
          if (y == 5) t.Unprefixed(op, {"EX DE,HL"}, 1);
          if (y == 6) t.Unprefixed(op, {"DI"}, 1);
          if (y == 7) t.Unprefixed(op, {"EI"}, 1);
          break;  // y == 1 is the CB prefix
        case 4: t.Unprefixed(op, {"CALL ", CC[y], ",####"}, 3); break;
        case 5:
          if (q == 0) t.Unprefixed(op, {"PUSH ", QQ[p]}, 1);
          else if (p == 0) t.Unprefixed(op, {"CALL ####"}, 3);
          break;  // DD, ED and FD are prefixes
        case 6: t.Unprefixed(op, {AluImm[y], "##"}, 2); break;
        case 7: t.Unprefixed(op, {"RST ", Rst[y]}, 1); break;
      }
    }
  }
}

constexpr void AddCbRows(TableBuilder& t) {
  for (int code = 0; code < 256; ++code) {
    const auto op = static_cast<uint8_t>(code);
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    if (x == 0 && y == 6) continue;  // CB 30-37 have no rows
    if (x == 0) t.Prefixed(0xCB, op, {RotReg[y], R[z]}, 2);
    else t.Prefixed(0xCB, op, {BitOps[x], Digit[y], ",", R[z]}, 2);
  }
}

constexpr void AddEdRows(TableBuilder& t) {
  for (const EdRow& row : EdRows) t.Prefixed(0xED, row.Op, {row.Text}, row.Length);
}

// DD and FD rows differ only in the prefix and the register name. Rows come in ascending order of
// their code bytes, so the four-byte CB rows sit where the byte CB falls.
constexpr void AddIndexRows(TableBuilder& t, uint8_t prefix, std::string_view ix) {
  const std::string_view Mem[] = {"(", ix, "+##)"};
  for (int code = 0; code < 256; ++code) {
    const auto op = static_cast<uint8_t>(code);
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    if (op == 0xCB) {
      for (int code3 = 0; code3 < 256; ++code3) {
        const auto op3 = static_cast<uint8_t>(code3);
        const int x3 = op3 >> 6, y3 = (op3 >> 3) & 7;
        if ((op3 & 7) != 6 || (x3 == 0 && y3 >= 6)) continue;  // no SRL and no undocumented forms
        std::string_view mnemonic = x3 == 0 ? RotIndex[y3] : BitOps[x3];
        std::string_view bit = x3 == 0 ? "" : Digit[y3];
        std::string_view comma = x3 == 0 ? "" : ",";
        t.Add({mnemonic, bit, comma, Mem[0], Mem[1], Mem[2]}, Fixed013, 4, {prefix, 0xCB, 0, op3});
      }
      continue;
    }
    switch (op) {
      case 0x09: case 0x19: case 0x29: case 0x39: {
        const std::string_view Pair[4] = {"BC", "DE", ix, "SP"};
        t.Prefixed(prefix, op, {"ADD ", ix, ",", Pair[y >> 1]}, 2);
        continue;
      }
      case 0x21: t.Prefixed(prefix, op, {"LD ", ix, ",####"}, 4); continue;
      case 0x22: t.Prefixed(prefix, op, {"LD (####),", ix}, 4); continue;
      case 0x23: t.Prefixed(prefix, op, {"INC ", ix}, 2); continue;
      case 0x2A: t.Prefixed(prefix, op, {"LD ", ix, ",(####)"}, 4); continue;
      case 0x2B: t.Prefixed(prefix, op, {"DEC ", ix}, 2); continue;
      case 0x34: t.Prefixed(prefix, op, {"INC ", Mem[0], Mem[1], Mem[2]}, 3); continue;
      case 0x35: t.Prefixed(prefix, op, {"DEC ", Mem[0], Mem[1], Mem[2]}, 3); continue;
      case 0x36: t.Prefixed(prefix, op, {"LD ", Mem[0], Mem[1], Mem[2], ",##"}, 4); continue;
      case 0xE1: t.Prefixed(prefix, op, {"POP ", ix}, 2); continue;
      case 0xE3: t.Prefixed(prefix, op, {"EX (SP),", ix}, 2); continue;
      case 0xE5: t.Prefixed(prefix, op, {"PUSH ", ix}, 2); continue;
      case 0xE9: t.Prefixed(prefix, op, {"JP (", ix, ")"}, 2); continue;
      case 0xF9: t.Prefixed(prefix, op, {"LD SP,", ix}, 2); continue;
      default: break;
    }
    if (x == 1 && z == 6 && y != 6) t.Prefixed(prefix, op, {"LD ", R[y], ",", Mem[0], Mem[1], Mem[2]}, 3);
    if (x == 1 && y == 6 && z != 6) t.Prefixed(prefix, op, {"LD ", Mem[0], Mem[1], Mem[2], ",", R[z]}, 3);
    if (x == 2 && z == 6) t.Prefixed(prefix, op, {AluImm[y], Mem[0], Mem[1], Mem[2]}, 3);
  }
}

constexpr TableBuilder BuildTable() {
  TableBuilder t;
  AddUnprefixedRows(t);
  AddCbRows(t);
  AddEdRows(t);
  AddIndexRows(t, 0xDD, "IX");
  AddIndexRows(t, 0xFD, "IY");
  return t;
}

constexpr size_t RowCount = BuildTable().Count;

constexpr std::array<MnemonicRow, RowCount> TableRows = [] {
  TableBuilder t = BuildTable();
  std::array<MnemonicRow, RowCount> rows{};
  for (size_t i = 0; i < RowCount; ++i) rows[i] = t.Rows[i];
  return rows;
}();

// ---- Lookup by instruction bytes ---------------------------------------------------------------
// The rows never overlap, so indexing them by their fixed bytes finds the same row as a scan of the
// table in order, in constant time: one 256-entry page per prefix.

enum Page { PageBase, PageCB, PageED, PageDD, PageFD, PageDDCB, PageFDCB, PageCount };

using RowIndex = std::array<std::array<int16_t, 256>, PageCount>;

constexpr RowIndex BuildIndex() {
  RowIndex index{};
  for (auto& page : index) page.fill(-1);
  for (size_t i = 0; i < RowCount; ++i) {
    const MnemonicRow& row = TableRows[i];
    const auto value = static_cast<int16_t>(i);
    if (!row.IsFixed(1)) {
      index[PageBase][row.Code[0]] = value;
    } else if (row.IsFixed(3)) {
      index[row.Code[0] == 0xDD ? PageDDCB : PageFDCB][row.Code[3]] = value;
    } else {
      const Page page = row.Code[0] == 0xCB ? PageCB : row.Code[0] == 0xED ? PageED
                        : row.Code[0] == 0xDD ? PageDD : PageFD;
      index[page][row.Code[1]] = value;
    }
  }
  return index;
}

constexpr RowIndex Index = BuildIndex();

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& text, uint8_t value) {
  text += HexDigits[value >> 4];
  text += HexDigits[value & 0xF];
}

void AppendAddress(std::string& text, uint16_t address) {
  AppendHex(text, static_cast<uint8_t>(address >> 8));
  AppendHex(text, static_cast<uint8_t>(address));
}

}  // namespace

constinit const std::span<const MnemonicRow> MnemonicTable{TableRows};

DecodedInstruction DecodeInstruction(const uint8_t* memory, uint16_t address) {
  DecodedInstruction decoded;
  for (int i = 0; i < 4; ++i) decoded.Bytes[i] = memory[static_cast<uint16_t>(address + i)];
  const uint8_t* b = decoded.Bytes;
  int16_t row;
  switch (b[0]) {
    case 0xCB: row = Index[PageCB][b[1]]; break;
    case 0xED: row = Index[PageED][b[1]]; break;
    case 0xDD: row = b[1] == 0xCB ? Index[PageDDCB][b[3]] : Index[PageDD][b[1]]; break;
    case 0xFD: row = b[1] == 0xCB ? Index[PageFDCB][b[3]] : Index[PageFD][b[1]]; break;
    default: row = Index[PageBase][b[0]]; break;
  }
  decoded.Row = row < 0 ? nullptr : &TableRows[static_cast<size_t>(row)];
  decoded.Length = row < 0 ? 1 : decoded.Row->Length();
  return decoded;
}

DisassemblyLine FormatDisassemblyLine(uint16_t address, const MnemonicRow* row, const uint8_t bytes[4]) {
  constexpr size_t LineLength = 16;
  DisassemblyLine line;
  line.reserve(LineLength);
  AppendAddress(line, address);
  if (row == nullptr) {
    line += "DB ";
    AppendHex(line, bytes[0]);
    return line;
  }
  uint8_t operands[2] = {0, 0};
  int operandCount = 0;
  for (int i = 0; i < row->Length(); ++i) {
    if (!row->IsFixed(i) && operandCount < 2) operands[operandCount++] = bytes[i];
  }
  // The cut comes before the placeholders are filled: a "##" split by it stays a lone "#".
  std::string_view text = row->text().substr(0, LineLength - line.size());
  int next = 0;
  for (size_t i = 0; i < text.size();) {
    if (text.substr(i, 4) == "####") {
      AppendHex(line, operands[1]);
      AppendHex(line, operands[0]);
      i += 4;
    } else if (text.substr(i, 2) == "##") {
      AppendHex(line, operands[next]);
      next = 1;  // no row has more than two "##"
      i += 2;
    } else {
      line += text[i++];
    }
  }
  return line;
}

DisassembledInstruction Disassemble(const uint8_t* memory, uint16_t address) {
  DecodedInstruction decoded = DecodeInstruction(memory, address);
  return {FormatDisassemblyLine(address, decoded.Row, decoded.Bytes), decoded.Length};
}

std::vector<DisassemblyLine> DisassembleRomArea(const uint8_t* memory, uint16_t romLimit,
                                                const SweepProgress& progress) {
  double threshold = -1;
  // With a limit of 0 the one address is the whole area, so each pass counts as complete.
  const double span = romLimit == 0 ? 0.0 : romLimit;
  auto report = [&](int pass, uint32_t address) {
    double x = span == 0 ? pass * 50.0 : pass * (address / span) * 50.0;
    if (x > threshold) {
      threshold = x + 5;
      if (progress) progress(static_cast<int>(std::lround(x)));
    }
  };

  // 32-bit addresses: an instruction near FFFF advances past the limit instead of wrapping to 0.
  size_t count = 0;
  for (uint32_t address = 0; address <= romLimit; ++count) {
    report(1, address);
    address += static_cast<uint32_t>(DecodeInstruction(memory, static_cast<uint16_t>(address)).Length);
  }
  std::vector<DisassemblyLine> lines;
  lines.reserve(count);
  for (uint32_t address = 0; address <= romLimit;) {
    report(2, address);
    DisassembledInstruction line = Disassemble(memory, static_cast<uint16_t>(address));
    lines.push_back(std::move(line.Text));
    address += static_cast<uint32_t>(line.Length);
  }
  return lines;
}

}  // namespace tirvane
