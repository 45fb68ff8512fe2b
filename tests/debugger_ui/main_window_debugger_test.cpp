// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger in the desktop program: its windows reached through the main window's controls
// while a game runs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QtTest>
#include <fstream>
#include <memory>

#include "app/ui/debugger_link.h"
#include "app/ui/game_screen.h"
#include "debugger/ui/breakpoint_dialog.h"
#include "debugger/ui/char_set_viewer.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/disasm_window.h"
#include "debugger/ui/game_pane.h"
#include "debugger/ui/workspace.h"
#include "debugger/ui/hex_edit.h"
#include "debugger/ui/sprite_set_viewer.h"
#include "modal.h"
#include "support/test_driver.h"
#include "ui/ui_support.h"

namespace tirvane {

namespace td = testdriver;

namespace {

Tile spriteTile{2, 2, {1, 1, 1, 1}};
TileSet spriteSet = [] {
  TileSet set;
  set.Name = "SPRITES 16x16";
  set.Tiles = {&spriteTile};
  set.Count = 1;
  set.Colours = 4;
  return set;
}();
TileSet* spriteSets[] = {&spriteSet};
void OneSet(int& count, TileSet**& sets) {
  count = 1;
  sets = spriteSets;
}

// The test board, once as it is and once naming a sprite set.
const DriverInfo Drivers[] = {
    td::TestDrivers[0],
    [] {
      DriverInfo row = td::TestDrivers[0];
      row.Name = "TESTSETS";
      row.Routines.SpriteSetsRoutine = OneSet;
      return row;
    }(),
};

}  // namespace

class MainWindowDebuggerTest : public QObject {
  Q_OBJECT

  std::unique_ptr<td::TempFolder> folder_;
  std::unique_ptr<TfrmEmulator> window_;
  std::unique_ptr<Debugger> debugger_;
  std::vector<std::string> messages_;

  void OpenWindow(const std::string& driver, const std::string& extraLines = "") {
    const std::string ini = td::WriteCounterGame(*folder_, driver);
    std::ofstream(ini, std::ios::app) << extraLines;
    window_ = std::make_unique<TfrmEmulator>(folder_->path().string());
    debugger_ = std::make_unique<Debugger>(window_.get());
    ConnectDebugger(*window_, *debugger_);
    window_->Host().MessageBoxHook = [this](const std::string& text) { messages_.push_back(text); };
    window_->frmGameScreen->actLimitSpeed->setChecked(false);
    window_->show();
  }

 private slots:
  void initTestCase() { EmulationRun::SetExtraDrivers(Drivers); }

  void init() {
    td::calls = {};
    messages_.clear();
    MemoryImage[0x8000] = 0;
    folder_ = std::make_unique<td::TempFolder>("ui-debugger");
  }

  void cleanup() {
    if (window_ && window_->cbDebug->isChecked()) window_->cbDebug->setChecked(false);
    DebugState = DebugStateKind::Running;
    debugger_.reset();
    window_.reset();
    folder_.reset();
  }

  void BreakpointAddedInTheDialogStopsTheGameWithDebugOff() {
    OpenWindow("TESTBOARD");
    window_->cbBreakPoint->click();
    testing::WhenModal([&](QWidget*) {
      debugger_->frmBreakPoint->edAddr->selectAll();
      QTest::keyClicks(debugger_->frmBreakPoint->edAddr, "4");
      debugger_->frmBreakPoint->bbOk->click();
    });
    window_->sbAddBreak->click();
    QCOMPARE(window_->cbBreak->currentText(), QString("4"));

    bool sawPause = false;
    QString shownPc;
    uint16_t pc = 0;
    QVERIFY(testing::RunGame(*window_, [&] {
      if (DebugState != DebugStateKind::Paused) return;
      sawPause = true;
      shownPc = debugger_->frmDebug->RegisterValues[7]->text();
      pc = ActiveContext->PC.w;
      window_->sbStartClick();
    }));
    QVERIFY(sawPause);
    QCOMPARE(messages_, std::vector<std::string>{
                            "The instruction in address of the breakpoint [4] is the next to be executed."});
    QVERIFY(window_->cbDebug->isChecked());
    QVERIFY(DebugMode);
    QVERIFY(debugger_->frmDebug->isVisible());
    QCOMPARE(debugger_->frmDebug->windowTitle(), QString("Debug (Paused)"));
    QCOMPARE(shownPc, QString("0004"));
    QCOMPARE(pc, uint16_t(0x0004));  // standing at the breakpoint, its JR not yet run
  }

  // A pause is shown while it lasts, never carried unseen into the next game, and closing the register
  // window switches Debug off.
  void PauseIsShownAndEndsWithTheRunWithoutDebug() {
    OpenWindow("TESTBOARD");
    QString status, button;
    bool resumed = false;
    QVERIFY(testing::RunGame(*window_, [&] {
      window_->cbDebug->click();
      debugger_->frmDebug->sbPause->click();
      window_->cbDebug->click();
      status = window_->StatusPanel->text();
      // With Debug off the main window's own button is the way on.
      button = window_->sbPause->isEnabled() ? window_->sbPause->text() : QString();
      window_->sbPause->click();
      resumed = DebugState == DebugStateKind::Running && window_->sbPause->text() == "Pause";
      window_->sbStartClick();
    }));
    QVERIFY2(status.startsWith("Paused"), qPrintable(status));
    QCOMPARE(button, QString("Resume"));
    QVERIFY(resumed);
    QVERIFY(!window_->sbPause->isEnabled());

    td::calls.Frames = 0;
    QVERIFY(testing::RunGame(*window_, [&] {
      if (td::calls.Frames >= 2) window_->sbStartClick();
    }));

    window_->cbDebug->click();
    QVERIFY(debugger_->frmDebug->isVisible());
    debugger_->frmDebug->close();
    QVERIFY(!window_->cbDebug->isChecked());
    QVERIFY(!DebugMode);
  }

  void DisasmOpensHidesAndSweepsTheNewMachineAfterANewStart() {
    OpenWindow("TESTBOARD");
    TfrmDisasm& disasm = *debugger_->frmDisasm;
    QVERIFY(!window_->sbDisasm->isEnabled());
    QVERIFY(testing::RunGame(*window_, [&] {
      window_->sbDisasm->click();
      window_->sbStartClick();
    }));
    QVERIFY(!disasm.isVisible());     // Stop hides the window
    QCOMPARE(disasm.LineCount(), 0);  // and discards the listing

    // A different program for the next run.
    td::WriteFile(folder_->path() / "counter.bin", {0x00, 0x18, 0xFD});
    std::vector<std::string> first;
    bool hiddenBySecondClick = false;
    QVERIFY(testing::RunGame(*window_, [&] {
      window_->sbDisasm->click();  // sweeps the new machine
      first = {disasm.Lines()[0], disasm.Lines()[1]};
      window_->sbDisasm->click();  // visible: hides
      hiddenBySecondClick = !disasm.isVisible();
      window_->sbDisasm->click();
      window_->sbStartClick();
    }));
    QVERIFY(hiddenBySecondClick);
    QCOMPARE(first, (std::vector<std::string>{"0000NOP", "0001JR FD"}));
    // No room right of the game screen on the 800-pixel test screen: it stays on the screen instead.
    QVERIFY(disasm.screen()->availableGeometry().contains(disasm.frameGeometry()));
  }

  // The picture docked in the workspace: drawn from the run's bitmap, typed into as the game screen
  // is, and the game screen window standing aside only meanwhile.
  void GameScreenPaneTakesThePictureAndTheKeys() {
    OpenWindow("TESTBOARD");
    debugger_->SetClassic(false);
    DebuggerWorkspace& workspace = *debugger_->Workspace;
    TfrmGameScreen& screen = *window_->frmGameScreen;
    QPoint screenPlace;
    bool asideWhileDocked = false, keyHeld = false, keyLetGo = false, backWhenClosed = false;
    QRgb shown = 0, painted = 0;
    int step = 0;
    QVERIFY(testing::RunGame(*window_, [&] {
      switch (step++) {
        case 0:
          window_->cbDebug->click();
          QVERIFY(workspace.isVisible() && workspace.GameDock->isHidden());
          screenPlace = screen.pos();
          workspace.GameDock->toggleViewAction()->trigger();  // as from the View menu
          break;
        case 1: {
          asideWhileDocked = !screen.isVisible();
          Screen->Palette[7] = {10, 200, 30};
          const ScreenGeometry geometry = Controls().Geometry();
          Screen->Pixels[static_cast<size_t>(Screen->Stride * (geometry.OffsetY + 3) + geometry.OffsetX + 5)] = 7;
          workspace.Game->resize(600, 500);
          workspace.Game->Refresh();
          shown = workspace.Game->Picture().pixel(5, 3);
          const int scale = workspace.Game->ShownScale();
          const QSize size = workspace.Game->Picture().size() * scale;
          const QPoint corner((600 - size.width()) / 2, (500 - size.height()) / 2);
          painted = workspace.Game->grab().toImage().pixel(corner + QPoint(5, 3) * scale + QPoint(scale - 1, 0));
          QApplication::setActiveWindow(&workspace);
          workspace.Game->setFocus();
          QTest::keyPress(workspace.Game, Qt::Key_Left);
          keyHeld = KeyState[static_cast<int>(VirtualKey::Left)] == 1;
          QTest::keyRelease(workspace.Game, Qt::Key_Left);
          keyLetGo = KeyState[static_cast<int>(VirtualKey::Left)] == 0;
          workspace.GameDock->close();
          break;
        }
        default:
          backWhenClosed = screen.isVisible() && screen.pos() == screenPlace;
          window_->sbStartClick();
      }
    }));
    QVERIFY(asideWhileDocked);
    QCOMPARE(shown, qRgb(10, 200, 30));
    QCOMPARE(painted, shown);
    QVERIFY(keyHeld && keyLetGo);
    QVERIFY(backWhenClosed);
  }

  void SpritesOpensTheCharacterViewerOnTheSpriteTilesWithoutNamedSets() {
    OpenWindow("TESTBOARD", "#sprites=1\n#charset=2\n");
    QString caption;
    bool setSpinEnabled = false;
    QVERIFY(testing::RunGame(*window_, [&] {
      QVERIFY(window_->sbSprites->isEnabled());
      testing::WhenModal([&](QWidget* dialog) {
        caption = dialog->windowTitle();
        setSpinEnabled = debugger_->frmCharSet->seSet->isEnabled();
        debugger_->frmCharSet->bbOk->click();
      });
      window_->sbSprites->click();
      window_->sbStartClick();
    }));
    QCOMPARE(caption, QString("Sprites"));
    QVERIFY(setSpinEnabled);  // two sets from "#charset=2"
  }

  void SpritesOpensTheSetViewerWhenTheDriverNamesItsSets() {
    OpenWindow("TESTSETS", "#sprites=1\n");
    QStringList names;
    QVERIFY(testing::RunGame(*window_, [&] {
      testing::WhenModal([&](QWidget* dialog) {
        QCOMPARE(dialog, static_cast<QWidget*>(debugger_->frmSpriteSet.get()));
        for (int i = 0; i < debugger_->frmSpriteSet->cbSets->count(); ++i)
          names << debugger_->frmSpriteSet->cbSets->itemText(i);
        debugger_->frmSpriteSet->bbOk->click();
      });
      window_->sbSprites->click();
      window_->sbStartClick();
    }));
    QCOMPARE(names, QStringList({"SPRITES 16x16"}));
  }

  void SpritesButtonOffersTheCharacterTilesToo() {
    OpenWindow("TESTBOARD", "#sprites=1\n");
    QString caption;
    QVERIFY(testing::RunGame(*window_, [&] {
      testing::WhenModal([&](QWidget* dialog) {
        caption = dialog->windowTitle();
        debugger_->frmCharSet->bbOk->click();
      });
      window_->sbSprites->actions().first()->trigger();
      window_->sbStartClick();
    }));
    QCOMPARE(caption, QString("Char Sets"));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::MainWindowDebuggerTest)
#include "main_window_debugger_test.moc"
