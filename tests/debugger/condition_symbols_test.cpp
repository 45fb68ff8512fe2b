// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "debugger/condition.h"
#include "debugger/symbols.h"
#include "debugger/watchpoints.h"

namespace tirvane {
namespace {

std::string ReadProgramFile(const std::string& name) {
  std::ifstream file(std::string(TIRVANE_DEBUGGER_PROGRAMS) + "/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(Conditions, GoodConditionsReadRegistersFlagsMemoryAndLabels) {
  SymbolTable symbols;
  symbols.Add("main", 0x0100);
  static uint8_t memory[0x10000] = {};
  memory[0x8000] = 1;
  memory[0x9005] = 0xFF;
  Z80Context z{};
  z.AF.w = 0x0300 | FlagZ;
  z.BC.w = 0x1001;
  z.HL.w = 0x8000;
  z.IX.w = 0x9000;
  z.AltDE.w = 0x1234;
  const std::pair<const char*, bool> cases[] = {
      {"A = 3 and (HL) <> 0 and Z", true},
      {"BC > 1000h", true},
      {"(IX+5) = 0FFh", true},
      {"C", false},  // the carry flag
      {"C = 1", true},  // the register
      {"NZ or A = 4", false},
      {"not (A = 3)", false},
      {"(A = 4 or B = 10h) and Z", true},
      {"main = 100h && PC < main", true},
      {"HL - 1 = 7FFFh", true},
      {"$10 + %11 + 0x1 + 2 = 22", true},
      {"DE' = 1234h", true},
      {"(HL+1)", false},
      {"~A & 0FFh = 0FCh", true},
      {"A <= 3 and A >= 3 and B <= 10h", true},
      {"A <= 2 or A >= 4", false},
      {"  ", true},
  };
  for (const auto& [text, expected] : cases) {
    ConditionError error;
    const auto condition = Condition::Parse(text, &symbols, error);
    ASSERT_TRUE(condition) << text << ": " << error.Text();
    EXPECT_EQ(condition->Evaluate(z, memory), expected) << text;
  }
}

TEST(Conditions, MalformedConditionsAreRefusedWithThePosition) {
  const std::pair<const char*, int> cases[] = {
      {"A = ", 5}, {"A = 3 and", 10}, {"(HL", 4}, {"nosuch = 1", 1}, {"A # 3", 3},
      {"A = 3 3", 7}, {"Z + 1", 3}, {"A = (B = 1)", 3}, {"12G = 1", 1}, {"and", 1},
  };
  for (const auto& [text, position] : cases) {
    ConditionError error;
    EXPECT_FALSE(Condition::Parse(text, nullptr, error)) << text;
    EXPECT_EQ(error.Position, position) << text << ": " << error.Text();
    EXPECT_FALSE(error.Message.empty());
  }
  ConditionError error;
  EXPECT_FALSE(Condition::Parse(std::string(5000, '('), nullptr, error));
  EXPECT_NE(error.Message.find("nested"), std::string::npos);
}

TEST(Symbols, EachToolsFileLoadsByItsContent) {
  struct Case {
    const char* File;
    SymbolFormat Format;
    const char* Name;
  };
  const Case cases[] = {
      {"stepping.sym", SymbolFormat::PasmoTable, "after_inner_call"},
      {"stepping.lbl", SymbolFormat::Z80asmLabels, "after_inner_call"},
      {"symbols.noi", SymbolFormat::SdccNoi, "_helper"},
      {"symbols.map", SymbolFormat::SdccMap, "_helper"},
  };
  SymbolTable pasmo, sdcc;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    SymbolTable table;
    std::string text = ReadProgramFile(c.File);
    const SymbolLoadResult clean = ParseSymbols(text, table);
    ASSERT_TRUE(clean.Ok) << clean.Message;
    EXPECT_EQ(clean.Format, c.Format);
    EXPECT_EQ(clean.Skipped, 0);
    ASSERT_TRUE(table.Find(c.Name));
    // Both assemblers and both sdcc files agree on every address.
    SymbolTable& reference =
        c.Format == SymbolFormat::PasmoTable || c.Format == SymbolFormat::Z80asmLabels ? pasmo : sdcc;
    if (reference.Empty()) {
      reference = table;
    } else {
      for (const auto& symbol : reference.All()) EXPECT_EQ(table.Find(symbol.Name), symbol.Address) << symbol.Name;
    }
    // Two broken lines in the middle are skipped and counted; the rest still loads.
    const size_t middle = text.find('\n', text.size() / 2) + 1;
    if (c.Format == SymbolFormat::SdccMap) {
      text.insert(text.rfind('\n', text.find("_helper")) + 1, "     0000XYZW  _bad1\n     00000210  _bad2 x y\n");
    } else {
      text.insert(middle, "this is not a symbol\n" + std::string(c.Format == SymbolFormat::SdccNoi ? "DEF x 12\n" : "x EQU\n"));
    }
    SymbolTable broken;
    const SymbolLoadResult result = ParseSymbols(text, broken);
    EXPECT_TRUE(result.Ok);
    EXPECT_EQ(result.Skipped, 2) << result.Message;
    EXPECT_EQ(result.Loaded, clean.Loaded);
    EXPECT_NE(result.Message.find("2 malformed lines skipped"), std::string::npos);
  }
  EXPECT_EQ(sdcc.Find("_counter"), 0x8000);
  EXPECT_GE(sdcc.Find("_main").value_or(0), 0x0200);
  EXPECT_FALSE(sdcc.Find("l__CODE"));  // a length, not a place
}

TEST(Symbols, TextOfNoKnownFormLoadsNothing) {
  SymbolTable table;
  const SymbolLoadResult result = ParseSymbols("hello\nworld\n", table);
  EXPECT_FALSE(result.Ok);
  EXPECT_TRUE(table.Empty());
  EXPECT_FALSE(LoadSymbolFile("/nonexistent/file.sym", table).Ok);
}

TEST(Symbols, AddressesLabelsAndOperandsReadBothWays) {
  SymbolTable symbols;
  symbols.Add("Start", 0x0150);
  symbols.Add("score", 0x8000);
  symbols.Add("Loop", 0x0200);
  symbols.Add("LOOP", 0x0210);
  const std::pair<const char*, std::optional<uint16_t>> addresses[] = {
      {"start", 0x0150}, {"Start", 0x0150}, {"8000", 0x8000}, {"0FFFFh", 0xFFFF}, {"$1F", 0x1F},
      {"0x10", 0x10},    {" 12 ", 0x12},    {"10000", std::nullopt}, {"xyz", std::nullopt}, {"", std::nullopt},
      {"LOOP", 0x0210},  {"loop", std::nullopt},  // two labels match it: refused, not the first
      {"BEEF", 0x1234},  {"$BEEF", 0xBEEF}, {"#BEEF", 0xBEEF}, {"0xBEEF", 0xBEEF}, {"0BEEFh", 0xBEEF},
      {"FFh", 0xFF},     {"pc", 0x4321},    {"DE", 0x5678},  {"$DE", 0xDE},
  };
  symbols.Add("BEEF", 0x1234);
  Z80Context registers{};
  registers.PC.w = 0x4321;
  registers.DE.w = 0x5678;
  for (const auto& [text, expected] : addresses) EXPECT_EQ(ParseAddress(text, &symbols, &registers), expected) << text;
  EXPECT_EQ(ParseAddress("DE", &symbols), 0xDE);  // without a machine, a pair's name is only digits
  const std::pair<const char*, std::optional<std::tuple<int, uint16_t, uint16_t>>> ranges[] = {
      {"5:C000-DAFF", std::tuple{5, 0xC000, 0xDAFF}}, {"7:score", std::tuple{7, 0x8000, 0x8000}},
      {"score-8010", std::tuple{-1, 0x8000, 0x8010}}, {"x:C000", std::nullopt}, {"123:C000", std::nullopt},
      {":C000", std::nullopt},
  };
  for (const auto& [text, expected] : ranges) {
    const auto range = ParsePagedRange(text, &symbols);
    ASSERT_EQ(range.has_value(), expected.has_value()) << text;
    if (range)
      EXPECT_EQ(std::tuple(range->Page ? int{*range->Page} : -1, range->First, range->Last), *expected) << text;
  }
  EXPECT_EQ(WithLabels("CALL 0150", symbols), "CALL Start");
  EXPECT_EQ(WithLabels("LD A,(8000)", symbols), "LD A,(score)");
  EXPECT_EQ(WithLabels("LD A,80", symbols), "LD A,80");
  EXPECT_EQ(ParseAddressRange("score-8010", &symbols), std::make_pair(uint16_t{0x8000}, uint16_t{0x8010}));
  EXPECT_FALSE(ParseAddressRange("8010-8000", &symbols));
}

}  // namespace
}  // namespace tirvane
