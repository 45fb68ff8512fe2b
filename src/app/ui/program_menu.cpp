// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/program_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QtGlobal>

#include "app/games_folder.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_host.h"
#include "tirvane_version.h"

namespace tirvane {
namespace {

std::string BundledFolder() {
  return BundledGamesFolder(QCoreApplication::applicationDirPath().toStdString());
}

constexpr const char* StopFirst = "Stop the game first: the games folder changes only while no game runs.";

bool GameRuns(const TfrmEmulator& window) { return window.Run.Running() || window.Run.LoopActive(); }

void UseFolder(TfrmEmulator& window, const std::string& folder, bool remember) {
  if (!window.ChangeGamesFolder(folder)) {
    window.Host().messageBox(StopFirst);
    return;
  }
  QSettings settings;
  if (remember) {
    settings.setValue(GamesFolderSetting, QString::fromStdString(folder));
  } else {
    settings.remove(GamesFolderSetting);
  }
}

}  // namespace

void ChooseGamesFolder(TfrmEmulator& window, const std::function<QString()>& ask) {
  // Said before the dialog: a folder picked only to be refused would be a choice thrown away.
  if (GameRuns(window)) {
    window.Host().messageBox(StopFirst);
    return;
  }
  const QString folder = ask();
  if (!folder.isEmpty()) UseFolder(window, folder.toStdString(), true);
}

std::string StartupGamesFolder() {
  const QString chosen = QSettings().value(GamesFolderSetting).toString();
  if (!chosen.isEmpty() && QDir(chosen).exists()) return chosen.toStdString();
  return BundledFolder();
}

void AddProgramMenu(TfrmEmulator& window) {
  auto* chooseFolder = new QAction("Games folder…", &window);
  chooseFolder->setObjectName("actGamesFolder");
  chooseFolder->setToolTip("List the descriptions (*.ini) of a folder of your own; remembered");
  QObject::connect(chooseFolder, &QAction::triggered, &window, [&window] {
    ChooseGamesFolder(window, [&window] {
      return QFileDialog::getExistingDirectory(&window, "Games folder", QString::fromStdString(window.GamesFolder()));
    });
  });
  auto* bundled = new QAction("Bundled games", &window);
  bundled->setObjectName("actBundledGames");
  QObject::connect(bundled, &QAction::triggered, &window,
                   [&window] { UseFolder(window, BundledFolder(), false); });
  auto* separator = new QAction(&window);
  separator->setSeparator(true);
  auto* about = new QAction("About Tirvane", &window);
  about->setObjectName("actAbout");
  QObject::connect(about, &QAction::triggered, &window, [&window] { ShowAboutBox(&window); });

  window.addActions({chooseFolder, bundled, separator, about});
  window.setContextMenuPolicy(Qt::ActionsContextMenu);
}

QString AboutText() {
  return QString(
             "<h3>Tirvane %1</h3>"
             "<p>An emulator of Z80-based machines with a built-in debugger.</p>"
             "<p>License: GNU General Public License, version 3 or (at your option) any later "
             "version (%2). This program comes with ABSOLUTELY NO WARRANTY; it is free software, "
             "and you are welcome to redistribute it under the terms of that license.</p>"
             "<p>Built with Qt %3 (running on Qt %4).</p>")
      .arg(TirvaneVersion, TirvaneLicense, QT_VERSION_STR, qVersion());
}

void ShowAboutBox(QWidget* parent) { QMessageBox::about(parent, "About Tirvane", AboutText()); }

}  // namespace tirvane
