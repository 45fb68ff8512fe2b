// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a game runs under the debugger, in the desktop program's own windows (offscreen):
// instructions per second in Debug mode with the register window shown, and free-run speed with
// eight breakpoints listed and "Break" ticked as a fraction of free-run speed without; then the same
// with the debugger workspace open and every one of its panes on view.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDockWidget>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "app/ui/debugger_link.h"
#include "app/ui/game_screen.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_host.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/disasm_pane.h"
#include "debugger/ui/memory_pane.h"
#include "debugger/ui/register_pane.h"
#include "machine/romset.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/workspace.h"

namespace tirvane {
namespace {

// Bundled games in order of preference: the first drivers redraw a whole tile picture, the costly
// redraw Debug mode defers.
constexpr const char* PreferredDrivers[] = {"PACMAN", "GALAXIAN", "POOYAN", "GBERET", "LADYBUG", "SPECTRUM"};
constexpr double SliceSeconds = 0.5;

TfrmEmulator* window = nullptr;
Debugger* debugger = nullptr;
double freeRunCyclesPerSecond = 0;
double workspaceFreeRunCyclesPerSecond = 0;
double workspaceDebugInstructionsPerSecond = 0;
double breakRunCyclesPerSecond = 0;
double debugInstructionsPerSecond = 0;

bool SelectBundledGame() {
  for (const char* driver : PreferredDrivers) {
    const int index = window->cbDrivers->findText(driver, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) continue;
    window->cbDrivers->setCurrentIndex(index);
    window->cbDriversChange();
    if (window->lbGames->count() == 0) continue;
    window->lbGames->setCurrentRow(0);
    return true;
  }
  return false;
}

struct Slice {
  double Seconds = 0;
  uint64_t Pumps = 0;
  uint64_t Cycles = 0;
  uint64_t Frames = 0;
  double CpuSeconds = 0;  // the process's processor time: the figure a shared machine does not skew
};

// Starts the selected game, lets it warm up for a few pumps, measures for SliceSeconds from inside
// the message pump, and stops it: the figures cover the main loop alone.
Slice RunSlice() {
  Slice slice;
  QElapsedTimer clock;
  uint64_t warmUp = 8, cyclesAtStart = 0, framesAtStart = 0;
  std::clock_t cpuAtStart = 0;
  window->Host().PumpHook = [&] {
    if (!window->Run.Running()) return;
    if (warmUp > 0) {
      if (--warmUp == 0) {
        clock.start();
        cyclesAtStart = window->Run.CyclesRun();
        framesAtStart = window->Run.FramesRun();
        cpuAtStart = std::clock();
      }
      return;
    }
    ++slice.Pumps;
    if (clock.nsecsElapsed() >= SliceSeconds * 1e9) {
      slice.Seconds = clock.nsecsElapsed() / 1e9;
      slice.Cycles = window->Run.CyclesRun() - cyclesAtStart;
      slice.Frames = window->Run.FramesRun() - framesAtStart;
      slice.CpuSeconds = static_cast<double>(std::clock() - cpuAtStart) / CLOCKS_PER_SEC;
      window->sbStartClick();  // Stop
    }
  };
  window->sbStart->click();
  window->Host().PumpHook = nullptr;
  return slice;
}

void SetDebug(bool on) {
  if (window->cbDebug->isChecked() != on) window->cbDebug->setChecked(on);
}

void SetBreak(bool on, int breakpoints) {
  window->cbBreakPoint->setChecked(on);
  while (window->cbBreak->count() > 0) window->sbDelBreakClick();
  // Addresses the games never execute: the check runs at every instruction and never hits.
  for (int i = 0; i < breakpoints; ++i) window->AddBreakpoint("FF" + std::to_string(10 + i));
}

// Emulated T-states per second of wall clock over the benchmark's slices.
double CyclesPerSecond(benchmark::State& state) {
  double cycles = 0, seconds = 0;
  for (auto _ : state) {
    const Slice slice = RunSlice();
    state.SetIterationTime(slice.Seconds);
    cycles += slice.Cycles;
    seconds += slice.Seconds;
  }
  return cycles / seconds;
}

void FreeRun(benchmark::State& state) {
  SetDebug(false);
  SetBreak(false, 0);
  freeRunCyclesPerSecond = CyclesPerSecond(state);
  state.counters["MHz"] = freeRunCyclesPerSecond / 1e6;
}

void FreeRunWithEightBreakpoints(benchmark::State& state) {
  SetDebug(false);
  SetBreak(true, 8);
  breakRunCyclesPerSecond = CyclesPerSecond(state);
  SetBreak(false, 0);
  state.counters["MHz"] = breakRunCyclesPerSecond / 1e6;
  if (freeRunCyclesPerSecond > 0)
    state.counters["of_free_run"] = breakRunCyclesPerSecond / freeRunCyclesPerSecond;
}

// Debug mode runs one instruction per pass and pumps after each, so pumps count instructions.
double DebugInstructionsPerSecond(benchmark::State& state) {
  SetBreak(false, 0);
  SetDebug(true);
  double instructions = 0, seconds = 0;
  for (auto _ : state) {
    const Slice slice = RunSlice();
    state.SetIterationTime(slice.Seconds);
    instructions += static_cast<double>(slice.Pumps);
    seconds += slice.Seconds;
  }
  SetDebug(false);
  state.counters["instructions_per_s"] = instructions / seconds;
  return instructions / seconds;
}

void DebugModeWithRegisterWindow(benchmark::State& state) {
  debugInstructionsPerSecond = DebugInstructionsPerSecond(state);
}

// The workspace with no pane hidden behind another: the tabbed ones float beside it.
void OpenWorkspace() {
  debugger->SetClassic(false);
  DebuggerWorkspace& workspace = *debugger->Workspace;
  workspace.show();
  for (QDockWidget* dock : {workspace.BreakpointsDock, workspace.StopsDock, workspace.TraceDock, workspace.TilesDock})
    dock->setFloating(true);
}

void FreeRunWithWorkspaceOpen(benchmark::State& state) {
  SetDebug(false);
  SetBreak(false, 0);
  OpenWorkspace();
  workspaceFreeRunCyclesPerSecond = CyclesPerSecond(state);
  state.counters["MHz"] = workspaceFreeRunCyclesPerSecond / 1e6;
  if (freeRunCyclesPerSecond > 0)
    state.counters["of_free_run"] = workspaceFreeRunCyclesPerSecond / freeRunCyclesPerSecond;
}

void DebugModeWithWorkspace(benchmark::State& state) {
  OpenWorkspace();
  workspaceDebugInstructionsPerSecond = DebugInstructionsPerSecond(state);
}

// Debug mode with the workspace's trace in view, on every bundled game: frames per second of
// processor time as a share of the game's own rate, with "Limit speed" off so the figure is what one
// free core could do. Below 1 the game could not keep its pace with the trace showing.
void DebugModeTracedEveryGame(benchmark::State& state) {
  OpenWorkspace();
  debugger->Workspace->TraceDock->setFloating(false);
  debugger->Workspace->TraceDock->raise();
  SetBreak(false, 0);
  SetDebug(true);
  double worst = 1e9, seconds = 0;
  for (auto _ : state) {
    for (int d = 0; d < window->cbDrivers->count(); ++d) {
      window->cbDrivers->setCurrentIndex(d);
      window->cbDriversChange();
      for (int g = 0; g < window->lbGames->count(); ++g) {
        window->lbGames->setCurrentRow(g);
        const Slice slice = RunSlice();
        if (slice.CpuSeconds <= 0) continue;
        const double rate = slice.Frames / slice.CpuSeconds;
        const double share = rate / window->Run.FrameRate();
        std::fprintf(stderr, "%-10s %-40s %7.1f frames per processor second, %5.2f of its own rate\n",
                     qPrintable(window->cbDrivers->currentText()), qPrintable(window->lbGames->item(g)->text()),
                     rate, share);
        worst = std::min(worst, share);
        seconds += slice.Seconds;
      }
    }
    state.SetIterationTime(seconds);
  }
  SetDebug(false);
  SelectBundledGame();
  state.counters["worst_of_own_rate"] = worst;
}

// One display-rate refresh of a pane with every register and the memory changed since the last, painted
// at once: what the workspace costs the free run per display refresh.
template <typename Paint>
void PaneRefresh(benchmark::State& state, Paint paint) {
  OpenWorkspace();
  QCoreApplication::processEvents();  // the windows are exposed: repaint paints
  Z80Context z{};
  z.MemoryImage = MemoryImage;
  Z80Context* saved = ActiveContext;
  ActiveContext = &z;
  uint16_t n = 0;
  for (auto _ : state) {
    ++n;
    for (RegisterPair* pair : {&z.AF, &z.BC, &z.DE, &z.HL, &z.IX, &z.IY, &z.SP, &z.PC}) pair->w = n * 0x0101;
    for (int i = 0; i < 0x400; ++i) MemoryImage[(n + i) & 0xFFFF] = static_cast<uint8_t>(n + i);
    paint(*debugger->Workspace);
  }
  ActiveContext = saved;
}
void RefreshRegisterPane(benchmark::State& state) {
  PaneRefresh(state, [](DebuggerWorkspace& w) {
    w.Registers->Refresh();
    w.Registers->repaint();
  });
}
void RefreshMemoryPane(benchmark::State& state) {
  PaneRefresh(state, [](DebuggerWorkspace& w) {
    w.Memory->Refresh();
    w.Memory->View->repaint();
  });
}
void RefreshDisassemblyPane(benchmark::State& state) {
  PaneRefresh(state, [](DebuggerWorkspace& w) {
    w.Disassembly->Refresh(false);
    w.Disassembly->View->repaint();
  });
}
BENCHMARK(RefreshRegisterPane)->Unit(benchmark::kMillisecond);
BENCHMARK(RefreshMemoryPane)->Unit(benchmark::kMillisecond);
BENCHMARK(RefreshDisassemblyPane)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRun)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunWithEightBreakpoints)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(DebugModeWithRegisterWindow)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeRunWithWorkspaceOpen)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(DebugModeWithWorkspace)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(DebugModeTracedEveryGame)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tirvane

int main(int argc, char** argv) {
  using namespace tirvane;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TfrmEmulator frmEmulator(TIRVANE_BIN_DIR);
  // The workspace's layout goes to a settings file of the benchmark's own.
  QTemporaryDir settings;
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  Debugger debuggerWindows;
  debugger = &debuggerWindows;
  ConnectDebugger(frmEmulator, debuggerWindows);
  frmEmulator.Host().MessageBoxHook = [](const std::string&) {};
  frmEmulator.frmGameScreen->actLimitSpeed->setChecked(false);  // as fast as the host allows
  frmEmulator.show();
  window = &frmEmulator;
  if (!SelectBundledGame()) {
    std::fprintf(stderr, "no bundled game to run in %s\n", TIRVANE_BIN_DIR);
    return 1;
  }
  std::printf("game: %s [%s]\n", frmEmulator.lbGames->currentItem()->text().toStdString().c_str(),
              frmEmulator.cbDrivers->currentText().toStdString().c_str());

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("Debug mode, register window shown: %.0f instructions/s (goal at least 50000)\n",
              debugInstructionsPerSecond);
  if (freeRunCyclesPerSecond > 0)
    std::printf("Free run with eight breakpoints and Break ticked: %.0f%% of free run (goal at least 50%%)\n",
                100.0 * breakRunCyclesPerSecond / freeRunCyclesPerSecond);
  if (freeRunCyclesPerSecond > 0)
    std::printf("Free run with the workspace open, every pane on view: %.0f%% of free run (goal at least 90%%)\n",
                100.0 * workspaceFreeRunCyclesPerSecond / freeRunCyclesPerSecond);
  std::printf("Debug mode, workspace open (memory and trace panes on view, trace recording): %.0f instructions/s "
              "(goal at least 50000)\n",
              workspaceDebugInstructionsPerSecond);
  return 0;
}
