// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers the window tests share: running a game from a Start click while the test acts inside the
// message pump, and picking a game in the two lists as a user would.
#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QToolButton>
#include <functional>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/qt_host.h"

namespace tirvane::testing {

// Clicks Start; the main loop then runs inside the click, and atPump runs at every pump while the
// run is active, exactly where a user's click would be handled. atPump ends the run (a Stop click,
// closing the window); after timeoutSeconds the helper stops it and returns false.
inline bool RunGame(TfrmEmulator& window, const std::function<void()>& atPump, double timeoutSeconds = 30) {
  QElapsedTimer clock;
  clock.start();
  bool timedOut = false;
  window.Host().PumpHook = [&] {
    if (!window.Run.Running()) return;
    if (clock.elapsed() > timeoutSeconds * 1000) {
      timedOut = true;
      window.sbStartClick();
      return;
    }
    atPump();
  };
  window.sbStart->click();
  window.Host().PumpHook = nullptr;
  return !timedOut;
}

// Chooses the driver as the user does (which refills the game list), then the game by its title.
inline bool SelectGame(TfrmEmulator& window, const QString& driver, const QString& title) {
  const int driverIndex = window.cbDrivers->findText(driver, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (driverIndex < 0) return false;
  window.cbDrivers->setCurrentIndex(driverIndex);
  emit window.cbDrivers->activated(driverIndex);
  const auto found = window.lbGames->findItems(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (found.isEmpty()) return false;
  window.lbGames->setCurrentItem(found.first());
  return true;
}

}  // namespace tirvane::testing
