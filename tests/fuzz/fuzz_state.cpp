// SPDX-License-Identifier: GPL-3.0-or-later
// The save-state loader against a running bundled game. The first byte picks the game, the second
// how the rest becomes a file:
//   0  the bytes are the file;
//   1  a true state of the game with the rest laid over it as (u32 offset, byte) pairs, sealed as
//      the program would write it, so the loader restores contents no capture ever held;
//   2  a true file with the pairs laid over its bytes and its checksum made right again, so the
//      header and payload checks are reached past the checksum.
// A refused file must leave the machine exactly as it was; an accepted one must run on.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "run/machine_state.h"
#include "run/run.h"
#include "run/state_file.h"
#include "video/screen.h"

using namespace tirvane;

namespace {

struct Fixture {
  HeadlessHost host{TIRVANE_BIN_DIR "/"};
  ScopedHost scope{host};
  EmulationRun run;
  std::vector<std::string> games;
  size_t current = SIZE_MAX;
  MachineState baseline;
  std::string path = std::filesystem::temp_directory_path() / ("fuzz_state_" + std::to_string(getpid()));

  Fixture() {
    for (const auto& entry : std::filesystem::directory_iterator(TIRVANE_BIN_DIR))
      if (entry.path().extension() == ".ini") games.push_back(entry.path().string());
    std::sort(games.begin(), games.end());
    if (games.empty()) __builtin_trap();
  }

  // The game started and run a few frames, then put back to that same point for every input.
  void Ready(size_t game) {
    if (game != current || !run.Running()) {
      if (run.Running()) run.Stop();
      run.RunLoop();
      ResetRunControls();
      if (!run.Start(games[game]).Ok) __builtin_trap();
      for (int frame = 0; frame < 3; ++frame) run.RunPass();
      CaptureMachineState(run, baseline);
      current = game;
    }
    if (!RestoreMachineState(run, baseline)) __builtin_trap();
    host.Messages.clear();
  }
};

void Overlay(std::vector<uint8_t>& bytes, const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 5 <= size && !bytes.empty(); i += 5) {
    const uint32_t offset = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | uint32_t(data[i + 3]) << 24;
    bytes[offset % bytes.size()] = data[i + 4];
  }
}

void Reseal(std::vector<uint8_t>& file) {
  if (file.size() < 8) return;
  const uint64_t sum = HashBytes(std::span(file).first(file.size() - 8));
  for (int i = 0; i < 8; ++i) file[file.size() - 8 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  if (size < 2) return 0;
  fixture.Ready(data[0] % fixture.games.size());
  EmulationRun& run = fixture.run;

  std::vector<uint8_t> file;
  switch (data[1] % 3) {
    case 0:
      file.assign(data + 2, data + size);
      break;
    case 1: {
      MachineState state;
      CaptureMachineState(run, state);
      std::vector<uint8_t> raw(state.Bytes().begin(), state.Bytes().end());
      Overlay(raw, data + 2, size - 2);
      state.Assign(raw);
      file = EncodeStateFile(run, state);
      break;
    }
    default:
      file = EncodeStateFile(run, fixture.baseline);
      Overlay(file, data + 2, size - 2);
      Reseal(file);
      break;
  }
  if (std::FILE* f = std::fopen(fixture.path.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  } else {
    __builtin_trap();
  }

  const uint64_t before = fixture.baseline.Hash();
  const StateFileCheck check = LoadStateFile(run, fixture.path);
  if (!check.Ok) {
    if (check.Message.empty()) __builtin_trap();
    MachineState after;
    CaptureMachineState(run, after);
    if (after.Hash() != before) __builtin_trap();
    return 0;
  }
  for (int frame = 0; frame < 2 && run.Running(); ++frame) run.RunPass();
  run.Redraw();
  return 0;
}
