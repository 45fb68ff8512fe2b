// SPDX-License-Identifier: GPL-3.0-or-later
// Text typed into a machine key by key, as fast as the machine takes the keys. No fixed pace can
// work: a BASIC checking a long line is deaf to keys for hundreds of frames, and keys pressed then
// are lost. So each key is held until the machine shows it has taken it (see TypingSigns), let go
// until the machine has seen it go, and after Return nothing is pressed until the machine waits for
// a new line. A key the machine does not take within the time-out ends the typing with a message
// naming it, rather than the rest being typed into a machine that is not listening.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/driver.h"

namespace tirvane {

struct TypingPace {
  // Frames a key may wait to be taken, or to be seen let go, before typing gives up: 30 s of a
  // 50-frame machine, far beyond the few hundred frames BASIC spends on its longest line.
  int KeyTimeoutFrames = 1500;
  // The first key waits, as after Return, until the machine is ready for a line: typing may be
  // asked for while the machine is still starting.
  bool WaitUntilReady = true;
};

// How the machine is read: its own signs where it has them, else the looks at each key.
struct TypingProbe {
  TypingSigns Signs;
  int Looks = 3;
};

class KeyTyper {
 public:
  // Replaces what is still to be typed with the text (UTF-8; CR LF and a lone CR are newlines).
  // Returns how many characters have no chord on this machine; they are left out.
  int Type(std::string_view utf8, CharacterKeysFn keysFor, const TypingProbe& probe, const TypingPace& pace = {});
  // Lets go of the keys held and forgets the rest of the text.
  void Cancel();
  bool Busy() const { return next_ < steps_.size(); }
  // Why the last text was not typed to its end (a key not taken in time); empty otherwise.
  const std::string& StopMessage() const { return stopMessage_; }
  // Frames the last text has waited for the machine to be ready for a line (after Return).
  uint64_t ReadyWaitFrames() const { return readyWaitFrames_; }

  // Before each pass that runs instructions: the current chord is held, whatever else set the keys.
  void Hold() const;
  // After each frame: reads the machine and moves on when it has taken or let go of the key.
  void FrameEnded();

 private:
  enum class Phase { Ready, Release, Press };
  struct Step {
    KeyChord Chord;
    int Line, Column;  // from 1, in characters
    std::string Text;  // the character as UTF-8
    bool Newline;
  };
  void SetChord(const KeyChord& chord, uint8_t held) const;
  void Enter(Phase phase);
  bool LookedAt(const KeyChord& chord) const;
  bool ReleaseSeen() const;
  void Advance();
  void GiveUp();

  std::vector<Step> steps_;
  size_t next_ = 0;
  TypingProbe probe_;
  int timeout_ = 1500;
  Phase phase_ = Phase::Press;
  int phaseFrames_ = 0;
  KeyChord released_{};           // let go in the release phase
  uint32_t looksAtStart_[2]{};    // KeyLooks of the chord watched when the phase began
  std::string stopMessage_;
  uint64_t readyWaitFrames_ = 0;
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
