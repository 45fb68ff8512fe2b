// SPDX-License-Identifier: GPL-3.0-or-later
// Every description beside the program, started and run 100 frames so its screen and memory hold
// what a game shows, then saved to a state file and loaded back, each as a whole user action
// (capture or restore, compression, the file written or read). Reported per game:
//   Time         one save or one load, in ms (goal: under 5)
//   file_KB      the state file (goal: at most 100)
//   state_KB     the state before compression
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "run/machine_state.h"
#include "run/run.h"
#include "run/state_file.h"

namespace tirvane {
namespace {

constexpr int WarmFrames = 100;

std::string StatePath() {
  return (std::filesystem::temp_directory_path() / "tirvane_bench.state").string();
}

void SaveOrLoad(benchmark::State& state, const std::string& description, bool load) {
  HeadlessHost host(FolderOf(description));
  ScopedHost scope(host);
  ResetRunControls();
  EmulationRun run;
  const StartResult start = run.Start(description);
  if (!start.Ok) {
    state.SkipWithError(start.Message.c_str());
    return;
  }
  for (int frame = 0; frame < WarmFrames; ++frame) run.RunPass();
  const std::string path = StatePath();
  StateFileCheck check = SaveStateFile(run, path);
  for (auto _ : state) {
    check = load ? LoadStateFile(run, path) : SaveStateFile(run, path);
    if (!check.Ok) break;
  }
  if (!check.Ok) state.SkipWithError(check.Message.c_str());
  std::error_code error;
  state.counters["file_KB"] = static_cast<double>(std::filesystem::file_size(path, error)) / 1024;
  state.counters["state_KB"] = static_cast<double>(MachineStateSize(run)) / 1024;
  run.Stop();
  run.RunLoop();
  std::filesystem::remove(path, error);
}

}  // namespace
}  // namespace tirvane

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::string folder = tirvane::ExecutableFolder();
  std::vector<std::string> games;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == ".ini") games.push_back(entry.path().string());
  std::sort(games.begin(), games.end());
  if (games.empty()) std::printf("no descriptions in %s\n", folder.c_str());
  for (const std::string& path : games)
    for (const bool load : {false, true}) {
      const std::string name = std::string(load ? "load/" : "save/") + std::filesystem::path(path).stem().string();
      benchmark::RegisterBenchmark(name.c_str(), tirvane::SaveOrLoad, path, load)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.2);
    }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
