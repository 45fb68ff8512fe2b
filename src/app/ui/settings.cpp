// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/settings.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "debugger/ui/window_placement.h"

namespace tirvane {

std::unique_ptr<QSettings> OpenSettings() {
  if (!PersistSettings) return nullptr;
  return std::make_unique<QSettings>("Tirvane", "Tirvane");
}

QStringList RecentFiles() {
  const auto settings = OpenSettings();
  return settings ? settings->value("recent/files").toStringList() : QStringList();
}

void AddRecentFile(const QString& path) {
  const auto settings = OpenSettings();
  if (!settings) return;
  QStringList files = settings->value("recent/files").toStringList();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > RecentFileCount) files.removeLast();
  settings->setValue("recent/files", files);
}

// Titles may hold characters QSettings reads as group separators.
static QString FolderKey(const QString& dialogTitle) {
  return "folders/" + QString::fromLatin1(dialogTitle.toUtf8().toHex());
}

QString LastFolder(const QString& dialogTitle) {
  const auto settings = OpenSettings();
  return settings ? settings->value(FolderKey(dialogTitle)).toString() : QString();
}

void SetLastFolder(const QString& dialogTitle, const QString& folder) {
  if (const auto settings = OpenSettings()) settings->setValue(FolderKey(dialogTitle), folder);
}

namespace {

class PlaceKeeper final : public QObject {
 public:
  PlaceKeeper(QWidget& window, const QWidget* anchor) : QObject(&window), window_(window), anchor_(anchor) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    const QString key = "windows/" + window_.objectName();
    switch (event->type()) {
      case QEvent::Show:
        // After the window's own placement, which ran before show().
        if (const auto settings = OpenSettings(); settings && settings->contains(key)) {
          const QPoint place = settings->value(key).toPoint();
          QPointer<QWidget> window(&window_);
          QPointer<const QWidget> anchor(anchor_);
          QTimer::singleShot(0, &window_, [window, anchor, place] {
            if (window) PlaceWindow(*window, place, anchor, false);
          });
        }
        break;
      case QEvent::Move:
      case QEvent::Hide:
        if (window_.isVisible() || event->type() == QEvent::Hide)
          if (const auto settings = OpenSettings()) settings->setValue(key, FrameGeometry(window_).topLeft());
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget& window_;
  QPointer<const QWidget> anchor_;
};

}  // namespace

void RememberPlace(QWidget& window, const QWidget* anchor) {
  if (PersistSettings) new PlaceKeeper(window, anchor);
}

}  // namespace tirvane
