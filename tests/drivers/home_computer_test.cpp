// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM: write-time drawing, the keyboard matrix on port FEh, the frame interrupt and the
// snapshot loader (snapshots are built here, byte by byte).
#include "drivers/home_computer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "machine/description.h"
#include "machine/romset.h"
#include "loader_host.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {
namespace {

using testing::LoaderHost;
using testing::LoaderHostScope;

constexpr uint8_t Pen(int colour) { return static_cast<uint8_t>(10 + colour); }

uint8_t PixelAt(int x, int y) { return Screen->Pixels[y * BitmapStride + x]; }

class SpectrumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(MemoryImage, 0, MemoryImageSize);
    for (Z80Context& context : Z80Contexts) context = Z80Context{};
    ActiveContext = &Z80Contexts[0];
    Z80Context& z = *ActiveContext;
    const MachineDriver& routines = SpectrumDriver.Routines;
    z.ReadHandler = routines.ReadHandler;
    z.WriteHandler = routines.WriteHandler;
    z.PortOutHandler = routines.PortOutHandler;
    z.PortInHandler = routines.PortInHandler;
    z.FrameHandler = routines.FrameHandler;
    z.MemoryImage = MemoryImage;
    z.RomLimit = 0x4000;
    z.DirectReadLimit = 0xFFFE;
    z.SP.w = 0xF000;
    z.NmiAddress = SpectrumDriver.FixedNmiAddress;
    KeyState.fill(0);
    Game = GameDescription{};
    SpectrumInitialise(nullptr);
    CreateScreenBitmap();
  }
  void TearDown() override {
    FreeScreenBitmap();
    KeyState.fill(0);
  }

  LoaderHostScope scope_;
};

TEST_F(SpectrumTest, WritesBelowTheScreenNeverChangeMemory) {
  MemoryImage[0x0000] = 0xF3;
  MemoryImage[0x3FFF] = 0x12;
  SpectrumWrite(0x55, 0x0000);
  SpectrumWrite(0x55, 0x3FFF);
  EXPECT_EQ(MemoryImage[0x0000], 0xF3);
  EXPECT_EQ(MemoryImage[0x3FFF], 0x12);
  SpectrumWrite(0x55, 0xFFFF);
  SpectrumWrite(0x66, 0x5B00);
  EXPECT_EQ(SpectrumRead(0xFFFF), 0x55);
  EXPECT_EQ(SpectrumRead(0x5B00), 0x66);
}

TEST_F(SpectrumTest, BitmapByteLandsOnItsInterleavedLineInCellColours) {
  // 4D25h: third 1, pixel line 5, character row 1, column 5 -> screen line 64 + 8 + 5.
  const int y = 77;
  const int x = 5 * 8;
  SpectrumWrite(0x0B, 0x5800 + (y / 8) * 32 + 5);  // paper 1, ink 3, not bright
  SpectrumWrite(0xA5, 0x4D25);
  const uint8_t expected[8] = {Pen(3), Pen(1), Pen(3), Pen(1), Pen(1), Pen(3), Pen(1), Pen(3)};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(PixelAt(x + k, y), expected[k]) << "pixel " << k;
  EXPECT_EQ(PixelAt(x - 1, y), 0) << "the neighbour cell was never drawn";
  EXPECT_EQ(PixelAt(x + 8, y), 0);
  EXPECT_TRUE(ScreenDirty);

  // The last byte of the bitmap is the bottom-right corner.
  SpectrumWrite(0x46, 0x5AFF);  // bright, paper 0, ink 6
  SpectrumWrite(0x01, 0x57FF);
  EXPECT_EQ(PixelAt(255, 191), Pen(6 + 8));
  EXPECT_EQ(PixelAt(254, 191), Pen(0 + 8));
}

TEST_F(SpectrumTest, AttributeWriteRepaintsItsCellFromTheBitmap) {
  // Cell row 9, column 3: its eight bitmap bytes are 4823h + 100h * line.
  for (int line = 0; line < 8; ++line)
    SpectrumWrite(static_cast<uint8_t>(0x80 >> line), 0x4823 + 0x100 * line);
  SpectrumWrite(0x7A, 0x5800 + 9 * 32 + 3);  // flash 0, bright, paper 7, ink 2
  for (int line = 0; line < 8; ++line)
    for (int k = 0; k < 8; ++k)
      EXPECT_EQ(PixelAt(24 + k, 72 + line), k == line ? Pen(2 + 8) : Pen(7 + 8)) << line << "," << k;
  EXPECT_EQ(MemoryImage[0x5800 + 9 * 32 + 3], 0x7A);
  EXPECT_EQ(PixelAt(32, 72), 0) << "only the one cell is repainted";

  SpectrumWrite(0xFA, 0x5800 + 9 * 32 + 3);  // the same with flash: flash is ignored
  EXPECT_EQ(PixelAt(24, 72), Pen(2 + 8));
}

// The machine's keyboard as printed on it, half-row by half-row, nearest key to the edge first.
struct HalfRow {
  uint16_t Port;
  VirtualKey Keys[5];
};
constexpr HalfRow Keyboard[8] = {
    {0xFEFE, {VirtualKey::Ctrl, VirtualKey::Z, VirtualKey::X, VirtualKey::C, VirtualKey::V}},
    {0xFDFE, {VirtualKey::A, VirtualKey::S, VirtualKey::D, VirtualKey::F, VirtualKey::G}},
    {0xFBFE, {VirtualKey::Q, VirtualKey::W, VirtualKey::E, VirtualKey::R, VirtualKey::T}},
    {0xF7FE, {VirtualKey::D1, VirtualKey::D2, VirtualKey::D3, VirtualKey::D4, VirtualKey::D5}},
    {0xEFFE, {VirtualKey::D0, VirtualKey::D9, VirtualKey::D8, VirtualKey::D7, VirtualKey::D6}},
    {0xDFFE, {VirtualKey::P, VirtualKey::O, VirtualKey::I, VirtualKey::U, VirtualKey::Y}},
    {0xBFFE, {VirtualKey::Return, VirtualKey::L, VirtualKey::K, VirtualKey::J, VirtualKey::H}},
    {0x7FFE, {VirtualKey::Space, VirtualKey::Shift, VirtualKey::M, VirtualKey::N, VirtualKey::B}},
};

class SpectrumKeyboardRow : public SpectrumTest, public ::testing::WithParamInterface<int> {};

TEST_P(SpectrumKeyboardRow, EachKeyClearsOnlyItsBitInOnlyItsRow) {
  const HalfRow& row = Keyboard[GetParam()];
  for (int bit = 0; bit < 5; ++bit) {
    KeyState.fill(0);
    KeyState[static_cast<int>(row.Keys[bit])] = 1;
    SpectrumFrame();
    EXPECT_EQ(SpectrumPortIn(row.Port), 0xFF & (0x1F & ~(1 << bit)))
        << VirtualKeyName(row.Keys[bit]) << " reads bit " << bit;
    for (const HalfRow& other : Keyboard) {
      if (other.Port == row.Port) continue;
      EXPECT_EQ(SpectrumPortIn(other.Port), 0x1F) << std::hex << other.Port;
    }
  }
  // A key counts only while it is held at the frame that samples it.
  KeyState.fill(0);
  SpectrumFrame();
  EXPECT_EQ(SpectrumPortIn(row.Port), 0x1F);
}

INSTANTIATE_TEST_SUITE_P(HalfRows, SpectrumKeyboardRow, ::testing::Range(0, 8));

TEST_F(SpectrumTest, PortFeCombinesEverySelectedRow) {
  KeyState[static_cast<int>(VirtualKey::Space)] = 1;
  KeyState[static_cast<int>(VirtualKey::Ctrl)] = 1;
  KeyState[static_cast<int>(VirtualKey::D3)] = 1;
  SpectrumFrame();
  EXPECT_EQ(SpectrumPortIn(0x7FFE), 0x1E) << "Space is bit 0 of A15";
  EXPECT_EQ(SpectrumPortIn(0xFEFE), 0x1E) << "Ctrl is caps shift, bit 0 of A8";
  EXPECT_EQ(SpectrumPortIn(0x00FE), 0x1A) << "all rows: Space, Ctrl and 3";
  EXPECT_EQ(SpectrumPortIn(0x7EFE), 0x1E);
  EXPECT_EQ(SpectrumPortIn(0xFFFE), 0xFF) << "no row selected";
  EXPECT_EQ(SpectrumPortIn(0x00FF), 0x00) << "any other port reads 0";
  EXPECT_EQ(SpectrumPortIn(0x001F), 0x00);
}

// The PC keys the matrix lacks arrive as the machine keys that give the same character or edit.
TEST_F(SpectrumTest, PcKeysWithoutAPlaceHoldTheirChord) {
  using enum VirtualKey;
  struct Case {
    std::vector<VirtualKey> Pc;  // as the desktop's key map holds them
    std::vector<VirtualKey> Machine;
  };
  const Case cases[] = {
      {{Backspace}, {Ctrl, D0}},           {{Escape}, {Ctrl, Space}},
      {{Up}, {Ctrl, D7}},                  {{Left}, {Ctrl, D5}},
      {{Shift, D8, Asterisk}, {Shift, B}}, {{Shift, D1, Exclam}, {Shift, D1}},
      {{Minus}, {Shift, J}},               {{Shift, Underscore}, {Shift, D0}},
      {{Shift, Quote}, {Shift, P}},        {{Comma, A}, {Shift, N, A}},
  };
  for (const Case& c : cases) {
    KeyState.fill(0);
    for (VirtualKey key : c.Pc) KeyState[static_cast<int>(key)] = 1;
    SpectrumFrame();
    for (const HalfRow& row : Keyboard) {
      uint8_t expected = 0x1F;
      for (int bit = 0; bit < 5; ++bit)
        for (VirtualKey key : c.Machine)
          if (row.Keys[bit] == key) expected &= static_cast<uint8_t>(~(1 << bit));
      EXPECT_EQ(SpectrumPortIn(row.Port), expected) << VirtualKeyName(c.Pc.back()) << " row " << std::hex << row.Port;
    }
  }
}

TEST(SpectrumTyping, CharactersMapToTheirChords) {
  using enum VirtualKey;
  struct Case {
    char32_t Character;
    std::vector<VirtualKey> Keys;  // empty: cannot be typed
  };
  const Case cases[] = {
      {'a', {A}},          {'Q', {Ctrl, Q}},   {'7', {D7}},        {' ', {Space}},
      {'\n', {Return}},    {'*', {Shift, B}},  {'"', {Shift, P}},  {'(', {Shift, D8}},
      {U'\u00A3', {Shift, X}}, {'~', {}},     {'\t', {}},         {U'\u00E9', {}},
  };
  for (const Case& c : cases) {
    KeyChord chord{};
    const bool typable = SpectrumDriver.CharacterKeys(c.Character, chord);
    ASSERT_EQ(typable, !c.Keys.empty()) << static_cast<uint32_t>(c.Character);
    if (typable) {
      EXPECT_EQ(std::vector<VirtualKey>(chord.Keys, chord.Keys + chord.Count), c.Keys)
          << static_cast<uint32_t>(c.Character);
    }
  }
}

TEST_F(SpectrumTest, FrameRaisesTheMaskableInterruptWithZeroOnTheBus) {
  ActiveContext->IrqState.Value = 0x01000000;
  SpectrumFrame();
  EXPECT_EQ(ActiveContext->IrqState.Value, 0u);
  EXPECT_EQ(ActiveContext->NmiRequest, 0u);
  EXPECT_EQ(scope_.host().Presents, 1);
}

// A snapshot: registers with distinct values, interrupt mode 2 with I = 90h and a vector table at
// 9000h, a program at 8000h that spins while its interrupt routine counts frames at 6000h, and
// the resume address 8000h on the stack at A000h. The top-left screen byte is set.
std::vector<uint8_t> SnapshotBytes() {
  std::vector<uint8_t> file(SnapshotSize, 0);
  const uint8_t header[27] = {0x90,                    // I
                              0x11, 0x22, 0x33, 0x44,  // HL' DE'
                              0x55, 0x66, 0x77, 0x88,  // BC' AF'
                              0x01, 0x02, 0x03, 0x04,  // HL DE
                              0x05, 0x06, 0x07, 0x08,  // BC IY
                              0x09, 0x0A,              // IX
                              0x04,                    // interrupts enabled
                              0x5A, 0xD7, 0x3C,        // R F A
                              0x00, 0xA0,              // SP
                              0x02, 0x05};             // interrupt mode, border
  std::memcpy(file.data(), header, sizeof header);
  auto poke = [&file](uint16_t address, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + 27 + (address - 0x4000));
  };
  poke(0x4000, {0xF0});
  poke(0x5800, {0x47});              // bright, paper 0, ink 7
  poke(0x8000, {0x18, 0xFE});        // JR $
  poke(0x9000, {0x00, 0x91});        // vector for bus byte 0 -> 9100h
  poke(0x9100, {0x3A, 0x00, 0x60,    // LD A,(6000h)
                0x3C,                // INC A
                0x32, 0x00, 0x60,    // LD (6000h),A
                0xFB, 0xED, 0x4D});  // EI, RETI
  poke(0xA000, {0x00, 0x80});        // resume address
  return file;
}

TEST_F(SpectrumTest, SnapshotLoadsRegistersMemoryAndPictureThenResumes) {
  ActiveContext->Halted = 1;
  const LoadResult loaded = LoadSnapshotFile(scope_.WriteFile("test.sna", SnapshotBytes()));
  ASSERT_TRUE(loaded.Ok);
  EXPECT_EQ(loaded.Message, "");

  const Z80Context& z = *ActiveContext;
  EXPECT_EQ(z.I, 0x90);
  EXPECT_EQ(z.AltHL.w, 0x2211);
  EXPECT_EQ(z.AltDE.w, 0x4433);
  EXPECT_EQ(z.AltBC.w, 0x6655);
  EXPECT_EQ(z.AltAF.w, 0x8877);
  EXPECT_EQ(z.HL.w, 0x0201);
  EXPECT_EQ(z.DE.w, 0x0403);
  EXPECT_EQ(z.BC.w, 0x0605);
  EXPECT_EQ(z.IY.w, 0x0807);
  EXPECT_EQ(z.IX.w, 0x0A09);
  EXPECT_EQ(z.IFF1, 1);
  EXPECT_EQ(z.IFF2, 1);
  EXPECT_EQ(z.R, 0x5A);
  EXPECT_EQ(z.AF.w, 0x3CD7);
  EXPECT_EQ(z.InterruptMode, 3) << "mode 2 has the core's code 3";
  EXPECT_EQ(z.PC.w, 0x8000) << "popped from the stack";
  EXPECT_EQ(z.SP.w, 0xA002);
  EXPECT_EQ(z.Halted, 0) << "a HALT of the machine before must not skip the resumed opcode";

  EXPECT_EQ(MemoryImage[0x9101], 0x00);
  EXPECT_EQ(MemoryImage[0x9100], 0x3A);
  EXPECT_EQ(PixelAt(0, 0), Pen(7 + 8));
  EXPECT_EQ(PixelAt(4, 0), Pen(0 + 8));
  // The load neither shows nor pumps: the run presents the picture at the frame's end.
  EXPECT_EQ(scope_.host().Pumps, 0);
}

TEST_F(SpectrumTest, SnapshotResumesInInterruptModeTwoWithItsVectorTable) {
  ASSERT_TRUE(LoadSnapshotFile(scope_.WriteFile("test.sna", SnapshotBytes())).Ok);
  for (int frame = 0; frame < 3; ++frame) RunFrame(1);
  // Every frame end enters the routine through the word at I * 256 + 0; the third has just been
  // accepted, the two before it have counted.
  EXPECT_EQ(ActiveContext->PC.w, 0x9100);
  EXPECT_EQ(MemoryImage[0x6000], 2);
  const uint16_t sp = ActiveContext->SP.w;
  const uint16_t interrupted = static_cast<uint16_t>(MemoryImage[sp] | MemoryImage[sp + 1] << 8);
  EXPECT_TRUE(interrupted == 0x8000 || interrupted == 0x8001) << std::hex << interrupted;
}

TEST_F(SpectrumTest, SnapshotInterruptFlagsAndModesFromTheHeader) {
  struct Case {
    uint8_t Flags, Mode;
    uint8_t Iff;
    uint16_t Code;
  };
  for (const Case c : {Case{0x00, 0, 0, 0}, Case{0x04, 1, 1, 1}, Case{0xFB, 2, 0, 3}, Case{0xFF, 7, 1, 1}}) {
    std::vector<uint8_t> file = SnapshotBytes();
    file[19] = c.Flags;
    file[25] = c.Mode;
    ASSERT_TRUE(LoadSnapshotFile(scope_.WriteFile("flags.sna", file)).Ok);
    EXPECT_EQ(ActiveContext->IFF1, c.Iff) << int{c.Flags};
    EXPECT_EQ(ActiveContext->IFF2, c.Iff) << int{c.Flags};
    EXPECT_EQ(ActiveContext->InterruptMode, c.Code) << int{c.Mode};
  }
}

TEST_F(SpectrumTest, ResumeAddressWrapsAroundTheTopOfMemory) {
  std::vector<uint8_t> file = SnapshotBytes();
  file[23] = 0xFF;  // SP = FFFFh: low byte at FFFFh, high byte at 0000h (ROM)
  file[24] = 0xFF;
  file.back() = 0x34;
  MemoryImage[0x0000] = 0x12;
  ASSERT_TRUE(LoadSnapshotFile(scope_.WriteFile("wrap.sna", file)).Ok);
  EXPECT_EQ(ActiveContext->PC.w, 0x1234);
  EXPECT_EQ(ActiveContext->SP.w, 0x0001);
}

// What the machine looks like, to show that a refused file changed nothing.
struct MachineCopy {
  std::vector<uint8_t> Memory, Pixels, Context;
  static MachineCopy Take() {
    MachineCopy copy;
    copy.Memory.assign(MemoryImage, MemoryImage + MemoryImageSize);
    copy.Pixels.assign(Screen->Pixels.begin(), Screen->Pixels.end());
    const auto* context = reinterpret_cast<const uint8_t*>(ActiveContext);
    copy.Context.assign(context, context + sizeof(Z80Context));
    return copy;
  }
  bool operator==(const MachineCopy&) const = default;
};

TEST_F(SpectrumTest, TruncatedSnapshotLeavesMachineUntouched) {
  MemoryImage[0x8000] = 0xC9;
  SpectrumWrite(0x38, 0x5800);
  SpectrumWrite(0xAA, 0x4000);
  ActiveContext->PC.w = 0x1234;
  ActiveContext->IFF1 = 1;
  const MachineCopy before = MachineCopy::Take();

  std::vector<uint8_t> file = SnapshotBytes();
  file.pop_back();
  const std::string path = scope_.WriteFile("short.sna", file);
  const LoadResult refused = LoadSnapshotFile(path);
  EXPECT_FALSE(refused.Ok);
  EXPECT_TRUE(MachineCopy::Take() == before);
  EXPECT_NE(refused.Message.find(path), std::string::npos) << refused.Message;
  EXPECT_NE(refused.Message.find("49178 bytes"), std::string::npos) << refused.Message;
  EXPECT_TRUE(scope_.host().Messages.empty()) << "the view shows the reason";
  EXPECT_EQ(scope_.host().Presents, 0);
}

TEST_F(SpectrumTest, SnapshotsOfAnyOtherSizeAreRefusedToo) {
  const MachineCopy before = MachineCopy::Take();
  for (size_t size : {size_t{0}, size_t{27}, size_t{SnapshotSize + 1}, size_t{131103}}) {
    std::vector<uint8_t> file = SnapshotBytes();
    file.resize(size, 0xFF);
    const LoadResult refused = LoadSnapshotFile(scope_.WriteFile("odd.sna", file));
    EXPECT_FALSE(refused.Ok) << size;
    EXPECT_TRUE(MachineCopy::Take() == before) << size;
    EXPECT_NE(refused.Message.find(std::to_string(size) + " bytes"), std::string::npos) << refused.Message;
  }
}

TEST_F(SpectrumTest, UnreadableSnapshotsAreRefusedWithAMessage) {
  const MachineCopy before = MachineCopy::Take();
  const LoadResult missing = LoadSnapshotFile(scope_.PathOf("missing.sna"));
  EXPECT_FALSE(missing.Ok);
  EXPECT_NE(missing.Message.find("missing.sna"), std::string::npos);
  const LoadResult folder = LoadSnapshotFile(scope_.PathOf(""));  // the folder itself
  EXPECT_FALSE(folder.Ok);
  EXPECT_NE(folder.Message, "");
  EXPECT_TRUE(MachineCopy::Take() == before);
}

TEST_F(SpectrumTest, CartridgeButtonAsksForSnapshotsAndUnderModel48ForTapesToo) {
  const FileChoice plain = SpectrumFileChoice();
  EXPECT_STREQ(plain.Title, "ZXSpectrum Snapshots loader");
  EXPECT_STREQ(plain.Filter, "Spectrum SnapShots|*.sna");
  EXPECT_STREQ(plain.DefaultExtension, "SNA");
  EXPECT_STREQ(plain.Pattern, "*.sna");
  Game.Model = "48";
  SpectrumInitialise(nullptr);
  EXPECT_STREQ(SpectrumFileChoice().Filter, "Spectrum tapes and snapshots|*.tap;*.tzx;*.sna;*.z80;*.szx");
  Game.Model.clear();
  SpectrumInitialise(nullptr);
}

// "#model=48": FFh on the bus at the interrupt, and FLASH cells swapping ink and paper every 16
// frames; without the key, 00h and no swap.
TEST_F(SpectrumTest, Model48PutsFfOnTheBusAndFlashesEverySixteenFrames) {
  for (const bool model48 : {false, true}) {
    Game.Model = model48 ? "48" : "";
    SpectrumInitialise(nullptr);
    SpectrumWrite(0xFF, 0x4000);
    SpectrumWrite(0x80 | 1 << 3 | 2, 0x5800);  // FLASH, paper 1, ink 2
    for (int frame = 1; frame <= 16; ++frame) {
      SpectrumFrame();
      EXPECT_EQ(PixelAt(0, 0), Pen(frame < 16 || !model48 ? 2 : 1)) << model48 << " frame " << frame;
    }
    EXPECT_EQ(ActiveContext->IrqState.Value, model48 ? 0xFFu : 0u);
    SpectrumWrite(0x0F, 0x4000);  // drawn while swapped: the ink pixels in paper's colour
    EXPECT_EQ(PixelAt(4, 0), Pen(model48 ? 1 : 2));
  }
}

}  // namespace
}  // namespace tirvane
