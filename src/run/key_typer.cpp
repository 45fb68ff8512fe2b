// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/key_typer.h"

#include <algorithm>

namespace tirvane {

namespace {

// Decodes one UTF-8 sequence; a malformed byte stands for itself, as U+FFFD, so it is counted and
// skipped rather than swallowing the characters after it.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || i + extra > text.size()) return 0xFFFD;
  char32_t value = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0xFFFD;
    value = value << 6 | (byte(i + k) & 0x3F);
  }
  i += extra;
  return value;
}

// Each character of the text with its chord, newlines normalised; false for those without one.
template <typename Fn>
void ForEachCharacter(std::string_view utf8, CharacterKeysFn keysFor, Fn fn) {
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    char32_t c = NextCodePoint(utf8, i);
    if (c == '\r') {
      if (i < utf8.size() && utf8[i] == '\n') ++i;
      c = '\n';
    }
    KeyChord chord{};
    const bool typable = keysFor != nullptr && keysFor(c, chord) && chord.Count >= 1 && chord.Count <= 2;
    fn(c, chord, typable, utf8.substr(start, i - start));
  }
}

}  // namespace

TypingCheck CheckTyping(std::string_view utf8, CharacterKeysFn keysFor) {
  TypingCheck check;
  ForEachCharacter(utf8, keysFor, [&check](char32_t, const KeyChord&, bool typable, std::string_view text) {
    if (typable)
      ++check.Typable;
    else if (check.Untypable.find(text) == std::string::npos)
      check.Untypable += text;
  });
  return check;
}

int KeyTyper::Type(std::string_view utf8, CharacterKeysFn keysFor, const TypingProbe& probe,
                   const TypingPace& pace) {
  Cancel();
  stopMessage_.clear();
  readyWaitFrames_ = 0;
  int skipped = 0;
  int line = 1;
  int column = 1;
  ForEachCharacter(utf8, keysFor, [&](char32_t c, const KeyChord& chord, bool typable, std::string_view text) {
    if (typable)
      steps_.push_back({chord, line, column, std::string(text), c == '\n'});
    else
      ++skipped;
    if (c == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  });
  probe_ = probe;
  probe_.Looks = std::max(probe_.Looks, 1);
  timeout_ = std::max(pace.KeyTimeoutFrames, 1);
  released_ = {};
  if (Busy()) Enter(pace.WaitUntilReady ? Phase::Ready : Phase::Release);
  return skipped;
}

void KeyTyper::Cancel() {
  if (Busy() && phase_ == Phase::Press) SetChord(steps_[next_].Chord, 0);
  steps_.clear();
  next_ = 0;
}

void KeyTyper::SetChord(const KeyChord& chord, uint8_t held) const {
  for (int i = 0; i < chord.Count; ++i) KeyState[static_cast<int>(chord.Keys[i])] = held;
}

void KeyTyper::Hold() const {
  if (Busy() && phase_ == Phase::Press) SetChord(steps_[next_].Chord, 1);
}

bool KeyTyper::LookedAt(const KeyChord& chord) const {
  for (int i = 0; i < chord.Count; ++i)
    if (KeyLooks[static_cast<int>(chord.Keys[i])] - looksAtStart_[i] < static_cast<uint32_t>(probe_.Looks))
      return false;
  return true;
}

bool KeyTyper::ReleaseSeen() const {
  if (probe_.Signs.Remembered != nullptr) return !probe_.Signs.Remembered(steps_[next_].Chord);
  return LookedAt(released_);
}

// Each phase is checked as it begins as well, so a machine that is already there costs no frame.
void KeyTyper::Enter(Phase phase) {
  phase_ = phase;
  phaseFrames_ = 0;
  const KeyChord& watched = phase == Phase::Press ? steps_[next_].Chord : released_;
  for (int i = 0; i < watched.Count && i < 2; ++i) looksAtStart_[i] = KeyLooks[static_cast<int>(watched.Keys[i])];
  if (phase == Phase::Ready && (probe_.Signs.Ready == nullptr || probe_.Signs.Ready()))
    Enter(Phase::Release);
  else if (phase == Phase::Release && ReleaseSeen())
    Enter(Phase::Press);
}

// The key is taken: it is let go, and the next waits for the machine to see that (or, after Return,
// to be ready for a new line).
void KeyTyper::Advance() {
  const KeyChord done = steps_[next_].Chord;
  const bool newline = steps_[next_].Newline;
  SetChord(done, 0);
  released_ = done;
  ++next_;
  if (!Busy()) {
    Cancel();
    return;
  }
  Enter(newline ? Phase::Ready : Phase::Release);
}

void KeyTyper::FrameEnded() {
  if (!Busy()) return;
  ++phaseFrames_;
  switch (phase_) {
    case Phase::Ready:
      ++readyWaitFrames_;
      if (probe_.Signs.Ready == nullptr || probe_.Signs.Ready()) Enter(Phase::Release);
      break;
    case Phase::Release:
      if (ReleaseSeen()) Enter(Phase::Press);
      break;
    case Phase::Press:
      if (probe_.Signs.Taken != nullptr ? probe_.Signs.Taken(steps_[next_].Chord) : LookedAt(steps_[next_].Chord))
        Advance();
      break;
  }
  if (Busy() && phaseFrames_ >= timeout_) GiveUp();
}

void KeyTyper::GiveUp() {
  const Step& step = steps_[next_];
  const std::string name = step.Newline ? "Return" : step.Text == " " ? "Space" : "\"" + step.Text + "\"";
  stopMessage_ = "Typing stopped at " + name + " (line " + std::to_string(step.Line) + ", column " +
                 std::to_string(step.Column) + "): the machine took no key for " + std::to_string(timeout_) +
                 " frames. The rest of the text was not typed.";
  Cancel();
}

std::string SkippedCharactersMessage(int skipped) {
  if (skipped <= 0) return {};
  return std::to_string(skipped) + (skipped == 1 ? " character" : " characters") +
         " cannot be typed on this machine and " + (skipped == 1 ? "was" : "were") + " skipped.";
}

}  // namespace tirvane
