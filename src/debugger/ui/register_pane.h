// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's registers and flags, editable: a value typed into a field (Return) or a flag box
// clicked goes straight into the active processor record, which the loop reads at its next pass.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QLineEdit;

namespace tirvane {

class DebugSession;

class RegisterPane : public QWidget {
  Q_OBJECT

 public:
  explicit RegisterPane(QWidget* parent = nullptr);

  // Fields being edited keep what the user typed.
  void Refresh();
  // No machine: every field empty.
  void Clear();

  static constexpr int FieldCount = 14;
  // AF BC DE HL IX IY SP PC AF' BC' DE' HL' I R, in that order.
  std::array<QLineEdit*, FieldCount> Fields{};
  std::array<QCheckBox*, 8> Flags{};  // in the order of FlagNames
  std::function<void()> Changed;      // after an edit reached the processor record
  DebugSession* Session = nullptr;    // the way edits reach the machine

 private:
  void Commit(int field);
  void FlagClicked(int flag, bool on);
};

}  // namespace tirvane
