// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of sound: each sound demo runs headless while it plays, and each bundled description of
// the boards with sound, once with its devices rendering into the mixer and the mixer resampling to
// 48 kHz, once with the mixer switched off (the devices then only latch their registers). Rounds
// alternate and each case keeps its best; the ratio of the frame times is what sound adds to a
// headless frame. Last, the 128K's sound chip playing against the same machine with it silent.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "devices/sound_mixer.h"
#include "drivers/spectrum_paging.h"
#include "run/run.h"

namespace tirvane {
namespace {

constexpr int Frames = 150;  // the demos play for longer than this
constexpr int Rounds = 25;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Seconds per frame over Frames frames from the start, or a negative figure when the start fails.
double Measure(const std::string& path, bool sound) {
  HeadlessHost host(FolderOf(path));
  ScopedHost scope(host);
  ResetRunControls();
  EmulationRun run;
  if (!run.Start(path).Ok) return -1;
  FrameSound.SetEnabled(sound);
  size_t samples = 0;
  run.SoundOut = [&samples](std::span<const int16_t> s, bool) { samples += s.size(); };
  const double began = cpuSeconds();
  for (int f = 0; f < Frames; ++f) run.RunPass();
  const double seconds = cpuSeconds() - began;
  run.Stop();
  run.RunLoop();
  FrameSound.SetEnabled(true);
  return seconds / Frames;
}

// The 128K running BASIC, its sound chip playing three tones, noise and an envelope on every
// channel (its busiest case short of the fastest periods) or silent: what the chip adds to a frame.
double MeasureAy(const std::string& path, bool playing) {
  HeadlessHost host(FolderOf(path));
  ScopedHost scope(host);
  ResetRunControls();
  EmulationRun run;
  if (!run.Start(path).Ok) return -1;
  run.SoundOut = [](std::span<const int16_t>, bool) {};
  const uint8_t registers[][2] = {{0, 200}, {2, 150}, {4, 95}, {6, 3}, {7, 0x00}, {11, 40}, {13, 0x0E},
                                  {8, 0x10}, {9, 0x0C}, {10, 0x10}};
  AyChip& ay = SpectrumState.Ay;
  for (const auto& [r, value] : registers) {
    ay.WriteAddress(r);
    ay.WriteData(playing || r < 8 ? value : 0, 0, FrameSound);
  }
  const double began = cpuSeconds();
  for (int f = 0; f < Frames; ++f) run.RunPass();
  const double seconds = cpuSeconds() - began;
  run.Stop();
  run.RunLoop();
  return seconds / Frames;
}

}  // namespace
}  // namespace tirvane

// "--chip-only" measures the sound chip's case alone.
int main(int argc, char** argv) {
  using namespace tirvane;
  const std::string folder = ExecutableFolder();
  const bool chipOnly = argc > 1 && std::string(argv[1]) == "--chip-only";
  std::printf("%-26s %14s %14s %8s\n", "demo", "us/frame sound", "us/frame none", "ratio");
  for (const char* name : chipOnly ? std::vector<const char*>{} : std::vector<const char*>{ {"beeper_demo.ini", "ay_demo_128k.ini", "spectrum_128k.ini", "coleco_sound_demo.ini",
                           "pacman_sound_demo.ini", "keyboard_demo.ini",
                           "opense_basic.ini", "coleco_demo.ini", "coleco_cart_demo.ini", "pacman_demo.ini",
                           "gberet_demo.ini", "ladybug_demo.ini"}}) {
    double with = 1e9, without = 1e9;
    for (int round = 0; round < Rounds; ++round) {
      with = std::min(with, Measure(folder + name, true));
      without = std::min(without, Measure(folder + name, false));
    }
    if (with < 0 || without < 0) {
      std::printf("%-26s cannot start\n", name);  // a system ROM that is not installed
      continue;
    }
    std::printf("%-26s %14.1f %14.1f %8.3f\n", name, with * 1e6, without * 1e6, with / without);
  }
  double with = 1e9, without = 1e9;
  for (int round = 0; round < Rounds; ++round) {
    with = std::min(with, MeasureAy(folder + "spectrum_128k.ini", true));
    without = std::min(without, MeasureAy(folder + "spectrum_128k.ini", false));
  }
  if (with > 0 && without > 0)
    std::printf("%-26s %14.1f %14.1f %8.3f\n", "128K BASIC, AY playing", with * 1e6, without * 1e6, with / without);
  return 0;
}
