// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/registers.h"

#include "text/text.h"

namespace tirvane {

std::array<std::string, RegisterCount> RegisterTexts(const RegisterSnapshot& registers) {
  std::array<std::string, RegisterCount> texts;
  for (size_t i = 0; i < texts.size(); ++i) texts[i] = FormatHex(registers.Values[i], 4);
  return texts;
}

std::array<NamedPair, NamedPairCount> NamedPairs(const Z80Context& z) {
  return {{{"AF", z.AF.w},
           {"BC", z.BC.w},
           {"DE", z.DE.w},
           {"HL", z.HL.w},
           {"IX", z.IX.w},
           {"IY", z.IY.w},
           {"SP", z.SP.w},
           {"PC", z.PC.w},
           {"AF'", z.AltAF.w},
           {"BC'", z.AltBC.w},
           {"DE'", z.AltDE.w},
           {"HL'", z.AltHL.w}}};
}

int InterruptModeNumber(const Z80Context& z) {
  static constexpr int Modes[] = {0, 1, 1, 2};
  return Modes[z.InterruptMode & 3];
}

const char* DebugStateCaption(DebugStateKind state) {
  switch (state) {
    case DebugStateKind::Running:
      return "Debug (Running)";
    case DebugStateKind::Paused:
      return "Debug (Paused)";
    case DebugStateKind::Step:
      return "Debug (Step)";
  }
  return "Debug (Running)";
}

RepaintPacer::Clock::duration DisplayPeriod(double rateHz) {
  if (!(rateHz >= 1.0 && rateHz <= 1000.0)) rateHz = 60.0;
  return std::chrono::duration_cast<RepaintPacer::Clock::duration>(
      std::chrono::duration<double>(1.0 / rateHz));
}

}  // namespace tirvane
