// SPDX-License-Identifier: GPL-3.0-or-later
// For every description beside the programs (or those named on the command line), with a 60-second
// history: the history's memory after a minute of emulated time, free-run speed with and without
// recording (measured alternately in one run), the time of one step back at random points of the
// minute, and rewinding speed in frames per second against the machine's own frame rate.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "run/history.h"
#include "run/run.h"

namespace tirvane {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Machine {
  explicit Machine(const std::string& path, bool record) : host(FolderOf(path)), scope(host) {
    ResetRunControls();
    if (record) run.History = &history;
    ok = run.Start(path).Ok;
  }
  ~Machine() {
    run.Stop();
    run.RunLoop();
  }
  HeadlessHost host;
  ScopedHost scope;
  EmulationRun run;
  RunHistory history{run};
  bool ok = false;
};

// Frames per second of free run, with or without the history recording.
double FreeRunSpeed(const std::string& path, bool record, int frames) {
  Machine m(path, record);
  if (!m.ok) return 0;
  const auto began = Clock::now();
  for (int i = 0; i < frames; ++i) m.run.RunPass();
  return frames / Seconds(Clock::now() - began);
}

void Measure(const std::string& path) {
  Machine m(path, true);
  if (!m.ok) return;
  const int rate = m.run.FrameRate();
  const int minute = 60 * rate;
  for (int i = 0; i < minute; ++i) m.run.RunPass();
  const double megabytes = m.history.MemoryBytes() / 1048576.0;

  // Alternate rounds so that a busy machine slows both sides alike.
  double with = 0, without = 0;
  for (int round = 0; round < 3; ++round) {
    without += FreeRunSpeed(path, false, 600);
    with += FreeRunSpeed(path, true, 600);
  }

  // Step back from random instructions of the minute: go there, then time the step alone.
  std::mt19937 random(1234);
  const HistoryPoint oldest = *m.history.Oldest();
  const HistoryPoint newest = m.history.Newest();
  double worst = 0, total = 0;
  constexpr int Tries = 40;
  for (int i = 0; i < Tries; ++i) {
    const uint64_t frame = oldest.Frame + 1 + random() % (newest.Frame - oldest.Frame - 1);
    m.history.GoTo({frame, static_cast<uint32_t>(random() % 4000)});
    const auto began = Clock::now();
    m.history.StepBack();
    const double ms = Seconds(Clock::now() - began) * 1000;
    worst = std::max(worst, ms);
    total += ms;
  }

  m.history.GoTo(newest);
  const auto began = Clock::now();
  int rewound = 0;
  while (rewound < 600 && m.history.RewindFrames(1)) ++rewound;
  const double rewindFps = rewound / Seconds(Clock::now() - began);

  std::printf("%-28s %7.1f MB/min  %8.0f fps rec %8.0f fps plain  ratio %.3f  step back %5.2f ms avg %5.2f ms max"
              "  rewind %6.0f fps (%.0fx its %d Hz)\n",
              std::filesystem::path(path).filename().c_str(), megabytes, with / 3, without / 3, with / without,
              total / Tries, worst, rewindFps, rewindFps / rate, rate);
}

}  // namespace
}  // namespace tirvane

int main(int argc, char** argv) {
  std::vector<std::string> paths(argv + 1, argv + argc);
  if (paths.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(TIRVANE_BIN_DIR))
      if (entry.path().extension() == ".ini") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
  }
  for (const std::string& path : paths) tirvane::Measure(path);
}
