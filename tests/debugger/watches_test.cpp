// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/watches.h"

#include <gtest/gtest.h>

#include <vector>

#include "machine/description.h"

namespace tirvane {
namespace {

struct Machine {
  Z80Context z{};
  std::vector<uint8_t> memory = std::vector<uint8_t>(0x10000, 0);
};

std::vector<std::string> Labels(const WatchList& list) {
  std::vector<std::string> labels;
  for (int i = 0; i < list.Count(); ++i) labels.push_back(WatchLabel(list.At(i)));
  return labels;
}

TEST(Watches, AFreshListHoldsTheSevenDefaultsWithTheirLabels) {
  WatchList list;
  EXPECT_EQ(Labels(list), (std::vector<std::string>{"bptr [BC]", "bptr [DE]", "bptr [HL]", "bptr [IX+00]",
                                                    "bptr [IY+00]", "bptr [PC]", "wptr [SP]"}));
  EXPECT_EQ(list.At(0).Text, "0000,00,0,0,0,????");
  EXPECT_EQ(list.ValueText(0), "");  // nothing sampled yet
}

TEST(Watches, EachKindWatchesItsRegisterOrAddress) {
  Machine m;
  m.z.BC.w = 0x0100;
  m.z.DE.w = 0x0200;
  m.z.HL.w = 0x0300;
  m.z.PC.w = 0x0400;
  m.z.SP.w = 0x0500;
  for (int i = 1; i <= 5; ++i) m.memory[static_cast<size_t>(i) << 8] = static_cast<uint8_t>(0x10 * i);
  m.memory[0x0501] = 0xAB;
  m.memory[0x1234] = 0x77;

  WatchList list;
  list.Append("1234,00,5,0,0,?????");
  list.Append("1234,00,9,0,0,?????");  // an unknown kind watches the address, without an address part
  list.Sample(m.z, m.memory.data());
  EXPECT_EQ(list.ValueText(0), "10");
  EXPECT_EQ(list.ValueText(1), "20");
  EXPECT_EQ(list.ValueText(2), "30");
  EXPECT_EQ(list.ValueText(5), "40");
  EXPECT_EQ(list.ValueText(6), "AB50");
  EXPECT_EQ(list.ValueText(7), "77");
  EXPECT_EQ(WatchLabel(list.At(7)), "bptr [1234]");
  EXPECT_EQ(list.ValueText(8), "77");
  EXPECT_EQ(WatchLabel(list.At(8)), "bptr ");
}

TEST(Watches, IndexDisplacementIsSignedAndAddressesWrapAt16Bits) {
  Machine m;
  m.z.IY.w = 0x2010;
  m.z.IX.w = 0xFFF0;
  m.memory[0x2000] = 0x5A;  // IY - 16
  m.memory[0x0010] = 0xC3;  // IX + 20h wraps past FFFF
  m.memory[0xFFFF] = 0x34;
  m.memory[0x0000] = 0x12;

  const Watch iy = ParseWatch("0000,F0,4,0,0,????");
  EXPECT_EQ(WatchLabel(iy), "bptr [IY+F0]");
  EXPECT_EQ(EffectiveAddress(iy, m.z), 0x2000);
  EXPECT_EQ(SampleWatch(iy, m.z, m.memory.data()), 0x5A);

  const Watch ix = ParseWatch("0000,20,3,0,0,????");
  EXPECT_EQ(SampleWatch(ix, m.z, m.memory.data()), 0xC3);

  m.z.IY.w = 0x0005;  // 0005 - 16 wraps below 0000
  EXPECT_EQ(EffectiveAddress(iy, m.z), 0xFFF5);

  const Watch word = ParseWatch("FFFF,00,5,0,1,?????");  // second byte at 0000
  EXPECT_EQ(FormatWatchValue(word, SampleWatch(word, m.z, m.memory.data())), "1234");
}

TEST(Watches, WordWatchReadsLittleEndian) {
  Machine m;
  m.memory[0x1000] = 0x34;
  m.memory[0x1001] = 0x12;
  const Watch word = ParseWatch("1000,00,5,0,1,?????");
  EXPECT_EQ(WatchLabel(word), "wptr [1000]");
  EXPECT_EQ(FormatWatchValue(word, SampleWatch(word, m.z, m.memory.data())), "1234");
}

TEST(Watches, ViewsShowHexadecimalDecimalAndBinary) {
  const Watch hexByte = ParseWatch("0,0,5,0,0,?");
  const Watch decimalByte = ParseWatch("0,0,5,1,0,?");
  const Watch binaryByte = ParseWatch("0,0,5,2,0,?");
  const Watch decimalWord = ParseWatch("0,0,5,1,1,?");
  const Watch binaryWord = ParseWatch("0,0,5,2,1,?");
  EXPECT_EQ(FormatWatchValue(hexByte, 0x0A), "0A");
  EXPECT_EQ(FormatWatchValue(decimalByte, 0xFF), "255");
  EXPECT_EQ(FormatWatchValue(binaryByte, 0x05), "00000101");
  EXPECT_EQ(FormatWatchValue(decimalWord, 0x1234), "4660");
  EXPECT_EQ(FormatWatchValue(binaryWord, 0x8001), "1000000000000001");
}

TEST(Watches, MissingTypeShowsQuestionMarksAndOtherTypeTextsMeanWord) {
  Machine m;
  const Watch untyped = ParseWatch("1000,00,2");
  EXPECT_EQ(untyped.Type, WatchType::None);
  EXPECT_EQ(WatchLabel(untyped), "???[HL]");
  EXPECT_EQ(FormatWatchValue(untyped, SampleWatch(untyped, m.z, m.memory.data())), "????");
  EXPECT_EQ(ParseWatch("1000,00,2,0,7").Type, WatchType::Word);
}

TEST(Watches, FieldsAreCutToSevenCharacters) {
  const Watch watch = ParseWatch("123456789,00,5,0,0,?????");
  EXPECT_EQ(watch.AddressText, "1234567");
  EXPECT_EQ(watch.Address, 0x4567);  // the value cut to 16 bits
  EXPECT_EQ(WatchLabel(watch), "bptr [1234567]");
}

TEST(Watches, DialogTextsRoundTripThroughTheParser) {
  const std::string text = NewWatchText("C000", "FE", WatchKind::IndexY, WatchView::Binary, WatchType::Word);
  EXPECT_EQ(text, "C000,FE,4,2,1,?????");
  const Watch watch = ParseWatch(text);
  EXPECT_EQ(watch.Kind, WatchKind::IndexY);
  EXPECT_EQ(watch.Displacement, -2);
  EXPECT_EQ(watch.View, WatchView::Binary);
}

TEST(Watches, EveryWatchGetsAValueBeyondThirtyTwo) {
  Machine m;
  WatchList list;
  for (int i = 0; i < 40; ++i) {
    list.Append(
        NewWatchText(FormatHex(0x100 + i, 4), "00", WatchKind::Address, WatchView::Hexa, WatchType::Byte));
    m.memory[static_cast<size_t>(0x100 + i)] = static_cast<uint8_t>(0xC0 + i);
  }
  list.Sample(m.z, m.memory.data());
  EXPECT_EQ(list.ValueText(7 + 39), "E7");
  EXPECT_EQ(list.ValueText(7 + 31), "DF");
}

TEST(Watches, AddedWatchShowsTheValueLastStoredAtItsPositionUntilTheNextSample) {
  Machine m;
  m.memory[0] = 0x42;
  WatchList list;
  list.Append("0000,00,5,0,0,?????");
  list.Sample(m.z, m.memory.data());
  list.RemoveAt(7);
  list.Append("0000,00,5,1,0,?????");
  EXPECT_EQ(list.ValueText(7), "42");  // the old one's
  list.Append("0000,00,5,0,0,?????");
  EXPECT_EQ(list.ValueText(8), "");  // never stored
  list.Sample(m.z, m.memory.data());
  EXPECT_EQ(list.ValueText(7), "66");
  EXPECT_EQ(list.ValueText(8), "42");
}

}  // namespace
}  // namespace tirvane
