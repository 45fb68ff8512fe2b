// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/host.h"

#include <filesystem>
#include <system_error>

namespace tirvane {

std::array<uint8_t, VirtualKeyCount> KeyState{};
std::array<uint32_t, VirtualKeyCount> KeyLooks{};

namespace {

constexpr const char* KeyNames[VirtualKeyCount] = {
    "Left", "Right", "Up",  "Down", "Ctrl", "Shift", "Alt", "Tab", "Return", "Space", "F1", "F2",
    "F3",   "F4",    "F5",  "F6",   "F7",   "F8",    "F9",  "F10", "F11",    "F12",   "0",  "1",
    "2",    "3",     "4",   "5",    "6",    "7",     "8",   "9",   "A",      "B",     "C",  "D",
    "E",    "F",     "G",   "H",    "I",    "J",     "K",   "L",   "M",      "N",     "O",  "P",
    "Q",    "R",     "S",   "T",    "U",    "V",     "W",   "X",   "Y",      "Z",
    "Backspace", "Escape", "Minus", "Underscore", "Equals", "Plus", "Comma", "Less", "Period",
    "Greater", "Slash", "Question", "Semicolon", "Colon", "Apostrophe", "Quote", "Exclam", "At",
    "Hash", "Dollar", "Percent", "Caret", "Ampersand", "Asterisk", "ParenLeft", "ParenRight", "Pound",
};

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Serves until a program installs its own host: shows nothing, holds no keys, cancels every dialog,
// but answers the folder questions truthfully so file loading works without a window.
class QuietHost final : public Host {
 public:
  void presentScreen(const ScreenBitmap&, int, int, int, int) override {}
  void pumpMessages() override {}
  std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return std::nullopt; }
  void messageBox(const std::string&) override {}
  void setCaption(const std::string&) override {}

  std::string programFolder() override {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error || folder.empty()) folder = std::filesystem::current_path(error);
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') text += '/';
    return text;
  }

  std::string currentFolder() override {
    std::error_code error;
    return std::filesystem::current_path(error).string();
  }

  bool setCurrentFolder(const std::string& folder) override {
    std::error_code error;
    std::filesystem::current_path(folder, error);
    return !error;
  }
};

QuietHost DefaultHost;
Host* Installed = &DefaultHost;

}  // namespace

const char* VirtualKeyName(VirtualKey key) {
  const int index = static_cast<int>(key);
  return index >= 0 && index < VirtualKeyCount ? KeyNames[index] : "";
}

std::optional<VirtualKey> VirtualKeyFromName(const std::string& name) {
  for (int i = 0; i < VirtualKeyCount; ++i) {
    if (sameIgnoringCase(name, KeyNames[i])) return static_cast<VirtualKey>(i);
  }
  return std::nullopt;
}

Host& CurrentHost() { return *Installed; }

void SetHost(Host* host) { Installed = host != nullptr ? host : &DefaultHost; }

}  // namespace tirvane
