// SPDX-License-Identifier: GPL-3.0-or-later
// What the register window shows, as text: the eight register pairs, the flag names that are lit, and
// the window caption of each debugger state. Also the clock that keeps the debugger's repaints at the
// display's rate while the machine runs instruction by instruction.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "run/run.h"
#include "z80/z80.h"

namespace tirvane {

constexpr int RegisterCount = 8;
constexpr std::array<const char*, RegisterCount> RegisterNames = {"AF", "BC", "DE", "HL",
                                                                  "IX", "IY", "SP", "PC"};

struct FlagName {
  const char* Name;
  uint8_t Mask;
};
// In display order: the first row S, Z, H, P/V, the second N, C, UD5, UD3.
constexpr std::array<FlagName, 8> FlagNames = {{
    {"S", FlagS},
    {"Z", FlagZ},
    {"H", FlagH},
    {"P/V", FlagPV},
    {"N", FlagN},
    {"C", FlagC},
    {"UD5", FlagUD5},
    {"UD3", FlagUD3},
}};

const char* DebugStateCaption(DebugStateKind state);

// The eight pairs in the order of RegisterNames, as captured before an instruction: the run loop
// captures at every instruction and the window shows a capture only when the display can show it.
struct RegisterSnapshot {
  std::array<uint16_t, RegisterCount> Values{};
  static RegisterSnapshot Of(const Z80Context& z) {
    return {{z.AF.w, z.BC.w, z.DE.w, z.HL.w, z.IX.w, z.IY.w, z.SP.w, z.PC.w}};
  }
  uint8_t Flags() const { return static_cast<uint8_t>(Values[0] & 0xFF); }
};

// The twelve pairs every view names, main set then alternate set: the server's answers, the
// runner's --registers line and the register pane read them from here.
struct NamedPair {
  const char* Name;
  uint16_t Value;
};
constexpr int NamedPairCount = 12;
std::array<NamedPair, NamedPairCount> NamedPairs(const Z80Context& z);
// The mode IM set (0, 1 or 2) from the core's code for it.
int InterruptModeNumber(const Z80Context& z);

// Four upper-case hexadecimal digits each, in the order of RegisterNames.
std::array<std::string, RegisterCount> RegisterTexts(const RegisterSnapshot& registers);

// Says yes at most once per period. The first question after a quiet spell is answered at once, so a
// single step or a pause is never held back.
class RepaintPacer {
 public:
  using Clock = std::chrono::steady_clock;
  explicit RepaintPacer(Clock::duration period) : period_(period) {}

  void SetPeriod(Clock::duration period) { period_ = period; }
  Clock::duration Period() const { return period_; }

  bool Due(Clock::time_point now) {
    if (started_ && now - last_ < period_) return false;
    started_ = true;
    last_ = now;
    return true;
  }
  bool Due() { return Due(Clock::now()); }

 private:
  Clock::duration period_;
  Clock::time_point last_{};
  bool started_ = false;
};

// The period of a display refreshing rateHz times a second (60 when the rate is unknown).
RepaintPacer::Clock::duration DisplayPeriod(double rateHz);

}  // namespace tirvane
