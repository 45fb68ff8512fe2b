// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM file formats as bytes: the ".z80" run-length code and headers as the published .z80
// format description gives them (versions 1 to 3), the zx-state (.szx) blocks as its published
// description gives them, ".sna", ".tap", the ".tzx" blocks as the published TZX format (revision
// 1.20) lists them and their signal, and the ROM loader done at once.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "drivers/spectrum_snapshot.h"
#include "drivers/spectrum_tape.h"
#include "machine/romset.h"

namespace tirvane {
namespace {

using Bytes = std::vector<uint8_t>;

SpectrumSnapshot SampleMachine() {
  SpectrumSnapshot s;
  s.AF = 0x1234;
  s.BC = 0x2345;
  s.DE = 0x3456;
  s.HL = 0x4567;
  s.AltAF = 0x5678;
  s.AltBC = 0x6789;
  s.AltDE = 0x789A;
  s.AltHL = 0x89AB;
  s.IX = 0x9ABC;
  s.IY = 0xABCD;
  s.SP = 0xBCDE;
  s.PC = 0xCDEF;
  s.I = 0x3F;
  s.R = 0xC5;  // bit 7 travels apart from the rest in a .z80
  s.IFF1 = 1;
  s.IFF2 = 1;
  s.InterruptMode = 2;
  s.Border = 5;
  s.FrameCycle = 12345;
  for (size_t k = 0; k < s.Ram.size(); ++k) s.Ram[k] = static_cast<uint8_t>(k < 0x1800 ? 0 : (k * 7) >> 5);
  s.Ram[0x2000] = s.Ram[0x2001] = 0xED;  // an ED pair and a single ED before a run
  s.Ram[0x3000] = 0xED;
  return s;
}

// The sample with the 128K's eight pages (each its own pattern), a port byte with page 3, the
// second screen and ROM 1, and sound registers as a tune leaves them.
SpectrumSnapshot SampleMachine128() {
  SpectrumSnapshot s = SampleMachine();
  s.Ram = {};  // a 128K's RAM is its pages
  s.Pages.resize(Snapshot128Pages * SnapshotPageSize);
  for (size_t k = 0; k < s.Pages.size(); ++k) s.Pages[k] = static_cast<uint8_t>((k >> 14) * 31 + ((k * 5) >> 7));
  s.Port7FFD = 0x1B;
  s.AyAddress = 13;
  s.AyRegisters = {0x1C, 0x01, 0xFE, 0x00, 0x33, 0x0A, 0x11, 0x38, 0x0F, 0x10, 0x07, 0x40, 0x02, 0x0E, 0xFF, 0x00};
  s.FrameCycle = 70000;  // past the end of a 48K frame
  return s;
}

void ExpectSameMachine(const SpectrumSnapshot& a, const SpectrumSnapshot& b) {
  EXPECT_TRUE(a.Pages == b.Pages);
  EXPECT_EQ(a.Port7FFD, b.Port7FFD);
  EXPECT_EQ(a.AyAddress, b.AyAddress);
  EXPECT_TRUE(a.AyRegisters == b.AyRegisters);
  EXPECT_EQ(a.AF, b.AF);
  EXPECT_EQ(a.BC, b.BC);
  EXPECT_EQ(a.DE, b.DE);
  EXPECT_EQ(a.HL, b.HL);
  EXPECT_EQ(a.AltAF, b.AltAF);
  EXPECT_EQ(a.AltBC, b.AltBC);
  EXPECT_EQ(a.AltDE, b.AltDE);
  EXPECT_EQ(a.AltHL, b.AltHL);
  EXPECT_EQ(a.IX, b.IX);
  EXPECT_EQ(a.IY, b.IY);
  EXPECT_EQ(a.SP, b.SP);
  EXPECT_EQ(a.PC, b.PC);
  EXPECT_EQ(a.I, b.I);
  EXPECT_EQ(a.R, b.R);
  EXPECT_EQ(a.IFF1, b.IFF1);
  EXPECT_EQ(a.IFF2, b.IFF2);
  EXPECT_EQ(a.InterruptMode, b.InterruptMode);
  EXPECT_EQ(a.Border, b.Border);
  EXPECT_EQ(a.FrameCycle, b.FrameCycle);
  EXPECT_TRUE(a.Ram == b.Ram);
}

TEST(Z80Code, EncodesAsTheFormatDescriptionShows) {
  const struct {
    Bytes plain, code;
  } cases[] = {
      {{1, 1, 1, 1}, {1, 1, 1, 1}},                      // four equal bytes stay as they are
      {{7, 7, 7, 7, 7}, {0xED, 0xED, 5, 7}},             // five are coded
      {{0xED, 0xED}, {0xED, 0xED, 2, 0xED}},             // two EDs are coded
      {{0xED, 0, 0, 0, 0, 0, 0}, {0xED, 0, 0xED, 0xED, 5, 0}},  // the byte after a single ED stays out
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompressZ80Block(c.plain), c.code);
    Bytes back(c.plain.size());
    EXPECT_TRUE(ExpandZ80Block(c.code, back));
    EXPECT_EQ(back, c.plain);
  }
  // Runs longer than a count byte, of ED too, come back whole.
  Bytes eds(300, 0xED);
  eds.push_back(0);
  Bytes back(eds.size());
  EXPECT_TRUE(ExpandZ80Block(CompressZ80Block(eds), back));
  EXPECT_EQ(back, eds);

  Bytes out(4);
  EXPECT_FALSE(ExpandZ80Block(Bytes{0xED, 0xED, 9, 1}, out)) << "a run past the end";
  EXPECT_FALSE(ExpandZ80Block(Bytes{0xED, 0xED, 4}, out)) << "a code cut short";
  EXPECT_FALSE(ExpandZ80Block(Bytes{1, 2, 3}, out)) << "too few bytes";
}

TEST(SnapshotFiles, EveryFormatLoadsBackTheMachineItSaved) {
  const SpectrumSnapshot machine = SampleMachine();
  const SnapshotWriteResult z80 = WriteZ80(machine);
  ASSERT_TRUE(z80.Ok);
  EXPECT_LT(z80.Bytes.size(), 40000u) << "pages are compressed";
  EXPECT_EQ(z80.Bytes[30], 54) << "version 3";
  const SnapshotReadResult fromZ80 = ReadZ80(z80.Bytes, "a.z80");
  ASSERT_TRUE(fromZ80.Ok) << fromZ80.Message;
  ExpectSameMachine(fromZ80.Snapshot, machine);

  const SnapshotWriteResult szx = WriteSzx(machine);
  ASSERT_TRUE(szx.Ok);
  const SnapshotReadResult fromSzx = ReadSzx(szx.Bytes, "a.szx");
  ASSERT_TRUE(fromSzx.Ok) << fromSzx.Message;
  ExpectSameMachine(fromSzx.Snapshot, machine);

  const SnapshotWriteResult sna = WriteSna(machine);
  ASSERT_TRUE(sna.Ok);
  ASSERT_EQ(sna.Bytes.size(), SnaFileSize);
  const SnapshotReadResult fromSna = ReadSna(sna.Bytes, "a.sna");
  ASSERT_TRUE(fromSna.Ok);
  EXPECT_TRUE(fromSna.Snapshot.PcOnStack);
  EXPECT_EQ(fromSna.Snapshot.SP, machine.SP - 2);
  EXPECT_EQ(fromSna.Snapshot.Ram[machine.SP - 2 - 0x4000], 0xEF) << "PC on the stack, low byte first";
  EXPECT_EQ(fromSna.Snapshot.Ram[machine.SP - 1 - 0x4000], 0xCD);

  SpectrumSnapshot lowStack = machine;
  lowStack.SP = 0x4001;
  EXPECT_FALSE(WriteSna(lowStack).Ok) << "no RAM below the stack for the program counter";
}

// A 128K machine as a version 3 ".z80" of hardware mode 4 and as a ".szx" of machine 2; a 48K file
// is read by the 128K as a 48K (its 48K mode).
TEST(SnapshotFiles, The128KTravelsInZ80AndSzxWithItsPagesPortAndSoundChip) {
  const SpectrumSnapshot machine = SampleMachine128();
  const SnapshotWriteResult z80 = WriteZ80(machine);
  ASSERT_TRUE(z80.Ok);
  EXPECT_EQ(z80.Bytes[34], 4) << "hardware mode 4, the 128K";
  EXPECT_EQ(z80.Bytes[35], 0x1B);
  EXPECT_EQ(z80.Bytes[39 + 7], 0x38) << "the mixer register";
  const SnapshotReadResult fromZ80 = ReadZ80(z80.Bytes, "a.z80", true);
  ASSERT_TRUE(fromZ80.Ok) << fromZ80.Message;
  ExpectSameMachine(fromZ80.Snapshot, machine);

  const SnapshotWriteResult szx = WriteSzx(machine);
  ASSERT_TRUE(szx.Ok);
  EXPECT_EQ(szx.Bytes[6], 2) << "machine 2, the 128K";
  const SnapshotReadResult fromSzx = ReadSzx(szx.Bytes, "a.szx", true);
  ASSERT_TRUE(fromSzx.Ok) << fromSzx.Message;
  ExpectSameMachine(fromSzx.Snapshot, machine);

  Bytes plus2 = z80.Bytes;
  plus2[37] |= 0x80;  // the +2 pages as the 128K does
  EXPECT_TRUE(ReadZ80(plus2, "plus2.z80", true).Ok);
  const SnapshotReadResult small = ReadZ80(WriteZ80(SampleMachine()).Bytes, "48.z80", true);
  ASSERT_TRUE(small.Ok);
  EXPECT_FALSE(small.Snapshot.Is128());
}

// Version 1 (PC in the first header) compressed with its end marker, and a version 2 file with
// one page stored plain: both as the format description lays them out.
TEST(SnapshotFiles, ReadsVersionOneAndVersionTwoLayouts) {
  const SpectrumSnapshot machine = SampleMachine();
  Bytes v3 = WriteZ80(machine).Bytes;

  Bytes v1(v3.begin(), v3.begin() + 30);
  v1[6] = 0xEF;
  v1[7] = 0xCD;
  v1[12] |= 0x20;
  const Bytes code = CompressZ80Block(machine.Ram);
  v1.insert(v1.end(), code.begin(), code.end());
  v1.insert(v1.end(), {0, 0xED, 0xED, 0});
  const SnapshotReadResult one = ReadZ80(v1, "v1.z80");
  ASSERT_TRUE(one.Ok) << one.Message;
  EXPECT_EQ(one.Snapshot.PC, 0xCDEF);
  EXPECT_TRUE(one.Snapshot.Ram == machine.Ram);

  Bytes v2(v3.begin(), v3.begin() + 32 + 23);
  v2[30] = 23;
  for (uint8_t page : {8, 4, 5}) {
    v2.insert(v2.end(), {0xFF, 0xFF, page});
    const size_t offset = page == 8 ? 0 : page == 4 ? 0x4000 : 0x8000;
    v2.insert(v2.end(), machine.Ram.begin() + offset, machine.Ram.begin() + offset + 0x4000);
  }
  const SnapshotReadResult two = ReadZ80(v2, "v2.z80");
  ASSERT_TRUE(two.Ok) << two.Message;
  EXPECT_TRUE(two.Snapshot.Ram == machine.Ram);
  EXPECT_EQ(two.Snapshot.FrameCycle, 0u) << "version 2 has no T-state counter";
}

TEST(SnapshotFiles, DamagedOrForeignFilesAreRefusedWithTheReason) {
  const Bytes z80 = WriteZ80(SampleMachine()).Bytes;
  const Bytes szx = WriteSzx(SampleMachine()).Bytes;
  const Bytes z80k = WriteZ80(SampleMachine128()).Bytes;
  const Bytes szxk = WriteSzx(SampleMachine128()).Bytes;
  const size_t firstPageEnd = 89 + size_t{z80k[86]} + size_t{z80k[87]} * 256;  // its header at 86
  const size_t ayBlock = static_cast<size_t>(std::search(szxk.begin(), szxk.end(), "AY\0", "AY\0" + 3) - szxk.begin());
  const auto with = [](Bytes bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  const struct {
    const char* what;
    Bytes file;
    bool szxFile;
    const char* reason;
    bool machine128 = false;
  } cases[] = {
      {"short header", Bytes(29, 0), false, "too short"},
      {"128K hardware", with(z80, 34, 4), false, "#model=128"},
      {"SamRam", with(z80, 34, 2), false, "SamRam"},
      {"16K flag", with(z80, 37, 0x80), false, "16K"},
      {"odd second header", with(z80, 30, 40), false, "40 bytes"},
      {"cut inside a page", Bytes(z80.begin(), z80.end() - 10), false, "cut short"},
      {"a page missing", Bytes(z80.begin(), z80.begin() + 86), false, "lacks"},
      {"page damaged", with(z80, 91, 0x10), false, "damaged"},
      {"not ZXST", with(szx, 0, 'Q'), true, "ZXST"},
      {"128K szx", with(szx, 6, 2), true, "#model=128"},
      {"szx cut short", Bytes(szx.begin(), szx.end() - 5), true, "ends before"},
      {"szx zlib damaged", with(szx, szx.size() - 40, 0x55), true, "damaged"},
      {"+3 on the 128K", with(z80k, 34, 7), false, "+2A/+3", true},
      {"Pentagon on the 128K", with(z80k, 34, 9), false, "128K machine is not", true},
      {"128K z80 with one page", Bytes(z80k.begin(), z80k.begin() + firstPageEnd), false, "lacks RAM page 1", true},
      {"+2A szx on the 128K", with(szxk, 6, 4), true, "+2A/+3", true},
      {"szx AY block short", with(szxk, ayBlock + 4, 3), true, "AY block", true},
      {"128K szx page damaged", with(szxk, szxk.size() - 40, 0x55), true, "damaged", true},
  };
  for (const auto& c : cases) {
    const SnapshotReadResult read = c.szxFile ? ReadSzx(c.file, "x", c.machine128) : ReadZ80(c.file, "x", c.machine128);
    EXPECT_FALSE(read.Ok) << c.what;
    EXPECT_NE(read.Message.find(c.reason), std::string::npos) << c.what << ": " << read.Message;
  }
  EXPECT_FALSE(ReadSna(Bytes(49178, 0), "x.sna").Ok);
}

TEST(TapeFiles, TapBlocksAreReadAndDamageIsNamed) {
  const Bytes tap = {19, 0, 0, 0, 'h', 'e', 'l', 'l', 'o', ' ', ' ', ' ', ' ', ' ', 4, 0, 0, 0x80, 0, 0, 0x8E,
                     4, 0, 0xFF, 1, 2, 0xFC};
  const TapeReadResult read = ReadTap(tap, "t.tap");
  ASSERT_TRUE(read.Ok) << read.Message;
  ASSERT_EQ(read.Read.Blocks.size(), 2u);
  EXPECT_EQ(read.Read.Blocks[0].Label(), "Program: hello");
  EXPECT_EQ(read.Read.Blocks[1].Label(), "Data, 2 bytes");
  EXPECT_TRUE(read.Read.Blocks[1].Standard());

  const struct {
    Bytes file;
    const char* reason;
  } damaged[] = {{{}, "empty"}, {{5}, "inside its length"}, {{0, 0, 3, 0, 1, 2, 3}, "length 0"}, {{9, 0, 1, 2}, "says 9"}};
  for (const auto& c : damaged) {
    const TapeReadResult bad = ReadTap(c.file, "t.tap");
    EXPECT_FALSE(bad.Ok);
    EXPECT_NE(bad.Message.find(c.reason), std::string::npos) << bad.Message;
  }
}

// LD-BYTES done at once, against what the ROM routine leaves: the cases of success and failure.
TEST(InstantLoading, LeavesTheRegistersAsTheRomLoaderWould) {
  static uint8_t written[0x10000];
  const WriteHandlerFn write = [](uint8_t value, uint16_t address) { written[address] = value, MemoryImage[address] = value; };
  static uint8_t border = 0xFF;
  const PortOutHandlerFn out = [](uint8_t value, uint8_t) { border = value; };
  const Bytes block = {0xFF, 0x11, 0x22, 0x33, 0xFF ^ 0x11 ^ 0x22 ^ 0x33};
  const struct {
    const char* what;
    uint8_t flag;
    uint16_t length;
    bool load;
    Bytes data;
    bool ok;
    uint16_t bytesRead;
  } cases[] = {
      {"success", 0xFF, 3, true, block, true, 3},
      {"wrong flag", 0x00, 3, true, block, false, 0},
      {"block shorter than asked", 0xFF, 5, true, block, false, 4},
      {"block longer than asked", 0xFF, 2, true, block, false, 2},
      {"bad checksum", 0xFF, 3, true, {0xFF, 0x11, 0x22, 0x33, 0}, false, 3},
      {"verify matches", 0xFF, 3, false, block, true, 3},
  };
  for (const auto& c : cases) {
    std::memset(MemoryImage, 0, MemoryImageSize);
    std::memset(written, 0, sizeof written);
    MemoryImage[0x5C48] = 0x28;  // BORDCR: paper 5
    MemoryImage[0xF000] = 0x34;  // the caller's return address on the stack
    MemoryImage[0xF001] = 0x12;
    if (!c.load) MemoryImage[0x9001] = 0x11, MemoryImage[0x9002] = 0x22, MemoryImage[0x9003] = 0x33;
    Z80Context z{};
    z.MemoryImage = MemoryImage;
    z.AF.h = c.flag;
    z.AF.l = c.load ? FlagC : 0;
    z.IX.w = 0x9001;
    z.DE.w = c.length;
    z.SP.w = 0xF000;
    z.PC.w = LdBytesAddress;
    TapeDeck deck;
    deck.Insert({"t", {TapeBlock{c.data, {}}}});
    ASSERT_TRUE(InstantLoadBytes(z, deck, write, out)) << c.what;
    EXPECT_EQ((z.AF.l & FlagC) != 0, c.ok) << c.what;
    EXPECT_EQ(z.IX.w, 0x9001 + c.bytesRead) << c.what;
    EXPECT_EQ(z.DE.w, c.length - c.bytesRead) << c.what;
    EXPECT_EQ(z.PC.w, 0x1234) << c.what;
    EXPECT_EQ(z.SP.w, 0xF002) << c.what;
    EXPECT_EQ(z.IFF1, 1) << c.what;
    EXPECT_EQ(border, 5) << c.what;
    EXPECT_TRUE(deck.AtEnd()) << c.what << ": the block is used up";
    EXPECT_EQ(written[0x9001], c.load && c.bytesRead ? 0x11 : 0) << c.what;
  }

  TapeDeck empty;
  Z80Context z{};
  z.MemoryImage = MemoryImage;
  EXPECT_FALSE(InstantLoadBytes(z, empty, write, out)) << "no tape: the ROM runs";
  TapeDeck turbo;
  TapeBlock fast{block, {}};
  fast.Timings.Zero = 400;
  turbo.Insert({"t", {fast}});
  EXPECT_FALSE(InstantLoadBytes(z, turbo, write, out)) << "a turbo block is left to the signal";
}

Bytes TzxHeader() { return {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20}; }

TEST(TapeFiles, TzxBlocksOfEveryListedKindAreRead) {
  Bytes tzx = TzxHeader();
  const Bytes blocks = {
      0x10, 0xE8, 0x03, 3, 0, 0xFF, 0xAA, 0x55,                    // standard: pause 1000, 3 bytes
      0x11, 0x78, 0x08, 0x9B, 0x02, 0xDF, 0x02, 0x57, 0x03, 0xAE, 0x06, 0xA0, 0x0F, 8, 0, 0, 2, 0, 0, 0xFF, 0x01,
      0x12, 100, 0, 5, 0,                                          // tone: 5 pulses of 100
      0x13, 2, 10, 0, 20, 0,                                       // pulses 10, 20
      0x14, 0x57, 0x03, 0xAE, 0x06, 4, 0, 0, 1, 0, 0, 0xF0,          // pure data, 4 bits used
      0x15, 79, 0, 0, 0, 8, 1, 0, 0, 0x0F,                            // recording
      0x20, 0, 0,                                                  // stop the tape
      0x21, 2, 'G', '1', 0x22,                                     // group
      0x24, 2, 0, 0x25,                                            // loop twice
      0x23, 1, 0,                                                  // jump +1
      0x26, 1, 0, 2, 0, 0x27,                                      // call +2, return
      0x2A, 0, 0, 0, 0,                                            // stop if 48K
      0x2B, 1, 0, 0, 0, 1,                                         // signal high
      0x30, 3, 'a', 'b', 'c',                                      // text
      0x31, 5, 2, 'h', 'i',                                        // message
      0x32, 6, 0, 1, 0x00, 3, 'T', 'i', 't',                       // archive info: title
      0x33, 1, 0, 0, 1,                                            // hardware
      0x35, 'C', 'u', 's', 't', 'o', 'm', ' ', ' ', ' ', ' ', 1, 0, 0, 0, 9,
      0x5A, 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20,             // glue
      0x4B, 2, 0, 0, 0, 1, 2,                                      // unknown: skipped by its length
      // generalized: no pilot, 2 data symbols of 2 pulses (0: 100,100; 1: 200,200), 3 symbols 101
      0x19, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 2, 2, 0, 100, 0, 100, 0, 0, 200, 0, 200, 0, 0xA0,
  };
  tzx.insert(tzx.end(), blocks.begin(), blocks.end());
  const TapeReadResult read = ReadTzx(tzx, "t.tzx");
  ASSERT_TRUE(read.Ok) << read.Message;
  std::vector<std::string> labels;
  for (const TapeBlock& block : read.Read.Blocks) labels.push_back(block.Label());
  const std::vector<std::string> expected = {
      "Data, 1 bytes", "Data, 0 bytes", "Tone, 5 pulses", "Pulses, 2", "Data, 1 bytes", "Recording, 1 bytes",
      "Stop the tape", "Group: G1", "Group end", "Loop 2 times", "Loop end", "Jump 1", "Call 1 blocks",
      "Return", "Stop the tape (48K)", "Signal high", "Text: abc", "Message: hi", "Archive info: Tit",
      "Hardware info, 1 entries", "Custom info: Custom", "Glue", "Unknown block 4Bh, skipped",
      "Generalized data, 6 pulses"};
  EXPECT_EQ(labels, expected);
  EXPECT_TRUE(read.Read.Blocks[0].Standard());
  EXPECT_FALSE(read.Read.Blocks[1].Standard()) << "a turbo block is played";
  EXPECT_EQ(read.Read.Blocks[1].Timings.PilotPulses, 4000);
  EXPECT_EQ(read.Read.Blocks.back().Pulses, (std::vector<uint32_t>{200, 200, 100, 100, 200, 200}));

  const struct {
    Bytes body;
    const char* reason;
  } damaged[] = {
      {{0x10, 0, 0, 9, 0, 1}, "cut short"},
      {{0x11, 1, 2}, "cut short"},
      {{0x19, 200, 0, 0, 0}, "cut short"},
      {{0x19, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2}, "ends inside its data symbols"},
      {{0x4B, 0xFF, 0xFF, 0xFF, 0x7F}, "cut short"},
  };
  for (const auto& c : damaged) {
    Bytes bad = TzxHeader();
    bad.insert(bad.end(), c.body.begin(), c.body.end());
    const TapeReadResult refused = ReadTzx(bad, "t.tzx");
    EXPECT_FALSE(refused.Ok);
    EXPECT_NE(refused.Message.find(c.reason), std::string::npos) << refused.Message;
  }
  EXPECT_FALSE(ReadTzx(Bytes{'Z', 'X'}, "t.tzx").Ok);
}

// The signal of a block: pilot, syncs, two pulses a bit, the pause low; jumps and loops followed,
// and a tape of nothing but jumps stops instead of holding the machine.
TEST(TapePlaying, PulsesFollowTheBlockAndTheTapesDirections) {
  TapeBlock data;
  data.Data = {0x80};
  data.Timings = {100, 30, 40, 10, 20, 3, 2, 1};  // pilot x3, syncs, 2 bits, 1 ms pause
  TapeDeck deck;
  deck.Insert({"t", {data}});
  deck.Play();
  std::vector<std::pair<bool, uint64_t>> runs;  // level and how long it lasted
  for (int t = 0; t < 500 + 3500 && deck.Playing(); ++t) {
    deck.Advance(1);
    if (!deck.Playing()) break;
    if (runs.empty() || runs.back().first != deck.Level()) runs.push_back({deck.Level(), 0});
    ++runs.back().second;
  }
  const std::vector<std::pair<bool, uint64_t>> expected = {{true, 100}, {false, 100}, {true, 100}, {false, 30},
                                                            {true, 40},  {false, 20},  {true, 20},  {false, 10},
                                                            {true, 10},  {false, 3500}};
  ASSERT_GE(runs.size(), expected.size());
  EXPECT_EQ(std::vector(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
  EXPECT_FALSE(deck.Playing()) << "stopped at the end";

  TapeBlock jump;
  jump.Kind = TapeBlockKind::Jump;
  jump.Targets = {0};
  TapeDeck endless;
  endless.Insert({"t", {jump}});
  endless.Play();
  endless.Advance(1000);
  EXPECT_FALSE(endless.Playing());

  TapeBlock loop;
  loop.Kind = TapeBlockKind::LoopStart;
  loop.Count = 3;
  TapeBlock tone;
  tone.Kind = TapeBlockKind::Tone;
  tone.Pulses = {10};
  tone.Count = 2;
  TapeBlock loopEnd;
  loopEnd.Kind = TapeBlockKind::LoopEnd;
  TapeDeck looped;
  looped.Insert({"t", {loop, tone, loopEnd}});
  looped.Play();
  looped.Advance(59);
  EXPECT_TRUE(looped.Playing()) << "three times two pulses of 10";
  looped.Advance(2);
  EXPECT_FALSE(looped.Playing());
}

}  // namespace
}  // namespace tirvane
