// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's list of the debugger engine's stops: breakpoints with a condition or a hit count,
// and watchpoints on memory or ports. The plain breakpoints keep their own pane and list.
#pragma once

#include <QDialog>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace tirvane {

class DebugEngine;

// Asks for an address or label, a condition and a hit count; OK adds the breakpoint to the engine,
// or keeps the dialog open with the error and the cursor at its position.
class ConditionDialog : public QDialog {
  Q_OBJECT

 public:
  ConditionDialog(DebugEngine& engine, QWidget* parent = nullptr);
  void accept() override;

  QLineEdit *Where, *Condition;
  QSpinBox* HitCount;
  QLabel* Error;

 private:
  DebugEngine& engine_;
};

// Asks for a memory range or a port, the access and an optional value test; OK adds the watchpoint.
class WatchpointDialog : public QDialog {
  Q_OBJECT

 public:
  WatchpointDialog(DebugEngine& engine, QWidget* parent = nullptr);
  void accept() override;

  QComboBox *Space, *Access, *Test;  // "Memory", "Port"; "Read", "Write", "Read or write"; "Any value", …
  QLineEdit *Range, *Value, *Mask;
  QLabel* Error;

 private:
  DebugEngine& engine_;
};

class StopPane : public QWidget {
  Q_OBJECT

 public:
  explicit StopPane(QWidget* parent = nullptr);

  // Not owned; null while no machine is attached, which leaves the buttons disabled.
  void SetEngine(DebugEngine* engine);
  // Relists, with the hit counts as they are now.
  void Refresh();
  void AddBreakpointClicked();
  void AddWatchpointClicked();
  void RemoveClicked();
  // Why the machine last stopped, above the list; empty hides the line.
  void ShowStop(const QString& text);

  QLabel* LastStop;
  QTreeWidget* List;
  QPushButton *AddBreakpoint, *AddWatchpoint, *Remove;

 private:
  DebugEngine* engine_ = nullptr;
  QString shown_;  // what the list shows, to relist only on a change
};

}  // namespace tirvane
