// SPDX-License-Identifier: GPL-3.0-or-later
// Every row of the table, assembled with varied operand bytes, is compared with the listing of an
// independent disassembler (Debian's z80dasm): the same address, the same length and, after the
// spelling differences are normalised, the same text. Wrong lengths, operand order or register
// names all show here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/disassembler.h"

namespace tirvane {
namespace {

namespace fs = std::filesystem;

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    fs::path candidate = fs::path(folder) / name;
    std::error_code error;
    if (!folder.empty() && fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return {};
}

std::string Hex(unsigned value, int digits) {
  std::string text;
  for (int i = digits - 1; i >= 0; --i) text += "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsRegister8(const std::string& operand) {
  static const std::vector<std::string> Registers = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};
  return std::find(Registers.begin(), Registers.end(), operand) != Registers.end();
}

// Rewrites one instruction of z80dasm into this disassembler's spelling: operands as bare upper-case
// hexadecimal bytes, relative jumps and index displacements as their raw unsigned byte.
std::string Normalise(std::string text) {
  std::smatch m;
  if (std::regex_match(text, m, std::regex(R"(rst ([0-9a-f]+)(h?))"))) {
    unsigned value = static_cast<unsigned>(std::stoul(m[1], nullptr, m[2].length() ? 16 : 10));
    return "RST " + Hex(value, 2) + "h";
  }
  if (text == "ex af,af'") return "EX AF,AF\"";
  // "$+n": the target relative to the instruction; the byte holds n - 2.
  if (std::regex_search(text, m, std::regex(R"(\$([+-]\d+))"))) {
    int displacement = std::stoi(m[1]) - 2;
    text = m.prefix().str() + Hex(static_cast<unsigned>(displacement) & 0xFF, 2) + m.suffix().str();
  }
  if (std::regex_search(text, m, std::regex(R"(\((i[xy])([+-])0([0-9a-f]{2})h\))"))) {
    unsigned magnitude = static_cast<unsigned>(std::stoul(m[3], nullptr, 16));
    unsigned byte = (m[2] == "-" ? 0x100 - magnitude : magnitude) & 0xFF;
    text = m.prefix().str() + "(" + m[1].str() + "+" + Hex(byte, 2) + ")" + m.suffix().str();
  }
  // z80dasm writes numbers with a leading 0 and a trailing h: 005h, 01234h.
  std::string out;
  std::regex number(R"(\b0([0-9a-f]{2}|[0-9a-f]{4})h\b)");
  auto begin = std::sregex_iterator(text.begin(), text.end(), number);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    out += text.substr(last, static_cast<size_t>(it->position()) - last) + Upper((*it)[1]);
    last = static_cast<size_t>(it->position() + it->length());
  }
  out = Upper(out + text.substr(last));
  // This listing drops the "A," of SBC with a register operand and pads RL and RR on registers.
  if (std::regex_match(out, m, std::regex(R"(SBC A,(.+))")) && IsRegister8(m[1])) return "SBC " + m[1].str();
  if (std::regex_match(out, m, std::regex(R"((RL|RR) (.+))")) && IsRegister8(m[2])) {
    return m[1].str() + "  " + m[2].str();
  }
  return out;
}

struct ReferenceLine {
  unsigned Address;
  int Length;
  std::string Text;
};

std::vector<ReferenceLine> ReadListing(const std::string& path) {
  std::vector<ReferenceLine> lines;
  std::ifstream listing(path);
  std::string line;
  const std::regex comment(R"(;([0-9a-f]{4})\t((?:[0-9a-f]{2} )+))");
  while (std::getline(listing, line)) {
    std::smatch m;
    if (line.empty() || line[0] != '\t' || !std::regex_search(line, m, comment)) continue;
    std::string text = m.prefix().str();
    text.erase(0, text.find_first_not_of('\t'));
    text.erase(text.find_last_not_of("\t ") + 1);
    lines.push_back({static_cast<unsigned>(std::stoul(m[1], nullptr, 16)),
                     static_cast<int>(m[2].length() / 3), text});
  }
  return lines;
}

TEST(DisassemblerCrossCheck, EveryRowAgreesWithZ80dasm) {
  std::string z80dasm = FindProgram("z80dasm");
  if (z80dasm.empty()) {
    // Our setup installs it, so on CI its absence is a broken machine; a developer's run reports the
    // check as skipped rather than passed.
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") FAIL() << "z80dasm is not installed (CI=true)";
    GTEST_SKIP() << "z80dasm is not installed";
  }

  // Operand bytes vary from row to row, so positive and negative displacements and both word halves
  // are exercised; the fixed seed keeps failures reproducible.
  std::mt19937 random(0x280);
  std::vector<uint8_t> program;
  for (const MnemonicRow& row : MnemonicTable) {
    for (int i = 0; i < row.Length(); ++i) {
      program.push_back(row.IsFixed(i) ? row.Code[i] : static_cast<uint8_t>(random()));
    }
  }
  ASSERT_LE(program.size(), 0x10000u);

  fs::path folder = fs::temp_directory_path() / ("tirvane-z80dasm-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  std::string binary = (folder / "rows.bin").string();
  std::string listing = (folder / "rows.asm").string();
  std::ofstream(binary, std::ios::binary)
      .write(reinterpret_cast<const char*>(program.data()), static_cast<std::streamsize>(program.size()));
  std::string command = "'" + z80dasm + "' -a -t -g 0 -o '" + listing + "' '" + binary + "' 2>/dev/null";
  int status = std::system(command.c_str());
  std::vector<ReferenceLine> reference = ReadListing(listing);
  fs::remove_all(folder);
  ASSERT_EQ(status, 0) << command;

  std::vector<uint8_t> memory(0x10000, 0);
  std::copy(program.begin(), program.end(), memory.begin());
  unsigned address = 0;
  for (size_t i = 0; i < std::min(reference.size(), MnemonicTable.size()); ++i) {
    const ReferenceLine& ref = reference[i];
    DisassembledInstruction ours = Disassemble(memory.data(), static_cast<uint16_t>(address));
    ASSERT_EQ(ref.Address, address) << "listings out of step before " << ours.Text;
    ASSERT_EQ(ours.Length, ref.Length) << ours.Text << " vs " << ref.Text;

    std::string expected = Normalise(ref.Text);
    std::string text = ours.Text.substr(4);
    if (MnemonicTable[i].TextLength > 12) {
      // Cut to the line width: what remains must be the beginning of the full text.
      if (text.back() == '#') text.pop_back();
      EXPECT_EQ(expected.rfind(text, 0), 0u) << ours.Text << " vs " << ref.Text;
    } else {
      EXPECT_EQ(text, expected) << "z80dasm: " << ref.Text;
    }
    address += static_cast<unsigned>(ours.Length);
  }
  EXPECT_EQ(reference.size(), MnemonicTable.size());
}

}  // namespace
}  // namespace tirvane
