// SPDX-License-Identifier: GPL-3.0-or-later
// A host for loader tests: answers the file dialog with a chosen path, records every request,
// message, caption and folder change, and can be told to fail the folder restore.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "video/host.h"

namespace tirvane::testing {

class LoaderHost final : public Host {
 public:
  std::optional<std::string> DialogAnswer;
  bool FolderChangeWorks = true;

  std::vector<FileDialogRequest> Dialogs;
  std::vector<std::string> Messages;
  std::vector<std::string> Captions;
  std::vector<std::string> FolderChanges;
  int Presents = 0;
  int Pumps = 0;

  void presentScreen(const ScreenBitmap&, int, int, int, int) override { ++Presents; }
  void pumpMessages() override { ++Pumps; }
  std::optional<std::string> openFileDialog(const FileDialogRequest& request) override {
    Dialogs.push_back(request);
    return DialogAnswer;
  }
  void messageBox(const std::string& text) override { Messages.push_back(text); }
  void setCaption(const std::string& caption) override { Captions.push_back(caption); }
  std::string programFolder() override { return "/program/folder/"; }
  std::string currentFolder() override { return "/somewhere/else"; }
  bool setCurrentFolder(const std::string& folder) override {
    FolderChanges.push_back(folder);
    return FolderChangeWorks;
  }
};

// Installs a LoaderHost for the life of a test and gives files a private folder.
class LoaderHostScope {
 public:
  LoaderHostScope() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ =
        std::filesystem::path(::testing::TempDir()) / (std::string("tirvane_") + info->test_suite_name() +
                                                       "_" + info->name() + "_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    SetHost(&host_);
  }
  ~LoaderHostScope() {
    SetHost(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  LoaderHost& host() { return host_; }

  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string path = (folder_ / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

 private:
  LoaderHost host_;
  std::filesystem::path folder_;
};

}  // namespace tirvane::testing
