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

bool SharesKey(const KeyChord& a, const KeyChord& b) {
  for (int i = 0; i < a.Count; ++i)
    for (int k = 0; k < b.Count; ++k)
      if (a.Keys[i] == b.Keys[k]) return true;
  return false;
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

int KeyTyper::Type(std::string_view utf8, CharacterKeysFn keysFor, const TypingPace& pace) {
  Cancel();
  int skipped = 0;
  ForEachCharacter(utf8, keysFor, [&](char32_t c, const KeyChord& chord, bool typable, std::string_view) {
    if (!typable) {
      ++skipped;
      return;
    }
    if (!steps_.empty() && SharesKey(steps_.back().Chord, chord))
      steps_.back().ReleaseFrames = std::max(steps_.back().ReleaseFrames, pace.RepeatReleaseFrames);
    steps_.push_back({chord, c == '\n' ? pace.NewlineReleaseFrames : pace.ReleaseFrames});
  });
  holdFrames_ = pace.HoldFrames;
  return skipped;
}

void KeyTyper::Cancel() {
  if (Busy() && frame_ < holdFrames_) SetChord(steps_[next_].Chord, 0);
  steps_.clear();
  next_ = 0;
  frame_ = 0;
}

void KeyTyper::SetChord(const KeyChord& chord, uint8_t held) const {
  for (int i = 0; i < chord.Count; ++i) KeyState[static_cast<int>(chord.Keys[i])] = held;
}

void KeyTyper::Hold() const {
  if (Busy() && frame_ < holdFrames_) SetChord(steps_[next_].Chord, 1);
}

void KeyTyper::FrameEnded() {
  if (!Busy()) return;
  ++frame_;
  if (frame_ == holdFrames_) SetChord(steps_[next_].Chord, 0);
  if (frame_ >= holdFrames_ + steps_[next_].ReleaseFrames) {
    ++next_;
    frame_ = 0;
    if (!Busy()) Cancel();
  }
}

std::string SkippedCharactersMessage(int skipped) {
  if (skipped <= 0) return {};
  return std::to_string(skipped) + (skipped == 1 ? " character" : " characters") +
         " cannot be typed on this machine and " + (skipped == 1 ? "was" : "were") + " skipped.";
}

}  // namespace tirvane
