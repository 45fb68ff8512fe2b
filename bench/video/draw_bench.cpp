// SPDX-License-Identifier: GPL-3.0-or-later
// One picture of a typical board: a 32 x 32 character map of 8 x 8 tiles covering 256 x 256 pixels,
// then 64 16 x 16 sprites in every orientation, some hanging over the edges so clipping is exercised.
#include <benchmark/benchmark.h>

#include <vector>

#include "video/screen.h"
#include "video/tiles.h"

namespace tirvane {
namespace {

std::vector<Tile> makeTiles(int count, int size) {
  std::vector<Tile> tiles(count);
  uint32_t seed = 12345;
  for (Tile& tile : tiles) {
    tile.Width = tile.Height = size;
    tile.Pixels.resize(size * size);
    for (uint8_t& pen : tile.Pixels) {
      seed = seed * 1103515245 + 12345;
      pen = (seed >> 16) & 3;  // two planes: a quarter of the pixels transparent
    }
  }
  return tiles;
}

void FullScreenTilemapAndSprites(benchmark::State& state) {
  CreateScreenBitmap();
  const auto chars = makeTiles(256, 8);
  const auto sprites = makeTiles(64, 16);
  for (int i = 0; i < ColourLookupSize; ++i) ColourLookup[i] = static_cast<uint8_t>(i);
  for (auto _ : state) {
    ClearScreen(0);
    for (int cell = 0; cell < 1024; ++cell) {
      DrawTileAddFast((cell & 31) * 8, (cell >> 5) * 8, static_cast<uint8_t>(10 + (cell & 7) * 4),
                      chars[(cell * 7) & 255]);
    }
    for (int s = 0; s < 64; ++s) {
      const int x = (s * 37) % 272 - 8, y = (s * 53) % 272 - 8;
      const uint8_t flags = static_cast<uint8_t>((s & 3) << 6);
      if (s & 1) {
        DrawTileAdd(x, y, static_cast<uint8_t>(42 + (s & 7) * 4), sprites[s], flags);
      } else {
        DrawTileLookup(x, y, static_cast<uint16_t>((s & 63) * 4), sprites[s], flags);
      }
    }
    benchmark::DoNotOptimize(Screen->Pixels.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  FreeScreenBitmap();
}
BENCHMARK(FullScreenTilemapAndSprites)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tirvane

BENCHMARK_MAIN();
