// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "debugger/disassembler.h"

namespace tirvane {
namespace {

// The group a row belongs to: its prefix byte, or 0 for unprefixed rows.
int Group(const MnemonicRow& row) { return row.IsFixed(1) ? row.Code[0] : 0; }

TEST(MnemonicTable, HoldsTheDocumentedRowsPerGroup) {
  std::map<int, int> perGroup;
  int thirteen = 0;
  for (const MnemonicRow& row : MnemonicTable) {
    ++perGroup[Group(row)];
    if (row.TextLength == 13) ++thirteen;
    EXPECT_LE(row.TextLength, 13) << row.text();
  }
  EXPECT_EQ(perGroup[0], 252);  // every opcode but the four prefixes
  EXPECT_EQ(perGroup[0xCB], 248);
  EXPECT_EQ(perGroup[0xED], 54);
  EXPECT_EQ(perGroup[0xDD], 69);
  EXPECT_EQ(perGroup[0xFD], 69);
  EXPECT_EQ(MnemonicTable.size(), 692u);
  EXPECT_EQ(thirteen, 56);  // the rows whose text the 16-character line cuts
}

TEST(MnemonicTable, EveryRowIsWellFormed) {
  for (const MnemonicRow& row : MnemonicTable) {
    SCOPED_TRACE(std::string(row.text()));
    ASSERT_GE(row.Length(), 1);
    ASSERT_LE(row.Length(), 4);
    EXPECT_TRUE(row.IsFixed(0));
    int operandBytes = 0;
    for (int i = 0; i < 4; ++i) {
      if (i >= row.Length()) {
        EXPECT_FALSE(row.IsFixed(i));
      } else if (!row.IsFixed(i)) {
        ++operandBytes;
      }
      if (!row.IsFixed(i)) {
        EXPECT_EQ(row.Code[i], 0);
      }
    }
    // Placeholders account for exactly the operand bytes: a wrong length would show here.
    std::string text(row.text());
    int placeholderBytes = 0;
    for (size_t at = text.find('#'); at != std::string::npos; at = text.find('#', at)) {
      size_t end = text.find_first_not_of('#', at);
      size_t run = (end == std::string::npos ? text.size() : end) - at;
      EXPECT_TRUE(run == 2 || run == 4);
      placeholderBytes += static_cast<int>(run / 2);
      at += run;
    }
    EXPECT_EQ(placeholderBytes, operandBytes);
    for (char c : text) {
      bool rstSuffix = c == 'h' && text.rfind("RST ", 0) == 0;
      EXPECT_TRUE(!(c >= 'a' && c <= 'z') || rstSuffix);
    }
  }
}

TEST(MnemonicTable, GroupsAscendAndNoTwoRowsAcceptTheSameBytes) {
  for (size_t i = 1; i < MnemonicTable.size(); ++i) {
    const MnemonicRow& a = MnemonicTable[i - 1];
    const MnemonicRow& b = MnemonicTable[i];
    if (Group(a) != Group(b)) continue;
    EXPECT_LT(std::vector<uint8_t>(a.Code, a.Code + 4), std::vector<uint8_t>(b.Code, b.Code + 4))
        << a.text() << " before " << b.text();
  }
  for (size_t i = 0; i < MnemonicTable.size(); ++i) {
    for (size_t j = i + 1; j < MnemonicTable.size(); ++j) {
      const MnemonicRow& a = MnemonicTable[i];
      const MnemonicRow& b = MnemonicTable[j];
      bool conflict = false;
      for (int k = 0; k < 4 && !conflict; ++k) {
        conflict = a.IsFixed(k) && b.IsFixed(k) && a.Code[k] != b.Code[k];
      }
      EXPECT_TRUE(conflict) << a.text() << " and " << b.text() << " accept the same bytes";
    }
  }
}

// The plain definition: the first row, in table order, whose fixed bytes agree.
const MnemonicRow* ScanTable(const uint8_t bytes[4]) {
  for (const MnemonicRow& row : MnemonicTable) {
    bool match = true;
    for (int i = 0; i < row.Length() && match; ++i) match = !row.IsFixed(i) || row.Code[i] == bytes[i];
    if (match) return &row;
  }
  return nullptr;
}

TEST(MnemonicTable, DecodingFindsTheRowAPlainScanFinds) {
  std::vector<uint8_t> memory(0x10000, 0);
  auto check = [&](uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    memory[0x8000] = b0;
    memory[0x8001] = b1;
    memory[0x8002] = b2;
    memory[0x8003] = b3;
    DecodedInstruction decoded = DecodeInstruction(memory.data(), 0x8000);
    const MnemonicRow* expected = ScanTable(decoded.Bytes);
    ASSERT_EQ(decoded.Row, expected) << std::hex << int(b0) << ' ' << int(b1) << ' ' << int(b3);
    ASSERT_EQ(decoded.Length, expected ? expected->Length() : 1);
  };
  for (int b0 = 0; b0 < 256; ++b0) {
    for (int b1 = 0; b1 < 256; ++b1) check(uint8_t(b0), uint8_t(b1), 0x05, 0x46);
  }
  for (uint8_t prefix : {0xDD, 0xFD, 0xCB, 0xED}) {
    for (int b3 = 0; b3 < 256; ++b3) check(prefix, 0xCB, 0x80, uint8_t(b3));
  }
}

}  // namespace
}  // namespace tirvane
