// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the core's frame loop on our own CPU-bound program, against libz80ex running the
// same program in the same process. One pass of the program's outer loop is the unit of work, since
// the two cores count T-states differently (our tables charge a block move and a taken branch once).
// The core also runs with exact timing, whose speed is compared with the default tables'.
#include <z80ex/z80ex.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "z80/z80.h"

namespace {

// Thread CPU time, not wall time: on a shared host the other processes' share does not count.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr uint16_t RomEnd = 0x4000;
// The three cores run in alternating slices and each keeps its best slice.
constexpr int Rounds = 12;
constexpr double SliceSeconds = 0.12;

std::array<uint8_t, 65536> rom{};
uint64_t passes = 0;

struct Rate {
  double passesPerSecond = 0;
  double tStatesPerPass = 0;  // in the measured core's own T-states
};

// Each core has its own memory, so the slices can alternate without disturbing each other's program.
struct TirvaneRun {
  TirvaneRun(bool directReads, bool exact) : directReads(directReads), exact(exact) { memory = rom; }

  void install() {
    using namespace tirvane;
    current = this;
    Z80Context& z = Z80Contexts[0];
    z = saved;
    z.MemoryImage = memory.data();
    z.RomLimit = RomEnd;
    // FFFEh: every address the program touches is read from the image; FFFFh: none is.
    z.DirectReadLimit = directReads ? 0xFFFE : 0xFFFF;
    z.ReadHandler = [](uint16_t a) { return current->memory[a]; };
    z.WriteHandler = [](uint8_t v, uint16_t a) { current->memory[a] = v; };
    z.PortOutHandler = [](uint8_t, uint8_t) { ++passes; };
    z.PortInHandler = [](uint16_t) -> uint8_t { return 0xFF; };
    z.FrameHandler = [] {};
    z.IrqState.Value = 0x01000000;
    z.ExactTiming = exact ? 1 : 0;
  }

  // Runs whole frames for about the given time; returns passes, seconds and T-states.
  void slice(double seconds, Rate& best) {
    install();
    const uint64_t startPasses = passes;
    uint64_t frames = 0;
    const double start = cpuSeconds();
    double elapsed = 0;
    do {
      for (int i = 0; i < 50; ++i) tirvane::RunFrame(1);
      frames += 50;
      elapsed = cpuSeconds() - start;
    } while (elapsed < seconds);
    saved = tirvane::Z80Contexts[0];
    const double done = static_cast<double>(passes - startPasses);
    if (done / elapsed > best.passesPerSecond)
      best = {done / elapsed, static_cast<double>(frames) * tirvane::FrameCycles / done};
  }

  bool directReads;
  bool exact;
  std::array<uint8_t, 65536> memory{};
  tirvane::Z80Context saved = [] {
    tirvane::Z80Context z{};
    z.SP.w = 0xF000;
    return z;
  }();
  static inline TirvaneRun* current = nullptr;
};

struct Z80exRun {
  Z80exRun() {
    memory = rom;
    cpu = z80ex_create([](Z80EX_CONTEXT*, Z80EX_WORD a, int,
                          void* self) -> Z80EX_BYTE { return static_cast<Z80exRun*>(self)->memory[a]; },
                       this,
                       [](Z80EX_CONTEXT*, Z80EX_WORD a, Z80EX_BYTE v, void* self) {
                         if (a >= RomEnd) static_cast<Z80exRun*>(self)->memory[a] = v;
                       },
                       this, [](Z80EX_CONTEXT*, Z80EX_WORD, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr,
                       [](Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) { ++passes; }, nullptr,
                       [](Z80EX_CONTEXT*, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr);
    z80ex_reset(cpu);
  }
  ~Z80exRun() { z80ex_destroy(cpu); }
  Z80exRun(const Z80exRun&) = delete;
  Z80exRun& operator=(const Z80exRun&) = delete;

  void slice(double seconds, Rate& best) {
    const uint64_t startPasses = passes;
    uint64_t tStates = 0;
    const double start = cpuSeconds();
    double elapsed = 0;
    do {
      for (int i = 0; i < 100000; ++i) tStates += static_cast<uint64_t>(z80ex_step(cpu));
      elapsed = cpuSeconds() - start;
    } while (elapsed < seconds);
    const double done = static_cast<double>(passes - startPasses);
    if (done / elapsed > best.passesPerSecond) best = {done / elapsed, static_cast<double>(tStates) / done};
  }

  std::array<uint8_t, 65536> memory{};
  Z80EX_CONTEXT* cpu = nullptr;
};

}  // namespace

int main() {
  std::ifstream in(TIRVANE_Z80_WORKLOAD, std::ios::binary);
  const std::vector<char> program{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (program.empty() || program.size() > RomEnd) {
    std::fprintf(stderr, "cannot read the workload %s\n", TIRVANE_Z80_WORKLOAD);
    return 1;
  }
  std::copy(program.begin(), program.end(), rom.begin());

  Z80exRun z80ex;
  TirvaneRun directRun(true, false);
  TirvaneRun handlerRun(false, false);
  TirvaneRun exactRun(true, true);
  Rate reference, direct, handler, exact;
  // The first round only warms caches and predictors.
  for (int round = 0; round <= Rounds; ++round) {
    Rate warm;
    z80ex.slice(SliceSeconds, round == 0 ? warm : reference);
    directRun.slice(SliceSeconds, round == 0 ? warm : direct);
    handlerRun.slice(SliceSeconds, round == 0 ? warm : handler);
    exactRun.slice(SliceSeconds, round == 0 ? warm : exact);
  }

  // Emulated speed in the reference's T-states (the processor's real timing), so the three figures
  // measure the same work; the last column counts each core's own T-states.
  const double realTStatesPerPass = reference.tStatesPerPass;
  auto row = [&](const char* name, const Rate& r) {
    std::printf("%-32s %12.0f %14.1f %14.1f %8.2f\n", name, r.passesPerSecond,
                r.passesPerSecond * realTStatesPerPass / 1e6, r.passesPerSecond * r.tStatesPerPass / 1e6,
                r.passesPerSecond / reference.passesPerSecond);
  };
  std::printf("Z80 workload: one pass = %.0f T-states of processor timing, %.0f by our tables\n",
              realTStatesPerPass, direct.tStatesPerPass);
  std::printf("%-32s %12s %14s %14s %8s\n", "core", "passes/s", "MHz (Z80)", "MHz (own)", "ratio");
  row("libz80ex", reference);
  row("Tirvane, direct reads", direct);
  row("Tirvane, reads via ReadHandler", handler);
  row("Tirvane, direct reads, exact", exact);
  std::printf("exact timing / default timing (passes/s): %.3f\n", exact.passesPerSecond / direct.passesPerSecond);
  return 0;
}
