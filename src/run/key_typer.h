// SPDX-License-Identifier: GPL-3.0-or-later
// Text typed into a machine key by key. A machine's keyboard routine reads the keys once a frame
// and only while its program waits for input, so every key is held and let go for whole frames,
// and longer where the program is known to be busy: after Return, and before a key that was just
// let go is pressed again (a routine that debounces sees it as one long press otherwise).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/driver.h"

namespace tirvane {

struct TypingPace {
  int HoldFrames = 3;
  int ReleaseFrames = 3;
  int RepeatReleaseFrames = 8;    // before the same key again
  int NewlineReleaseFrames = 40;  // after Return
};

class KeyTyper {
 public:
  // Replaces what is still to be typed with the text (UTF-8; CR LF and a lone CR are newlines).
  // Returns how many characters have no chord on this machine; they are left out.
  int Type(std::string_view utf8, CharacterKeysFn keysFor, const TypingPace& pace = {});
  // Lets go of the keys held and forgets the rest of the text.
  void Cancel();
  bool Busy() const { return next_ < steps_.size(); }

  // Before each pass that runs instructions: the current chord is held, whatever else set the keys.
  void Hold() const;
  // After each frame: advances, letting go of the chord when its frames are over.
  void FrameEnded();

 private:
  struct Step {
    KeyChord Chord;
    int ReleaseFrames;
  };
  void SetChord(const KeyChord& chord, uint8_t held) const;

  std::vector<Step> steps_;
  size_t next_ = 0;
  int frame_ = 0;  // frames of the current step already run
  int holdFrames_ = 3;
};

struct TypingCheck {
  int Typable = 0;         // characters that have a chord, newlines included
  std::string Untypable;   // each character without a chord once, as UTF-8
};
// What Type would type of the text and what it would skip, without typing anything.
TypingCheck CheckTyping(std::string_view utf8, CharacterKeysFn keysFor);

// The one message that counts the skipped characters; empty when none were.
std::string SkippedCharactersMessage(int skipped);

}  // namespace tirvane
