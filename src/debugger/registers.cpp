#include "debugger/registers.h"

#include "app/description.h"

namespace tirvane {

std::array<std::string, RegisterCount> RegisterTexts(const Z80Context& z) {
  const uint16_t values[RegisterCount] = {z.AF.w, z.BC.w, z.DE.w, z.HL.w, z.IX.w, z.IY.w, z.SP.w, z.PC.w};
  std::array<std::string, RegisterCount> texts;
  for (int i = 0; i < RegisterCount; ++i) texts[static_cast<size_t>(i)] = FormatHex(values[i], 4);
  return texts;
}

const char* DebugStateCaption(DebugStateKind state) {
  switch (state) {
    case DebugStateKind::Running: return "Debug (Running)";
    case DebugStateKind::Paused: return "Debug (Paused)";
    case DebugStateKind::Step: return "Debug (Step)";
  }
  return "Debug (Running)";
}

Z80Context RegisterSnapshot::AsContext() const {
  Z80Context z{};
  z.AF.w = AF;
  z.BC.w = BC;
  z.DE.w = DE;
  z.HL.w = HL;
  z.IX.w = IX;
  z.IY.w = IY;
  z.SP.w = SP;
  z.PC.w = PC;
  return z;
}

RepaintPacer::Clock::duration DisplayPeriod(double rateHz) {
  if (!(rateHz >= 1.0 && rateHz <= 1000.0)) rateHz = 60.0;
  return std::chrono::duration_cast<RepaintPacer::Clock::duration>(std::chrono::duration<double>(1.0 / rateHz));
}

}  // namespace tirvane
