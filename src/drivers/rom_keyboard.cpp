// SPDX-License-Identifier: GPL-3.0-or-later
#include "drivers/rom_keyboard.h"

#include "machine/romset.h"

namespace tirvane {

namespace {

constexpr uint16_t KeySets[] = {0x5C00, 0x5C04};
constexpr uint16_t Flags = 0x5C3B;
constexpr uint8_t NewKey = 0x20;
constexpr uint16_t EditLine = 0x5C59;
constexpr uint16_t WorkSpace = 0x5C61;
constexpr uint16_t FlagX = 0x5C71;
constexpr uint8_t InputMode = 0x20;

uint16_t Word(uint16_t at) { return static_cast<uint16_t>(MemoryImage[at] | MemoryImage[at + 1] << 8); }

// The code a key set files the chord under: that of its key other than the two shifts, as the ROM's
// main key table has it (capital letters, digits, space, Return); -1 when the chord has none.
int MainCode(const KeyChord& chord) {
  for (int i = 0; i < chord.Count; ++i) {
    const auto k = static_cast<int>(chord.Keys[i]);
    if (k >= static_cast<int>(VirtualKey::A) && k <= static_cast<int>(VirtualKey::Z))
      return 'A' + k - static_cast<int>(VirtualKey::A);
    if (k >= static_cast<int>(VirtualKey::D0) && k <= static_cast<int>(VirtualKey::D9))
      return '0' + k - static_cast<int>(VirtualKey::D0);
    if (chord.Keys[i] == VirtualKey::Space) return ' ';
    if (chord.Keys[i] == VirtualKey::Return) return 0x0D;
  }
  return -1;
}

bool Remembered(const KeyChord& chord) {
  const int code = MainCode(chord);
  for (uint16_t set : KeySets)
    if (MemoryImage[set] == code) return true;
  return false;
}

// Filed and no longer waiting: the editor has taken it.
bool Taken(const KeyChord& chord) { return Remembered(chord) && (MemoryImage[Flags] & NewKey) == 0; }

// Before the ROM has set up its system variables they are 0, and the edit line is nowhere. An INPUT
// edits its own line at WORKSP instead, empty or, for a string, the two quotes it starts with.
bool Ready() {
  if ((MemoryImage[Flags] & NewKey) != 0) return false;
  const auto at = [](uint16_t address, uint8_t value) { return MemoryImage[address] == value; };
  if ((MemoryImage[FlagX] & InputMode) != 0) {
    const uint16_t input = Word(WorkSpace);
    return input >= 0x5C00 && input < 0xFFFD && (at(input, 0x0D) || (at(input, '"') && at(input + 1, '"') && at(input + 2, 0x0D)));
  }
  const uint16_t line = Word(EditLine);
  return line >= 0x5C00 && line < 0xFFFE && Word(WorkSpace) == line + 2 && at(line, 0x0D) && at(line + 1, 0x80);
}

}  // namespace

const TypingSigns RomKeyboardSigns{Taken, Remembered, Ready};

}  // namespace tirvane
