// SPDX-License-Identifier: GPL-3.0-or-later
// A one-bit speaker with a second, quieter line beside it, both switched by the processor. Each
// write becomes a step at the T-state it happened, so the pitch a delay loop makes is exact.
#pragma once

#include <cstdint>

#include "devices/sound_mixer.h"

namespace tirvane {

struct Beeper {
  static constexpr uint8_t SpeakerBit = 0x10;
  static constexpr uint8_t QuietBit = 0x08;
  // The quiet line alone is about a tenth of the speaker.
  static constexpr int32_t SpeakerLevel = SoundMixer::FullScale;
  static constexpr int32_t QuietLevel = SoundMixer::FullScale / 10;

  uint8_t Lines;  // SpeakerBit and QuietBit as last written

  // The port value at the T-state it was written; bits other than the two lines are ignored.
  void Write(uint8_t value, uint32_t cycle, SoundMixer& mixer) {
    const auto lines = static_cast<uint8_t>(value & (SpeakerBit | QuietBit));
    if (lines == Lines) return;
    mixer.AddStep(mixer.TimeOfCycle(cycle), LevelOf(lines) - LevelOf(Lines));
    Lines = lines;
  }

  static int32_t LevelOf(uint8_t lines) {
    return ((lines & SpeakerBit) ? SpeakerLevel : 0) + ((lines & QuietBit) ? QuietLevel : 0);
  }
};

}  // namespace tirvane
