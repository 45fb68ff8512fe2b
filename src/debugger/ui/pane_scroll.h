// SPDX-License-Identifier: GPL-3.0-or-later
// What the row views (disassembly, memory, trace) share about scrolling: wheel notches turned into
// rows, and a scroll bar kept in step with the view without echoing back into it.
#pragma once

#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace tirvane {

class WheelRows {
 public:
  // Rows to scroll by, negative towards the top: three per notch, as list views scroll; fine-grained
  // wheels add up to a notch first.
  int Take(QWheelEvent* event) {
    remainder_ += event->angleDelta().y();
    const int notches = remainder_ / 120;
    remainder_ -= notches * 120;
    event->accept();
    return -3 * notches;
  }

 private:
  int remainder_ = 0;
};

inline void SyncScrollBar(QScrollBar& bar, int value, int pageStep, int maximum) {
  const QSignalBlocker block(&bar);
  bar.setPageStep(pageStep);
  bar.setMaximum(maximum);
  bar.setValue(value);
}

}  // namespace tirvane
