// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's program menu: the About box's facts and switching the games folder.
#include <QAction>
#include <QListWidget>
#include <QtTest>

#include "app/ui/main_window.h"
#include "app/ui/program_menu.h"
#include "app/ui/game_screen.h"
#include "support/test_driver.h"
#include "ui_support.h"
#include "tirvane_version.h"

using namespace tirvane;
using testdriver::TempFolder;
using testdriver::WriteText;

class ProgramMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void menuOffersFolderAndAbout() {
    TfrmEmulator window(TIRVANE_BIN_DIR);
    AddProgramMenu(window);
    QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList names;
    for (QAction* action : window.actions()) names << action->objectName();
    for (const char* name : {"actGamesFolder", "actBundledGames", "actAbout"}) QVERIFY2(names.contains(name), name);

    const QString about = AboutText();
    for (const QString& fact : {QString(TirvaneVersion), QString("GPL-3.0-or-later"), QString(qVersion())})
      QVERIFY2(about.contains(fact), qPrintable(fact));
  }

  void changingTheFolderRelistsTheGames() {
    TempFolder folder("ui-games-folder");
    WriteText(folder / "mine.ini", "#TITLE=My Own\n#DRIVER=PACMAN\n");
    TfrmEmulator window(TIRVANE_BIN_DIR);
    QVERIFY(window.lbGames->count() > 0);
    QVERIFY(window.ChangeGamesFolder(folder.path().string()));
    QCOMPARE(window.cbDrivers->currentText(), QString("PACMAN"));
    QCOMPARE(window.lbGames->count(), 1);
    QCOMPARE(window.lbGames->item(0)->text(), QString("My Own"));
  }

  void whileAGameRunsTheFolderIsRefusedBeforeTheDialog() {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    TempFolder folder("ui-games-folder-run");
    testdriver::WriteCounterGame(folder, "TESTBOARD");
    TfrmEmulator window(folder.path().string());
    window.frmGameScreen->actLimitSpeed->setChecked(false);
    QStringList said;
    window.Host().MessageBoxHook = [&said](const std::string& text) { said << QString::fromStdString(text); };
    bool asked = false;
    QVERIFY(testing::RunGame(window, [&] {
      ChooseGamesFolder(window, [&asked] {
        asked = true;
        return QString();
      });
      window.sbStartClick();
    }));
    QVERIFY(!asked);
    QCOMPARE(said.size(), 1);
    QVERIFY(said[0].startsWith("Stop the game first"));
    ChooseGamesFolder(window, [&asked] {
      asked = true;
      return QString();
    });
    QVERIFY(asked);
  }
};

QTEST_MAIN(ProgramMenuTest)
#include "program_menu_test.moc"
