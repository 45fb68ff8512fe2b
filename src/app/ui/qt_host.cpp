// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/qt_host.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>
#include <utility>

#include "app/ui/game_screen.h"
#include "app/ui/key_map.h"
#include "app/ui/settings.h"
#include "debugger/ui/game_pane.h"
#include "debugger/ui/workspace.h"
#include "run/run_controls.h"

namespace tirvane {

namespace {

bool IsTextField(const QWidget* widget) {
  if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
         qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

// Text fields, dialogs, open menus and windows that say they keep their keys (the debugger's, whose
// panes are moved through and typed into) keep them; every other key typed into our windows is the
// machine's, as are those typed into the debugger's game pane. The debugger's shortcuts are taken
// before any key reaches here, so they stay the debugger's there too.
bool KeysGoToMachine() {
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
  const QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) return true;
  if (focus->property(GameKeysProperty).toBool()) return true;
  return !IsTextField(focus) && !qobject_cast<const QDialog*>(focus->window()) &&
         !focus->window()->property(KeepsKeysProperty).toBool();
}

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
  if (chosenFile_) {
    const std::string file = *std::exchange(chosenFile_, std::nullopt);
    if (!FilterAccepts(request.Filter, file)) {
      messageBox("This machine does not load that kind of file:\r" + file + "\rIt loads " +
                 QtNameFilters(request.Filter).join(", ").toStdString() + ".");
      return std::nullopt;
    }
    lastFile_ = file;
    return file;
  }
  if (FileDialogHook) return lastFile_ = FileDialogHook(request);
  const QString title = QString::fromStdString(request.Title);
  QString folder = LastFolder(title);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QString::fromStdString(request.InitialFolder);
  QFileDialog dialog(dialogParent_, title, folder);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(QtNameFilters(request.Filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
  if (!request.InitialName.empty()) dialog.selectFile(QString::fromStdString(request.InitialName));
  ReleaseAllKeys();
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().first();
  SetLastFolder(title, QFileInfo(chosen).absolutePath());
  lastFile_ = chosen.toStdString();
  return lastFile_;
}

void QtHost::ChooseNextFile(const std::string& path) {
  chosenFile_ = path.empty() ? std::nullopt : std::optional<std::string>(path);
}

bool FilterAccepts(const std::string& filter, const std::string& path) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  const QString name = QFileInfo(QString::fromStdString(path)).fileName();
  for (qsizetype i = 1; i < parts.size(); i += 2)
    for (const QString& pattern : parts[i].split(';', Qt::SkipEmptyParts)) {
      const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                                        QRegularExpression::CaseInsensitiveOption);
      if (wildcard.match(name).hasMatch()) return true;
    }
  return false;
}

void QtHost::messageBox(const std::string& text) {
  ++messagesShown_;
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
      // Escape leaves full screen; otherwise it is a key like any other.
      if (keyEvent->key() == Qt::Key_Escape && gameScreen_.isFullScreen()) {
        if (event->type() == QEvent::KeyPress) gameScreen_.SetFullScreen(false);
        return true;
      }
      const bool machine = KeysGoToMachine();
      // The rewind key is no game key on any board: held, the game plays backwards.
      if (keyEvent->key() == RewindQtKey && machine && Controls().Running()) {
        if (!keyEvent->isAutoRepeat()) {
          RewindHeld = event->type() == QEvent::KeyPress;
          // The past came back with the keys held then; the machine goes on with those held now.
          if (!RewindHeld) {
            KeyState.fill(0);
            for (const auto& [scanCode, held] : heldByScanCode_) {
              KeyState[static_cast<int>(held.first)] = 1;
              if (held.second) KeyState[static_cast<int>(*held.second)] = 1;
            }
          }
        }
        return true;
      }
      // Auto-repeat arrives as release/press pairs; the key stays held throughout.
      if (keyEvent->isAutoRepeat()) {
        if (machine && Controls().Running()) return true;
        break;
      }
      const bool pressed = event->type() == QEvent::KeyPress;
      const quint32 scanCode = keyEvent->nativeScanCode();
      std::optional<VirtualKey> key = VirtualKeyFromQtKey(keyEvent->key());
      std::optional<VirtualKey> symbol = ShiftedDigitSymbol(keyEvent->key());
      // A key pressed for a text field is not the machine's; letting one go always is.
      if (pressed && !machine) break;
      if (scanCode != 0) {
        if (pressed && key) {
          heldByScanCode_[scanCode] = {*key, symbol};
        } else if (!pressed) {
          const auto held = heldByScanCode_.find(scanCode);
          if (held != heldByScanCode_.end()) {
            key = held->second.first;
            symbol = held->second.second;
            heldByScanCode_.erase(held);
          }
        }
      }
      if (key) KeyState[static_cast<int>(*key)] = pressed ? 1 : 0;
      if (symbol) KeyState[static_cast<int>(*symbol)] = pressed ? 1 : 0;
      // During a run a focused check box or button must not also take the key (Space would untick
      // "Screen 2x").
      if (machine && Controls().Running()) return true;
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
