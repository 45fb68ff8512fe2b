// SPDX-License-Identifier: GPL-3.0-or-later
// ZEXDOC as a speed test: the same CP/M program, the same number of T-states, on the Original
// processor, the Silicon processor and libz80ex, in thread CPU time, with the ratios between them.
// zex_bench [ZEXDOC.COM] [T-STATES]: by default the first 3,000 million T-states of the whole run's
// 46,700 million; pass 0 for the whole program.
#include <z80ex/z80ex.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "app/cpm_machine.h"

namespace {

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Figure {
  double seconds = 0;
  uint64_t tStates = 0;
  double mhz() const { return static_cast<double>(tStates) / seconds / 1e6; }
};

Figure RunOurs(const std::vector<uint8_t>& program, tirvane::CpuModel cpu, uint64_t budget) {
  tirvane::CpmOptions options;
  options.Cpu = cpu;
  options.MaxTStates = budget;
  std::istringstream console;
  std::ostringstream out;
  const double start = cpuSeconds();
  const tirvane::CpmResult result = tirvane::RunCpmProgram(program, options, console, out);
  return {cpuSeconds() - start, result.TStates};
}

std::vector<uint8_t> memory(65536);

Figure RunZ80ex(const std::vector<uint8_t>& program, uint64_t budget) {
  std::fill(memory.begin(), memory.end(), uint8_t{0});
  std::copy(program.begin(), program.end(), memory.begin() + 0x100);
  memory[5] = 0xC3, memory[6] = 0x00, memory[7] = 0xFE, memory[0xFE00] = 0xC9;
  Z80EX_CONTEXT* cpu = z80ex_create(
      [](Z80EX_CONTEXT*, Z80EX_WORD a, int, void*) -> Z80EX_BYTE { return memory[a]; }, nullptr,
      [](Z80EX_CONTEXT*, Z80EX_WORD a, Z80EX_BYTE v, void*) { memory[a] = v; }, nullptr,
      [](Z80EX_CONTEXT*, Z80EX_WORD, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr,
      [](Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) {}, nullptr,
      [](Z80EX_CONTEXT*, void*) -> Z80EX_BYTE { return 0xFF; }, nullptr);
  z80ex_reset(cpu);
  z80ex_set_reg(cpu, regPC, 0x0100);
  z80ex_set_reg(cpu, regSP, 0xFE00);
  uint64_t tStates = 0;
  const double start = cpuSeconds();
  for (;;) {
    tStates += static_cast<uint64_t>(z80ex_step(cpu));
    const uint16_t pc = z80ex_get_reg(cpu, regPC);
    if (pc == 0 || (budget != 0 && tStates >= budget)) break;
  }
  const double seconds = cpuSeconds() - start;
  z80ex_destroy(cpu);
  return {seconds, tStates};
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : TIRVANE_ZEXDOC;
  const uint64_t budget = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 3000000000ull;
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> program{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (program.empty()) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 1;
  }
  const Figure original = RunOurs(program, tirvane::CpuModel::Original, budget);
  const Figure silicon = RunOurs(program, tirvane::CpuModel::Silicon, budget);
  const Figure reference = RunZ80ex(program, budget);
  std::printf("ZEXDOC, %llu T-states each (thread CPU time)\n", static_cast<unsigned long long>(original.tStates));
  std::printf("%-24s %10s %10s %10s\n", "processor", "seconds", "MHz", "vs z80ex");
  auto row = [&](const char* name, const Figure& f) {
    std::printf("%-24s %10.2f %10.1f %10.2f\n", name, f.seconds, f.mhz(), f.mhz() / reference.mhz());
  };
  row("Original", original);
  row("Silicon (#cpu=exact)", silicon);
  row("libz80ex", reference);
  std::printf("Silicon / Original: %.3f\n", silicon.mhz() / original.mhz());
  return 0;
}
