// SPDX-License-Identifier: GPL-3.0-or-later
// The run's history in the debugger: "Step back", "Run back", "Last write" on a byte, and where in
// the history the machine stands (frame and instruction). Going back pauses the machine there;
// running on from a past point drops the future it had.
#pragma once

#include <QWidget>
#include <bitset>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tirvane {

class RunHistory;

class HistoryPane : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryPane(QWidget* parent = nullptr);

  // Not owned; null leaves the buttons disabled.
  void SetHistory(RunHistory* history);
  // The position indicator, from the history as it stands.
  void Refresh();

  void StepBack();
  void RunBack();
  // The address in the field, hexadecimal.
  void LastWrite();

  // Pauses the machine before going back.
  std::function<void()> Pause;
  // The breakpoints a run back stops at; null when none.
  std::function<const std::bitset<0x10000>*()> Stops;
  // After any move through the history: the other panes show the machine there.
  std::function<void()> Moved;
  // One line of outcome for the status bar.
  std::function<void(const QString&)> Report;

  QPushButton *StepBackButton, *RunBackButton, *LastWriteButton;
  QLineEdit* Address;
  QLabel* Position;

 private:
  bool Ready();
  void Done(const QString& message);

  RunHistory* history_ = nullptr;
};

}  // namespace tirvane
