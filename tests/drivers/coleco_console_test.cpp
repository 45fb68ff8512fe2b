// SPDX-License-Identifier: GPL-3.0-or-later
// COLECO with "#video=full": the cartridge header checks, the controllers' ports in both strobe
// modes, and the board's timing of the video chip (lines drawn as the beam passes, the NMI on the
// chip's interrupt edge). References: the console's published port map (controllers on E0h-FFh,
// strobes on 80h and C0h; the keypad codes of the controller's diode matrix) and the TMS9918A data
// manual for the chip.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drivers/coleco.h"
#include "loader_host.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "video/screen.h"

namespace tirvane {
namespace {

using testing::LoaderHostScope;

constexpr uint8_t Control = 0xBF;
constexpr uint32_t FrameCycles = 59736;  // 262 lines of 228 T-states

class ColecoConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(MemoryImage, 0, MemoryImageSize);
    for (Z80Context& context : Z80Contexts) context = Z80Context{};
    ActiveContext = &Z80Contexts[0];
    ActiveContext->FrameLength = FrameCycles;
    KeyState.fill(0);
    Game = GameDescription{};
    Game.Video = "full";
    ColecoInitialise(nullptr);
    CreateScreenBitmap();
  }
  void TearDown() override {
    FreeScreenBitmap();
    KeyState.fill(0);
    Game = GameDescription{};
    ColecoInitialise(nullptr);
  }
  static void Register(uint8_t n, uint8_t value) {
    ColecoPortOut(value, Control);
    ColecoPortOut(static_cast<uint8_t>(0x80 | n), Control);
  }
  static uint8_t PixelAt(int x, int y) { return Screen->Pixels[y * BitmapStride + x]; }

  LoaderHostScope scope_;
};

std::vector<uint8_t> Cartridge(std::initializer_list<uint8_t> head, size_t size) {
  std::vector<uint8_t> bytes(size, 0xC9);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

TEST_F(ColecoConsoleTest, CartridgeHeaderChecks) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Problem;  // empty: loads
  };
  const Case cases[] = {
      {"title first", Cartridge({0x55, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0x24, 0x80}, 0x100), ""},
      {"no title", Cartridge({0xAA, 0x55, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, 0x8000), ""},
      {"empty", {}, "The file is empty"},
      {"all zero", std::vector<uint8_t>(0x2000, 0), "only zero bytes"},
      {"short header", {0xAA, 0x55, 0x0C, 0x80}, "The header is short: 4 bytes"},
      {"wrong signature", Cartridge({0xAA, 0x56}, 0x100), "it begins AA 56, not AA 55 or 55 AA"},
      {"start below", Cartridge({0x55, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x10}, 0x100),
       "The start address 1000h at 800Ah lies outside the cartridge (8000h-80FFh)"},
      {"start past the end", Cartridge({0x55, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x81}, 0x100), "8100h"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string problem = CartridgeProblem(c.Bytes, true);
    if (*c.Problem == 0) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.Problem), std::string::npos) << problem;
    }
  }
  EXPECT_EQ(CartridgeProblem(std::vector<uint8_t>{0x12}, false), "") << "the first board's header is its own";
}

TEST_F(ColecoConsoleTest, RefusedCartridgeLeavesTheOneInPlace) {
  MemoryImage[0x8000] = 0x55;
  MemoryImage[0x8001] = 0xAA;
  MemoryImage[0x8100] = 0x77;
  const LoadResult refused = LoadCartridgeFile(scope_.WriteFile("bad.col", Cartridge({0x12, 0x34}, 0x80)));
  EXPECT_FALSE(refused.Ok);
  EXPECT_EQ(MemoryImage[0x8000], 0x55);
  EXPECT_EQ(MemoryImage[0x8100], 0x77);
  EXPECT_EQ(refused.Message.rfind("Cartridge refused:", 0), 0u);
  EXPECT_NE(refused.Message.find("Nothing was loaded."), std::string::npos);

  ASSERT_TRUE(LoadCartridgeFile(
      scope_.WriteFile("good.col", Cartridge({0xAA, 0x55, 0, 0, 0, 0, 0, 0, 0, 0, 0x0C, 0x80}, 0x40))).Ok);
  EXPECT_EQ(MemoryImage[0x803F], 0xC9);
  EXPECT_EQ(MemoryImage[0x8100], 0xFF) << "past a shorter cartridge the bus reads FFh";
}

TEST_F(ColecoConsoleTest, OneKilobyteOfRamAnswersEightTimesAndTheCartridgeIsRom) {
  ColecoWrite(0x5A, 0x6005);
  for (uint16_t copy = 0x6005; copy < 0x8000; copy += 0x400) EXPECT_EQ(ColecoRead(copy), 0x5A) << copy;
  ColecoWrite(0x77, 0x8000);
  EXPECT_EQ(ColecoRead(0x8000), 0x00);
}

TEST_F(ColecoConsoleTest, ControllersAnswerInTheModeTheLastStrobeChose) {
  using enum VirtualKey;
  struct Case {
    const char* Name;
    std::vector<VirtualKey> Held;
    uint8_t Strobe;  // 80h keypad, C0h joystick
    uint8_t Port;    // FCh controller 1, FFh controller 2
    uint8_t Value;
  };
  const Case cases[] = {
      {"idle joystick", {}, 0xC0, 0xFC, 0x7F},
      {"idle keypad", {}, 0x80, 0xFC, 0x7F},
      {"up and left fire", {Up, Z}, 0xC0, 0xFC, 0x3E},
      {"right and down", {Right, Down}, 0xC0, 0xFC, 0x79},
      {"left, controller 2", {J}, 0xC0, 0xFF, 0x77},
      {"controller 1's stick is not controller 2's", {Left}, 0xC0, 0xFF, 0x7F},
      {"key 1", {D1}, 0x80, 0xFC, 0x7D},
      {"key 0", {D0}, 0x80, 0xFE, 0x7A},  // FEh: A1 = 1, controller 2
      {"star", {Minus}, 0x80, 0xFC, 0x79},
      {"hash", {Equals}, 0x80, 0xFC, 0x76},
      {"right fire in keypad mode", {X}, 0x80, 0xFC, 0x3F},
      {"right fire of controller 2", {M}, 0x80, 0xFF, 0x3F},
      {"fire in the other mode is not seen", {X}, 0xC0, 0xFC, 0x7F},
      {"two keys pull both codes low", {D5, D9}, 0x80, 0xFC, 0x73},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    KeyState.fill(0);
    for (VirtualKey k : c.Held) KeyState[static_cast<int>(k)] = 1;
    ColecoPortOut(0, c.Strobe);
    EXPECT_EQ(ColecoPortIn(c.Port), c.Value);
  }
}

TEST_F(ColecoConsoleTest, RegisterWrittenMidFrameChangesTheLinesBelowTheBeam) {
  Register(1, 0xC0);
  Register(7, 0x04);
  // Line 100 starts 70 lines of border plus 100 visible lines into the frame.
  ActiveContext->CycleCount = (70 + 100) * 228 + 10;
  Register(7, 0x06);
  ActiveContext->CycleCount = FrameCycles;
  ColecoFrame();
  EXPECT_EQ(PixelAt(0, 99), 10 + 4);
  EXPECT_EQ(PixelAt(0, 100), 10 + 6);
  EXPECT_EQ(Screen->Palette[10 + 7], (Rgb{0x42, 0xEB, 0xF5})) << "the chip's cyan";
}

TEST_F(ColecoConsoleTest, NmiFollowsTheChipsInterruptEdge) {
  Register(1, 0xC0);
  ColecoFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 0u) << "interrupt disabled";
  Register(1, 0xE0);
  EXPECT_EQ(ActiveContext->NmiRequest, 1u) << "enabled while the frame flag was set";
  ActiveContext->NmiRequest = 0;
  ColecoFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 0u) << "the flag was never read: no new edge";
  ColecoPortIn(Control);
  ColecoFrame();
  EXPECT_EQ(ActiveContext->NmiRequest, 1u);
}

}  // namespace
}  // namespace tirvane
