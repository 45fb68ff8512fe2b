// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's side of the host interface: pictures go to the game screen window, keys
// come from the program's own key events, the message pump is Qt's.
#pragma once

#include <QObject>
#include <Qt>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "video/host.h"

class QWidget;

namespace tirvane {

// Held down, plays the running game backwards through its history.
inline constexpr Qt::Key RewindQtKey = Qt::Key_PageUp;

class TfrmGameScreen;

class QtHost final : public QObject, public Host {
 public:
  // programFolder ends with '/'. Dialogs are modal to dialogParent.
  QtHost(TfrmGameScreen& gameScreen, QWidget* dialogParent, std::string programFolder);
  ~QtHost() override;

  void presentScreen(const ScreenBitmap& bitmap, int x, int y, int width, int height) override;
  void pumpMessages() override;
  std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
  void messageBox(const std::string& text) override;
  void setCaption(const std::string& caption) override;
  std::string programFolder() override { return programFolder_; }
  std::string currentFolder() override;
  bool setCurrentFolder(const std::string& folder) override;

  // Tests answer the dialogs instead of a person: when set, these run in place of the modal
  // windows and receive exactly what the user would have been shown.
  std::function<void(const std::string& text)> MessageBoxHook;
  std::function<std::optional<std::string>(const FileDialogRequest& request)> FileDialogHook;
  // Runs at the start of every pump, where the program's own handlers would run.
  std::function<void()> PumpHook;

  static void ReleaseAllKeys();
  // The next file dialog is answered with path instead of being shown, as when a file is dropped or
  // picked from "Recent"; a file the dialog's filter would not list is refused with a message. An
  // empty path withdraws the answer.
  void ChooseNextFile(const std::string& path);
  // The file the last dialog gave (or the chosen file it took), once; and how many messages have
  // been shown. A load that shows no message took its file: only then does it join "Recent".
  std::optional<std::string> TakeLastFile() { return std::exchange(lastFile_, std::nullopt); }
  int MessagesShown() const { return messagesShown_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TfrmGameScreen& gameScreen_;
  QWidget* dialogParent_;
  std::string programFolder_;
  // A key is released by its physical key, so Shift let go before "1" cannot leave "1" held.
  // The second key is a shifted digit's symbol.
  std::unordered_map<quint32, std::pair<VirtualKey, std::optional<VirtualKey>>> heldByScanCode_;
  std::optional<std::string> chosenFile_;
  std::optional<std::string> lastFile_;
  int messagesShown_ = 0;
};

// Whether a file dialog with this filter ("Description|*.a;*.b") would list the file.
bool FilterAccepts(const std::string& filter, const std::string& path);

// "Description|*.a;*.b|Other|*.c" as Qt name filters ("Description (*.a *.b)", "Other (*.c)").
QStringList QtNameFilters(const std::string& filter);

}  // namespace tirvane
