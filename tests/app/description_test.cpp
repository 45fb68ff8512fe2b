// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/description.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_folder.h"

namespace tirvane {
namespace {

using testing::TempFolder;

TEST(TextRoutines, ParseHexReadsOnlyUpperCaseDigitsAndWrapsAt32Bits) {
  EXPECT_EQ(ParseHex("3F"), 0x3F);
  EXPECT_EQ(ParseHex("  66  "), 0x66);
  EXPECT_EQ(ParseHex("3f"), 0x30);  // lowercase f is a zero digit
  EXPECT_EQ(ParseHex("1G"), 0x10);
  EXPECT_EQ(ParseHex("4000h"), 0x40000);  // the h still shifts the digits before it
  EXPECT_EQ(ParseHex(""), 0);
  EXPECT_EQ(ParseHex("   "), 0);
  EXPECT_EQ(ParseHex("123456789"), 0x23456789);
  EXPECT_EQ(ParseHex("FFFFFFFF"), -1);
  EXPECT_EQ(ParseHex("1\t"), 0x10);  // only blanks are trimmed; a tab stays and counts as a digit place
}

TEST(TextRoutines, FormatHexGivesFixedUpperCaseDigits) {
  EXPECT_EQ(FormatHex(0x3F, 2), "3F");
  EXPECT_EQ(FormatHex(0x5, 4), "0005");
  EXPECT_EQ(FormatHex(0x12345, 4), "2345");
  EXPECT_EQ(FormatHex(0xABCDEF01u, 8), "ABCDEF01");
  EXPECT_EQ(FormatHex(0, 0), "");
  EXPECT_EQ(ParseHex(FormatHex(0xC0DE, 4)), 0xC0DE);
}

TEST(TextRoutines, TrimSpacesAndUpperCasingTouchOnlyAsciiBlanksAndLetters) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(UpperAscii("ab~Z9\xe4"), "AB~Z9\xe4");
}

TEST(DescriptionParser, EveryKeyFillsItsOwnField) {
  GameDescription game;
  ParseGameDescription(
      "#colorprom=prom.bin\n#title=Demo Game\n#driver=GALAXIAN\n#starson=B004\n#charset=2\n"
      "#spriteram=5040\n#sprites=40\n#drvtag=80\n#maxdirectread=3FFF\n#maxrom=4000\n"
      "#bulletram=5060\n#attrram=5000\n#vram=5800\n#nmiint=66\n#nmienable=B001\n#chars=100\n"
      "#charoffset=11\n#deltaplane=800\n#screenw=E0\n#screenh=100\n#framecycles=11100\n",
      game);
  EXPECT_EQ(game.ColorProm, "prom.bin");
  EXPECT_EQ(game.Title, "Demo Game");
  EXPECT_EQ(game.Driver, "GALAXIAN");
  EXPECT_EQ(game.StarsOn, 0xB004);
  EXPECT_EQ(game.CharSets, 2);
  EXPECT_EQ(game.SpriteRam, 0x5040);
  EXPECT_EQ(game.Sprites, 0x40);
  EXPECT_EQ(game.DriverTag, 0x80);
  EXPECT_EQ(game.MaxDirectRead, 0x3FFF);
  EXPECT_EQ(game.MaxRom, 0x4000);
  EXPECT_EQ(game.BulletRam, 0x5060);
  EXPECT_EQ(game.AttrRam, 0x5000);
  EXPECT_EQ(game.VideoRam, 0x5800);
  EXPECT_EQ(game.NmiInt, 0x66);
  EXPECT_EQ(game.NmiEnable, 0xB001);
  EXPECT_EQ(game.Chars, 0x100);
  EXPECT_EQ(game.CharOffset, 0x11);
  EXPECT_EQ(game.DeltaPlane, 0x800);
  EXPECT_EQ(game.ScreenW, 0xE0);
  EXPECT_EQ(game.ScreenH, 0x100);
  EXPECT_EQ(game.FrameLength, 69888);
  EXPECT_EQ(game.HasCartridge, 0);
  EXPECT_EQ(game.RomCount, 0);
}

TEST(DescriptionParser, KeysMatchInAnyCaseButOnlyAtTheFirstColumn) {
  GameDescription game;
  ParseGameDescription("#MaxRom=4000\n #vram=1234\nfree text #nmiint=66\n", game);
  EXPECT_EQ(game.MaxRom, 0x4000);
  EXPECT_EQ(game.VideoRam, 0);
  EXPECT_EQ(game.NmiInt, 0);
}

TEST(DescriptionParser, KeyWithoutItsEqualsSignIsNoKey) {
  GameDescription game;
  ParseGameDescription("#driver PACMAN\n#title:Demo\n#vram 4000\n#cartridge\n#grf 0000~g.bin\n", game);
  EXPECT_EQ(game.Driver, "");
  EXPECT_EQ(game.Title, "");
  EXPECT_EQ(game.VideoRam, 0);
  EXPECT_EQ(game.HasCartridge, 0);
  EXPECT_EQ(game.RomCount, 0);

  CatalogueHeader header = ParseCatalogueHeader("#DRIVER PACMAN\n#TITLE:Demo\n", "/games/a.ini");
  EXPECT_EQ(header.Title, "/games/a.ini");
  EXPECT_EQ(header.Driver, "/games/a.ini");
}

TEST(DescriptionParser, LastOccurrenceWinsAndEarlierValuesAreReset) {
  GameDescription game;
  game.NmiInt = 0x1234;
  game.Roms.push_back({"stale.bin", 0, 0});
  ParseGameDescription("#title=First\n#title=Second\n#maxrom=1000\n#MAXROM=2000\n", game);
  EXPECT_EQ(game.Title, "Second");
  EXPECT_EQ(game.MaxRom, 0x2000);
  EXPECT_EQ(game.NmiInt, 0);
  EXPECT_EQ(game.FrameLength, 50000);  // absent: the length every older description ran with
  EXPECT_TRUE(game.Roms.empty());
}

TEST(DescriptionParser, RomLimitMustBeOneToFourHexDigits) {
  const struct {
    const char* Value;
    int32_t Limit;  // -1: refused
  } cases[] = {{"4000", 0x4000}, {" 3fff ", 0x3FFF}, {"0", 0}, {"ZZZZ", -1}, {"", -1}, {"10000", -1}, {"4O00", -1}};
  for (const auto& c : cases) {
    GameDescription game;
    ParseGameDescription(std::string("#driver=X\n#maxrom=") + c.Value + "\n", game);
    if (c.Limit < 0) {
      EXPECT_EQ(game.Refused.rfind(std::string("#maxrom=") + c.Value + ":", 0), 0u) << c.Value;
    } else {
      EXPECT_TRUE(game.Refused.empty()) << c.Value;
      EXPECT_EQ(game.MaxRom, c.Limit) << c.Value;
    }
  }
}

TEST(DescriptionParser, TextValuesAreVerbatimAndAtMost255Characters) {
  GameDescription game;
  std::string longTitle(300, 'x');
  ParseGameDescription("#driver= GALAXIAN\n#title=" + longTitle + "\n#colorprom=  a B  \n", game);
  EXPECT_EQ(game.Driver, " GALAXIAN");
  EXPECT_EQ(game.Title, std::string(255, 'x'));
  EXPECT_EQ(game.ColorProm, "  a B  ");
}

TEST(DescriptionParser, LineEndingsCrLfLfAndNoFinalEndReadAlike) {
  for (std::string text : {"#title=T\r\n#driver=D\r\n0000~a.bin\r\n", "#title=T\n#driver=D\n0000~a.bin",
                           "\n\n#title=T\r\n\r\n#driver=D\n0000~a.bin\r\n"}) {
    GameDescription game;
    ParseGameDescription(text, game);
    EXPECT_EQ(game.Title, "T");
    EXPECT_EQ(game.Driver, "D");
    ASSERT_EQ(game.Roms.size(), 1u);
    EXPECT_EQ(game.Roms[0].FileName, "a.bin");
  }
}

TEST(DescriptionParser, CartridgeFolderAlwaysEndsWithBackslash) {
  GameDescription game;
  ParseGameDescription("#cartridge=\n", game);
  EXPECT_EQ(game.HasCartridge, 1);
  EXPECT_EQ(game.CartridgeDir, "");

  ParseGameDescription("#cartridge=snaps\\sna\n", game);
  EXPECT_EQ(game.HasCartridge, 1);
  EXPECT_EQ(game.CartridgeDir, "snaps\\sna\\");

  ParseGameDescription("#Cartridge=carts\\\n", game);
  EXPECT_EQ(game.CartridgeDir, "carts\\");

  ParseGameDescription("#title=x\n", game);
  EXPECT_EQ(game.HasCartridge, 0);
  EXPECT_EQ(game.CartridgeDir, "");
}

TEST(DescriptionParser, RomLinesKeepFileOrderAndTheirTarget) {
  GameDescription game;
  ParseGameDescription(
      "0000~roms/a.bin\n"
      "#grf=0800~roms/g1.bin\n"
      "#GRF=1000~roms/g2.bin\n"
      "C000~sub dir/b~c.bin\n",
      game);
  ASSERT_EQ(game.RomCount, 4);
  ASSERT_EQ(game.Roms.size(), 4u);
  EXPECT_EQ(game.Roms[0].FileName, "roms/a.bin");
  EXPECT_EQ(game.Roms[0].LoadAddress, 0);
  EXPECT_EQ(game.Roms[0].IsGraphics, 0);
  EXPECT_EQ(game.Roms[1].FileName, "roms/g1.bin");
  EXPECT_EQ(game.Roms[1].LoadAddress, 0x800);
  EXPECT_EQ(game.Roms[1].IsGraphics, 1);
  EXPECT_EQ(game.Roms[2].IsGraphics, 1);
  EXPECT_EQ(game.Roms[2].LoadAddress, 0x1000);
  EXPECT_EQ(game.Roms[3].FileName, "sub dir/b~c.bin");  // split at the first tilde only
  EXPECT_EQ(game.Roms[3].LoadAddress, 0xC000);
}

TEST(DescriptionParser, LinesThatAreNotRomLinesGiveNoEntry) {
  GameDescription game;
  ParseGameDescription(
      "#grf= 0000~blank.bin\n"  // blank before the address
      "a000~lower.bin\n"        // lowercase first digit
      "0000 no tilde\n"
      "#grf=\n"
      "Game notes: free text~here\n"
      "G000~notdigit.bin\n",
      game);
  EXPECT_EQ(game.RomCount, 0);
  EXPECT_TRUE(game.Roms.empty());
}

TEST(DescriptionParser, RomFileNamesAreCutAt255Characters) {
  GameDescription game;
  ParseGameDescription("10~" + std::string(400, 'n') + "\n", game);
  ASSERT_EQ(game.Roms.size(), 1u);
  EXPECT_EQ(game.Roms[0].FileName.size(), 255u);
  EXPECT_EQ(game.Roms[0].LoadAddress, 0x10);
}

TEST(DescriptionFile, LoadFillsTheGameRecordAndFreeReleasesOnlyTheRoms) {
  TempFolder folder;
  std::string path = folder.Write("board_game.ini", "#title=Game\n#charset=2\n#sprites=40\n0000~a.bin\n");
  ASSERT_TRUE(LoadGameDescription(path));
  EXPECT_EQ(Game.Title, "Game");
  EXPECT_EQ(Game.RomCount, 1);

  FreeGameDescription();
  EXPECT_TRUE(Game.Roms.empty());
  EXPECT_EQ(Game.RomCount, 0);
  EXPECT_EQ(Game.CharSets, 2);  // the driver's stop routine still reads these
  EXPECT_EQ(Game.Sprites, 0x40);
  EXPECT_EQ(Game.Title, "Game");
  FreeGameDescription();  // a second release is harmless
  EXPECT_TRUE(Game.Roms.empty());
}

TEST(DescriptionFile, MissingOrUnreadableFileFailsAndResetsTheRecord) {
  TempFolder folder;
  Game.Title = "old";
  Game.MaxRom = 0x4000;
  EXPECT_FALSE(LoadGameDescription(folder.PathOf("missing.ini")));
  EXPECT_EQ(Game.Title, "");
  EXPECT_EQ(Game.MaxRom, 0);

  folder.Write("dir.ini/inner.txt", "x");
  EXPECT_FALSE(LoadGameDescription(folder.PathOf("dir.ini")));

  std::string empty = folder.Write("empty.ini", "");
  EXPECT_TRUE(LoadGameDescription(empty));
  EXPECT_EQ(Game.RomCount, 0);
}

TEST(CatalogueHeaderReader, TitleKeyIsCaseSensitiveDriverKeyIsNot) {
  CatalogueHeader header = ParseCatalogueHeader("#title=lower\n#driver=Galaxian\n", "/games/a.ini");
  EXPECT_EQ(header.Title, "/games/a.ini");
  EXPECT_EQ(header.Driver, "Galaxian");

  header = ParseCatalogueHeader("#TITLE=Upper\n#DrIvEr=PACMAN\n#TITLE=Second\n", "/games/a.ini");
  EXPECT_EQ(header.Title, "Second");
  EXPECT_EQ(header.Driver, "PACMAN");

  // The full reader sees the lowercase title the header reader misses.
  GameDescription game;
  ParseGameDescription("#title=lower\n", game);
  EXPECT_EQ(game.Title, "lower");
}

TEST(CatalogueHeaderReader, FileWithoutHeaderLinesShowsItsPathTwice) {
  TempFolder folder;
  std::string path = folder.Write("bare.ini", "0000~a.bin\r\n");
  CatalogueHeader header;
  ASSERT_TRUE(ReadCatalogueHeader(path, header));
  EXPECT_EQ(header.Title, path);
  EXPECT_EQ(header.Driver, path);
  EXPECT_FALSE(ReadCatalogueHeader(folder.PathOf("missing.ini"), header));
}

}  // namespace
}  // namespace tirvane
