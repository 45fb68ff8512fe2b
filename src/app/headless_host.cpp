// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_host.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tirvane {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return WithSlash(fs::current_path(error).string());
  return WithSlash(exe.parent_path().string());
}

std::string FolderOf(const std::string& filePath) {
  std::error_code error;
  const fs::path absolute = fs::absolute(filePath, error);
  return WithSlash((error ? fs::path(filePath) : absolute).parent_path().string());
}

HeadlessHost::HeadlessHost(std::string programFolder)
    : programFolder_(programFolder.empty() ? ExecutableFolder() : WithSlash(std::move(programFolder))) {
  std::error_code error;
  currentFolder_ = WithSlash(fs::current_path(error).string());
}

void HeadlessHost::presentScreen(const ScreenBitmap&, int, int, int, int) { ++Presents; }

void HeadlessHost::pumpMessages() {
  ++Pumps;
  if (OnPump) OnPump();
}

std::optional<std::string> HeadlessHost::openFileDialog(const FileDialogRequest& request) {
  DialogRequests.push_back(request);
  if (DialogAnswers.empty()) return std::nullopt;
  std::string answer = std::move(DialogAnswers.front());
  DialogAnswers.pop_front();
  return answer;
}

void HeadlessHost::messageBox(const std::string& text) { Messages.push_back(text); }

void HeadlessHost::setCaption(const std::string& caption) { Caption = caption; }

bool HeadlessHost::setCurrentFolder(const std::string& folder) {
  // Descriptions name folders the way they were written on their home system.
  std::string name = folder;
  std::replace(name.begin(), name.end(), '\\', '/');
  fs::path target(name);
  if (target.is_relative()) target = fs::path(currentFolder_) / target;
  std::error_code error;
  if (!fs::is_directory(target, error)) return false;
  currentFolder_ = WithSlash(target.lexically_normal().string());
  return true;
}

}  // namespace tirvane
