// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/beeper.h"

namespace tirvane {

namespace {

float LevelOf(uint8_t lines) {
  return ((lines & Beeper::SpeakerBit) ? Beeper::SpeakerLevel : 0.0f) +
         ((lines & Beeper::QuietBit) ? Beeper::QuietLevel : 0.0f);
}

}  // namespace

void Beeper::Write(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
  const auto lines = static_cast<uint8_t>(value & (SpeakerBit | QuietBit));
  if (lines == Lines) return;
  mixer.AddStep(mixer.TimeOfCycle(cycle), LevelOf(lines) - LevelOf(Lines));
  Lines = lines;
}

}  // namespace tirvane
