// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/registers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tirvane {
namespace {

std::vector<std::string> LitFlags(uint8_t f) {
  std::vector<std::string> lit;
  for (const FlagName& flag : FlagNames)
    if (f & flag.Mask) lit.push_back(flag.Name);
  return lit;
}

TEST(RegisterDisplay, FlagNamesFollowTheirBitsOfF) {
  EXPECT_EQ(LitFlags(0xC5), (std::vector<std::string>{"S", "Z", "P/V", "C"}));
  EXPECT_EQ(LitFlags(0x3A), (std::vector<std::string>{"H", "N", "UD5", "UD3"}));
  EXPECT_TRUE(LitFlags(0x00).empty());
}

TEST(RegisterDisplay, PairsShowAsFourUpperCaseDigitsInWindowOrder) {
  Z80Context z{};
  z.AF.w = 0xABC5;
  z.BC.w = 0x0001;
  z.IY.w = 0xFFFF;
  z.SP.w = 0xF000;
  z.PC.w = 0x0A0B;
  const RegisterSnapshot snapshot = RegisterSnapshot::Of(z);
  const auto texts = RegisterTexts(snapshot);
  EXPECT_EQ(texts[0], "ABC5");
  EXPECT_EQ(texts[1], "0001");
  EXPECT_EQ(texts[2], "0000");
  EXPECT_EQ(texts[5], "FFFF");
  EXPECT_EQ(texts[6], "F000");
  EXPECT_EQ(texts[7], "0A0B");
  EXPECT_EQ(snapshot.Flags(), 0xC5);
}

TEST(RepaintPacer, AnswersAtMostOncePerPeriodAndAtOnceAfterAQuietSpell) {
  using namespace std::chrono_literals;
  RepaintPacer pacer(16ms);
  const auto t0 = RepaintPacer::Clock::time_point{} + 1h;
  EXPECT_TRUE(pacer.Due(t0));
  EXPECT_FALSE(pacer.Due(t0 + 1ms));
  EXPECT_FALSE(pacer.Due(t0 + 15ms));
  EXPECT_TRUE(pacer.Due(t0 + 16ms));
  EXPECT_FALSE(pacer.Due(t0 + 20ms));
  EXPECT_TRUE(pacer.Due(t0 + 10s));
}

TEST(RepaintPacer, DisplayPeriodFallsBackTo60HzForUnknownRates) {
  using namespace std::chrono;
  EXPECT_EQ(duration_cast<microseconds>(DisplayPeriod(60.0)).count(), 16666);
  EXPECT_EQ(duration_cast<microseconds>(DisplayPeriod(144.0)).count(), 6944);
  EXPECT_EQ(DisplayPeriod(0.0), DisplayPeriod(60.0));
  EXPECT_EQ(DisplayPeriod(-5.0), DisplayPeriod(60.0));
}

}  // namespace
}  // namespace tirvane
