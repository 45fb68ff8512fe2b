// SPDX-License-Identifier: GPL-3.0-or-later
// A host without windows, for the headless runner, tests and benchmarks: pictures and pumps are
// counted, message boxes collected, open-file dialogs answered from a queue.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "video/host.h"

namespace tirvane {

class HeadlessHost final : public Host {
 public:
  // programFolder ends with '/'; empty means the folder of the running executable.
  explicit HeadlessHost(std::string programFolder = {});

  void presentScreen(const ScreenBitmap& bitmap, int x, int y, int width, int height) override;
  void pumpMessages() override;
  std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
  void messageBox(const std::string& text) override;
  void setCaption(const std::string& caption) override;
  std::string programFolder() override { return programFolder_; }
  // The current folder is the host's own, starting at the process's: changing it never moves the
  // process, so runs in one test program cannot disturb each other's relative paths.
  std::string currentFolder() override { return currentFolder_; }
  bool setCurrentFolder(const std::string& folder) override;

  // Answers of the next open-file dialogs, in order; with the queue empty a dialog is cancelled.
  std::deque<std::string> DialogAnswers;
  std::vector<FileDialogRequest> DialogRequests;
  std::vector<std::string> Messages;
  std::string Caption;
  uint64_t Presents = 0;
  uint64_t Pumps = 0;
  // Runs inside every pump, where a window program would handle its clicks.
  std::function<void()> OnPump;

 private:
  std::string programFolder_;
  std::string currentFolder_;
};

// The folder of the running executable, ending with '/'.
std::string ExecutableFolder();
// The folder that holds a file, absolute and ending with '/'.
std::string FolderOf(const std::string& filePath);

// Makes a host current for the lifetime of the scope, then puts the previous one back.
class ScopedHost {
 public:
  explicit ScopedHost(Host& host) : previous_(&CurrentHost()) { SetHost(&host); }
  ~ScopedHost() { SetHost(previous_); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

}  // namespace tirvane
