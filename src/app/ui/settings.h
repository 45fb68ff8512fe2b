// SPDX-License-Identifier: GPL-3.0-or-later
// What the program remembers between launches: the main window's switches, the last game, where the
// debugger's windows stood, the folder of each file dialog and the last snapshots and cartridges.
#pragma once

#include <QPoint>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace tirvane {

// Off unless the program turns it on, so every test window starts from the same defaults.
inline bool PersistSettings = false;

// The program's settings, or nothing while they are off.
std::unique_ptr<QSettings> OpenSettings();

inline constexpr int RecentFileCount = 5;
// Newest first, at most RecentFileCount, each file once.
QStringList RecentFiles();
void AddRecentFile(const QString& path);

// The folder a file dialog with this title showed last, empty when none.
QString LastFolder(const QString& dialogTitle);
void SetLastFolder(const QString& dialogTitle, const QString& folder);

// Remembers where the window's frame stands whenever it moves or hides, and puts it back there when it
// is shown (after its own placement), kept on the screen of anchor.
void RememberPlace(QWidget& window, const QWidget* anchor);

}  // namespace tirvane
