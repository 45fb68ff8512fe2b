// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMargins>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace tirvane {

namespace {

// The frame of the last window we saw framed: the best guess for a window not framed yet.
QMargins knownMargins;

QMargins MarginsOf(const QWidget& window) {
  const QRect frame = window.frameGeometry(), client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

qint64 CoveredArea(const QRect& frame, std::span<const QRect> taken) {
  qint64 area = 0;
  for (const QRect& other : taken) {
    const QRect common = frame.intersected(other);
    if (!common.isEmpty()) area += qint64(common.width()) * common.height();
  }
  return area;
}

QRect AvailableFor(const QWidget& window, const QWidget* anchor) {
  const QScreen* screen = anchor != nullptr ? anchor->screen() : window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The window manager frames a window only after it maps it, and may then put the frame where the
// client was asked to go. For a few seconds after the window shows, every show, move, resize and
// activation (and a few timed checks, for a manager that sends none) moves the frame back there.
class FrameCorrector final : public QObject {
 public:
  FrameCorrector(QWidget& window, QPoint wanted) : QObject(&window), window_(window), wanted_(wanted) {
    setObjectName(Name);
    window.installEventFilter(this);
    if (window.isVisible()) ScheduleChecks();
  }
  static void Place(QWidget& window, QPoint wanted) {
    // Found by name: without a meta-object of its own, a cast would take any child for one.
    for (QObject* old : window.findChildren<QObject*>(Name, Qt::FindDirectChildrenOnly)) delete old;
    new FrameCorrector(window, wanted);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    if (event->type() == QEvent::Show) ScheduleChecks();
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
        QTimer::singleShot(0, this, [this] { Check(false); });
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void ScheduleChecks() {
    // A busy window manager may take seconds to frame the window.
    for (int delay : {100, 400, 1000, 2500}) QTimer::singleShot(delay, this, [this] { Check(false); });
    QTimer::singleShot(5000, this, [this] { Check(true); });
  }
  void Check(bool last) {
    if (!window_.isVisible()) return;
    const QMargins margins = MarginsOf(window_);
    // Qt may learn only later that the manager put the window elsewhere, so one right answer does not
    // end the watch; the last check does.
    if (!margins.isNull()) {
      knownMargins = margins;
      // A title bar above the screen's top cannot be grabbed: that is corrected more often (a strongly
      // scaled screen may be framed late, twice), any other difference three times.
      const QRect room = AvailableFor(window_, nullptr);
      const QRect frame = window_.frameGeometry();
      const bool offScreen = frame.top() < room.top() || frame.left() < room.left();
      if (frame.topLeft() != wanted_ && (offScreen ? ++offScreenCorrections_ <= 10 : ++corrections_ <= 3))
        window_.move(wanted_);
    }
    // Without a window manager (or one that never frames it) there is nothing to wait for.
    if (last) deleteLater();
  }

  static constexpr const char* Name = "frameCorrector";
  QWidget& window_;
  QPoint wanted_;
  int corrections_ = 0;
  int offScreenCorrections_ = 0;
};

}  // namespace

QPoint BestFramePosition(QSize frame, QPoint wanted, const QRect& available, std::span<const QRect> taken) {
  const int lastX = std::max(available.left(), available.right() + 1 - frame.width());
  const int lastY = std::max(available.top(), available.bottom() + 1 - frame.height());
  const auto inside = [&](QPoint p) {
    return QPoint(std::clamp(p.x(), available.left(), lastX), std::clamp(p.y(), available.top(), lastY));
  };
  QPoint best = inside(wanted);
  qint64 bestArea = CoveredArea(QRect(best, frame), taken);
  if (bestArea == 0) return best;
  qint64 bestDistance = 0;
  const auto consider = [&](QPoint p) {
    p = inside(p);
    const qint64 area = CoveredArea(QRect(p, frame), taken);
    const QPoint d = p - wanted;
    const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
    if (area < bestArea || (area == bestArea && distance < bestDistance)) {
      best = p;
      bestArea = area;
      bestDistance = distance;
    }
  };
  bestDistance = [&] {
    const QPoint d = best - wanted;
    return qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
  }();
  // Beside each window first, with the same 2-pixel gap the game screen keeps; then a coarse grid.
  constexpr int Gap = 2;
  for (const QRect& other : taken) {
    consider({other.right() + 1 + Gap, other.top()});
    consider({other.left(), other.bottom() + 1 + Gap});
    consider({other.left() - Gap - frame.width(), other.top()});
    consider({other.left(), other.top() - Gap - frame.height()});
  }
  constexpr int Step = 8;
  for (int y = available.top(); y <= lastY; y += Step)
    for (int x = available.left(); x <= lastX; x += Step) consider({x, y});
  return best;
}

QRect FrameGeometry(const QWidget& window) {
  const QMargins margins = MarginsOf(window);
  if (!margins.isNull() || window.isVisible()) {
    if (!margins.isNull()) knownMargins = margins;
    return window.frameGeometry();
  }
  // Unframed, pos() is already where the frame was asked to go.
  return {window.pos(), window.size().grownBy(knownMargins)};
}

void PlaceWindow(QWidget& window, QPoint wanted, const QWidget* anchor, bool avoid) {
  std::vector<QRect> taken;
  if (avoid) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
      if (other == &window || !other->isVisible() || other->isMinimized()) continue;
      if (other->windowType() == Qt::Popup || other->windowType() == Qt::ToolTip) continue;
      taken.push_back(FrameGeometry(*other));
    }
  }
  // A window never shown has the size it will be shown at, but Qt may still report a default one.
  const QSize frame = FrameGeometry(window).size();
  const QPoint at = BestFramePosition(frame, wanted, AvailableFor(window, anchor), taken);
  window.move(at);
  FrameCorrector::Place(window, at);
}

void KeepOnScreen(QWidget& window, const QWidget* anchor) {
  // A laid-out dialog takes its size only when its layout first runs.
  if (window.layout() != nullptr) window.layout()->activate();
  PlaceWindow(window, window.pos(), anchor, false);
}

}  // namespace tirvane
