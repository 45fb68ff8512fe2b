// SPDX-License-Identifier: GPL-3.0-or-later
// What handler-level driver tests share: a clean memory image, processor record, board records, key
// state and screen bitmap, a headless host that counts presents and pumps, and a few picture probes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "machine/description.h"
#include "app/headless_host.h"
#include "drivers/driver.h"
#include "machine/romset.h"
#include "video/host.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane::testing {

class BoardTest : public ::testing::Test {
 protected:
  BoardTest() : scope_(host_) {}

  void SetUp() override {
    std::memset(MemoryImage, 0, MemoryImageSize);
    for (Z80Context& context : Z80Contexts) context = Z80Context{};
    ActiveContext = &Z80Contexts[0];
    ActiveContext->MemoryImage = MemoryImage;
    KeyState.fill(0);
    Game = GameDescription{};
    ResetBoards();  // every board's record as at program start: one assignment each
    CreateScreenBitmap();
  }
  void TearDown() override {
    FreeScreenBitmap();
    KeyState.fill(0);
  }

  static void Hold(VirtualKey key) { KeyState[static_cast<int>(key)] = 1; }
  static void Release(VirtualKey key) { KeyState[static_cast<int>(key)] = 0; }

  static uint8_t Pixel(int x, int y) { return Screen->Pixels[y * BitmapStride + x]; }
  // Pixels of the whole bitmap that are not 0.
  static int LitPixels() {
    return static_cast<int>(
        std::count_if(Screen->Pixels.begin(), Screen->Pixels.end(), [](uint8_t p) { return p; }));
  }
  // Pixels that are not 0 inside [x0, x1) x [y0, y1).
  static int LitIn(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Pixel(x, y) != 0;
    return n;
  }

  HeadlessHost host_;

 private:
  ScopedHost scope_;
};

}  // namespace tirvane::testing
