// SPDX-License-Identifier: GPL-3.0-or-later
// Program start-up: the application title, the windows in their fixed order, only the main window
// shown, then the message loop until the main window closes.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/ui/debugger_link.h"
#include "app/ui/main_window.h"
#include "app/ui/program_menu.h"
#include "app/ui/settings.h"
#include "debugger/ui/debugger.h"
#include "tirvane_version.h"

int main(int argc, char* argv[]) {
  // Answered before Qt starts, so it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "tirvane " << tirvane::TirvaneVersion << '\n';
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(tirvane::ApplicationTitle);
  tirvane::PersistSettings = true;
  QApplication::setOrganizationName("Tirvane");

  // The main window creates the game screen after itself; the debugger windows follow it.
  tirvane::TfrmEmulator frmEmulator(tirvane::StartupGamesFolder());
  tirvane::Debugger debugger(&frmEmulator);
  tirvane::ConnectDebugger(frmEmulator, debugger);
  tirvane::AddProgramMenu(frmEmulator);
  frmEmulator.show();
  return application.exec();
}
