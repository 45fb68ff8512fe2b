// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the next modal dialog as a user would: the action runs once the dialog is up.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tirvane::testing {

inline void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 200) {
  QTimer::singleShot(triesLeft == 200 ? 0 : 5, [action = std::move(action), triesLeft]() mutable {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      action(dialog);
    } else if (triesLeft > 0) {
      WhenModal(std::move(action), triesLeft - 1);
    }
  });
}

}  // namespace tirvane::testing
