// SPDX-License-Identifier: GPL-3.0-or-later
// A host that records the message boxes it is asked to show, installed for the lifetime of the object.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "video/host.h"

namespace tirvane {

class MessageHost : public Host {
 public:
  MessageHost() { SetHost(this); }
  ~MessageHost() override { SetHost(nullptr); }

  std::vector<std::string> Messages;
  // Runs inside each message box, where a person would click.
  std::function<void(const std::string&)> OnMessage;

  void presentScreen(const ScreenBitmap&, int, int, int, int) override { ++Presented; }
  void pumpMessages() override {}
  std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return std::nullopt; }
  void messageBox(const std::string& text) override {
    Messages.push_back(text);
    if (OnMessage) OnMessage(text);
  }
  void setCaption(const std::string&) override {}
  std::string programFolder() override { return "/"; }
  std::string currentFolder() override { return "/"; }
  bool setCurrentFolder(const std::string&) override { return true; }

  int Presented = 0;
};

}  // namespace tirvane
