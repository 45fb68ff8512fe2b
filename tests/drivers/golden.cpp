// SPDX-License-Identifier: GPL-3.0-or-later
#include "golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/headless_runner.h"
#include "video/screen.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane::testing {

namespace fs = std::filesystem;

namespace {

bool UpdatingGoldens() {
  const char* value = std::getenv("TIRVANE_UPDATE_GOLDENS");
  return value && std::string(value) == "1";
}

// Where a mismatching picture goes, so it can be looked at or promoted to the golden by hand.
std::string KeepActual(const IndexedImage& picture, const std::string& goldenName) {
  const fs::path folder = fs::path(TIRVANE_BIN_DIR).parent_path() / "golden-actual";
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  const std::string path = (folder / goldenName).string();
  std::string error;
  return WritePngIndexed(path, picture, error) ? path : "(not written: " + error + ")";
}

}  // namespace

::testing::AssertionResult SamePicture(const IndexedImage& actual, const IndexedImage& expected) {
  if (actual.Width != expected.Width || actual.Height != expected.Height ||
      actual.Pixels.size() != expected.Pixels.size())
    return ::testing::AssertionFailure() << "picture is " << actual.Width << "x" << actual.Height
                                         << ", golden is " << expected.Width << "x" << expected.Height;
  size_t differing = 0;
  size_t first = 0;
  bool used[256] = {};
  for (size_t i = 0; i < actual.Pixels.size(); ++i) {
    used[actual.Pixels[i]] = true;
    if (actual.Pixels[i] != expected.Pixels[i] && differing++ == 0) first = i;
  }
  if (differing > 0) {
    const int x = static_cast<int>(first % actual.Width);
    const int y = static_cast<int>(first / actual.Width);
    return ::testing::AssertionFailure()
           << differing << " of " << actual.Pixels.size() << " pixels differ; the first at (" << x << ", "
           << y << "): index " << int(actual.Pixels[first]) << ", golden " << int(expected.Pixels[first]);
  }
  for (int index = 0; index < 256; ++index) {
    if (!used[index]) continue;
    const Rgb& a = actual.Palette[index];
    if (index >= expected.PaletteSize)
      return ::testing::AssertionFailure() << "palette index " << index << " is beyond the golden's palette";
    const Rgb& e = expected.Palette[index];
    if (a.r != e.r || a.g != e.g || a.b != e.b)
      return ::testing::AssertionFailure()
             << "palette index " << index << " is (" << int(a.r) << ", " << int(a.g) << ", " << int(a.b)
             << "), golden (" << int(e.r) << ", " << int(e.g) << ", " << int(e.b) << ")";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult MatchesGolden(const std::string& iniName, int frames, const std::string& keys,
                                         const std::string& goldenName) {
  HeadlessOptions options;
  options.Description =
      fs::path(iniName).is_absolute() ? iniName : std::string(TIRVANE_BIN_DIR) + "/" + iniName;
  options.Frames = frames;
  // The pictures were made at the one frame length and the fixed timing tables every machine ran
  // with before descriptions gave their boards' own; demos that show counters of work done per
  // frame keep their pictures.
  options.FrameLength = FrameCycles;
  options.ExactTiming = false;
  std::string error;
  if (!keys.empty()) {
    auto ranges = ParseKeyRanges(keys, error);
    if (!ranges) return ::testing::AssertionFailure() << "keys \"" << keys << "\": " << error;
    options.Keys = std::move(*ranges);
  }

  const HeadlessResult run = RunHeadlessJob(options);
  if (!run.Ok) return ::testing::AssertionFailure() << iniName << " did not run: " << run.Error;
  if (!run.Messages.empty())
    return ::testing::AssertionFailure() << iniName << " showed a message: " << run.Messages.front();

  return MatchesGoldenPicture(run.Picture, goldenName);
}

::testing::AssertionResult MatchesGoldenPicture(const IndexedImage& picture, const std::string& goldenName) {
  std::string error;
  const std::string goldenPath = std::string(TIRVANE_GOLDEN_DIR) + "/" + goldenName;
  if (UpdatingGoldens()) {
    std::error_code ignored;
    fs::create_directories(TIRVANE_GOLDEN_DIR, ignored);
    if (!WritePngIndexed(goldenPath, picture, error))
      return ::testing::AssertionFailure() << "cannot write " << goldenPath << ": " << error;
    return ::testing::AssertionSuccess() << "wrote " << goldenPath;
  }

  const auto golden = ReadPngIndexed(goldenPath, error);
  if (!golden)
    return ::testing::AssertionFailure()
           << "no golden picture (" << error << "); actual picture at " << KeepActual(picture, goldenName)
           << "; create it with TIRVANE_UPDATE_GOLDENS=1 and look at it";
  ::testing::AssertionResult same = SamePicture(picture, *golden);
  if (!same) same << "; actual picture at " << KeepActual(picture, goldenName);
  return same;
}

IndexedImage ColourGroupSheet(int first, int groups, int pens) {
  constexpr int Block = 8, DriverColours = 10;  // driver colour n is palette index 10 + n
  IndexedImage sheet;
  sheet.Width = Block * pens;
  sheet.Height = Block * groups;
  for (int y = 0; y < sheet.Height; ++y)
    for (int x = 0; x < sheet.Width; ++x)
      sheet.Pixels.push_back(static_cast<uint8_t>(
          DriverColours + ColourLookup[(first + pens * (y / Block) + x / Block) % ColourLookupSize]));
  std::copy(std::begin(RgbTable), std::end(RgbTable), sheet.Palette.begin() + DriverColours);
  return sheet;
}

}  // namespace tirvane::testing
