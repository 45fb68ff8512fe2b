// SPDX-License-Identifier: GPL-3.0-or-later
// A CP/M program and its console input as the runner's --cpm gets them: byte 0 picks the processor,
// byte 1 how many of the following bytes are console input, the rest is the .com file. Whatever it
// does (BDOS calls with any registers, strings without their '$', writes over BDOS itself), the
// machine stays inside its memory and ends at the T-state bound.
#include <cstddef>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>

#include "app/cpm_machine.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  CpmOptions options;
  options.Cpu = (data[0] & 1) ? CpuModel::Silicon : CpuModel::Original;
  options.MaxTStates = 1000000;
  const size_t input = std::min<size_t>(data[1], size - 2);
  std::istringstream console(std::string(reinterpret_cast<const char*>(data + 2), input));
  std::ostringstream out;
  RunCpmProgram(std::span<const uint8_t>(data + 2 + input, size - 2 - input), options, console, out);
  return 0;
}
