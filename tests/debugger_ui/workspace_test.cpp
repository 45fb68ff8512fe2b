// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger workspace: the Debug switch opens it instead of the register window, the layout
// survives a new window and "Reset layout" brings the panes back, and the panes' controls reach the
// machine (register and flag edits, typed memory bytes, F9, "Go to", following PC).
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include "machine/romset.h"
#include "run/run.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/disasm_pane.h"
#include "debugger/ui/game_pane.h"
#include "debugger/ui/history_pane.h"
#include "debugger/ui/memory_pane.h"
#include "debugger/ui/register_pane.h"
#include "debugger/ui/workspace.h"

namespace tirvane {

class WorkspaceTest : public QObject {
  Q_OBJECT

  QTemporaryDir settingsFolder_;
  Z80Context z_{};
  BreakpointList breakpoints_;
  std::unique_ptr<Debugger> debugger_;
  int unticks_ = 0;

  DebuggerWorkspace& Workspace() { return *debugger_->Workspace; }

  void NewDebugger() {
    debugger_ = std::make_unique<Debugger>();
    debugger_->SetClassic(false);
    debugger_->Workspace->Settings = [] { return std::make_unique<QSettings>(); };
  }

 private slots:
  void initTestCase() {
    // The layout goes to a settings file of the test's own.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder_.path());
  }

  void init() {
    QSettings().clear();
    ResetRunControls();
    std::fill(std::begin(MemoryImage), std::end(MemoryImage), 0);
    z_ = Z80Context{};
    z_.MemoryImage = MemoryImage;
    ActiveContext = &z_;
    breakpoints_.Clear();
    NewDebugger();
    BreakpointControls& controls = debugger_->Breakpoints();
    controls.List = &breakpoints_;
    controls.Add = [this](const std::string& text) { breakpoints_.Add(text); };
    controls.Remove = [this](int index) { breakpoints_.RemoveAt(index); };
    unticks_ = 0;
    debugger_->UntickDebug = [this] { ++unticks_; };
  }

  void cleanup() {
    debugger_.reset();
    ActiveContext = nullptr;
  }

  void DebugSwitchOpensTheWorkspaceAndClassicBringsBackTheRegisterWindow() {
    DebugMode = true;
    DebugState = DebugStateKind::Paused;
    debugger_->DebugSwitch(true, nullptr);
    QVERIFY(Workspace().isVisible());
    QVERIFY(!debugger_->frmDebug->isVisible());
    QCOMPARE(DebugState, DebugStateKind::Running);
    for (QDockWidget* dock : Workspace().findChildren<QDockWidget*>()) QVERIFY(!dock->isFloating());

    // The choice moves the open debugger and leaves the machine's state alone.
    DebugState = DebugStateKind::Paused;
    debugger_->SetClassic(true);
    QVERIFY(!Workspace().isVisible());
    QVERIFY(debugger_->frmDebug->isVisible());
    QCOMPARE(DebugState, DebugStateKind::Paused);
    debugger_->SetClassic(false);
    QVERIFY(Workspace().isVisible());
    QVERIFY(!debugger_->frmDebug->isVisible());

    Workspace().close();  // as the Debug box would be unticked
    QCOMPARE(unticks_, 1);
  }

  void LayoutSurvivesANewWindowAndResetBringsThePanesBack() {
    Workspace().show();
    Workspace().MemoryDock->close();
    Workspace().RegistersDock->setFloating(true);
    Workspace().hide();  // saves
    NewDebugger();
    Workspace().show();
    QVERIFY(Workspace().MemoryDock->isHidden());
    QVERIFY(Workspace().RegistersDock->isFloating());
    Workspace().ResetLayoutAction->trigger();
    QVERIFY(!Workspace().MemoryDock->isHidden());
    QVERIFY(!Workspace().RegistersDock->isFloating());
  }

  void HistoryPaneIsInTheViewMenuComesBackOnResetAndTakesTypedAddresses() {
    auto* pane = new HistoryPane;
    auto* dock = new QDockWidget("History");
    dock->setObjectName("dockHistory");
    dock->setWidget(pane);
    Workspace().AddPane(dock, Workspace().StopsDock);
    QList<QAction*> viewActions;
    for (QAction* menu : Workspace().menuBar()->actions())
      if (menu->text() == "&View") viewActions = menu->menu()->actions();
    QVERIFY(viewActions.contains(dock->toggleViewAction()));
    Workspace().show();
    dock->close();
    Workspace().ResetLayoutAction->trigger();
    QVERIFY(!dock->isHidden());

    // Typed where the click left the cursor, not only from the field's first place.
    pane->Address->setEnabled(true);
    pane->Address->setCursorPosition(4);
    QTest::keyClicks(pane->Address, "c0g1");
    QCOMPARE(pane->Address->text(), QString("c01"));
  }

  void GameScreenPaneNeverPushesTheWorkspacePastTheScreen() {
    Workspace().show();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();  // settled after its show
    const QRect room = Workspace().screen()->availableGeometry();
    Workspace().move(room.right() + 1 - Workspace().frameGeometry().width(), room.top());
    Workspace().Game->setMinimumSize(200, 96);  // a picture wider than the room the listing leaves
    Workspace().GameDock->show();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    QVERIFY2(Workspace().frameGeometry().right() <= room.right(),
             qPrintable(QString("%1 > %2, least %3").arg(Workspace().frameGeometry().right()).arg(room.right())
                            .arg(Workspace().minimumSizeHint().width())));
  }

  // Also run at QT_SCALE_FACTOR=2, where the first layout once ran off the bottom of the screen.
  void FirstLayoutFitsTheScreen() {
    Workspace().ResetLayout();
    Workspace().show();
    const QSize room = Workspace().screen()->availableGeometry().size();
    QVERIFY2(Workspace().minimumSizeHint().height() < room.height(),
             qPrintable(QString("%1 of %2").arg(Workspace().minimumSizeHint().height()).arg(room.height())));
    QVERIFY(Workspace().height() <= room.height());
    for (QTabBar* tabs : Workspace().findChildren<QTabBar*>()) QCOMPARE(tabs->elideMode(), Qt::ElideNone);
  }

  void RegisterAndFlagEditsReachTheProcessor() {
    Workspace().show();
    RegisterPane& pane = *Workspace().Registers;
    QLineEdit* pc = pane.Fields[7];
    pc->setFocus();
    pc->selectAll();
    QTest::keyClicks(pc, "1c0");
    QTest::keyClick(pc, Qt::Key_Return);
    QCOMPARE(z_.PC.w, uint16_t(0x01C0));
    QCOMPARE(pc->text(), QString("01C0"));
    pane.Flags[5]->click();  // C
    QCOMPARE(z_.AF.l & FlagC, FlagC);
    z_.BC.w = 0xBEEF;  // a change of the machine shows at the next refresh
    pane.Refresh();
    QCOMPARE(pane.Fields[1]->text(), QString("BEEF"));
  }

  void MemoryTypedInHexLandsInTheImageAndChangesAreMarked() {
    Workspace().show();
    MemoryPane& pane = *Workspace().Memory;
    z_.HL.w = 0x0010;
    QVERIFY(pane.GoTo("HL"));
    QVERIFY(!pane.GoTo("nowhere"));
    pane.View->setFocus();
    QTest::keyClicks(pane.View, "aB7");
    QCOMPARE(MemoryImage[0x10], uint8_t(0xAB));
    QCOMPARE(MemoryImage[0x11], uint8_t(0x00));  // one digit waits for its second
    QCOMPARE(pane.View->Cursor(), uint16_t(0x11));
    QVERIFY(pane.View->Changed(0x10));
    Workspace().Resumed();  // a run starts from here
    QVERIFY(!pane.View->Changed(0x10));

    pane.Follow->setCurrentText("SP");
    z_.SP.w = 0xEFF0;
    pane.Refresh();
    QCOMPARE(pane.View->Cursor(), uint16_t(0xEFF0));
  }

  void DisassemblyFollowsPcWhilePausedAndF9TogglesTheSelectedLine() {
    Workspace().resize(900, 700);
    Workspace().show();
    DisassemblyView& view = *Workspace().Disassembly->View;
    z_.PC.w = 0x4000;
    DebugState = DebugStateKind::Paused;
    Workspace().Refresh();
    QCOMPARE(view.Selected(), uint16_t(0x4000));
    QVERIFY(view.Lines().front() < 0x4000 && view.Lines().back() > 0x4000);

    Workspace().ToggleBreakpointAction->trigger();
    QCOMPARE(breakpoints_.Items(), std::vector<std::string>{"4000"});
    Workspace().ToggleBreakpointAction->trigger();
    QCOMPARE(breakpoints_.Count(), 0);

    // Keys walk the listing; the end of memory is reachable.
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(view.Lines().back(), uint16_t(0xFFFF));
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(view.Top(), uint16_t(0));
    QTest::keyClick(&view, Qt::Key_PageDown);
    QVERIFY(view.Top() > 0);

    QVERIFY(Workspace().Disassembly->GoTo("PC"));
    QCOMPARE(view.Selected(), uint16_t(0x4000));
    QVERIFY(!Workspace().Disassembly->GoTo("PQ"));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::WorkspaceTest)
#include "workspace_test.moc"
