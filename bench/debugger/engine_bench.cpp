// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger engine's cost, without windows, on the PACMAN demo: free run with the engine
// attached and idle, with eight watchpoints, with eight conditional breakpoints, and the traced run,
// each against plain free run measured in the same process; then instruction-by-instruction Debug
// mode with and without the trace.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "app/headless_host.h"
#include "run/run.h"
#include "debugger/debug_engine.h"

namespace tirvane {
namespace {

constexpr double SliceSeconds = 0.4;
const std::string Game = std::string(TIRVANE_BIN_DIR) + "/pacman_demo.ini";

struct Figures {
  double FreeRun = 0, Idle = 0, Watched = 0, Conditional = 0, Traced = 0;
  double DebugStep = 0, DebugStepTraced = 0;  // instructions per second
  int WatchHits = 0;
} figures;

// The emulating thread's processor time: the runs never sleep (no pacing), and on a machine shared
// with other work the wall clock would count the time the thread waited for a core.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Emulated T-states (or, counting passes, Debug-mode instructions) per second of the thread's processor time over
// one slice of a fresh run, set up by prepare.
double Measure(benchmark::State& state, const std::function<void(DebugEngine&)>& prepare, bool countPasses) {
  double total = 0, seconds = 0;
  for (auto _ : state) {
    HeadlessHost host(TIRVANE_BIN_DIR);
    ScopedHost scope(host);
    ResetRunControls();
    EmulationRun run;
    if (!run.Start(Game).Ok) {
      state.SkipWithError("cannot start the PACMAN demo");
      return 0;
    }
    // As the debugger's windows do, the picture is not redrawn after every Debug-mode step.
    run.DebugRedraw = [] {};
    std::optional<DebugEngine> engine;
    if (prepare) {
      engine.emplace(run);
      prepare(*engine);
    }
    for (int i = 0; i < 30; ++i) run.RunPass();  // past the demo's start-up
    const uint64_t cyclesBefore = run.CyclesRun();
    uint64_t passes = 0;
    const double began = ThreadSeconds();
    double elapsed = 0;
    while (elapsed < SliceSeconds) {
      for (int i = 0; i < 64; ++i) {
        run.RunPass();
        if (engine && DebugState == DebugStateKind::Paused) {  // a watchpoint the demo touched
          ++figures.WatchHits;
          engine->Run();
        }
      }
      passes += 64;
      elapsed = ThreadSeconds() - began;
    }
    state.SetIterationTime(elapsed);
    total += countPasses ? static_cast<double>(passes) : static_cast<double>(run.CyclesRun() - cyclesBefore);
    seconds += elapsed;
    engine.reset();
    run.Stop();
    run.RunLoop();
    ResetRunControls();
  }
  return total / seconds;
}

void FreeRun(benchmark::State& state) {
  figures.FreeRun = Measure(state, nullptr, false);
  state.counters["MHz"] = figures.FreeRun / 1e6;
}

void FreeRunEngineIdle(benchmark::State& state) {
  figures.Idle = Measure(state, [](DebugEngine&) {}, false);
  state.counters["of_free_run"] = figures.Idle / figures.FreeRun;
}

// RAM the demo leaves alone, one ROM byte it never reads as data (so reads from the memory image
// go through the watch too), both directions and a port.
void FreeRunEightWatchpoints(benchmark::State& state) {
  figures.Watched = Measure(
      state,
      [](DebugEngine& e) {
        for (uint16_t a : {0x4E80, 0x4E90, 0x4EA0})
          e.Watchpoints.Add({WatchSpace::Memory, a, static_cast<uint16_t>(a + 7), WatchWrite, {}, true});
        for (uint16_t a : {0x4EB0, 0x4EC0, 0x4ED0})
          e.Watchpoints.Add({WatchSpace::Memory, a, static_cast<uint16_t>(a + 7), WatchRead, {}, true});
        e.Watchpoints.Add({WatchSpace::Memory, 0x3FF8, 0x3FFF, WatchRead, {}, true});
        e.Watchpoints.Add({WatchSpace::Port, 0x77, 0x77, WatchReadWrite, {}, true});
      },
      false);
  state.counters["of_free_run"] = figures.Watched / figures.FreeRun;
}

void FreeRunEightConditionalBreakpoints(benchmark::State& state) {
  figures.Conditional = Measure(
      state,
      [](DebugEngine& e) {
        ConditionError error;
        // Addresses the demo never runs: the cost is the core's loop testing them.
        const char* addresses[] = {"3F00", "3F10", "3F20", "3F30", "3F40", "3F50", "3F60", "3F70"};
        for (const char* a : addresses) e.Breakpoints.Add(a, "A = 3 and (HL) <> 0", 1, nullptr, error);
      },
      false);
  state.counters["of_free_run"] = figures.Conditional / figures.FreeRun;
}

void FreeRunTraced(benchmark::State& state) {
  figures.Traced = Measure(state, [](DebugEngine& e) { e.TraceSink = [](const TraceEntry&) {}; }, false);
  state.counters["of_free_run"] = figures.Traced / figures.FreeRun;
}

void DebugModeStepping(benchmark::State& state) {
  figures.DebugStep = Measure(state, [](DebugEngine&) { DebugMode = true; }, true);
  state.counters["instructions_per_s"] = figures.DebugStep;
}

void DebugModeSteppingTraced(benchmark::State& state) {
  figures.DebugStepTraced = Measure(
      state,
      [](DebugEngine& e) {
        DebugMode = true;
        e.TraceEnabled = true;
      },
      true);
  state.counters["instructions_per_s"] = figures.DebugStepTraced;
}

BENCHMARK(FreeRun)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunEngineIdle)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunEightWatchpoints)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunEightConditionalBreakpoints)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunTraced)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(DebugModeStepping)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(DebugModeSteppingTraced)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tirvane

int main(int argc, char** argv) {
  using tirvane::figures;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (figures.FreeRun <= 0) return 1;
  std::printf("PACMAN demo, no windows; ratios against free run in this process\n");
  std::printf("free run: %.1f MHz emulated\n", figures.FreeRun / 1e6);
  std::printf("engine attached, nothing set: %.0f%% of free run (goal: as fast)\n", 100 * figures.Idle / figures.FreeRun);
  std::printf("eight watchpoints: %.0f%% of free run (goal at least 50%%), %d hits\n",
              100 * figures.Watched / figures.FreeRun, figures.WatchHits);
  std::printf("eight conditional breakpoints: %.0f%% of free run\n", 100 * figures.Conditional / figures.FreeRun);
  std::printf("trace of every instruction: %.0f%% of free run\n", 100 * figures.Traced / figures.FreeRun);
  std::printf("Debug mode, one instruction a pass: %.0f instructions/s; with the trace %.0f (%.0f%% of it, goal at least 70%%)\n",
              figures.DebugStep, figures.DebugStepTraced, 100 * figures.DebugStepTraced / figures.DebugStep);
  return 0;
}
