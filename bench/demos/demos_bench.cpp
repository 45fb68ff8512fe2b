// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every demo description in the program's folder (a file name or title containing "demo") for a
// few thousand frames in free run, as the headless runner does, and reports:
//   fps         whole frames per second
//   core_fps    frames per second counting only the time outside the driver's FrameHandler
//   draw_%      the FrameHandler's share of the frame time (drawing, presenting, interrupt requests)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "machine/description.h"
#include "app/headless_host.h"
#include "run/run.h"

namespace tirvane {
namespace {

constexpr int FramesPerDemo = 3000;

using Clock = std::chrono::steady_clock;

FrameHandlerFn driverFrameHandler = nullptr;
Clock::duration frameHandlerTime{};

// Sits in the FrameHandler slot in place of the driver's routine and times it.
void TimedFrameHandler() {
  const auto began = Clock::now();
  driverFrameHandler();
  frameHandlerTime += Clock::now() - began;
}

bool MarkedAsDemo(const std::string& text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return lower.find("demo") != std::string::npos;
}

std::vector<std::string> FindDemos(const std::string& folder) {
  std::vector<std::string> demos;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() != ".ini") continue;
    const std::string path = entry.path().string();
    CatalogueHeader header;
    const bool readable = ReadCatalogueHeader(path, header);
    if (MarkedAsDemo(entry.path().filename().string()) || (readable && MarkedAsDemo(header.Title)))
      demos.push_back(path);
  }
  std::sort(demos.begin(), demos.end());
  return demos;
}

void RunDemo(benchmark::State& state, const std::string& path) {
  HeadlessHost host(FolderOf(path));
  ScopedHost scope(host);
  ResetRunControls();

  EmulationRun run;
  const StartResult start = run.Start(path);
  if (!start.Ok) {
    state.SkipWithError(start.Message.c_str());
    return;
  }
  driverFrameHandler = ActiveContext->FrameHandler;
  ActiveContext->FrameHandler = TimedFrameHandler;
  frameHandlerTime = {};

  const auto began = Clock::now();
  for (auto _ : state) run.RunPass();
  const double total = std::chrono::duration<double>(Clock::now() - began).count();
  const double inHandler = std::chrono::duration<double>(frameHandlerTime).count();
  const double frames = static_cast<double>(run.FramesRun());

  state.counters["fps"] = frames / total;
  state.counters["core_fps"] = frames / std::max(total - inHandler, 1e-9);
  state.counters["draw_%"] = 100 * inHandler / total;
  state.counters["MHz"] = static_cast<double>(run.CyclesRun()) / total / 1e6;

  run.Stop();
  run.RunLoop();
}

}  // namespace
}  // namespace tirvane

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::string folder = tirvane::ExecutableFolder();
  const auto demos = tirvane::FindDemos(folder);
  if (demos.empty()) {
    std::printf("no demo descriptions in %s\n", folder.c_str());
    return 0;
  }
  for (const std::string& path : demos)
    benchmark::RegisterBenchmark(std::filesystem::path(path).filename().string().c_str(), tirvane::RunDemo,
                                 path)
        ->Iterations(tirvane::FramesPerDemo)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
