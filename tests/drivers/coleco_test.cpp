// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO: the video chip's port protocol, registers and table addresses, its frame step, the
// frame routine's interrupts and caption, and the cartridge loader.
#include "drivers/coleco.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "loader_host.h"
#include "video/screen.h"

namespace tirvane {
namespace {

using testing::LoaderHost;
using testing::LoaderHostScope;

constexpr uint8_t Control = 0xBF;
constexpr uint8_t Data = 0xBE;
constexpr uint8_t Ink = 1;  // static system colours
constexpr uint8_t Paper = 7;

void WriteRegister(uint8_t n, uint8_t value) {
  ColecoPortOut(value, Control);
  ColecoPortOut(static_cast<uint8_t>(0x80 | n), Control);
}

void WriteAt(uint16_t address, std::initializer_list<uint8_t> bytes) {
  ColecoPortOut(address & 0xFF, Control);
  ColecoPortOut(static_cast<uint8_t>(0x40 | (address >> 8)), Control);
  for (uint8_t b : bytes) ColecoPortOut(b, Data);
}

uint8_t PixelAt(int x, int y) { return Screen->Pixels[y * BitmapStride + x]; }

class ColecoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(MemoryImage, 0, MemoryImageSize);
    for (Z80Context& context : Z80Contexts) context = Z80Context{};
    ActiveContext = &Z80Contexts[0];
    std::memset(Coleco.Video.Memory, 0, sizeof Coleco.Video.Memory);
    Game = GameDescription{};
    ColecoInitialise(nullptr);
    CreateScreenBitmap();
  }
  void TearDown() override { FreeScreenBitmap(); }

  // Graphics II as our BIOS sets it: names at 3800h, patterns at 0000h.
  void EnterGraphicsTwo(uint8_t r1 = 0x00) {
    WriteRegister(0, 0x02);
    WriteRegister(1, r1);
    WriteRegister(2, 0x0E);
    WriteRegister(4, 0x03);
  }

  LoaderHostScope scope_;
};

TEST_F(ColecoTest, ResetStateAndStatusReads) {
  Coleco.Video.ReadAddress = 0x1234;
  ResetVdp();
  EXPECT_EQ(Coleco.Video.R[0], 0x00);
  EXPECT_EQ(Coleco.Video.R[1], 0x10);
  EXPECT_EQ(Coleco.Video.ScreenMode, 0);
  EXPECT_EQ(Coleco.Video.WriteAddress, 0);
  EXPECT_EQ(Coleco.Video.ReadAddress, 0x1234) << "the read address survives a reset";
  EXPECT_EQ(ColecoPortIn(0x00BF), 0x9F);
  EXPECT_EQ(ColecoPortIn(0x12BF), 0x1F) << "the first read cleared bits 7 and 5";
  EXPECT_EQ(ColecoPortIn(0x00A1), 0x1F) << "every odd port of A0h-BFh is the status port";
}

TEST_F(ColecoTest, ControlPairSetsTheWriteAddressAndDataAdvances) {
  ColecoPortOut(0x00, Control);
  ColecoPortOut(0x40, Control);
  EXPECT_EQ(Coleco.Video.WriteAddress, 0x0000);
  ColecoPortOut(0x11, Data);
  ColecoPortOut(0x22, 0xA2);  // any even port of A0h-BFh is the data port
  EXPECT_EQ(Coleco.Video.Memory[0x0000], 0x11);
  EXPECT_EQ(Coleco.Video.Memory[0x0001], 0x22);

  WriteAt(0x3FFF, {0x33, 0x44});
  EXPECT_EQ(Coleco.Video.Memory[0x3FFF], 0x33);
  EXPECT_EQ(Coleco.Video.Memory[0x0000], 0x44) << "video memory wraps at 16 KB";

  ColecoPortOut(0x34, Control);
  ColecoPortOut(0xFF, Control);  // a second byte of C0h-FFh does nothing
  EXPECT_EQ(Coleco.Video.WriteAddress, 0x0001);
  EXPECT_EQ(Coleco.Video.Latch, 1);
}

TEST_F(ColecoTest, ControlPairSetsTheReadAddressAndDataReadsAdvanceAndWrap) {
  Coleco.Video.Memory[0x2A55] = 0xAB;
  Coleco.Video.Memory[0x2A56] = 0xCD;
  ColecoPortOut(0x55, Control);
  ColecoPortOut(0x2A, Control);
  EXPECT_EQ(ColecoPortIn(0x00BE), 0xAB);
  EXPECT_EQ(ColecoPortIn(0x00BE), 0xCD);
  Coleco.Video.Memory[0x3FFF] = 0x01;
  Coleco.Video.Memory[0x0000] = 0x02;
  ColecoPortOut(0xFF, Control);
  ColecoPortOut(0x3F, Control);
  EXPECT_EQ(ColecoPortIn(0x00BE), 0x01);
  EXPECT_EQ(ColecoPortIn(0x00BE), 0x02);
}

TEST_F(ColecoTest, DataWriteBetweenControlBytesIsLost) {
  WriteAt(0x0100, {});
  ColecoPortOut(0x00, Control);  // first half of a pair
  ColecoPortOut(0x99, Data);
  EXPECT_EQ(Coleco.Video.Memory[0x0100], 0x00);
  EXPECT_EQ(Coleco.Video.WriteAddress, 0x0100);
  ColecoPortOut(0x42, Control);  // the pair completes: write address 0200h
  ColecoPortOut(0x77, Data);
  EXPECT_EQ(Coleco.Video.Memory[0x0200], 0x77);
}

TEST_F(ColecoTest, StatusReadMakesTheNextControlByteAFirstByte) {
  ColecoPortOut(0x12, Control);
  ColecoPortIn(0x00BF);
  ColecoPortOut(0x00, Control);
  ColecoPortOut(0x41, Control);
  EXPECT_EQ(Coleco.Video.WriteAddress, 0x0100);
}

TEST_F(ColecoTest, ModeBitsSelectTheModeAndItsTableMasks) {
  WriteRegister(2, 0xFF);
  WriteRegister(3, 0xFF);
  WriteRegister(4, 0x03);
  WriteRegister(5, 0xFF);
  EXPECT_EQ(Coleco.Video.ScreenMode, 0);
  EXPECT_EQ(Coleco.Video.ColourTable, 0x0000) << "text mode has no colour table";
  EXPECT_EQ(Coleco.Video.SpriteAttributeTable, 0x0000);
  EXPECT_EQ(Coleco.Video.NameTable, 0xFC00);
  EXPECT_EQ(Coleco.Video.PatternTable, 0x1800);

  WriteRegister(0, 0x02);  // R1 = 10h still selects text
  EXPECT_EQ(Coleco.Video.ScreenMode, 0);
  WriteRegister(1, 0x00);
  EXPECT_EQ(Coleco.Video.ScreenMode, 2);
  EXPECT_EQ(Coleco.Video.PatternTable, 0x0000) << "R4 03h under the graphics II mask 3Ch";
  EXPECT_EQ(Coleco.Video.ColourTable, 0x2000) << "R3 FFh under the graphics II mask 80h";
  EXPECT_EQ(Coleco.Video.SpriteAttributeTable, 0x7F80);

  WriteRegister(0, 0x00);
  EXPECT_EQ(Coleco.Video.ScreenMode, 1);
  EXPECT_EQ(Coleco.Video.PatternTable, 0x1800);
  EXPECT_EQ(Coleco.Video.ColourTable, 0x3FC0);
  WriteRegister(1, 0x08);
  EXPECT_EQ(Coleco.Video.ScreenMode, 3);
  EXPECT_EQ(Coleco.Video.ColourTable, 0x0000);
  WriteRegister(1, 0x18);  // no mode has both bits: the mode stays
  EXPECT_EQ(Coleco.Video.ScreenMode, 3);
  EXPECT_EQ(Coleco.Video.R[1], 0x18);
  WriteRegister(1, 0x10);
  EXPECT_EQ(Coleco.Video.ScreenMode, 0);

  WriteRegister(6, 0xFF);
  EXPECT_EQ(Coleco.Video.SpritePatternTable, 0xF800);
  WriteRegister(7, 0xF4);
  EXPECT_EQ(Coleco.Video.Foreground, 0x0F);
  EXPECT_EQ(Coleco.Video.Background, 0x04);
  WriteRegister(15, 0x21);  // register numbers wrap at eight
  EXPECT_EQ(Coleco.Video.R[7], 0x21);
}

TEST_F(ColecoTest, GraphicsTwoDrawsEachThirdFromItsOwnPatternsInTwoColours) {
  EnterGraphicsTwo();
  WriteAt(0x3800 + 256 * 0 + 0, {0x05});            // third 0, cell (0, 0): name 5
  WriteAt(0x3800 + 256 * 2 + 7 * 32 + 31, {0x05});  // third 2, bottom-right cell: name 5
  WriteAt(0x0000 + 8 * 5, {0x80, 0x01});            // third 0 patterns
  WriteAt(0x1000 + 8 * 5 + 7, {0xC3});              // third 2 patterns, last line
  ASSERT_FALSE(VdpFrameStep());
  EXPECT_EQ(PixelAt(0, 0), Ink);
  EXPECT_EQ(PixelAt(1, 0), Paper);
  EXPECT_EQ(PixelAt(7, 1), Ink);
  EXPECT_EQ(PixelAt(6, 1), Paper);
  EXPECT_EQ(PixelAt(0, 7), Paper);
  EXPECT_EQ(PixelAt(248, 191), Ink);
  EXPECT_EQ(PixelAt(250, 191), Paper);
  EXPECT_EQ(PixelAt(255, 191), Ink);
  EXPECT_EQ(PixelAt(248, 184), Paper) << "third 2 does not use third 0's patterns";
  EXPECT_EQ(PixelAt(128, 100), Paper);
}

TEST_F(ColecoTest, GraphicsOneDrawsEveryThirdFromOnePatternTable) {
  WriteRegister(1, 0x00);
  WriteRegister(2, 0x0E);
  WriteRegister(4, 0x01);  // patterns at 0800h
  ASSERT_EQ(Coleco.Video.ScreenMode, 1);
  WriteAt(0x3800 + 700, {0x09});  // row 21, column 28
  WriteAt(0x0800 + 8 * 9 + 2, {0x0F});
  VdpFrameStep();
  EXPECT_EQ(PixelAt(28 * 8 + 3, 21 * 8 + 2), Paper);
  EXPECT_EQ(PixelAt(28 * 8 + 4, 21 * 8 + 2), Ink);
}

TEST_F(ColecoTest, FrameStepSetsTheFrameFlagAndRaisesTheInterruptWhenEnabled) {
  ColecoPortIn(0x00BF);
  Coleco.Video.Status = 0x3F;
  EXPECT_FALSE(VdpFrameStep());
  EXPECT_EQ(Coleco.Video.Status, 0x9F) << "bit 7 set, bit 5 cleared";
  EnterGraphicsTwo(0x20);
  EXPECT_TRUE(VdpFrameStep());
}

TEST_F(ColecoTest, FrameEndingBetweenControlBytesDrawsNothingAndRaisesNoNmi) {
  EnterGraphicsTwo(0x20);
  WriteAt(0x0000, {0xFF});
  ColecoPortIn(0x00BF);
  const uint8_t status = Coleco.Video.Status;
  ColecoPortOut(0x00, Control);  // half a pair
  ActiveContext->NmiRequest = 0;
  ColecoFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);
  EXPECT_EQ(ActiveContext->IrqState.Value, 0u) << "the maskable interrupt is allowed anyway";
  EXPECT_EQ(Coleco.Video.Status, status);
  EXPECT_EQ(PixelAt(0, 0), 0) << "nothing drawn";
  ColecoPortOut(0x40, Control);
  ColecoFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 1u);
  EXPECT_EQ(PixelAt(0, 0), Ink);
}

TEST_F(ColecoTest, FrameRoutinePresentsAndTheCaptionNamesTheScreenMode) {
  ColecoFrame();
  EXPECT_STREQ(ColecoCaption(), " mode 0");
  EnterGraphicsTwo();
  ColecoFrame();
  EXPECT_STREQ(ColecoCaption(), " mode 2");
  EXPECT_TRUE(scope_.host().Captions.empty()) << "the run sets the caption, not the board";
  EXPECT_EQ(scope_.host().Presents, 2);
}

TEST_F(ColecoTest, OtherPortsAreControllersAndSound) {
  const VideoChip before = Coleco.Video;
  for (int port : {0x00, 0x80, 0x9F, 0xC0, 0xE0, 0xFC, 0xFF}) {
    ColecoPortOut(0x5A, static_cast<uint8_t>(port));
    EXPECT_EQ(ColecoPortIn(static_cast<uint16_t>(0xFF00 | port)), 0xFF) << port;
  }
  EXPECT_EQ(std::memcmp(&before, &Coleco.Video, sizeof Coleco.Video), 0);
}

TEST_F(ColecoTest, MemoryIsPlainEverywhere) {
  ColecoWrite(0x12, 0x6000);
  ColecoWrite(0x34, 0x7FFF);
  ColecoWrite(0x56, 0x0000);  // the core keeps the BIOS: writes below RomLimit never get here
  EXPECT_EQ(ColecoRead(0x6000), 0x12);
  EXPECT_EQ(ColecoRead(0x7FFF), 0x34);
  EXPECT_EQ(ColecoRead(0x0000), 0x56);
  EXPECT_EQ(ColecoRead(0x4000), 0x00) << "6000h-7FFFh is not mirrored";
}

TEST_F(ColecoTest, CartridgeLoadsAt8000WithoutAReset) {
  std::vector<uint8_t> cartridge(0x8000);
  for (size_t i = 0; i < cartridge.size(); ++i) cartridge[i] = static_cast<uint8_t>(i * 7 + 1);
  ActiveContext->PC.w = 0x0123;
  ActiveContext->SP.w = 0x7FF0;
  ASSERT_TRUE(LoadCartridgeFile(scope_.WriteFile("full.col", cartridge)).Ok);
  EXPECT_EQ(std::memcmp(MemoryImage + 0x8000, cartridge.data(), cartridge.size()), 0);
  EXPECT_EQ(MemoryImage[0x7FFF], 0x00);
  EXPECT_EQ(ActiveContext->PC.w, 0x0123);
  EXPECT_EQ(ActiveContext->SP.w, 0x7FF0);
  EXPECT_TRUE(scope_.host().Messages.empty());
}

TEST_F(ColecoTest, OversizeCartridgeIsRefusedAndNothingLoads) {
  const std::vector<uint8_t> cartridge(0x8001, 0xEE);
  const std::string path = scope_.WriteFile("big.col", cartridge);
  const LoadResult refused = LoadCartridgeFile(path);
  EXPECT_FALSE(refused.Ok);
  for (uint32_t address = 0x8000; address <= 0xFFFF; ++address) ASSERT_EQ(MemoryImage[address], 0) << address;
  EXPECT_EQ(MemoryImage[0x0000], 0) << "nothing wrapped round to the BIOS";
  EXPECT_NE(refused.Message.find(path), std::string::npos);
  EXPECT_NE(refused.Message.find("32769 bytes"), std::string::npos);
  EXPECT_EQ(LoadCartridgeFile(scope_.PathOf("absent.col")).Message, "Failed opening cartridge:\r" + scope_.PathOf("absent.col"));
  EXPECT_TRUE(scope_.host().Messages.empty()) << "the view shows the reason";
}

TEST_F(ColecoTest, EmptyOrAllZeroCartridgeIsRefusedWithTheReason) {
  MemoryImage[0x8000] = 0x3C;
  const LoadResult empty = LoadCartridgeFile(scope_.WriteFile("empty.col", {}));
  const LoadResult zero = LoadCartridgeFile(scope_.WriteFile("zero.col", std::vector<uint8_t>(0x4000, 0)));
  EXPECT_FALSE(empty.Ok);
  EXPECT_FALSE(zero.Ok);
  EXPECT_EQ(MemoryImage[0x8000], 0x3C);
  EXPECT_NE(empty.Message.find("The file is empty"), std::string::npos);
  EXPECT_NE(zero.Message.find("only zero bytes"), std::string::npos);
}

TEST_F(ColecoTest, CartridgeButtonAsksForCartridges) {
  const FileChoice choice = ColecoFileChoice();
  EXPECT_STREQ(choice.Title, "Coleco ROMs loader");
  EXPECT_STREQ(choice.Filter, "Coleco SnapShots|*.col");
  EXPECT_STREQ(choice.DefaultExtension, "COL");
  EXPECT_STREQ(choice.Pattern, "*.col");
}

}  // namespace
}  // namespace tirvane
