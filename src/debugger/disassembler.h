// SPDX-License-Identifier: GPL-3.0-or-later
// The Z80 disassembler: a pure function from (memory image, address) to a listing line and the
// number of bytes it covers, driven by one read-only table of instruction rows. Operands are shown as
// raw hexadecimal bytes; branch targets are never computed. Qt-free: the disassembler window, the
// headless runner's listing and the tests all call the same functions.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tirvane {

// One instruction the disassembler knows. Text holds "##" for an operand byte and "####" for a
// two-byte operand. Descriptor bits 3..0 give the length (1 to 4); bits 7, 6, 5, 4 mark instruction
// bytes 0, 1, 2, 3 as fixed (prefix or opcode, compared with Code) rather than operand bytes.
struct MnemonicRow {
  uint8_t TextLength;
  char Text[14];
  uint8_t Descriptor;
  uint8_t Code[4];

  constexpr std::string_view text() const { return {Text, TextLength}; }
  constexpr int Length() const { return Descriptor & 0x0F; }
  constexpr bool IsFixed(int byte) const { return (Descriptor & (0x80 >> byte)) != 0; }
};

// The documented instruction set less ED 4F, ED 5F and DD/FD CB d 3E; no two rows accept the same
// bytes, so which row matches never depends on their order.
extern const std::span<const MnemonicRow> MnemonicTable;

// At most 16 characters: four address digits, then the instruction text.
using DisassemblyLine = std::string;

struct DecodedInstruction {
  const MnemonicRow* Row;  // nullptr when no row matches
  int Length;              // the row's length, or 1 when no row matches
  uint8_t Bytes[4];        // the four bytes at the address; past FFFF they wrap to 0000
};

struct DisassembledInstruction {
  DisassemblyLine Text;
  int Length;
};

// Always reads four bytes, whatever the instruction's length.
DecodedInstruction DecodeInstruction(const uint8_t* memory, uint16_t address);
// The row's text is cut to the line's 16 characters before the operands are filled in, so the
// longest index rows lose their last character. Without a row the line shows "DB " and the byte.
DisassemblyLine FormatDisassemblyLine(uint16_t address, const MnemonicRow* row, const uint8_t bytes[4]);
// memory is the whole 64 KB image.
DisassembledInstruction Disassemble(const uint8_t* memory, uint16_t address);

// Called with the progress bar's new percentage (0-100) each time it moves.
using SweepProgress = std::function<void(int percent)>;

// The listing of addresses 0 up to and including romLimit, one line per instruction as the
// disassembler window shows it. Two passes, counting then filling, so the lines are allocated once;
// progress over both passes rises once from 0 to 100 in steps of just over 5.
std::vector<DisassemblyLine> DisassembleRomArea(const uint8_t* memory, uint16_t romLimit,
                                                const SweepProgress& progress = {});

}  // namespace tirvane
