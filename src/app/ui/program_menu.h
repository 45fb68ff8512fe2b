// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's context menu for the program itself: which folder of descriptions it lists,
// and the About box.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace tirvane {

class TfrmEmulator;

// The QSettings key of the user's own folder of descriptions; absent: the bundled games.
inline constexpr const char* GamesFolderSetting = "GamesFolder";

// The folder the program lists at start-up: the remembered one while it exists, else the bundled
// descriptions beside the program or in its installed data folder.
std::string StartupGamesFolder();

// "Games folder…": while a game runs, says to stop it first, without asking; else lists and remembers
// the folder ask gives (empty: cancelled).
void ChooseGamesFolder(TfrmEmulator& window, const std::function<QString()>& ask);

// "Games folder…", "Bundled games" and "About Tirvane" on the main window's right-click menu.
void AddProgramMenu(TfrmEmulator& window);

// The license, the version and the Qt version, in a modal box over parent.
QString AboutText();
void ShowAboutBox(QWidget* parent);

}  // namespace tirvane
