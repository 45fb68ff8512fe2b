// SPDX-License-Identifier: GPL-3.0-or-later
// Text drawn by the row views at display rate. Shaping a string is most of what drawing it costs, and
// from one refresh to the next most rows read the same: each piece keeps its shaped text and shapes
// again only when its string changed.
#pragma once

#include <QPainter>
#include <QStaticText>
#include <vector>

namespace tirvane {

class RowText {
 public:
  // Before a paint: the pieces are then numbered in the order they are drawn.
  void Begin() { next_ = 0; }
  // text with its baseline at (x, baseline), as QPainter::drawText places it.
  void Draw(QPainter& painter, int x, int baseline, const QString& text) {
    if (next_ == pieces_.size()) pieces_.emplace_back();
    QStaticText& piece = pieces_[next_++];
    if (piece.text() != text || font_ != painter.font()) {
      piece.setTextFormat(Qt::PlainText);
      piece.setText(text);
      piece.prepare(QTransform(), painter.font());
    }
    font_ = painter.font();
    painter.drawStaticText(x, baseline - painter.fontMetrics().ascent(), piece);
  }

 private:
  std::vector<QStaticText> pieces_;
  size_t next_ = 0;
  QFont font_;
};

}  // namespace tirvane
