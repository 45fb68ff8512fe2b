// SPDX-License-Identifier: GPL-3.0-or-later
// An edit field for hexadecimal numbers: typed digits show upper case, and every key other than a
// hexadecimal digit or Backspace is dropped (the dialog keys Return, Enter, Escape and Tab still reach
// the dialog). Pasted text is held to the same rule.
#pragma once

#include <QLineEdit>

namespace tirvane {

class HexEdit : public QLineEdit {
 public:
  HexEdit(QWidget* parent, int maxLength, const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tirvane
