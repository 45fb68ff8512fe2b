// SPDX-License-Identifier: GPL-3.0-or-later
// For every description beside the programs (or those named on the command line), with a 60-second
// history: the history's memory after a minute of emulated time, free-run speed with and without
// recording (measured alternately on one machine), the time of one step back at random points of the
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

// Free run without and with the history recording, on one machine in alternate stretches of 16
// frames (one capture each): frames per second of each side, and the median of the stretches'
// speed ratios, which a stall of the host in one stretch does not move.
struct Speeds {
  double Plain, Recording, Ratio;
};
Speeds FreeRunSpeeds(Machine& m, int frames) {
  Clock::duration plain{}, recording{};
  std::vector<double> ratios;
  for (int done = 0; done < frames; done += 16) {
    Clock::duration spent[2];
    for (const bool record : {false, true}) {
      m.run.History = record ? &m.history : nullptr;
      const auto began = Clock::now();
      for (int i = 0; i < 16; ++i) m.run.RunPass();
      spent[record] = Clock::now() - began;
    }
    plain += spent[0];
    recording += spent[1];
    ratios.push_back(Seconds(spent[0]) / Seconds(spent[1]));
  }
  m.run.History = &m.history;
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  return {frames / Seconds(plain), frames / Seconds(recording), ratios[ratios.size() / 2]};
}

void Measure(const std::string& path) {
  Machine m(path, true);
  if (!m.ok) return;
  const int rate = m.run.FrameRate();
  const int minute = 60 * rate;
  for (int i = 0; i < minute; ++i) m.run.RunPass();
  const double megabytes = m.history.MemoryBytes() / 1048576.0;

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

  m.history.GoTo(newest);
  const Speeds speeds = FreeRunSpeeds(m, 3200);

  std::printf("%-28s %7.1f MB/min  %8.0f fps rec %8.0f fps plain  ratio %.3f  step back %5.2f ms avg %5.2f ms max"
              "  rewind %6.0f fps (%.0fx its %d Hz)\n",
              std::filesystem::path(path).filename().c_str(), megabytes, speeds.Recording, speeds.Plain, speeds.Ratio,
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
