// SPDX-License-Identifier: GPL-3.0-or-later
// A bare processor with 64 KB of RAM and the few CP/M services a console program needs: the
// program at 0100h, BDOS at 0005h (console output 2 and 9, console input 1, 6, 10 and 11 from a
// stream), the top of memory in the word at 0006h, and the warm boot at 0000h ending the run.
// `tirvane-headless --cpm PROGRAM.com` is RunCpmCommand.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

struct CpmOptions {
  std::string ProgramPath;
  CpuModel Cpu = CpuModel::Original;
  uint64_t MaxTStates = 0;  // 0: no bound
};

struct CpmResult {
  bool WarmBoot = false;  // false: stopped at MaxTStates
  uint64_t TStates = 0;
  uint64_t Instructions = 0;
};

// The arguments after the program name, --cpm among them.
std::optional<CpmOptions> ParseCpmArguments(std::span<const std::string> args, std::string& error);

// Runs the program (at most 65,280 bytes, loaded at 0100h) on processor 1 to its warm boot.
CpmResult RunCpmProgram(std::span<const uint8_t> program, const CpmOptions& options, std::istream& console,
                        std::ostream& out);

// The whole command: parse, load, run, and the closing line of T-states, instructions and
// emulated MHz. Exit status 0 at the warm boot, 1 when stopped or unreadable, 2 for bad arguments.
int RunCpmCommand(std::span<const std::string> args, std::istream& console, std::ostream& out, std::ostream& err);

}  // namespace tirvane
