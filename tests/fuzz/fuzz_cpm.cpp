// SPDX-License-Identifier: GPL-3.0-or-later
// A CP/M program and its console input as the runner's --cpm gets them: byte 0 picks the processor,
// byte 1 how many of the following bytes are console input, the rest is the .com file. Whatever it
// does (BDOS calls with any registers, strings without their '$', writes over BDOS itself), the
// machine stays inside its memory and ends at the T-state bound.
#include <cstddef>
#include <cstdint>
#include <span>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "app/cpm_machine.h"

using namespace tirvane;

namespace {

// Takes 64 KB and then fails, as a full or closed output would: a program printing 64 KB strings
// in a loop must end the run instead of the fuzzer's time.
class LimitedOutput : public std::streambuf {
 protected:
  int_type overflow(int_type ch) override {
    if (++written_ > 65536) return traits_type::eof();
    return ch;
  }

 private:
  size_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  CpmOptions options;
  options.Cpu = (data[0] & 1) ? CpuModel::Silicon : CpuModel::Original;
  options.MaxTStates = 1000000;
  const size_t input = std::min<size_t>(data[1], size - 2);
  std::istringstream console(std::string(reinterpret_cast<const char*>(data + 2), input));
  LimitedOutput sink;
  std::ostream out(&sink);
  RunCpmProgram(std::span<const uint8_t>(data + 2 + input, size - 2 - input), options, console, out);
  return 0;
}
