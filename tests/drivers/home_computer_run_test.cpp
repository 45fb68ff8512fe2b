// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM through the headless runner: the free OpenSE BASIC ROM answering a typed line, our
// keyboard test as a golden picture, and our snapshot loaded into a running machine.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_runner.h"
#include "machine/romset.h"
#include "golden.h"
#include "video/host.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

using enum VirtualKey;

std::string BinPath(const std::string& name) { return std::string(TIRVANE_BIN_DIR) + "/" + name; }

uint8_t PaperPen(uint8_t attribute) {
  return static_cast<uint8_t>(10 + ((attribute >> 3) & 7) + ((attribute & 0x40) >> 3));
}

// The text on a SPECTRUM picture, row by row: each 8x8 cell matched against the character set at
// chars + 8 * code in memory, '?' where nothing matches. Paper comes from the cell's attribute.
std::vector<std::string> ReadScreenText(const IndexedImage& picture, uint16_t chars) {
  std::vector<std::string> lines;
  for (int row = 0; row < 24; ++row) {
    std::string line;
    for (int column = 0; column < 32; ++column) {
      const uint8_t paper = PaperPen(MemoryImage[0x5800 + row * 32 + column]);
      std::array<uint8_t, 8> cell{};
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          if (picture.Pixels[(row * 8 + y) * picture.Width + column * 8 + x] != paper)
            cell[y] |= static_cast<uint8_t>(0x80 >> x);
      char found = '?';
      for (int code = 32; code < 128 && found == '?'; ++code) {
        bool same = true;
        for (int y = 0; y < 8 && same; ++y)
          same = MemoryImage[static_cast<uint16_t>(chars + code * 8 + y)] == cell[y];
        if (same) found = static_cast<char>(code);
      }
      line += found;
    }
    lines.push_back(line);
  }
  return lines;
}

// Types keys one after another from a frame on: each held for 4 frames (the ROM scans the keyboard
// once per interrupt), then released for 8 so that a repeated key counts as a new press.
struct Typist {
  int Frame;
  std::vector<KeyRange> Ranges;
  void Press(std::vector<VirtualKey> keys) {
    Ranges.push_back({Frame, Frame + 3, std::move(keys)});
    Frame += 12;
  }
};

TEST(SpectrumRun, OpenSeBasicAnswersATypedPrint) {
  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  Typist typist{150, {}};  // after the ROM's start-up and copyright line
  for (VirtualKey key : {P, R, I, N, T, Space, D6}) typist.Press({key});
  typist.Press({Shift, B});  // symbol shift + B: *
  typist.Press({D7});
  typist.Press({Return});
  options.Keys = typist.Ranges;
  options.Frames = typist.Frame + 20;

  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  ASSERT_EQ(result.Picture.Width, 256);
  ASSERT_EQ(result.Picture.Height, 192);

  // CHARS (5C36h) points 256 bytes below the glyph of the space, into the ROM's character set.
  const uint16_t chars = static_cast<uint16_t>(MemoryImage[0x5C36] | MemoryImage[0x5C37] << 8);
  ASSERT_LT(chars, 0x4000) << "the character set should be the ROM's own";
  const std::vector<std::string> text = ReadScreenText(result.Picture, chars);
  std::string shown;
  for (const std::string& line : text) shown += line + '\n';
  EXPECT_EQ(text[0].substr(0, 3), "42 ") << "PRINT writes at the top left of the cleared screen\n" << shown;
}

// Typed as a person would paste it: capitals, symbols on symbol shift, lines back to back.
TEST(SpectrumRun, OpenSeBasicKeepsEveryLineOfATypedProgramAndRunsIt) {
  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  options.TypeAfterFrame = 120;
  options.TypeText =
      "10 REM test +-*/<>=;:,.()\n20 LET a$=\"Hello, world\"\n30 LET s=0\n40 FOR i=1 TO 10\n"
      "50 LET s=s+i*i\n60 NEXT i\n70 IF s<>385 THEN STOP\n80 PRINT a$\n90 PRINT \"sum=\";s\n"
      "100 PRINT \"done\"\nRUN\n";
  options.Frames = 2400;
  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.TypingMessage, "");

  // The program area (PROG, 5C53h, to VARS, 5C4Bh): line number high byte first, length, text.
  std::vector<int> lines;
  const auto word = [](uint16_t at) { return MemoryImage[at] | MemoryImage[at + 1] << 8; };
  for (int at = word(0x5C53); at + 4 <= word(0x5C4B) && lines.size() < 20; at += 4 + word(at + 2))
    lines.push_back(MemoryImage[at] << 8 | MemoryImage[at + 1]);
  EXPECT_EQ(lines, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));

  const uint16_t chars = static_cast<uint16_t>(word(0x5C36));
  const std::vector<std::string> text = ReadScreenText(result.Picture, chars);
  EXPECT_EQ(text[0].substr(0, 13), "Hello, world ");
  EXPECT_EQ(text[1].substr(0, 8), "sum=385 ");
  EXPECT_EQ(text[2].substr(0, 5), "done ");
}

uint16_t Word(uint16_t at) { return static_cast<uint16_t>(MemoryImage[at] | MemoryImage[at + 1] << 8); }

// A stored program line as LIST spells it, less its spaces: keywords from OpenSE BASIC's token
// table (00A9h, from RND, A5h, on), numbers without the hidden binary form after them (0Eh and
// five bytes).
std::string StoredLineText(uint16_t at, uint16_t length) {
  std::string text;
  for (uint16_t i = at; i < at + length && MemoryImage[i] != 0x0D; ++i) {
    const uint8_t byte = MemoryImage[i];
    if (byte == 0x0E) {
      i += 5;
    } else if (byte >= 0xA5) {
      uint16_t word = 0xA9;
      for (int token = 0xA5; token < byte; ++token) {
        while (MemoryImage[word] < 0x80) ++word;
        ++word;
      }
      uint8_t c = 0;
      do {
        c = MemoryImage[word++];
        text += static_cast<char>(c & 0x7F);
      } while ((c & 0x80) == 0);
    } else {
      text += static_cast<char>(byte);
    }
  }
  std::erase(text, ' ');
  return text;
}

// The two lines of the report among eighteen more of our own, most of them long; LIST at the end.
// Typing starts with the run: the keys wait until the ROM has started and is ready for a line.
TEST(SpectrumRun, OpenSeBasicKeepsEveryLineOfALongTypedProgramAtTheRomsOwnPace) {
  const std::vector<std::string> program = {
      "10 REM A LONG PROGRAM TYPED LINE AFTER LINE, TO SEE THAT BASIC KEEPS EVERY ONE OF THEM",
      "20 FOR I=1 TO 300: LET X=SIN I*EXP (I/999): NEXT I",
      "30 PRINT PEEK 23672+256*PEEK 23673",
      "40 LET A$=\"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG\": LET B$=A$(5 TO 9)+A$(41 TO )",
      "50 DIM T(20): FOR J=1 TO 20: LET T(J)=J*J-3*J+7: NEXT J",
      "60 LET S=0: FOR J=1 TO 20: LET S=S+T(J): NEXT J: PRINT \"SUM OF SQUARES \";S",
      "70 IF S<>2380 THEN PRINT \"WRONG SUM\": STOP",
      "80 LET C=COS (PI/3)+TAN 0.5*4-PI+SQR 16+ABS -2.5+INT 7.9",
      "90 PRINT \"C=\";C;\" LEN=\";LEN A$;\" CODE=\";CODE A$",
      "100 FOR K=10 TO 1 STEP -1: PRINT K;\" \";: NEXT K: PRINT",
      "110 LET D=VAL \"12345\"+VAL \"6789.5\": PRINT STR$ D",
      "120 IF D>19000 AND D<20000 OR D=0 THEN PRINT \"IN RANGE\"",
      "130 GOSUB 1000: PRINT \"BACK FROM THE SUBROUTINE WITH R=\";R",
      "140 DATA 3,1,4,1,5,9,2,6,5,3,5,8,9,7,9,3,2,3,8,4,6,2,6,4,3",
      "150 RESTORE 140: LET M=0: FOR J=1 TO 25: READ V: IF V>M THEN LET M=V",
      "160 NEXT J: PRINT \"LARGEST DIGIT \";M",
      "170 LET E$=\"\": FOR J=1 TO 10: LET E$=E$+CHR$ (64+J): NEXT J: PRINT E$",
      "180 PRINT AT 20,0;\"ROW TWENTY\";TAB 16;\"TAB SIXTEEN\"",
      "190 STOP",
      "1000 LET R=SGN -5+LN EXP 2+2.5E3/1E2: RETURN",
  };
  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  int keys = 0;
  for (const std::string& line : program) {
    options.TypeText += line + "\n";
    keys += static_cast<int>(line.size()) + 1;
  }
  options.TypeText += "LIST\n";
  keys += 5;
  options.Frames = 12000;
  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.TypingMessage, "");

  std::vector<std::string> stored;
  for (uint16_t at = Word(0x5C53); at + 4 <= Word(0x5C4B) && stored.size() < 30; at += 4 + Word(at + 2))
    stored.push_back(std::to_string(MemoryImage[at] << 8 | MemoryImage[at + 1]) + " " +
                     StoredLineText(at + 4, Word(at + 2)));
  std::vector<std::string> typed;
  for (const std::string& line : program) {
    std::string text = line.substr(line.find(' ') + 1);
    std::erase(text, ' ');
    typed.push_back(line.substr(0, line.find(' ')) + " " + text);
  }
  EXPECT_EQ(stored, typed);
  const std::vector<std::string> screen = ReadScreenText(result.Picture, Word(0x5C36));
  EXPECT_EQ(screen[0].substr(screen[0].find_first_not_of(' '), 8), "10 REM A") << "LIST shows the first line";

  // The ROM's own need: the frames it spent before it was ready for each line, and two and a half
  // frames a key, as its two key sets, each free five scans after its key went up, allow.
  const double needed = static_cast<double>(result.TypingReadyWait) + 2.5 * keys;
  std::printf("Typed %d keys in %d frames; the ROM needs %.0f (%llu waiting for a line): %.2f times\n", keys,
              result.TypedByFrame, needed, static_cast<unsigned long long>(result.TypingReadyWait),
              result.TypedByFrame / needed);
  ASSERT_GT(result.TypedByFrame, 0);
  EXPECT_LE(result.TypedByFrame, 1.5 * needed);
}

// After RUN the next key waits for the program to ask for a line: INPUT does (a number, then a
// string, which starts between its two quotes); a program that never asks stops the typing.
TEST(SpectrumRun, TypingAfterRunWaitsForInputAndStopsWhereNothingAsks) {
  struct Case {
    const char* Text;
    std::string Message;
    std::string Shown;  // the top row of the screen
  };
  const Case cases[] = {
      {"10 INPUT A: INPUT \"NAME? \";N$: PRINT A*2;N$\nRUN\n21\nBOB\n", "", "42BOB "},
      {"10 GOTO 10\nRUN\nPRINT 1\n",
       "Typing stopped at \"P\" (line 3, column 1): the machine took no key for 1500 frames. The rest of "
       "the text was not typed.",
       "      "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    HeadlessOptions options;
    options.Description = BinPath("opense_basic.ini");
    options.TypeText = c.Text;
    options.Frames = 1800;
    const HeadlessResult result = RunHeadlessJob(options);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.TypingMessage, c.Message);
    EXPECT_EQ(ReadScreenText(result.Picture, Word(0x5C36))[0].substr(0, 6), c.Shown);
  }
}

TEST(SpectrumRun, KeyboardTestGolden) {
  // Ctrl, Q, 0, Return and Space held: one key of five different half-rows.
  EXPECT_TRUE(testing::MatchesGolden("keyboard_demo.ini", 60, "40-60:Ctrl+Q+0+Return+Space",
                                     "keyboard_demo_keys.png"));
}

TEST(SpectrumRun, SnapshotLoadsIntoARunningMachineAndReadsTheKeyboard) {
  HeadlessOptions options;
  options.Description = BinPath("opense_basic.ini");
  options.Frames = 120;
  options.LoadFile = BinPath("roms/spectrum/keytest.sna");
  options.LoadAfterFrame = 100;  // OpenSE BASIC is up and waiting for a line
  options.Keys = {{110, 120, {M}}};
  const HeadlessResult result = RunHeadlessJob(options);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Messages.empty());

  const Z80Context& z = Z80Contexts[0];
  EXPECT_EQ(z.InterruptMode, 3);
  EXPECT_EQ(z.I, 0xFE);
  EXPECT_TRUE(z.PC.w >= 0x8000) << std::hex << z.PC.w << ": the snapshot's program is running";

  // The half-row A15 is on screen rows 17 and 18; M is its third key, at column 16.
  constexpr uint8_t Held = 0x57;
  EXPECT_EQ(MemoryImage[0x5800 + 17 * 32 + 16], Held);
  EXPECT_EQ(MemoryImage[0x5800 + 17 * 32 + 20], 0x38) << "N is not held";
  EXPECT_EQ(result.Picture.Pixels[(17 * 8) * 256 + 16 * 8], PaperPen(Held)) << "the cell is repainted";
}

}  // namespace
}  // namespace tirvane
