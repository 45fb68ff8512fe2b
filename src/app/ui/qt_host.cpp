// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/qt_host.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>

#include "app/ui/game_screen.h"
#include "app/ui/key_map.h"

namespace tirvane {

namespace {
QString Displayed(const std::string& text) {
  // Messages separate their parts with a bare CR, which Qt would not break on.
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
  shown.replace('\r', '\n');
  return shown;
}
}  // namespace

QtHost::QtHost(TfrmGameScreen& gameScreen, QWidget* dialogParent, std::string programFolder)
    : gameScreen_(gameScreen), dialogParent_(dialogParent), programFolder_(std::move(programFolder)) {
  if (programFolder_.empty() || programFolder_.back() != '/') programFolder_ += '/';
  qApp->installEventFilter(this);
}

QtHost::~QtHost() {
  qApp->removeEventFilter(this);
  ReleaseAllKeys();
}

void QtHost::presentScreen(const ScreenBitmap& bitmap, int x, int y, int width, int height) {
  gameScreen_.TakePicture(bitmap, x, y, width, height);
}

void QtHost::pumpMessages() {
  if (PumpHook) PumpHook();
  QCoreApplication::processEvents();
}

std::optional<std::string> QtHost::openFileDialog(const FileDialogRequest& request) {
  if (FileDialogHook) return FileDialogHook(request);
  QFileDialog dialog(dialogParent_, QString::fromStdString(request.Title),
                     QString::fromStdString(request.InitialFolder));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(QtNameFilters(request.Filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
  if (!request.InitialName.empty()) dialog.selectFile(QString::fromStdString(request.InitialName));
  ReleaseAllKeys();
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void QtHost::messageBox(const std::string& text) {
  if (MessageBoxHook) {
    MessageBoxHook(text);
    return;
  }
  ReleaseAllKeys();
  QMessageBox::information(dialogParent_, QCoreApplication::applicationName(), Displayed(text));
}

void QtHost::setCaption(const std::string& caption) {
  gameScreen_.setWindowTitle(QString::fromStdString(caption));
}

std::string QtHost::currentFolder() { return QDir::currentPath().toStdString(); }

bool QtHost::setCurrentFolder(const std::string& folder) {
  return QDir::setCurrent(QString::fromStdString(folder));
}

void QtHost::ReleaseAllKeys() { KeyState.fill(0); }

bool QtHost::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* keyEvent = static_cast<const QKeyEvent*>(event);
      // Auto-repeat arrives as release/press pairs; the key stays held throughout.
      if (keyEvent->isAutoRepeat()) break;
      const bool pressed = event->type() == QEvent::KeyPress;
      const quint32 scanCode = keyEvent->nativeScanCode();
      std::optional<VirtualKey> key = VirtualKeyFromQtKey(keyEvent->key());
      if (scanCode != 0) {
        if (pressed && key) {
          heldByScanCode_[scanCode] = *key;
        } else if (!pressed) {
          const auto held = heldByScanCode_.find(scanCode);
          if (held != heldByScanCode_.end()) {
            key = held->second;
            heldByScanCode_.erase(held);
          }
        }
      }
      if (key) KeyState[static_cast<int>(*key)] = pressed ? 1 : 0;
      break;
    }
    case QEvent::WindowDeactivate:
    case QEvent::ApplicationDeactivate:
      // A key let go while another window has the focus never reaches us.
      heldByScanCode_.clear();
      ReleaseAllKeys();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << parts[i].trimmed() + " (" + patterns.trimmed() + ")";
  }
  if (filters.isEmpty()) filters << "All files (*)";
  return filters;
}

}  // namespace tirvane
