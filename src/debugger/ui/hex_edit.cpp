// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/hex_edit.h"

#include <QKeyEvent>
#include <QValidator>

namespace tirvane {

namespace {

bool IsHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Keeps text that arrives other than by typing (a paste, a drop) to hexadecimal digits, upper case.
class HexValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (QChar c : input)
      if (!IsHexDigit(c)) return Invalid;
    input = input.toUpper();
    return Acceptable;
  }
};

}  // namespace

HexEdit::HexEdit(QWidget* parent, int maxLength, const QString& text) : QLineEdit(parent) {
  setMaxLength(maxLength);
  setValidator(new HexValidator(this));
  setText(text);
}

void HexEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      QLineEdit::keyPressEvent(event);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      event->ignore();  // the dialog's business
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() == 1 && IsHexDigit(text[0]) &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    insert(text.toUpper());
  }
  event->accept();  // everything else is dropped
}

}  // namespace tirvane
