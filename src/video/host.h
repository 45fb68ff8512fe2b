// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the emulation asks of the platform it runs on: the picture goes out, keys come in,
// messages are pumped, files are chosen and messages shown. The desktop program implements it with
// Qt; HeadlessHost serves tests and tools. Drivers read keys from KeyState without a call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tirvane {

struct ScreenBitmap;

enum class VirtualKey : uint8_t {
  Left, Right, Up, Down, Ctrl, Shift, Alt, Tab, Return, Space,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  D0, D1, D2, D3, D4, D5, D6, D7, D8, D9,
  A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
  Backspace, Escape,
  // The characters of the PC's punctuation keys, plain and shifted, and of its shifted digits. A
  // shifted digit also holds its digit, so boards that know only digits still see it.
  Minus, Underscore, Equals, Plus, Comma, Less, Period, Greater, Slash, Question, Semicolon, Colon,
  Apostrophe, Quote, Exclam, At, Hash, Dollar, Percent, Caret, Ampersand, Asterisk, ParenLeft,
  ParenRight, Pound,
  Count
};
constexpr int VirtualKeyCount = static_cast<int>(VirtualKey::Count);

// Held state of every virtual key, kept current by the host (1 = held).
extern std::array<uint8_t, VirtualKeyCount> KeyState;
// How often drivers have looked at each key, held or not: what tells typing that a program reads it.
extern std::array<uint32_t, VirtualKeyCount> KeyLooks;
inline bool KeyHeld(VirtualKey key) {
  const auto k = static_cast<size_t>(key);
  ++KeyLooks[k];
  return KeyState[k] != 0;
}

// Names as the headless runner's --keys option spells them: "Left", "Ctrl", "F1", "0", "A".
const char* VirtualKeyName(VirtualKey key);
std::optional<VirtualKey> VirtualKeyFromName(const std::string& name);

struct FileDialogRequest {
  std::string Title;
  std::string Filter;            // "Description|*.ext"
  std::string DefaultExtension;  // without the dot
  std::string InitialFolder;
  std::string InitialName;
};

class Host {
 public:
  virtual ~Host() = default;
  // The visible region of the bitmap, in palette indices; the host shows it at 1x or 2x.
  virtual void presentScreen(const ScreenBitmap& bitmap, int x, int y, int width, int height) = 0;
  // Lets the platform handle every pending message, then returns.
  virtual void pumpMessages() = 0;
  // A modal open-file dialog; nullopt when cancelled.
  virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
  // A modal message box with one OK button.
  virtual void messageBox(const std::string& text) = 0;
  virtual void setCaption(const std::string& caption) = 0;
  // The folder of the running program, ending with '/'.
  virtual std::string programFolder() = 0;
  virtual std::string currentFolder() = 0;
  virtual bool setCurrentFolder(const std::string& folder) = 0;
};

// The host everything reports to; a do-nothing host until a program installs its own.
// SetHost(nullptr) puts the do-nothing host back.
Host& CurrentHost();
void SetHost(Host* host);

}  // namespace tirvane
