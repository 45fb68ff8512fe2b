// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "video/host.h"
#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {
namespace {

struct Presented {
  int x, y, width, height;
  bool operator==(const Presented&) const = default;
};

class RecordingHost : public Host {
 public:
  std::vector<Presented> presented;
  void presentScreen(const ScreenBitmap&, int x, int y, int width, int height) override {
    presented.push_back({x, y, width, height});
  }
  void pumpMessages() override {}
  std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return "x"; }
  void messageBox(const std::string&) override {}
  void setCaption(const std::string&) override {}
  std::string programFolder() override { return "/"; }
  std::string currentFolder() override { return "/"; }
  bool setCurrentFolder(const std::string&) override { return true; }
};

TEST(ScreenBitmap, PaletteHasSystemColoursAtBothEndsAndTheGameColoursBetween) {
  for (int i = 0; i < RgbTableSize; ++i) RgbTable[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
  CreateScreenBitmap();
  RgbTable[0] = {1, 2, 3};  // too late: the palette is fixed for the run
  const auto& palette = Screen->Palette;
  EXPECT_EQ(palette[0], (Rgb{0, 0, 0}));
  EXPECT_EQ(palette[9], (Rgb{166, 202, 240}));
  EXPECT_EQ(palette[10], (Rgb{0, 255, 0}));
  EXPECT_EQ(palette[245], (Rgb{235, 20, uint8_t(235 * 7)}));
  EXPECT_EQ(palette[246], (Rgb{255, 251, 240}));
  EXPECT_EQ(palette[255], (Rgb{255, 255, 255}));
  EXPECT_EQ(Screen->Stride * Screen->Height, Screen->Size);
  EXPECT_EQ(Screen->Size, 73728);
  EXPECT_TRUE(std::all_of(Screen->Pixels.begin(), Screen->Pixels.end(), [](uint8_t v) { return v == 0; }));

  // A new run starts from a fresh, zero-filled bitmap.
  ClearScreen(5);
  CreateScreenBitmap();
  EXPECT_EQ(Screen->Pixels[1000], 0);
  EXPECT_EQ(Screen->Palette[10], (Rgb{1, 2, 3}));
  FreeScreenBitmap();
  EXPECT_EQ(Screen, nullptr);
}

TEST(ScreenBitmap, PresentHandsTheVisibleRegionToTheHostOnlyWhileABitmapExists) {
  RecordingHost host;
  SetHost(&host);
  ScreenOffsetX = 16, ScreenOffsetY = 0, ScreenWidth = 224, ScreenHeight = 256;
  PresentScreen();  // no bitmap yet
  CreateScreenBitmap();
  PresentScreen();
  ScreenOffsetX = 250, ScreenOffsetY = -4, ScreenHeight = 400;  // a region hanging off the bitmap
  PresentScreen();
  FreeScreenBitmap();
  PresentScreen();
  DrawTileAdd(0, 0, 1, Tile{1, 1, {1}}, 0);  // primitives without a bitmap are harmless
  ClearScreen(1);
  SetHost(nullptr);
  ScreenOffsetX = 0, ScreenOffsetY = 0, ScreenWidth = 256, ScreenHeight = 256;
  EXPECT_EQ(host.presented, (std::vector<Presented>{{16, 0, 224, 256}, {250, 0, 6, 288}}));
  EXPECT_NE(&CurrentHost(), &host);
}

TEST(Host, KeyNamesRoundTrip) {
  for (int i = 0; i < VirtualKeyCount; ++i) {
    const auto key = static_cast<VirtualKey>(i);
    EXPECT_EQ(VirtualKeyFromName(VirtualKeyName(key)), key) << VirtualKeyName(key);
  }
  EXPECT_STREQ(VirtualKeyName(VirtualKey::D0), "0");
  EXPECT_STREQ(VirtualKeyName(VirtualKey::F12), "F12");
  EXPECT_EQ(VirtualKeyFromName("ctrl"), VirtualKey::Ctrl);
  EXPECT_EQ(VirtualKeyFromName("q"), VirtualKey::Q);
  for (const char* bad : {"", "F13", "Lef", "Leftt", "Insert"}) EXPECT_EQ(VirtualKeyFromName(bad), std::nullopt);
}

TEST(Host, DefaultHostAnswersFolderQuestionsAndCancelsDialogs) {
  Host& host = CurrentHost();
  const std::string program = host.programFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(program) / "tirvane_video_tests"));
  EXPECT_EQ(host.openFileDialog({"Open", "Snapshot|*.sna", "sna", "", ""}), std::nullopt);

  const std::string start = host.currentFolder();
  EXPECT_EQ(start, std::filesystem::current_path().string());
  EXPECT_FALSE(host.setCurrentFolder("/no/such/folder/here"));
  EXPECT_TRUE(host.setCurrentFolder("/"));
  EXPECT_EQ(host.currentFolder(), "/");
  EXPECT_TRUE(host.setCurrentFolder(start));
}

}  // namespace
}  // namespace tirvane
