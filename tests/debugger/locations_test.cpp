// SPDX-License-Identifier: GPL-3.0-or-later
// "Go to" texts, and walking a listing backwards from any address.
#include <gtest/gtest.h>

#include "debugger/listing.h"
#include "debugger/locations.h"

namespace tirvane {
namespace {

TEST(Locations, RegistersLabelsAndTheHexFormsResolve) {
  Z80Context z{};
  z.PC.w = 0x1234;
  z.SP.w = 0xF000;
  z.IX.w = 0x5880;
  const LabelLookup labels = [](std::string_view name) -> std::optional<uint16_t> {
    if (name == "main" || name == "BEEF") return 0x0150;
    return std::nullopt;
  };
  const struct {
    const char* Text;
    std::optional<uint16_t> Expected;
  } cases[] = {
      {"PC", 0x1234},   {" sp ", 0xF000}, {"ix", 0x5880},   {"38", 0x0038},      {"0038h", 0x0038},
      {"$FFFF", 0xFFFF}, {"0xc000", 0xC000}, {"main", 0x0150}, {"BEEF", 0x0150},  {"", std::nullopt},
      {"12345", std::nullopt}, {"G1", std::nullopt}, {"h", std::nullopt},   {"0x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveLocation(c.Text, z, labels), c.Expected) << c.Text;
  EXPECT_EQ(ResolveLocation("BEEF", z), 0xBEEF);  // no symbols: a number
}

TEST(Listing, BackwardsStepsLandOnTheInstructionsForwardDecodingFinds) {
  static uint8_t memory[0x10000] = {};
  // 0100 LD A,05 / 0102 LD HL,1234 / 0105 LD (IX+02),03 / 0109 NOP; its operand bytes decode as
  // instructions too, so only decoding in step from before finds the real starts.
  const uint8_t code[] = {0x3E, 0x05, 0x21, 0x34, 0x12, 0xDD, 0x36, 0x02, 0x03, 0x00};
  std::copy(std::begin(code), std::end(code), memory + 0x100);
  EXPECT_EQ(PreviousInstruction(memory, 0x0109), 0x0105);
  EXPECT_EQ(PreviousInstruction(memory, 0x0105), 0x0102);
  EXPECT_EQ(PreviousInstruction(memory, 0x0102), 0x0100);
  EXPECT_EQ(ListingStartBefore(memory, 0x0109, 3), 0x0100);
  EXPECT_EQ(PreviousInstruction(memory, 0), 0);
  EXPECT_EQ(ListingStartBefore(memory, 0x0002, 10), 0);  // stops at the start of memory
}

}  // namespace
}  // namespace tirvane
